// `talewick rules NAME`: each rule answers through the command exactly what it answers when called
// directly, its results feed the next call, and bad arguments are one French line naming the field.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "game/day_event.hpp"
#include "game/quest_engine.hpp"
#include "kingdom/campaigns.hpp"
#include "kingdom/capacity.hpp"
#include "kingdom/expedition.hpp"
#include "kingdom/journey.hpp"
#include "kingdom/kingdom_realm_classifier.hpp"
#include "kingdom/weekly_boss.hpp"
#include "kingdom/world_quests.hpp"
#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick::ui {
namespace {

using json_coding::encode;
using testing::runCli;
using WorldQuests::DailyBoard;

// The command's answer to `arguments`, parsed.
Json answer(const std::string& rule, const std::string& arguments) {
  const testing::CliResult r = runCli({"rules", rule}, arguments);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  return r.status == 0 ? Json::parse(r.out) : Json();
}
Json answer(const std::string& rule, const Json& arguments) {
  return answer(rule, arguments.dump());
}

const WorldQuests::Candidates kCandidates{
    .pendingInviteIDs = {"inv_cafe", "inv_dentiste"},
    .backlogTicketIDs = {"TW-12", "TW-15", "TW-19"},
    .inProgressTicketIDs = {"TW-7"},
    .dueTodayReminderIDs = {"rem_pain", "rem_plantes", "rem_colis"},
    .vaultTaskIDs = {"coffre_1", "coffre_2"},
    .overdueReminderCount = 2,
    .overdueDeadlineCount = 1};

Json generateArguments(int64_t maxObjectives) {
  return {{"dayKey", "2026-12-07"},
          {"candidates", encode(kCandidates)},
          {"maxObjectives", maxObjectives}};
}

TEST(RulesCommand, WorldQuestsGenerateIsTheBoardOfTheDay) {
  const DailyBoard expected = WorldQuests::generate("2026-12-07", kCandidates, 2);
  ASSERT_EQ(expected.objectives.size(), 2u);  // held below the default of 3
  EXPECT_EQ(answer("world-quests.generate", generateArguments(2)), encode(expected));
}

TEST(RulesCommand, AGeneratedBoardEvaluatesAsItIs) {
  const Json board = answer("world-quests.generate", generateArguments(3));
  const WorldQuests::LiveState live{.stillPendingInviteIDs = {"inv_dentiste"},
                                    .stillBacklogTicketIDs = {"TW-15", "TW-19"},
                                    .doneTicketIDs = {"TW-7"},
                                    .completedReminderIDs = {"rem_pain"},
                                    .completedVaultTaskIDs = {},
                                    .overdueReminderCount = 0,
                                    .overdueDeadlineCount = 1};
  const Json out = answer("world-quests.evaluate", Json{{"board", board}, {"live", encode(live)}});

  const WorldQuests::Evaluation expected =
      WorldQuests::evaluate(WorldQuests::generate("2026-12-07", kCandidates, 3), live);
  ASSERT_FALSE(expected.newlyCompleted.empty());
  ASSERT_LT(expected.newlyCompleted.size(), expected.board.objectives.size());
  EXPECT_EQ(out, (Json{{"board", encode(expected.board)},
                       {"newlyCompleted", encode(expected.newlyCompleted)}}));
}

TEST(RulesCommand, JourneyResolveTakesDatesAsTextAndWritesThemAsSeconds) {
  const Json candidates = Json::parse(R"([
    {"id": "inv_cafe", "realm": "personal", "kind": "invitation", "title": "Café avec Léa",
     "xpReward": 40, "goldReward": 12},
    {"id": "deadline_bilan", "realm": "deadlines", "kind": "overdueDeadline",
     "title": "Bilan trimestriel", "dueAt": "2026-12-06T18:00:00+01:00",
     "xpReward": 45, "goldReward": 14}])");
  // The recommended quest is missing for the second refresh in a row: it gets replaced.
  const Journey::State state{"2026-12-07", std::nullopt, "TW-7", 1};
  for (const std::string dayKey : {"2026-12-07", "2026-12-08"}) {
    const Json out =
        answer("journey.resolve",
               Json{{"state", encode(state)}, {"candidates", candidates}, {"dayKey", dayKey}});
    const Journey::Resolution expected = Journey::resolveMain(
        state, decodeJsonText<std::vector<Journey::Candidate>>(candidates.dump()), dayKey);
    ASSERT_TRUE(expected.main);
    EXPECT_EQ(out, (Json{{"main", encode(*expected.main)},
                         {"state", encode(expected.state)},
                         {"isChosen", expected.isChosen}}));
    EXPECT_TRUE(out["main"]["dueAt"].is_number()) << out;
  }
  const Json none = answer(
      "journey.resolve",
      Json{{"state", encode(state)}, {"candidates", Json::array()}, {"dayKey", "2026-12-07"}});
  EXPECT_FALSE(none.contains("main")) << none;
}

TEST(RulesCommand, CapacityAssessGivesLevelScoreAndLoad) {
  const Capacity::Load load{.eventCount = 5,
                            .busyMinutes = 290,
                            .overdueDeadlines = 1,
                            .overdueReminders = 7,
                            .expeditionsToday = 1};
  const Capacity::Assessment expected = Capacity::assess(load);
  ASSERT_EQ(expected.level, Capacity::Level::overloaded);
  EXPECT_EQ(answer("capacity.assess", encode(load)),
            (Json{{"level", "overloaded"}, {"score", expected.score}, {"load", encode(load)}}));
}

TEST(RulesCommand, RealmMembershipReadsTheOccurrenceAndItsCalendar) {
  namespace K = KingdomRealmClassifier;
  DayEvent event =
      testing::timedEvent("Rendez-vous pédiatre", testing::localDate(2026, 12, 7, 17, 30), 45);
  event.calendarID = "cal_maison";
  const Quest quest = QuestEngine::eventToQuest(event, RPGMode::heroicPapa);
  const std::map<std::string, std::string> titles{{"cal_maison", "Famille Morel"}};
  const auto expected = [&](const DayEvent* e, std::optional<KingdomRealm> forced) {
    const K::Membership m = K::membership(quest, e, K::searchableText(quest, e, titles), forced);
    return Json{{"family", m.family},
                {"personal", m.personal},
                {"ticket", m.ticket},
                {"deadline", m.deadline}};
  };
  Json eventText;
  {
    DateStyleScope iso(DateStyle::iso8601);
    eventText = encode(event);
  }
  // Only the calendar's title makes it a family quest.
  ASSERT_NE(expected(&event, std::nullopt), expected(nullptr, std::nullopt));
  EXPECT_EQ(
      answer("realm.membership",
             Json{{"quest", encode(quest)}, {"event", eventText}, {"calendarTitlesByID", titles}}),
      expected(&event, std::nullopt));
  EXPECT_EQ(answer("realm.membership", Json{{"quest", encode(quest)},
                                            {"event", nullptr},
                                            {"calendarTitlesByID", titles},
                                            {"forcedRealm", "tickets"}}),
            expected(nullptr, KingdomRealm::tickets));
}

TEST(RulesCommand, BadArgumentsAreOneFrenchLineNamingTheField) {
  Json missing = generateArguments(3);
  missing["candidates"].erase("vaultTaskIDs");
  Json wrongType = generateArguments(3);
  wrongType["candidates"]["pendingInviteIDs"] = "inv_cafe";
  const struct {
    std::string rule, input, message;
  } cases[] = {
      {"capacity.assess", "{\"eventCount\": 3,", "JSON illisible à l'octet 18"},
      {"capacity.assess", "[]", "objet attendu"},
      {"world-quests.generate", missing.dump(), "candidates.vaultTaskIDs — champ manquant"},
      {"world-quests.generate", wrongType.dump(), "candidates.pendingInviteIDs — tableau attendu"},
      {"journey.resolve",
       R"({"state": {"dayKey": "2026-12-07", "recommendedMissedRefreshes": 0},
           "dayKey": "2026-12-07",
           "candidates": [{"id": "a", "realm": "dragons", "kind": "vaultTask", "title": "t"}]})",
       "candidates[0].realm — valeur inconnue « dragons »"},
  };
  for (const auto& c : cases) {
    const testing::CliResult r = runCli({"rules", c.rule}, c.input);
    EXPECT_EQ(r.status, 2) << c.input;
    EXPECT_EQ(r.out, "") << c.input;
    EXPECT_EQ(r.err, "talewick : arguments invalides : " + c.message + "\n");
  }
  const testing::CliResult unknown = runCli({"rules", "world-quests.draw"}, "{}");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err.rfind("talewick : règle inconnue : « world-quests.draw » (règles : "
                              "world-quests.generate, world-quests.evaluate, ",
                              0),
            0u)
      << unknown.err;
  for (const char* listed : {"Engine.computeRecap", "Persona.chooseOption", "Vigil.eligibility",
                             "RestSanctuary.repriseReceiptID", "Vocations.passive"}) {
    EXPECT_NE(unknown.err.find(listed), std::string::npos) << listed;
  }
}

// Campaigns by their own names: a chapter's baseline feeds its evaluation, and the last chapter
// completes the campaign.
TEST(RulesCommand, CampaignRulesCarryACampaignFromBaselineToCompletion) {
  const Campaigns::Campaign created = Campaigns::makeCampaign(
      "campaign:c1", "Refonte", "Livrer la v2", std::nullopt, WorldQuests::Realm::tickets,
      {{"Chapitre 1", Campaigns::Anchor::linearProject("Site"), 2, std::nullopt, false}}, Date{0});
  const Json active =
      answer("Campaigns.activateNextChapter",
             Json{{"campaign", encode(created)}, {"candidates", {"T-1", "T-2", "T-1", "T-3"}}});
  EXPECT_EQ(active["chapters"][0]["baselineIDs"], (Json{"T-1", "T-2", "T-3"}));

  // T-9 was never part of the baseline: one baseline item done is not enough.
  Campaigns::LiveState live;
  live.ticketsDone = {"T-1", "T-9"};
  const Json half = answer("Campaigns.evaluate",
                           Json{{"campaign", active}, {"live", encode(live)}, {"now", 100}});
  EXPECT_EQ(half, (Json{{"campaign", active}, {"newlyCompleted", Json::array()}}));

  live.vaultTasksGone = {"T-3"};
  const Json done = answer("Campaigns.evaluate",
                           Json{{"campaign", active}, {"live", encode(live)}, {"now", 100}});
  EXPECT_EQ(done["campaign"]["status"], "completed");
  EXPECT_EQ(done["campaign"]["completedAt"], 100);
  ASSERT_EQ(done["newlyCompleted"].size(), 1u);
  EXPECT_EQ(done["newlyCompleted"][0]["id"], "campaign:c1:ch:1");

  EXPECT_EQ(answer("Campaigns.summary", Json{{"for", done["campaign"]}}),
            Json::parse(R"({"chaptersTotal": 1, "chaptersCompleted": 1,
                            "observedChaptersCompleted": 1, "declaredChaptersCompleted": 0,
                            "itemsCompleted": 2, "firstCompletedAt": 100, "lastCompletedAt": 100})"));
  EXPECT_EQ(
      answer("Campaigns.canActivate",
             Json{{"campaign", encode(created)},
                  {"existing",
                   {encode(Campaigns::makeCampaign("campaign:c2", "Autre", "", std::nullopt,
                                                   WorldQuests::Realm::tickets, {}, Date{0}))}}}),
      false);
  EXPECT_EQ(answer("Campaigns.chapterReceiptID", Json{{"campaignID", "campaign:c1"},
                                                      {"chapterID", "campaign:c1:ch:1"},
                                                      {"dayKey", "2026-12-07"}}),
            "campaign:2026-12-07:campaign:c1:campaign:c1:ch:1");
  EXPECT_EQ(answer("Campaigns.finalReceiptID",
                   Json{{"campaignID", "campaign:c1"}, {"dayKey", "2026-12-07"}}),
            "campaign-final:2026-12-07:campaign:c1");
}

TEST(RulesCommand, WeeklyBossRulesNameTheWeekAndBuildTheBoss) {
  // Monday 00:30 in Paris is still Sunday in UTC.
  const Json monday{{"for", "2026-12-28T00:30:00+01:00"}, {"calendar", "Europe/Paris"}};
  EXPECT_EQ(answer("WeeklyBoss.weekKey", monday), "2026-W53");
  EXPECT_EQ(
      answer("WeeklyBoss.weekKey", Json{{"for", "2026-12-28T00:30:00+01:00"}, {"calendar", "UTC"}}),
      "2026-W52");
  const Date start = Date::fromUnix(1798412400);  // 2026-12-28T00:00:00+01:00
  EXPECT_EQ(answer("WeeklyBoss.weekStart", monday), start.seconds);
  EXPECT_EQ(answer("WeeklyBoss.weekInterval", monday),
            (Json{{"start", start.seconds}, {"end", start.adding(7 * 86400).seconds}}));

  Json risks = Json::array();
  Json overdue = Json::array();
  for (int i = 1; i <= 12; ++i) {
    risks.push_back({{"id", "r" + std::to_string(i)}, {"title", "Risque"}});
    if (i != 3) overdue.push_back("r" + std::to_string(i));
  }
  const Json definition =
      answer("KingdomWeeklyBossObservation.define",
             Json{{"campaigns", Json::array()}, {"overdueRisks", risks}, {"riskTitle", "L'Hydre"}});
  EXPECT_EQ(definition["source"], (Json{{"kind", "risk"}, {"value", ""}}));
  ASSERT_EQ(definition["objectives"].size(), 8u);
  const Json boss = answer("KingdomWeeklyBossObservation.makeBoss",
                           Json{{"definition", definition}, {"weekKey", "2026-W53"}, {"now", 5}});
  EXPECT_EQ(boss["id"], "weekboss:2026-W53");
  EXPECT_EQ(boss["rewardXP"], 200);

  const Json done =
      answer("KingdomWeeklyBossObservation.completedIDs",
             Json{{"boss", boss}, {"campaigns", Json::array()}, {"overdueRiskIDs", overdue}});
  EXPECT_EQ(done, (Json{"risk:r3"}));
  const Json hit = answer("WeeklyBoss.evaluate", Json{{"boss", boss}, {"completedIDs", done}});
  EXPECT_EQ(hit["newlyCompleted"].size(), 1u);
  EXPECT_EQ(answer("WeeklyBoss.summary", Json{{"for", hit["boss"]}}),
            Json::parse(R"({"outcome": "progressed", "objectivesTotal": 8,
                            "objectivesDefeated": 1, "maxHP": 8, "damage": 1,
                            "weekKey": "2026-W53"})"));
  EXPECT_EQ(answer("WeeklyBoss.finalReceiptID",
                   Json{{"weekKey", "2026-W53"}, {"bossID", "weekboss:2026-W53"}}),
            "weekboss-final:2026-W53:weekboss:2026-W53");

  const testing::CliResult bad =
      runCli({"rules", "Campaigns.makeDormant"}, R"({"campaign": {"id": "campaign:x"}})");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err, "talewick : arguments invalides : campaign.title — champ manquant\n");
}

// The game's rules by their own names, with their arguments named as the rules name them.
TEST(RulesCommand, GameRulesAnswerByName) {
  const auto rule = [&](const char* name, const std::string& input) {
    const testing::CliResult r = runCli({"rules", name}, input);
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    return r.status == 0 ? Json::parse(r.out) : Json();
  };
  EXPECT_EQ(rule("Engine.streakTransition",
                 R"({"prevStreak": 4, "lastReplayISO": "2026-12-02", "todayISO": "2026-12-05"})"),
            Json::parse(R"({"streak": 1, "streakLost": 4})"));
  EXPECT_EQ(rule("Engine.streakTransition", R"({"prevStreak": 4, "todayISO": "2026-12-05"})"),
            Json::parse(R"({"streak": 1})"));
  EXPECT_EQ(rule("Loot.pickIndex", R"({"count": 5, "u": 0.9999})"), 4);
  EXPECT_EQ(rule("Loot.pickWeighted", R"({"weighted": [["a", 1], ["b", 3]], "u": 0.25})"), "a");
  EXPECT_EQ(rule("Economy.goldForQuest",
                 R"({"xp": 32, "threatTier": 2, "bossVictory": true, "goldMult": 1.0})"),
            23);
  EXPECT_EQ(rule("Engine.sleepEnergyDelta", R"({"sleepHours": 5})"), -14);
  EXPECT_EQ(rule("Vigil.eligibility", R"({"lastReplayISO": "2026-12-01",
                   "todayISO": "2026-12-05", "streak": 4})"),
            Json::parse(R"({"kind": "available",
                            "days": ["2026-12-02", "2026-12-03", "2026-12-04"]})"));
  EXPECT_EQ(rule("RestSanctuary.repriseReceiptID", R"({"dayKey": "2026-12-05"})"),
            "reprise:2026-12-05");

  const Json item =
      rule("Loot.makeItem", R"({"template": "heaume_sommeil", "mode": "comic", "id": "loot_1_0"})");
  EXPECT_EQ(item["id"], "loot_1_0");
  EXPECT_EQ(item["templateId"], "heaume_sommeil");
  EXPECT_EQ(item["originMode"], "comic");
  EXPECT_EQ(item["set"], "reliques_pere");

  const Json catalog = rule("Loot.catalog", "{}");
  ASSERT_EQ(catalog.size(), 29u);
  for (const char* key : {"id", "name", "emoji", "rarity", "effect", "cursed"}) {
    EXPECT_TRUE(catalog[0].contains(key)) << key;
  }

  // A random source that runs dry, or holds a number outside [0, 1), is bad arguments.
  for (const char* rng : {"[]", "[0.05]", "[1.5, 0.1, 0.1]"}) {
    const testing::CliResult r = runCli(
        {"rules", "Loot.roll"},
        std::string(R"({"rarityHint": "epic", "chaos": 10, "mode": "comic", "rng": )") + rng + "}");
    EXPECT_EQ(r.status, 2) << rng;
    EXPECT_NE(r.err.find("rng"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

// An expedition carried from its creation to its resolution, each answer feeding the next call.
TEST(RulesCommand, ExpeditionRulesCarryAnExpeditionToItsDeadline) {
  const Json target = Json::parse(R"({"vaultTask": {"id": "notes/a.md#3", "title": "Relire",
                                                    "reward": {"xp": 25, "gold": 5}}})");
  const Json created = answer("ExpeditionState.init", Json{{"id", "exp-1"},
                                                           {"target", target},
                                                           {"startedAt", "2026-12-07T09:00:00Z"},
                                                           {"durationMinutes", 25}});
  const Date start = Date::fromUnix(1796634000);  // 2026-12-07T09:00:00Z
  const ExpeditionState expected = std::get<ExpeditionState>(ExpeditionState::make(
      "exp-1", ExpeditionTarget::vaultTask("notes/a.md#3", "Relire", {25, 5}), start, 25));
  EXPECT_EQ(created, encode(expected));

  const Json focused =
      answer("ExpeditionState.transition", Json{{"state", created}, {"to", "focused"}});
  EXPECT_EQ(focused["phase"], "focused");
  const Json twoHoursOn{{"state", focused}, {"at", start.adding(7200).seconds}};
  EXPECT_EQ(answer("ExpeditionState.remainingTime", twoHoursOn), -5700);
  EXPECT_EQ(answer("ExpeditionState.hasReachedDeadline", twoHoursOn), true);
  const Json resolved = answer("ExpeditionState.resolveIfDeadlineReached", twoHoursOn);
  EXPECT_EQ(resolved["resolved"], true);
  EXPECT_EQ(resolved["state"]["issue"], "defeated");
  EXPECT_EQ(resolved["state"]["resolvedAt"], start.adding(1500).seconds);
  EXPECT_EQ(answer("ExpeditionState.resolveIfDeadlineReached",
                   Json{{"state", resolved["state"]}, {"at", start.adding(9000).seconds}}),
            (Json{{"state", resolved["state"]}, {"resolved", false}}));
  EXPECT_EQ(answer("FocusSession.focusWindow", Json{{"start", 100}, {"durationMin", 0}}),
            (Json{{"start", 100.0}, {"end", 160.0}}));
  EXPECT_EQ(answer("ExpeditionRewardReceipts.appending",
                   Json{{"id", "c"}, {"to", {"a", "b"}}, {"limit", 2}}),
            (Json{"b", "c"}));

  // What the expedition refuses is bad arguments, said as the refusal.
  const struct {
    std::string rule;
    Json input;
    std::string message;
  } refused[] = {
      {"ExpeditionState.init",
       Json{{"id", "x"}, {"target", target}, {"startedAt", 0}, {"durationMinutes", 181}},
       "durationMinutes — une expédition dure de 5 à 180 minutes"},
      {"ExpeditionState.retreat", Json{{"state", resolved["state"]}, {"at", 0}},
       "l'expédition ne peut pas passer de l'étape « dénouement » à l'étape « dénouement »"},
      {"ExpeditionState.transition", Json{{"state", focused}, {"to", "returning"}},
       "l'expédition ne peut pas passer de l'étape « concentration » à l'étape « retour »"},
  };
  for (const auto& c : refused) {
    const testing::CliResult r = runCli({"rules", c.rule}, c.input.dump());
    EXPECT_EQ(r.status, 2) << c.rule;
    EXPECT_EQ(r.out, "") << c.rule;
    EXPECT_EQ(r.err, "talewick : arguments invalides : " + c.message + "\n");
  }
}

// Task files by their own names: a weekly task moves a week on, a star sets the reward, and days
// start when the calendar of the arguments says, the process's own zone coming back afterwards.
TEST(RulesCommand, TaskFileRulesReadAndRewriteLines) {
  const Json weekly{{"in", "- [ ] Poubelles 🔁 every week 📅 2026-03-10\r\n- [ ] Pain"},
                    {"matching",
                     {{"text", "Poubelles"},
                      {"done", false},
                      {"due", "2026-03-10"},
                      {"recurrence", "every week"}}},
                    {"today", "2026-03-20T10:00:00+01:00"},
                    {"calendar", {{"timeZone", "Europe/Paris"}}}};
  EXPECT_EQ(answer("VaultTasksWrite.complete", weekly),
            (Json{{"contents", "- [ ] Poubelles 🔁 every week 📅 2026-03-24\r\n- [ ] Pain"},
                  {"lineIndex", 0},
                  {"change", {{"kind", "advanced"}, {"to", "2026-03-24"}}}}));
  EXPECT_EQ(answer("VaultTasksWrite.nextOccurrence", Json{{"date", "2026-03-10"},
                                                          {"recurrence", "every week"},
                                                          {"today", "2026-03-20T10:00:00+01:00"}}),
            "2026-03-24");
  EXPECT_EQ(answer("VaultTasksWrite.completeLine",
                   Json{{"line", "* [ ] Lire ⭐ 7"}, {"today", "2026-03-20T23:30:00Z"}}),
            (Json{{"line", "* [x] Lire ⭐ 7 ✅ 2026-03-21"},
                  {"change", {{"kind", "checked"}, {"completedOn", "2026-03-21"}}}}));
  EXPECT_EQ(
      answer("VaultTasks.reward", Json{{"for", {{"text", "Lire"}, {"done", false}, {"xp", 7}}}}),
      (Json{{"xp", 7}, {"gold", 3}}));

  const std::string line = "- [ ] Lire 📅 2026-03-10";
  const Json newYork = answer(
      "VaultTasks.parse", Json{{"line", line}, {"calendar", {{"timeZone", "America/New_York"}}}});
  EXPECT_EQ(newYork, (Json{{"text", "Lire"}, {"done", false}, {"due", 794808000.0}}));
  EXPECT_EQ(answer("VaultTasks.parse", Json{{"line", line}})["due"], 794790000.0);  // Paris
  EXPECT_EQ(answer("VaultTasks.parse", Json{{"line", "-[ ] Lire"}}), nullptr);
  EXPECT_EQ(answer("VaultTasks.parseFile", Json{{"contents", line + "\n-[ ] x\n* [X] fait"}}),
            Json::parse(R"([{"text": "Lire", "done": false, "due": 794790000.0},
                            {"text": "fait", "done": true}])"));

  const testing::CliResult mars =
      runCli({"rules", "VaultTasks.parse"},
             Json{{"line", line}, {"calendar", {{"timeZone", "Mars/Olympus"}}}}.dump());
  EXPECT_EQ(mars.status, 2);
  EXPECT_EQ(mars.out, "");
  EXPECT_EQ(mars.err,
            "talewick : arguments invalides : calendar.timeZone — fuseau horaire inconnu « "
            "Mars/Olympus »\n");
}

TEST(RulesCommand, LayoutRulesPlaceConflictsAndOpenSlots) {
  const Json items = Json::parse(R"([
    {"id": "a", "at": "2026-03-16T09:00:00+01:00", "minutes": 60},
    {"id": "b", "at": "2026-03-16T09:30:00+01:00", "minutes": 60},
    {"id": "c", "at": "2026-03-16T10:00:00+01:00", "minutes": 60}])");
  EXPECT_EQ(answer("CalendarLayout.place",
                   Json{{"items", items}, {"start", "at"}, {"durationMin", "minutes"}}),
            (Json{{{"item", items[0]}, {"column", 0}, {"columns", 2}},
                  {{"item", items[1]}, {"column", 1}, {"columns", 2}},
                  {{"item", items[2]}, {"column", 0}, {"columns", 2}}}));
  const testing::CliResult noStart =
      runCli({"rules", "CalendarLayout.place"}, Json{{"items", items}}.dump());
  EXPECT_EQ(noStart.status, 2);
  EXPECT_EQ(noStart.err.rfind("talewick : arguments invalides : items[0].start — ", 0), 0u)
      << noStart.err;

  DayEvent meeting;
  meeting.id = "revue";
  meeting.startDate = Date{795348000};  // 11:00
  meeting.endDate = Date{795351600};
  const Json events{encode(meeting)};
  EXPECT_EQ(
      answer("Conflicts.overlapping",
             Json{{"start", "2026-03-16T10:00:00+01:00"}, {"durationMin", 60}, {"in", events}}),
      Json::array());
  EXPECT_EQ(
      answer("Conflicts.overlapping",
             Json{{"start", "2026-03-16T10:00:00+01:00"}, {"durationMin", 61}, {"in", events}}),
      events);

  const Json slots = answer(
      "Availability.openSlots",
      Json{{"busy",
            {{{"start", "2026-03-16T10:00:00+01:00"}, {"end", "2026-03-16T10:30:00+01:00"}}}},
           {"from", "2026-03-16T08:00:00+01:00"},
           {"config",
            {{"slotMinutes", 60},
             {"dayStartHour", 9},
             {"dayEndHour", 12},
             {"stepMinutes", 30},
             {"breakMinutes", 15},
             {"weekdaysOnly", true},
             {"horizonDays", 1}}},
           {"calendar", {{"timeZone", "Europe/Paris"}}}});
  EXPECT_EQ(slots, Json::parse(R"([{"start": 795340800.0, "end": 795344400.0},
                                   {"start": 795348000.0, "end": 795351600.0}])"));
}

}  // namespace
}  // namespace talewick::ui
