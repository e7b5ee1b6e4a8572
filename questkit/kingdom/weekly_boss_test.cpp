// The weekly boss: ISO week keys and Monday boundaries in the user's zone, building the boss from
// a campaign or from overdue risks, damage, the final reward and the stored JSON.
#include "kingdom/weekly_boss.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace talewick {
namespace WeeklyBoss {
void PrintTo(const Boss& b, std::ostream* os) { *os << Json(b).dump(); }
void PrintTo(const Summary& s, std::ostream* os) { *os << Json(s).dump(); }
}  // namespace WeeklyBoss

namespace {

namespace Obs = KingdomWeeklyBossObservation;
using Ids = std::vector<std::string>;
using WeeklyBoss::Boss;
using WeeklyBoss::Objective;
using WeeklyBoss::Outcome;
using WeeklyBoss::Summary;
using WorldQuests::Realm;

// The instant an ISO-8601 text with an offset names.
Date at(const char* text) {
  const auto parsed = iso8601::parse(text);
  EXPECT_TRUE(parsed && parsed->offsetSeconds) << text;
  return iso8601::instant(parsed->civil, parsed->offsetSeconds.value_or(0));
}

const WeeklyBoss::Calendar kParis = WeeklyBoss::mondayCalendar("Europe/Paris");
const WeeklyBoss::Calendar kUTC = WeeklyBoss::mondayCalendar("UTC");

TEST(WeeklyBossWeeks, DayKeysNameTheirIsoWeekAcrossTheYearBoundary) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"2026-01-01", "2026-W01"}, {"2025-12-29", "2026-W01"}, {"2026-12-28", "2026-W53"},
      {"2027-01-03", "2026-W53"}, {"2027-01-04", "2027-W01"}, {"2020-12-31", "2020-W53"},
      {"2021-01-01", "2020-W53"}, {"2024-12-30", "2025-W01"}, {"2026-03-29", "2026-W13"},
      {"2026-03-30", "2026-W14"}, {"0001-01-01", "0001-W01"}, {"9999-12-31", "9999-W52"},
  };
  for (const auto& [day, week] : cases) EXPECT_EQ(WeeklyBoss::weekKeyOfDay(day), week) << day;
  EXPECT_EQ(WeeklyBoss::weekKeyOfDay("2026-02-30"), "");
  EXPECT_EQ(WeeklyBoss::weekKeyOfDay("semaine"), "");
}

TEST(WeeklyBossWeeks, TheWeekTurnsAtMondayMidnightInTheUsersZone) {
  // Sunday 23:30 and Monday 00:30 in Paris are both Sunday evening in UTC.
  const Date sundayNight = at("2026-12-27T23:30:00+01:00");
  const Date mondayEarly = at("2026-12-28T00:30:00+01:00");
  EXPECT_EQ(WeeklyBoss::weekKey(sundayNight, kParis), "2026-W52");
  EXPECT_EQ(WeeklyBoss::weekKey(mondayEarly, kParis), "2026-W53");
  EXPECT_EQ(WeeklyBoss::weekKey(mondayEarly, kUTC), "2026-W52");
  EXPECT_EQ(WeeklyBoss::localDayKey(mondayEarly, kParis), "2026-12-28");
  EXPECT_EQ(WeeklyBoss::localDayKey(mondayEarly, kUTC), "2026-12-27");

  EXPECT_EQ(WeeklyBoss::weekStart(sundayNight, kParis), at("2026-12-21T00:00:00+01:00"));
  EXPECT_EQ(WeeklyBoss::weekStart(mondayEarly, kParis), at("2026-12-28T00:00:00+01:00"));
  EXPECT_EQ(WeeklyBoss::weekStart(mondayEarly, kUTC), at("2026-12-21T00:00:00Z"));
  // The year's last days carry the next year's key when their Thursday is in January.
  EXPECT_EQ(WeeklyBoss::weekKey(at("2025-12-31T12:00:00+01:00"), kParis), "2026-W01");
}

TEST(WeeklyBossWeeks, DaylightSavingNightsShortenAndLengthenTheWeek) {
  // Clocks go forward on Sunday 2026-03-29 at 02:00 in Paris.
  const Date springSunday = at("2026-03-29T23:30:00+02:00");
  const Date springMonday = at("2026-03-30T00:30:00+02:00");
  EXPECT_EQ(WeeklyBoss::weekKey(springSunday, kParis), "2026-W13");
  EXPECT_EQ(WeeklyBoss::weekKey(springMonday, kParis), "2026-W14");
  const auto spring = WeeklyBoss::weekInterval(springSunday, kParis);
  ASSERT_TRUE(spring);
  EXPECT_EQ(spring->start, at("2026-03-23T00:00:00+01:00"));
  EXPECT_EQ(spring->end, at("2026-03-30T00:00:00+02:00"));
  EXPECT_EQ(spring->end - spring->start, 7 * 86400.0 - 3600.0);
  EXPECT_FALSE(spring->contains(springMonday));
  EXPECT_EQ(WeeklyBoss::weekStart(springMonday, kParis), spring->end);

  // Clocks go back on Sunday 2026-10-25 at 03:00: that week has an hour more.
  const auto autumn = WeeklyBoss::weekInterval(at("2026-10-25T02:30:00+01:00"), kParis);
  ASSERT_TRUE(autumn);
  EXPECT_EQ(autumn->start, at("2026-10-19T00:00:00+02:00"));
  EXPECT_EQ(autumn->end, at("2026-10-26T00:00:00+01:00"));
  EXPECT_EQ(autumn->end - autumn->start, 7 * 86400.0 + 3600.0);
}

TEST(WeeklyBossWeeks, InstantsOutsideTheCalendarHaveNoWeek) {
  const Date far{1e15};
  EXPECT_EQ(WeeklyBoss::weekKey(far, kParis), "");
  EXPECT_EQ(WeeklyBoss::weekStart(far, kParis), far);
  EXPECT_FALSE(WeeklyBoss::weekInterval(Date{NAN}, kParis));
}

Campaigns::Campaign campaign(const std::string& uuid, Realm realm, int chapters) {
  std::vector<Campaigns::ChapterDraft> drafts;
  for (int i = 1; i <= chapters; ++i) {
    drafts.push_back(
        {"Chapitre " + std::to_string(i), Campaigns::Anchor::manual(), 0, std::nullopt, true});
  }
  return Campaigns::makeCampaign(Campaigns::campaignID(uuid), "Campagne " + uuid, "", std::nullopt,
                                 realm, drafts, Date{0});
}

std::vector<Obs::RiskItem> risks(int count) {
  std::vector<Obs::RiskItem> out;
  for (int i = 1; i <= count; ++i) {
    out.push_back({"r" + std::to_string(i), "Risque " + std::to_string(i)});
  }
  return out;
}

Ids ids(const std::vector<Objective>& objectives) {
  Ids out;
  for (const Objective& o : objectives) out.push_back(o.id);
  return out;
}

TEST(WeeklyBossDefine, TwelveOverdueRisksGiveEightObjectivesOfOneHP) {
  const auto d = Obs::define({}, risks(12), "L'Hydre des retards");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->source, WeeklyBoss::Source::risk());
  EXPECT_EQ(d->title, "L'Hydre des retards");
  EXPECT_EQ(ids(d->objectives), (Ids{"risk:r1", "risk:r2", "risk:r3", "risk:r4", "risk:r5",
                                     "risk:r6", "risk:r7", "risk:r8"}));
  EXPECT_EQ(d->objectives[7].title, "Risque 8");
  const Boss boss = Obs::makeBoss(*d, "2026-W14", Date{42});
  const Summary s = WeeklyBoss::summary(boss);
  EXPECT_EQ(s.objectivesTotal, 8);
  EXPECT_EQ(s.maxHP, 8);
  EXPECT_EQ(boss.id, "weekboss:2026-W14");
  EXPECT_EQ(boss.rewardXP, 200);
  EXPECT_EQ(boss.rewardGold, 60);
  EXPECT_FALSE(boss.finalCredited);
  EXPECT_EQ(boss.createdAt, Date{42});
}

TEST(WeeklyBossDefine, AnActiveCampaignComesFirstWithItsOpenChapters) {
  Campaigns::Campaign asleep = Campaigns::makeDormant(campaign("A", Realm::family, 2));
  Campaigns::Campaign active = campaign("B", Realm::tickets, 3);
  active = Campaigns::completeManualChapter(active, active.chapters[0].id, Date{1});

  const auto d = Obs::define({asleep, active}, risks(2), "Risques");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->source, WeeklyBoss::Source::campaign("campaign:B"));
  EXPECT_EQ(d->realm, Realm::tickets);
  EXPECT_EQ(d->title, "Campagne B");
  EXPECT_EQ(ids(d->objectives), (Ids{"campaign:B:ch:2", "campaign:B:ch:3"}));
  for (const Objective& o : d->objectives) {
    EXPECT_EQ(o.hp, 1);
    EXPECT_FALSE(o.completed || o.credited);
  }
  // No active campaign and no risk: no boss this week.
  EXPECT_FALSE(Obs::define({asleep}, {}, "Risques"));
  EXPECT_EQ(Obs::define({asleep}, risks(1), "Risques")->source.kind,
            WeeklyBoss::Source::Kind::risk);
}

TEST(WeeklyBossDamage, FinishedWorkDealsItsDamageOnTheNextRefresh) {
  Campaigns::Campaign c = campaign("C", Realm::personal, 2);
  Boss boss = Obs::makeBoss(*Obs::define({c}, {}, ""), "2026-W14", Date{0});
  Ids overdue{"r1", "r2", "r3"};
  Boss riskBoss = Obs::makeBoss(*Obs::define({}, risks(3), "R"), "2026-W14", Date{0});

  EXPECT_TRUE(Obs::completedIDs(boss, {c}, overdue).empty());
  EXPECT_TRUE(Obs::completedIDs(riskBoss, {c}, overdue).empty());

  // r2 is done (no longer overdue); the first chapter is completed.
  overdue = {"r1", "r3"};
  c = Campaigns::completeManualChapter(c, c.chapters[0].id, Date{5});
  EXPECT_EQ(Obs::completedIDs(riskBoss, {c}, overdue), (std::set<std::string>{"risk:r2"}));
  EXPECT_EQ(Obs::completedIDs(boss, {c}, overdue), (std::set<std::string>{"campaign:C:ch:1"}));

  const auto e = WeeklyBoss::evaluate(riskBoss, Obs::completedIDs(riskBoss, {c}, overdue));
  EXPECT_EQ(ids(e.newlyCompleted), (Ids{"risk:r2"}));
  EXPECT_EQ(WeeklyBoss::summary(e.boss), (Summary{Outcome::progressed, 3, 1, 3, 1, "2026-W14"}));
  // Completion never reverts, and is not reported twice.
  const auto again = WeeklyBoss::evaluate(e.boss, {});
  EXPECT_TRUE(again.newlyCompleted.empty());
  EXPECT_EQ(again.boss, e.boss);
  EXPECT_FALSE(again.boss.objectives[1].credited);
}

TEST(WeeklyBossSummary, OutcomeFollowsTheObjectives) {
  Boss boss = Obs::makeBoss(*Obs::define({}, risks(3), "R"), "2026-W53", Date{0});
  EXPECT_EQ(WeeklyBoss::summary(boss), (Summary{Outcome::progressed, 3, 0, 3, 0, "2026-W53"}));
  boss.objectives[1].hp = 4;
  boss = WeeklyBoss::evaluate(boss, {"risk:r1", "risk:r2", "risk:r3"}).boss;
  EXPECT_EQ(WeeklyBoss::summary(boss), (Summary{Outcome::defeated, 3, 3, 6, 6, "2026-W53"}));
  boss.objectives.clear();
  EXPECT_EQ(WeeklyBoss::summary(boss).outcome, Outcome::calm);
}

TEST(WeeklyBossReward, TheFinalRewardIsDueOnceAndResolutionKeepsItsFirstDate) {
  Boss boss = Obs::makeBoss(*Obs::define({}, risks(2), "R"), "2026-W14", Date{0});
  EXPECT_FALSE(WeeklyBoss::finalRewardDue(boss));
  boss = WeeklyBoss::evaluate(boss, {"risk:r1", "risk:r2"}).boss;
  ASSERT_TRUE(WeeklyBoss::finalRewardDue(boss));
  EXPECT_EQ(WeeklyBoss::finalReward(boss), (WorldQuests::Reward{200, 60}));
  EXPECT_EQ(WeeklyBoss::finalReceiptID(boss.weekKey, boss.id),
            "weekboss-final:2026-W14:weekboss:2026-W14");
  boss = WeeklyBoss::markFinalCredited(boss);
  // A second refresh after the last blow finds nothing more to pay.
  boss = WeeklyBoss::evaluate(boss, {"risk:r1", "risk:r2"}).boss;
  EXPECT_FALSE(WeeklyBoss::finalRewardDue(boss));

  boss = WeeklyBoss::resolve(boss, Date{100});
  EXPECT_EQ(WeeklyBoss::resolve(boss, Date{200}).resolvedAt, Date{100});
  // A boss without objectives is calm, never defeated, and pays nothing.
  boss.objectives.clear();
  boss.finalCredited = false;
  EXPECT_FALSE(WeeklyBoss::finalRewardDue(boss));
}

TEST(WeeklyBossJson, TheBossRoundTripsAndUnknownSourcesAreKept) {
  Boss boss =
      Obs::makeBoss(*Obs::define({campaign("J", Realm::family, 1)}, {}, ""), "2026-W53", Date{7});
  boss = WeeklyBoss::resolve(boss, Date{9});
  const Json j = boss;
  EXPECT_EQ(j["source"], (Json{{"kind", "campaign"}, {"value", "campaign:J"}}));
  EXPECT_EQ(j["objectives"][0], (Json{{"id", "campaign:J:ch:1"},
                                      {"title", "Chapitre 1"},
                                      {"hp", 1},
                                      {"completed", false},
                                      {"credited", false}}));
  EXPECT_EQ(decodeJsonText<Boss>(j.dump()), boss);

  const std::string stored = R"({"kind":"guildRaid","value":"g-7"})";
  const auto source = decodeJsonText<WeeklyBoss::Source>(stored);
  EXPECT_EQ(source.kind, WeeklyBoss::Source::Kind::unknown);
  EXPECT_EQ(Json(source).dump(), stored);
  EXPECT_EQ(Json(WeeklyBoss::Source::risk()).dump(), R"({"kind":"risk","value":""})");

  Json damaged = boss;
  damaged["objectives"][0]["hp"] = "un";
  try {
    decodeJsonText<Boss>(damaged.dump());
    ADD_FAILURE() << "decoded a damaged boss";
  } catch (const DecodeError& e) {
    EXPECT_EQ(e.path(), "objectives[0].hp");
  }
  damaged = boss;
  damaged["source"] = "campaign";
  EXPECT_THROW(decodeJsonText<Boss>(damaged.dump()), DecodeError);
  EXPECT_THROW(decodeJsonText<Boss>("{\"id\": \"weekboss:"), DecodeError);
}

}  // namespace
}  // namespace talewick
