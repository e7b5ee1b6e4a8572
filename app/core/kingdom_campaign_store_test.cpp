// The campaign store: baselines taken from the anchors, chapters and ends paid once whatever the
// refreshes and restarts, the chronicle, and the limits on active campaigns.
#include "core/kingdom_campaign_store.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/memory_files.hpp"

namespace talewick {
namespace {

using Campaigns::Anchor;
using Campaigns::ChapterDraft;
using WorldQuests::Realm;

const std::filesystem::path kFolder = "/home";

struct World {
  testing::MemoryFiles files;
  testing::MemoryCloudStore cloud;
  std::ostringstream said;
  RunLoop loop;
  HeroStore hero{files,       kFolder / HeroStore::FILE_NAME,           cloud,
                 loop.main(), loop.serialQueue(HeroStore::CLOUD_QUEUE), said};
  World() { hero.start(); }
};

struct Stores {
  explicit Stores(World& w)
      : chronicle(w.files, kFolder / KingdomCampaignChronicleStore::FILE_NAME, w.said),
        campaigns(w.files, kFolder / KingdomCampaignStore::FILE_NAME, chronicle, w.hero, w.said) {}
  KingdomCampaignChronicleStore chronicle;
  KingdomCampaignStore campaigns;
};

Campaigns::Campaign campaign(const std::string& id, Realm realm,
                             std::vector<ChapterDraft> chapters) {
  return Campaigns::makeCampaign(id, "Campagne " + id, "", std::nullopt, realm, chapters,
                                 Date::fromUnix(1'765'000'000));
}

const KingdomCampaignStore::AnchorItems kCalendar = [](const Anchor& a) {
  return a.kind == Anchor::Kind::calendar
             ? std::optional<std::vector<std::string>>({"e1", "e2", "e3"})
             : std::nullopt;
};

Campaigns::LiveState passed(std::vector<std::string> ids) {
  Campaigns::LiveState live;
  live.calendarEventsPassed = std::move(ids);
  return live;
}

TEST(KingdomCampaignStore, ChaptersAndTheEndPayOnceAndTheEndIsChronicled) {
  World w;
  const Date now = Date::fromUnix(1'765'300'000);
  {
    Stores s(w);
    ASSERT_FALSE(s.campaigns.add(
        campaign("campaign:a", Realm::tickets,
                 {ChapterDraft{"Livrer", Anchor::calendar("travail"), 2, std::nullopt, false},
                  ChapterDraft{"Fêter", Anchor::manual(), 0, std::nullopt, true}})));
    EXPECT_TRUE(s.campaigns.evaluate(passed({}), "2026-12-09", now, kCalendar).empty());
    EXPECT_EQ(s.campaigns.campaigns()[0].chapters[0].baselineIDs,
              (std::vector<std::string>{"e1", "e2", "e3"}));
    EXPECT_TRUE(s.campaigns.evaluate(passed({"e1"}), "2026-12-09", now, kCalendar).empty());
    const auto paid = s.campaigns.evaluate(passed({"e1", "e2"}), "2026-12-09", now, kCalendar);
    ASSERT_EQ(paid.size(), 1u);
    EXPECT_EQ(paid[0].xp, 55);
    EXPECT_EQ(paid[0].gold, 14);
    EXPECT_TRUE(s.campaigns.evaluate(passed({"e1", "e2"}), "2026-12-09", now, kCalendar).empty());
    EXPECT_FALSE(s.campaigns.completeManualChapter("campaign:a:nope", now));
  }
  {
    Stores s(w);  // a restart: the chapter stays paid
    EXPECT_TRUE(s.campaigns.evaluate(passed({"e1", "e2"}), "2026-12-10", now, kCalendar).empty());
    ASSERT_TRUE(s.campaigns.completeManualChapter("campaign:a", now));
    const auto paid = s.campaigns.evaluate(passed({}), "2026-12-10", now, kCalendar);
    ASSERT_EQ(paid.size(), 2u);
    EXPECT_EQ(paid[1].xp, 120);
    EXPECT_EQ(paid[1].gold, 30);
    EXPECT_TRUE(s.campaigns.evaluate(passed({}), "2026-12-10", now, kCalendar).empty());
    ASSERT_EQ(s.chronicle.entries().size(), 1u);
    EXPECT_EQ(s.chronicle.entries()[0].outcome, Campaigns::ChronicleOutcome::completed);
  }
  EXPECT_EQ(w.hero.payload()->totalXp, 55 + 55 + 120);
  EXPECT_EQ(w.hero.payload()->gold, 14 + 14 + 30);

  // Removing it later tells nothing twice and pays nothing more.
  Stores s(w);
  ASSERT_TRUE(s.campaigns.remove("campaign:a", "2026-12-11", now));
  EXPECT_TRUE(s.campaigns.campaigns().empty());
  EXPECT_EQ(s.chronicle.entries().size(), 1u);
  EXPECT_EQ(w.hero.payload()->totalXp, 230);
}

TEST(KingdomCampaignStore, AbandoningPaysWhatWasWonAndClosesTheCampaign) {
  World w;
  Stores s(w);
  const Date now = Date::fromUnix(1'765'300'000);
  ASSERT_FALSE(
      s.campaigns.add(campaign("campaign:b", Realm::family,
                               {ChapterDraft{"Un", Anchor::manual(), 0, std::nullopt, true},
                                ChapterDraft{"Deux", Anchor::manual(), 0, std::nullopt, true}})));
  ASSERT_TRUE(s.campaigns.completeManualChapter("campaign:b", now));
  const auto paid = s.campaigns.remove("campaign:b", "2026-12-09", now);
  ASSERT_TRUE(paid);
  ASSERT_EQ(paid->size(), 1u);
  EXPECT_EQ((*paid)[0].xp, 55);
  ASSERT_EQ(s.chronicle.entries().size(), 1u);
  EXPECT_EQ(s.chronicle.entries()[0].outcome, Campaigns::ChronicleOutcome::closed);
  EXPECT_FALSE(s.chronicle.entries()[0].seen);
  EXPECT_TRUE(s.chronicle.markSeen("campaign:b"));
  EXPECT_FALSE(s.chronicle.markSeen("campaign:b"));
  EXPECT_FALSE(s.campaigns.remove("campaign:b", "2026-12-09", now));
}

TEST(KingdomCampaignStore, ThreeActiveAtMostOnePerRealm) {
  World w;
  Stores s(w);
  const std::vector<ChapterDraft> one{ChapterDraft{"Un", Anchor::manual(), 0, std::nullopt, true}};
  EXPECT_FALSE(s.campaigns.add(campaign("campaign:1", Realm::family, one)));
  EXPECT_EQ(s.campaigns.add(campaign("campaign:2", Realm::family, one)),
            Campaigns::Refusal::realmTaken);
  EXPECT_FALSE(s.campaigns.add(campaign("campaign:3", Realm::tickets, one)));
  EXPECT_FALSE(s.campaigns.add(campaign("campaign:4", Realm::personal, one)));
  EXPECT_EQ(s.campaigns.add(campaign("campaign:5", Realm::deadlines, one)),
            Campaigns::Refusal::tooManyActive);
  EXPECT_EQ(s.campaigns.campaigns().size(), 3u);

  ASSERT_TRUE(s.campaigns.makeDormant("campaign:1"));
  EXPECT_FALSE(s.campaigns.add(campaign("campaign:6", Realm::family, one)));
  EXPECT_EQ(s.campaigns.wake("campaign:1"), Campaigns::Refusal::tooManyActive);
  ASSERT_TRUE(s.campaigns.makeDormant("campaign:3"));
  EXPECT_EQ(s.campaigns.wake("campaign:1"), Campaigns::Refusal::realmTaken);
  EXPECT_EQ(s.campaigns.find("campaign:1")->status, Campaigns::Status::dormant);
  EXPECT_EQ(s.campaigns.find("campaign:6"), s.campaigns.find("campaign:6"));
  EXPECT_EQ(s.campaigns.find("campaign:"), nullptr);  // ambiguous
}

}  // namespace
}  // namespace talewick
