// The guild's domain, the consumer mail providers that cannot found one, its levels and ranks.
#include "together/guild.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

TEST(Guild, TheDomainOfAnAddressIsReadLowerCased) {
  EXPECT_EQ(Guild::domainOf("Claire.Dupont@ACME.fr"), "acme.fr");
  EXPECT_EQ(Guild::domainOf("  bob@eu.corp.example.com\n"), "eu.corp.example.com");
  EXPECT_EQ(Guild::domainOf("bob@acme.fr."), "acme.fr");
  EXPECT_EQ(Guild::domainOf("léa@société.fr"), "société.fr");
  EXPECT_EQ(Guild::domainOf("x@my-company.io"), "my-company.io");
}

TEST(Guild, MalformedAddressesHaveNoDomain) {
  for (const char* bad : {"", "acme.fr", "@acme.fr", "bob@", "bob@acme", "bob@@acme.fr",
                          "bob@ac me.fr", "bo b@acme.fr", "bob@acme..fr", "bob@.acme.fr",
                          "bob@-acme.fr", "bob@acme-.fr", "bob@acme_corp.fr", "a@b@acme.fr"}) {
    EXPECT_EQ(Guild::domainOf(bad), std::nullopt) << bad;
  }
}

TEST(Guild, ConsumerProvidersAreRefusedCompanyDomainsAreNot) {
  for (const char* open : {"gmail.com", "GMAIL.COM", "icloud.com", "me.com", "outlook.fr",
                           "orange.fr", "proton.me", "mail.yahoo.fr", "yahoo.fr."}) {
    EXPECT_TRUE(Guild::isPublicDomain(open)) << open;
  }
  // A company whose name ends like a provider's is still a company.
  for (const char* company :
       {"acme.com", "welcome.com", "gmail.company.com", "frenchfree.fr", "", "com"}) {
    EXPECT_FALSE(Guild::isPublicDomain(company)) << company;
  }
}

TEST(Guild, EachLevelCostsMoreThanTheLast) {
  // l × 300 + l^1.8 × 500, half away from zero.
  EXPECT_EQ(Guild::xpForLevel(1), 800);
  EXPECT_EQ(Guild::xpForLevel(2), 2341);
  EXPECT_EQ(Guild::xpForLevel(5), 10560);
  EXPECT_EQ(Guild::xpForLevel(0), 0);
  EXPECT_EQ(Guild::xpForLevel(-3), 0);
  EXPECT_GT(Guild::xpForLevel(1'000'000), Guild::xpForLevel(999'999));
}

TEST(Guild, LevelFromTheAllTimeTotal) {
  const LevelInfo fresh = Guild::levelFromTotalXp(0);
  EXPECT_EQ(fresh.level, 1);
  EXPECT_EQ(fresh.xpIntoLevel, 0);
  EXPECT_EQ(fresh.xpForNext, 800);
  EXPECT_EQ(Guild::levelFromTotalXp(-50), fresh);
  EXPECT_EQ(Guild::levelFromTotalXp(799).level, 1);
  EXPECT_EQ(Guild::levelFromTotalXp(800).level, 2);
  // 800 + 2341 + 4512 + 7263 = 14916 opens level 5.
  EXPECT_EQ(Guild::levelFromTotalXp(14915).level, 4);
  const LevelInfo five = Guild::levelFromTotalXp(14916 + 2640);
  EXPECT_EQ(five.level, 5);
  EXPECT_EQ(five.xpIntoLevel, 2640);
  EXPECT_EQ(five.xpForNext, 10560);
  EXPECT_DOUBLE_EQ(five.progress, 0.25);
  // The largest total still ends, on a finite level.
  EXPECT_GT(Guild::levelFromTotalXp(INT64_MAX).level, 100'000);
}

TEST(Guild, RankTitlesFollowTheirFirstLevel) {
  EXPECT_EQ(Guild::rankTitle(0), "Guilde naissante");
  EXPECT_EQ(Guild::rankTitle(-4), "Guilde naissante");
  EXPECT_EQ(Guild::rankTitle(2), "Guilde naissante");
  EXPECT_EQ(Guild::rankTitle(3), "Confrérie");
  EXPECT_EQ(Guild::rankTitle(7), "Compagnie");
  EXPECT_EQ(Guild::rankTitle(8), "Ordre");
  EXPECT_EQ(Guild::rankTitle(12), "Légion");
  EXPECT_EQ(Guild::rankTitle(19), "Dynastie");
  EXPECT_EQ(Guild::rankTitle(20), "Guilde légendaire");
  EXPECT_EQ(Guild::rankTitle(500), "Guilde légendaire");
}

}  // namespace
}  // namespace talewick
