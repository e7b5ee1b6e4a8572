// Alias keys, the merging of a person's keys into one inhabitant, and the records' JSON.
#include "kingdom/inhabitants.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using namespace InhabitantRegistry;
using Kind = Inhabitant::Kind;

AliasKey key(std::optional<AliasKey> k) {
  if (!k) throw std::runtime_error("expected a key");
  return *k;
}
AliasKey email(std::string_view s) { return key(AliasKey::email(s)); }
AliasKey member(std::string_view s) { return key(AliasKey::linearMember(s)); }
AliasKey name(std::string_view s) { return key(AliasKey::name(s)); }

const Inhabitant& byID(const std::vector<Inhabitant>& all, const std::string& id) {
  for (const Inhabitant& i : all) {
    if (i.id == id) return i;
  }
  throw std::runtime_error("no inhabitant " + id);
}

TEST(AliasKey, ConstructorsNormaliseAndRefuseWhatIsEmpty) {
  EXPECT_EQ(email("  Alice.Martin@Example.COM\n").value, "alice.martin@example.com");
  EXPECT_EQ(email("alice.martin@example.com"), email(" ALICE.MARTIN@example.com\t"));
  EXPECT_EQ(member("  usr_42 ").value, "usr_42");
  EXPECT_EQ(key(AliasKey::familyProfile("\nmaman\n")).value, "maman");
  EXPECT_EQ(key(AliasKey::todoistAssignee(" 9001 ")).value, "9001");
  EXPECT_EQ(name("Hélène ÉMERY").value, "helene emery");
  EXPECT_EQ(name("helene emery"), name("HÉLÈNE Émery"));
  EXPECT_NE(email("a@x.org"), key(AliasKey::linearMember("a@x.org")));
  for (const char* blank : {"", "   ", "\n\t "}) {
    EXPECT_EQ(AliasKey::email(blank), std::nullopt);
    EXPECT_EQ(AliasKey::linearMember(blank), std::nullopt);
    EXPECT_EQ(AliasKey::familyProfile(blank), std::nullopt);
    EXPECT_EQ(AliasKey::todoistAssignee(blank), std::nullopt);
  }
  EXPECT_EQ(AliasKey::name(""), std::nullopt);
  EXPECT_EQ(AliasKey::name(" \n"), std::nullopt);
  EXPECT_EQ(name("  Zoé ").value, "zoe");
}

TEST(AliasKey, JsonNamesTheCaseAndKeepsTheValueAsWritten) {
  EXPECT_EQ(json_coding::encode(email("bob@x.org")).dump(), R"({"email":{"_0":"bob@x.org"}})");
  const AliasKey asWritten = decodeJsonText<AliasKey>(R"({"email":{"_0":" BOB@x.org "}})");
  EXPECT_EQ(asWritten.value, " BOB@x.org ");
  EXPECT_EQ(normalizeKeys({asWritten}), std::vector<AliasKey>{email("bob@x.org")});
  for (const char* damaged :
       {R"({"phone":{"_0":"1"}})", R"({"email":{"_1":"a"}})", R"({"email":"a"})",
        R"({"email":{"_0":3}})", R"({})", R"({"email":{"_0":"a"},"name":{"_0":"b"}})",
        R"(["email"])", R"({"email":{"_0":)"}) {
    EXPECT_THROW(decodeJsonText<AliasKey>(damaged), DecodeError) << damaged;
  }
}

TEST(InhabitantRegistry, NormalizeKeysDropsEmptyAndRepeatedKeys) {
  const std::vector<AliasKey> raw{
      AliasKey{AliasKey::Case::email, " A@X.org"}, AliasKey{AliasKey::Case::name, "  "},
      AliasKey{AliasKey::Case::email, "a@x.org"}, AliasKey{AliasKey::Case::name, "Zoé"}};
  EXPECT_EQ(normalizeKeys(raw), (std::vector<AliasKey>{email("a@x.org"), name("zoe")}));
  EXPECT_EQ(normalizeKeys({}), std::vector<AliasKey>{});
}

TEST(InhabitantRegistry, DerivedIDComesFromTheMostTrustedKey) {
  EXPECT_EQ(derivedID({name("Zoé"), member("u1"), email("Z@x.org")}), "email:z@x.org");
  EXPECT_EQ(derivedID({name("Zoé"), member("u1")}), "linearMember:u1");
  EXPECT_EQ(derivedID({name("Zoé")}), "name:zoe");
  EXPECT_EQ(derivedID({}), std::nullopt);
  EXPECT_EQ(derivedID({AliasKey{AliasKey::Case::email, " "}}), std::nullopt);
}

TEST(InhabitantRegistry, OnePersonSeenUnderThreeKeysIsOneInhabitant) {
  std::vector<Inhabitant> people;
  const auto id =
      upsert({email("alice@x.org")}, "alice@x.org", Kind::external, "2026-03-02T09:00:00Z", people);
  EXPECT_EQ(id, "email:alice@x.org");
  EXPECT_EQ(upsert({member("u-alice"), email("ALICE@x.org ")}, "Alice Martin", Kind::colleague,
                   "2026-03-03T09:00:00Z", people),
            id);
  EXPECT_EQ(upsert({name("Alice Martin"), member("u-alice")}, "Alice", Kind::external,
                   "2026-03-04T09:00:00Z", people),
            id);
  ASSERT_EQ(people.size(), 1u);
  const Inhabitant& alice = people.front();
  EXPECT_EQ(alice.aliases,
            (std::set<AliasKey>{email("alice@x.org"), member("u-alice"), name("alice martin")}));
  EXPECT_EQ(alice.displayName, "alice@x.org");
  EXPECT_EQ(alice.kind, Kind::colleague);
  EXPECT_EQ(alice.firstSeenISO, "2026-03-02T09:00:00Z");
  EXPECT_EQ(alice.lastSeenISO, "2026-03-04T09:00:00Z");
  EXPECT_EQ(resolve({name("ALICE MARTIN")}, people)->id, id);
  EXPECT_EQ(resolve({name("Bob")}, people), std::nullopt);
  EXPECT_EQ(upsert({}, "nobody", Kind::external, "2026-03-04T09:00:00Z", people), std::nullopt);
  EXPECT_EQ(people.size(), 1u);
}

TEST(InhabitantRegistry, KeySetsInStrongContradictionStayApart) {
  // Different tracker accounts are different people, even with one name.
  EXPECT_TRUE(contradicts({member("u1"), name("jean")}, {member("u2"), name("jean")}));
  // Namesakes with different addresses and nothing else in common.
  EXPECT_TRUE(
      contradicts({email("jean@a.org"), name("jean")}, {email("jean@b.org"), name("jean")}));
  // The same account with a second address is one person.
  EXPECT_FALSE(
      contradicts({email("jean@a.org"), member("u1")}, {email("jean@b.org"), member("u1")}));
  EXPECT_FALSE(contradicts({name("jean")}, {email("jean@b.org"), name("jean")}));

  std::vector<Inhabitant> people;
  const auto first = upsert({member("u1"), name("Jean Dupont")}, "Jean Dupont", Kind::colleague,
                            "2026-03-02T09:00:00Z", people);
  const auto second = upsert({member("u2"), name("Jean Dupont")}, "Jean Dupont", Kind::colleague,
                             "2026-03-02T10:00:00Z", people);
  ASSERT_TRUE(first && second);
  EXPECT_NE(*first, *second);
  EXPECT_EQ(people.size(), 2u);
  EXPECT_EQ(resolve({member("u2"), name("jean dupont")}, people)->id, *second);
  // The same derived id for two people gets a suffix instead of overwriting the first.
  const auto third = upsert({name("Jean Dupont"), member("u3")}, "Jean", Kind::colleague,
                            "2026-03-02T11:00:00Z", people);
  EXPECT_EQ(third, "linearMember:u3");
  std::vector<Inhabitant> namesakes;
  upsert({email("j@a.org")}, "J", Kind::external, "t1", namesakes);
  namesakes.front().aliases = {email("j@a.org"), member("u1")};
  EXPECT_EQ(upsert({email("j@a.org"), member("u9")}, "J", Kind::external, "t2", namesakes),
            "email:j@a.org#2");
}

TEST(InhabitantRegistry, AKeyJoiningTwoKnownInhabitantsFoldsThemIntoOne) {
  std::vector<Inhabitant> people;
  const auto byMail =
      upsert({email("sam@x.org")}, "Sam", Kind::external, "2026-03-05T09:00:00Z", people);
  const auto byAccount =
      upsert({member("u-sam")}, "Samuel", Kind::colleague, "2026-03-01T09:00:00Z", people);
  people[1].links = {1, 2, 3};
  people[0].links = {4, 0, 0};
  EXPECT_EQ(upsert({email("sam@x.org"), member("u-sam")}, "S", Kind::external,
                   "2026-03-06T09:00:00Z", people),
            byMail);
  ASSERT_EQ(people.size(), 1u);
  EXPECT_EQ(people[0].links, (LienTally{5, 2, 3}));
  EXPECT_EQ(people[0].kind, Kind::colleague);
  EXPECT_EQ(people[0].displayName, "Sam");
  EXPECT_EQ(people[0].firstSeenISO, "2026-03-01T09:00:00Z");
  EXPECT_EQ(people[0].lastSeenISO, "2026-03-06T09:00:00Z");
  EXPECT_NE(byMail, byAccount);
}

TEST(InhabitantRegistry, LinkMovesKeysToTheChosenInhabitant) {
  std::vector<Inhabitant> people;
  const auto a = upsert({email("a@x.org")}, "A", Kind::family, "t", people);
  const auto b = upsert({name("Mamie")}, "Mamie", Kind::family, "t", people);
  EXPECT_TRUE(link({name("mamie"), key(AliasKey::familyProfile("p-1"))}, *a, people));
  EXPECT_TRUE(byID(people, *b).aliases.empty());
  EXPECT_EQ(resolve({name("MAMIE")}, people)->id, *a);
  const auto before = people;
  EXPECT_FALSE(link({name("x")}, "missing", people));
  EXPECT_EQ(people, before);
}

TEST(InhabitantRegistry, HostileNamesAreKeptAsDataAndStillMatch) {
  std::vector<Inhabitant> people;
  const std::string control = "Eve\x1b[31m\x07\nRed";
  const std::string huge(10 * 1024, 'z');
  const auto eve = upsert({name(control)}, control, Kind::external, "t", people);
  const auto big = upsert({name(huge)}, huge, Kind::external, "t", people);
  ASSERT_TRUE(eve && big);
  EXPECT_EQ(resolve({name(control)}, people)->displayName, control);
  EXPECT_EQ(resolve({name(huge)}, people)->id, *big);
  const Json j = json_coding::encode(people);
  EXPECT_EQ(decodeJsonText<std::vector<Inhabitant>>(j.dump()), people);
}

TEST(Inhabitant, JsonRoundTripsAndDamagedRecordsAreRefused) {
  Inhabitant i;
  i.id = "email:a@x.org";
  i.displayName = "Alice";
  i.pseudo = "Dame Alice";
  i.kind = Kind::current;
  i.aliases = {email("a@x.org"), name("alice")};
  i.links = {2, 1, 1};
  i.firstSeenISO = "2026-03-02T09:00:00Z";
  const Json j = json_coding::encode(i);
  EXPECT_EQ(j["aliases"].size(), 2u);
  EXPECT_FALSE(j.contains("lastSeenISO"));
  EXPECT_FALSE(j.contains("spriteAssetName"));
  EXPECT_EQ(j["links"].dump(), R"({"sharedMeetings":2,"coHandledTickets":1,"completedForYou":1})");
  EXPECT_EQ(decodeJsonText<Inhabitant>(j.dump()), i);
  for (const char* key : {"id", "kind", "aliases", "links", "firstSeenISO"}) {
    Json damaged = j;
    damaged.erase(key);
    EXPECT_THROW(decodeJsonText<Inhabitant>(damaged.dump()), DecodeError) << key;
  }
  Json badKind = j;
  badKind["kind"] = "villain";
  EXPECT_THROW(decodeJsonText<Inhabitant>(badKind.dump()), DecodeError);
  Json badAlias = j;
  badAlias["aliases"][1] = "alice";
  try {
    decodeJsonText<Inhabitant>(badAlias.dump());
    ADD_FAILURE() << "a damaged alias was accepted";
  } catch (const DecodeError& e) {
    EXPECT_EQ(e.path(), "aliases[1]");
  }
}

}  // namespace
}  // namespace talewick
