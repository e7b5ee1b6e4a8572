// Campaigns: activation limits, baselines captured once per chapter, evaluation in chapter order,
// manual chapters, crediting marks, summaries and the stored JSON.
#include "kingdom/campaigns.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace talewick::Campaigns {

void PrintTo(const Campaign& c, std::ostream* os) { *os << Json(c).dump(); }
void PrintTo(const Chapter& c, std::ostream* os) { *os << Json(c).dump(); }

namespace {

using Ids = std::vector<std::string>;
using WorldQuests::Realm;

const Date kMonday{800'000'000};
const Date kTuesday = kMonday.adding(86'400);

ChapterDraft observed(const std::string& title, Anchor anchor, int64_t target) {
  return ChapterDraft{title, std::move(anchor), target, std::nullopt, false};
}
ChapterDraft declared(const std::string& title) {
  return ChapterDraft{title, Anchor::manual(), 0, std::nullopt, true};
}

Campaign campaign(const std::string& uuid, Realm realm, std::vector<ChapterDraft> chapters) {
  return makeCampaign(campaignID(uuid), "Refonte", "Livrer la v2", std::nullopt, realm, chapters,
                      kMonday);
}

Campaign twoTicketChapters() {
  return campaign("A", Realm::tickets,
                  {observed("Chapitre 1", Anchor::linearProject("Site"), 2),
                   observed("Chapitre 2", Anchor::linearProject("Site"), 1)});
}

LiveState ticketsDone(Ids ids) {
  LiveState live;
  live.ticketsDone = std::move(ids);
  return live;
}

TEST(CampaignsCreation, NewChaptersCarryTheStandardRewardsAndPositionalIds) {
  const Campaign c = makeCampaign(
      campaignID("1234-ab"), "Déménager", "Avant l'été", kTuesday, Realm::family,
      {observed("Cartons", Anchor::vaultList("maison/todo.md"), 3), declared("Remise des clés")},
      kMonday);
  EXPECT_EQ(c.id, "campaign:1234-ab");
  EXPECT_EQ(c.status, Status::active);
  EXPECT_EQ(c.createdAt, kMonday);
  EXPECT_EQ(c.targetDate, kTuesday);
  EXPECT_FALSE(c.finalCredited);
  ASSERT_EQ(c.chapters.size(), 2u);
  EXPECT_EQ(c.chapters[0].id, "campaign:1234-ab:ch:1");
  EXPECT_EQ(c.chapters[1].id, "campaign:1234-ab:ch:2");
  for (const Chapter& chapter : c.chapters) {
    EXPECT_EQ(chapter.xpReward, 55);
    EXPECT_EQ(chapter.goldReward, 14);
    EXPECT_TRUE(chapter.baselineIDs.empty());
    EXPECT_FALSE(chapter.completed || chapter.credited || chapter.completedAt);
  }
  EXPECT_EQ(c.chapters[0].targetCount, 3);
  EXPECT_FALSE(c.chapters[0].isManual);
  EXPECT_TRUE(c.chapters[1].isManual);
  EXPECT_EQ(c.activeChapterIndex(), 0u);
}

TEST(CampaignsActivation, AtMostThreeActiveAndOnePerRealm) {
  const Campaign tickets = campaign("t", Realm::tickets, {});
  const Campaign family = campaign("f", Realm::family, {});
  const Campaign personal = campaign("p", Realm::personal, {});
  const Campaign deadlines = campaign("d", Realm::deadlines, {});
  const Campaign moreTickets = campaign("t2", Realm::tickets, {});

  EXPECT_TRUE(canActivate(deadlines, {tickets, family}));
  EXPECT_EQ(activationRefusal(deadlines, {tickets, family, personal}), Refusal::tooManyActive);
  EXPECT_EQ(activationRefusal(moreTickets, {tickets}), Refusal::realmTaken);
  // A dormant campaign frees its realm and its place; the campaign itself is not its own rival.
  EXPECT_TRUE(canActivate(moreTickets, {makeDormant(tickets)}));
  EXPECT_TRUE(canActivate(deadlines, {tickets, family, makeDormant(personal)}));
  EXPECT_TRUE(canActivate(tickets, {tickets, family}));
}

TEST(CampaignsActivation, DormantCampaignKeepsItsProgressAndWakesAtTheSameChapter) {
  Campaign c = twoTicketChapters();
  c = activateNextChapter(c, {"T-1", "T-2"});
  c = evaluate(c, ticketsDone({"T-1", "T-2"}), kMonday).campaign;
  ASSERT_EQ(c.activeChapterIndex(), 1u);

  const Campaign asleep = makeDormant(c);
  EXPECT_EQ(asleep.status, Status::dormant);
  EXPECT_EQ(asleep.chapters, c.chapters);
  // Asleep, nothing moves: no baseline, no evaluation, no manual completion, never stalled.
  EXPECT_EQ(activateNextChapter(asleep, {"T-9"}), asleep);
  EXPECT_EQ(evaluate(asleep, ticketsDone({"T-9"}), kTuesday).campaign, asleep);
  EXPECT_FALSE(stalled(asleep, false));

  const Campaign rival = campaign("B", Realm::tickets, {});
  EXPECT_EQ(wake(asleep, {rival, asleep}), asleep);
  const Campaign awake = wake(asleep, {makeDormant(rival), asleep});
  EXPECT_EQ(awake.status, Status::active);
  EXPECT_EQ(awake.activeChapterIndex(), 1u);
  EXPECT_EQ(awake.chapters, c.chapters);
  // Only a dormant campaign wakes; only an active one falls asleep.
  EXPECT_EQ(wake(c, {}).status, Status::active);
  Campaign done = c;
  done.status = Status::completed;
  EXPECT_EQ(makeDormant(done).status, Status::completed);
}

TEST(CampaignsBaseline, CapturedOnceWithoutDuplicatesNorEarlierChaptersItems) {
  Campaign c = twoTicketChapters();
  c = activateNextChapter(c, {"T-3", "T-1", "T-3", "T-2"});
  EXPECT_EQ(c.chapters[0].baselineIDs, (Ids{"T-3", "T-1", "T-2"}));
  // Later refreshes offer fewer open items: the captured baseline stays.
  EXPECT_EQ(activateNextChapter(c, {"T-2"}).chapters[0].baselineIDs, (Ids{"T-3", "T-1", "T-2"}));
  EXPECT_TRUE(c.chapters[1].baselineIDs.empty());

  c = evaluate(c, ticketsDone({"T-1", "T-3"}), kMonday).campaign;
  ASSERT_EQ(c.activeChapterIndex(), 1u);
  c = activateNextChapter(c, {"T-2", "T-4", "T-1"});
  EXPECT_EQ(c.chapters[1].baselineIDs, (Ids{"T-4"}));
}

TEST(CampaignsBaseline, ManualChaptersTakeNoBaseline) {
  Campaign c = campaign("M", Realm::personal, {declared("Écrire le discours")});
  EXPECT_EQ(activateNextChapter(c, {"x"}), c);
}

TEST(CampaignsEvaluate, ItemsDoneBeforeActivationDoNotCount) {
  Campaign c = twoTicketChapters();
  // T-0 was finished before the chapter began, so it is not an open item any more.
  c = activateNextChapter(c, {"T-1", "T-2"});
  const Evaluation e = evaluate(c, ticketsDone({"T-0", "T-1"}), kMonday);
  EXPECT_TRUE(e.newlyCompleted.empty());
  EXPECT_FALSE(e.campaign.chapters[0].completed);
}

TEST(CampaignsEvaluate, TargetZeroNeverCompletes) {
  Campaign c = campaign("Z", Realm::reminders, {observed("Rien", Anchor::calendar("cal-1"), 0)});
  c = activateNextChapter(c, {"ev-1"});
  const Evaluation e = evaluate(c, LiveState{{}, {}, {}, {"ev-1"}, {}}, kMonday);
  EXPECT_TRUE(e.newlyCompleted.empty());
  EXPECT_EQ(e.campaign, c);
}

TEST(CampaignsEvaluate, EveryLiveListCountsAndOnlyTheActiveChapterIsJudged) {
  Campaign c = campaign("L", Realm::tickets,
                        {observed("Un", Anchor::linearLabel("lbl"), 5),
                         observed("Deux", Anchor::linearLabel("lbl"), 1)});
  c = activateNextChapter(c, {"t", "r", "v", "e", "p"});
  // The second chapter's item is already done, but it has no baseline until its turn.
  const LiveState live{{"t", "next"}, {"r"}, {"v"}, {"e"}, {"p"}};
  EXPECT_EQ(live.completedIDs(), (std::set<std::string>{"e", "next", "p", "r", "t", "v"}));
  const Evaluation e = evaluate(c, live, kTuesday);
  ASSERT_EQ(e.newlyCompleted.size(), 1u);
  EXPECT_EQ(e.newlyCompleted[0].id, c.chapters[0].id);
  EXPECT_EQ(e.newlyCompleted[0].completedAt, kTuesday);
  EXPECT_FALSE(e.campaign.chapters[1].completed);
  EXPECT_EQ(e.campaign.status, Status::active);
  EXPECT_FALSE(e.campaign.completedAt);
  // Evaluating again completes nothing new.
  EXPECT_TRUE(evaluate(e.campaign, live, kTuesday).newlyCompleted.empty());
}

TEST(CampaignsEvaluate, LastChapterCompletesTheCampaignInTheSameCall) {
  Campaign c = twoTicketChapters();
  c = activateNextChapter(c, {"T-1", "T-2"});
  c = evaluate(c, ticketsDone({"T-1", "T-2"}), kMonday).campaign;
  c = activateNextChapter(c, {"T-5"});
  const Evaluation e = evaluate(c, ticketsDone({"T-5"}), kTuesday);
  ASSERT_EQ(e.newlyCompleted.size(), 1u);
  EXPECT_EQ(e.campaign.status, Status::completed);
  EXPECT_EQ(e.campaign.completedAt, kTuesday);
  EXPECT_TRUE(e.campaign.isComplete());
  EXPECT_EQ(e.campaign.activeChapter(), nullptr);
  // A completed campaign is left alone.
  EXPECT_EQ(evaluate(e.campaign, ticketsDone({}), kTuesday.adding(60)).campaign, e.campaign);
}

TEST(CampaignsManual, OnlyTheActiveManualChapterCompletesByHand) {
  Campaign c = campaign("H", Realm::personal,
                        {observed("Lire", Anchor::vaultList("lectures.md"), 1),
                         declared("Présenter"), declared("Fêter")});
  const std::string first = c.chapters[0].id, second = c.chapters[1].id, third = c.chapters[2].id;
  EXPECT_EQ(completeManualChapter(c, first, kMonday), c);   // not manual
  EXPECT_EQ(completeManualChapter(c, second, kMonday), c);  // not yet active
  // Evaluation never completes a manual chapter, whatever is done.
  c = activateNextChapter(c, {"livre"});
  c = evaluate(c, LiveState{{}, {}, {"livre"}, {}, {}}, kMonday).campaign;
  ASSERT_EQ(c.activeChapterIndex(), 1u);
  EXPECT_TRUE(
      evaluate(c, LiveState{{"Présenter"}, {}, {}, {}, {}}, kMonday).newlyCompleted.empty());

  c = completeManualChapter(c, second, kTuesday);
  EXPECT_TRUE(c.chapters[1].completed);
  EXPECT_EQ(c.chapters[1].completedAt, kTuesday);
  EXPECT_EQ(c.status, Status::active);
  c = completeManualChapter(c, third, kTuesday.adding(5));
  EXPECT_EQ(c.status, Status::completed);
  EXPECT_EQ(c.completedAt, kTuesday.adding(5));
}

TEST(CampaignsCrediting, ChaptersAndTheFinalRewardAreMarkedOnce) {
  Campaign c = campaign("C", Realm::tickets, {observed("Un", Anchor::linearProject("P"), 1)});
  const std::string chapter = c.chapters[0].id;
  EXPECT_EQ(markChapterCredited(c, chapter, kMonday), c);  // not completed yet
  EXPECT_EQ(markFinalCredited(c), c);

  c = activateNextChapter(c, {"x"});
  c = evaluate(c, ticketsDone({"x"}), kMonday).campaign;
  c = markChapterCredited(c, chapter, kTuesday);
  EXPECT_TRUE(c.chapters[0].credited);
  EXPECT_EQ(c.chapters[0].completedAt, kMonday);
  EXPECT_TRUE(markFinalCredited(c).finalCredited);

  EXPECT_EQ(chapterReward(c.chapters[0]), (WorldQuests::Reward{55, 14}));
  EXPECT_EQ(finalReward(), (WorldQuests::Reward{120, 30}));
  EXPECT_EQ(chapterReceiptID(c.id, chapter, "2026-03-02"),
            "campaign:2026-03-02:campaign:C:campaign:C:ch:1");
  EXPECT_EQ(finalReceiptID(c.id, "2026-03-02"), "campaign-final:2026-03-02:campaign:C");
}

TEST(CampaignsStalled, OnlyAnActiveObservedChapterWithoutItsAnchor) {
  Campaign c = campaign("S", Realm::tickets,
                        {observed("Un", Anchor::linearProject("P"), 1), declared("Deux")});
  EXPECT_TRUE(stalled(c, false));
  EXPECT_FALSE(stalled(c, true));
  c = activateNextChapter(c, {"x"});
  c = evaluate(c, ticketsDone({"x"}), kMonday).campaign;
  EXPECT_FALSE(stalled(c, false));  // the active chapter is manual now
  c = completeManualChapter(c, c.chapters[1].id, kMonday);
  EXPECT_FALSE(stalled(c, false));  // completed
}

TEST(CampaignsSummary, CountsObservedAndDeclaredChaptersAndTheirDates) {
  Campaign c = campaign("Y", Realm::tickets,
                        {observed("Un", Anchor::linearProject("P"), 2), declared("Deux"),
                         observed("Trois", Anchor::linearProject("P"), 4)});
  EXPECT_EQ(summary(c), (Summary{3, 0, 0, 0, 0, std::nullopt, std::nullopt}));
  c = activateNextChapter(c, {"a", "b", "c"});
  c = evaluate(c, ticketsDone({"a", "c"}), kTuesday).campaign;
  c = completeManualChapter(c, c.chapters[1].id, kMonday);
  EXPECT_EQ(summary(c), (Summary{3, 2, 1, 1, 3, kMonday, kTuesday}));
}

TEST(CampaignsChronicle, OutcomeFollowsCompletion) {
  Campaign c = campaign("K", Realm::personal, {declared("Seul")});
  const ChronicleEntry closed = chronicleEntry(c, kMonday);
  EXPECT_EQ(closed.outcome, ChronicleOutcome::closed);
  EXPECT_EQ(closed.endedAt, kMonday);
  EXPECT_FALSE(closed.seen);
  c = completeManualChapter(c, c.chapters[0].id, kMonday);
  EXPECT_EQ(chronicleEntry(c, kTuesday).outcome, ChronicleOutcome::completed);
}

TEST(CampaignsJson, RecordsRoundTripWithTheirKeysInOrder) {
  Campaign c = campaign("J", Realm::deadlines,
                        {observed("Un", Anchor::calendar("cal"), 1), declared("Deux")});
  c.chapters[0].deadline = kTuesday;
  c = activateNextChapter(c, {"ev"});
  c = evaluate(c, LiveState{{}, {}, {}, {"ev"}, {}}, kMonday).campaign;
  const Json j = c;
  std::vector<std::string> keys;
  for (const auto& [key, value] : j.items()) keys.push_back(key);
  EXPECT_EQ(keys, (Ids{"id", "title", "intent", "realm", "chapters", "status", "finalCredited",
                       "createdAt"}));
  EXPECT_EQ(j["chapters"][0]["anchor"], (Json{{"kind", "calendar"}, {"value", "cal"}}));
  EXPECT_EQ(j["chapters"][1]["anchor"], (Json{{"kind", "manual"}, {"value", ""}}));
  EXPECT_EQ(j["realm"], "deadlines");
  EXPECT_EQ(j["chapters"][0]["completedAt"], kMonday.seconds);
  EXPECT_EQ(decodeJsonText<Campaign>(j.dump()), c);

  const ChronicleEntry entry = chronicleEntry(c, kTuesday);
  const Json e = entry;
  EXPECT_EQ(e["outcome"], "closed");
  EXPECT_EQ(e["endedAt"], kTuesday.seconds);
  EXPECT_EQ(e["seen"], false);
  EXPECT_EQ(decodeJsonText<ChronicleEntry>(e.dump()), entry);

  const LiveState live{{"a"}, {"b"}, {"c"}, {"d"}, {"e"}};
  EXPECT_EQ(decodeJsonText<LiveState>(Json(live).dump()), live);
}

TEST(CampaignsJson, EveryAnchorKindRoundTripsAndUnknownKindsAreWrittenBackAsRead) {
  for (const Anchor& a :
       {Anchor::linearProject("Site"), Anchor::linearLabel("lbl-9"), Anchor::calendar("cal-2"),
        Anchor::vaultList("notes/todo.md"), Anchor::manual()}) {
    EXPECT_EQ(decodeJsonText<Anchor>(Json(a).dump()), a) << Json(a).dump();
  }
  const std::string stored = R"({"kind":"githubMilestone","value":"v2.0"})";
  const Anchor a = decodeJsonText<Anchor>(stored);
  EXPECT_EQ(a.kind, Anchor::Kind::unknown);
  EXPECT_FALSE(a.isManual());
  EXPECT_EQ(a.storedKind(), "githubMilestone");
  EXPECT_EQ(Json(a).dump(), stored);
  EXPECT_EQ(a, Anchor::unknown("githubMilestone", "v2.0"));
}

TEST(CampaignsJson, DamagedDocumentsAreRefusedWithTheirPlace) {
  const Campaign c = campaign("D", Realm::tickets, {observed("Un", Anchor::linearProject("P"), 1)});
  auto failsAt = [](const Json& j, const std::string& path) {
    try {
      decodeJsonText<Campaign>(j.dump());
      ADD_FAILURE() << "decoded: " << j.dump();
    } catch (const DecodeError& e) {
      EXPECT_EQ(e.path(), path);
    }
  };
  Json j = c;
  j["status"] = "paused";
  failsAt(j, "status");
  j = c;
  j["realm"] = 3;
  failsAt(j, "realm");
  j = c;
  j["chapters"][0]["anchor"].erase("value");
  failsAt(j, "chapters[0].anchor.value");
  j = c;
  j["chapters"][0]["targetCount"] = "deux";
  failsAt(j, "chapters[0].targetCount");
  j = c;
  j["chapters"][0].erase("isManual");
  failsAt(j, "chapters[0].isManual");
  EXPECT_THROW(decodeJsonText<Campaign>(R"({"id": "campaign:x", "title": )"), DecodeError);
  EXPECT_THROW(decodeJsonText<std::vector<Campaign>>("[1]"), DecodeError);
}

}  // namespace
}  // namespace talewick::Campaigns
