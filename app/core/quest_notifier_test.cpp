// The quests' notifications as the user receives them: which ones, when, with which words, and
// what their buttons do.
#include "core/quest_notifier.hpp"

#include <gtest/gtest.h>

#include "support/local_calendar.hpp"
#include "tests/support/recording_notification_display.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick {
namespace {

using testing::localDate;

Quest questAt(const std::string& id, Date start) {
  Quest q;
  q.id = "quest_" + id;
  q.name = "Le Conseil des Sages";
  q.rawTitle = "Réunion d'équipe";
  q.baseXp = 30;
  q.startDate = start;
  return q;
}

class QuestNotifierTest : public ::testing::Test {
 protected:
  QuestNotifierTest() {
    actions.openURL = [this](const std::string& url) { opened.push_back(url); };
    actions.mode = [] { return RPGMode::comic; };
  }

  QuestNotifier& notifier() {
    if (!made) made = std::make_unique<QuestNotifier>(&centre, clock, actions);
    return *made;
  }

  // Plans `quests` with the same lead times for each and the given links.
  void plan(const std::vector<Quest>& quests, std::vector<int> leads,
            std::map<std::string, std::string> links = {}) {
    std::map<std::string, std::vector<int>> offsets;
    for (const Quest& q : quests) offsets[q.id] = leads;
    notifier().scheduleEpicNotifications(quests, links, offsets, {now, now.adding(2 * 86400.0)});
  }

  std::vector<std::string> pendingIds() const {
    std::vector<std::string> ids;
    for (const auto& r : centre.pendingRequests()) ids.push_back(r.identifier);
    return ids;
  }

  void press(const std::string& identifier, const std::string& action) {
    display.find(identifier)->onAction(action);
    io.poll();
    io.restart();
  }

  Date now = localDate(2026, 12, 9, 10);
  Clock clock = [this] { return now; };
  asio::io_context io;
  testing::RecordingNotificationDisplay display;
  NotificationCentre centre{io, clock, display};
  QuestNotifier::Actions actions;
  std::unique_ptr<QuestNotifier> made;
  std::vector<std::string> opened;
};

TEST_F(QuestNotifierTest, RemindersWaitForTheirLeadTimesWithTheQuestsWords) {
  const Quest q = questAt("abc", now.adding(30 * 60));
  plan({q}, {10, 5});
  const auto pending = centre.pendingRequests();
  ASSERT_EQ(pending.size(), 2u);
  const std::string start = std::to_string(static_cast<long long>(q.startDate.unix()));
  EXPECT_EQ(pending[0].identifier, "quest_quest_abc_" + start + "_10");
  EXPECT_EQ(pending[0].fireDate, q.startDate.adding(-600));
  EXPECT_EQ(pending[0].title, "Le Conseil des Sages approche !");
  EXPECT_EQ(pending[0].body, "Dans 10 min : Réunion d'équipe Prépare-toi, héros. +30 XP en jeu");
  EXPECT_EQ(pending[0].userInfo["questId"], "quest_abc");
  EXPECT_DOUBLE_EQ(pending[0].userInfo["startsAt"].get<double>(), q.startDate.unix());
  EXPECT_EQ(pending[1].fireDate, q.startDate.adding(-300));
  EXPECT_TRUE(display.shown.empty());
}

TEST_F(QuestNotifierTest, MissedLeadTimesGiveOneCatchUpNowAndNeverAgain) {
  const Quest q = questAt("abc", now.adding(3 * 60 + 20));
  plan({q}, {10, 5});
  ASSERT_EQ(display.shown.size(), 1u);
  EXPECT_EQ(display.shown[0].request.body,
            "Dans 3 min : Réunion d'équipe Prépare-toi, héros. +30 XP en jeu");
  EXPECT_TRUE(centre.pendingRequests().empty());

  now = now.adding(30);  // the calendar changed: a reload plans again
  plan({q}, {10, 5});
  EXPECT_EQ(display.shown.size(), 1u);
}

TEST_F(QuestNotifierTest, AReminderShownOnTimeIsNotCaughtUpByALaterLoad) {
  const Quest q = questAt("abc", now.adding(12 * 60));
  plan({q}, {10});
  now = now.adding(3 * 60);
  centre.deliverDue();
  ASSERT_EQ(display.shown.size(), 1u);
  EXPECT_NE(display.shown[0].request.body.find("Dans 10 min"), std::string::npos);
  plan({q}, {10});
  EXPECT_EQ(display.shown.size(), 1u);
}

TEST_F(QuestNotifierTest, CallToCombatOneMinuteBeforeAMeetingWithALink) {
  const Quest soon = questAt("bientot", now.adding(30));
  const Quest later = questAt("plustard", now.adding(20 * 60));
  plan({soon, later}, {},
       {{soon.id, "https://meet.google.com/a"}, {later.id, "https://zoom.us/j/1"}});
  const auto pending = centre.pendingRequests();
  ASSERT_EQ(pending.size(), 1u);  // the first one's instant has passed
  EXPECT_EQ(pending[0].identifier, "combat_quest_plustard");
  EXPECT_EQ(pending[0].fireDate, later.startDate.adding(-60));
  EXPECT_EQ(pending[0].categoryIdentifier, "QUEST_COMBAT");
  EXPECT_EQ(pending[0].title, "⚔️ Au combat ! Le Conseil des Sages");
  EXPECT_EQ(pending[0].body, "Le combat commence dans 1 min : Réunion d'équipe. Dégaine, héros.");
  EXPECT_EQ(pending[0].userInfo["joinURL"], "https://zoom.us/j/1");

  now = later.startDate.adding(-60);
  centre.deliverDue();
  const auto* shown = display.find("combat_quest_plustard");
  ASSERT_NE(shown, nullptr);
  ASSERT_EQ(shown->actions.size(), 2u);
  EXPECT_EQ(shown->actions[0].identifier, "COMBAT");
  press("combat_quest_plustard", "DODGE");
  EXPECT_TRUE(opened.empty());
  press("combat_quest_plustard", "COMBAT");
  EXPECT_EQ(opened, std::vector<std::string>{"https://zoom.us/j/1"});
}

TEST_F(QuestNotifierTest, ASeriesGetsOneCallToCombatForItsNextOccurrence) {
  const Quest today = questAt("standup", now.adding(3600));
  const Quest tomorrow = questAt("standup", now.adding(86400 + 3600));
  plan({today, tomorrow}, {10}, {{today.id, "https://meet.google.com/s"}});
  std::vector<std::string> combats;
  for (const auto& r : centre.pendingRequests()) {
    if (r.identifier.starts_with("combat_")) combats.push_back(r.identifier);
  }
  EXPECT_EQ(combats, std::vector<std::string>{"combat_quest_standup"});
  EXPECT_EQ(centre.pendingRequests().size(), 3u);  // two reminders, distinct by their start
}

TEST_F(QuestNotifierTest, PlanningAgainReplacesOnlyTheCoveredQuests) {
  const Quest kept = questAt("garde", now.adding(3 * 86400));  // beyond the next coverage
  notifier().scheduleEpicNotifications({kept}, {}, {{kept.id, {10}}},
                                       {now, now.adding(4 * 86400.0)});
  const Quest moved = questAt("deplace", now.adding(3600));
  plan({moved}, {10});
  ASSERT_EQ(pendingIds().size(), 2u);
  plan({}, {10});  // the event was deleted
  ASSERT_EQ(pendingIds().size(), 1u);
  EXPECT_TRUE(pendingIds()[0].starts_with("quest_quest_garde_"));
}

TEST_F(QuestNotifierTest, EveningCallAtNineAndOnlyOnceADay) {
  EXPECT_EQ(QuestNotifier::eveningCallDate(now), localDate(2026, 12, 9, 21));
  EXPECT_EQ(QuestNotifier::eveningCallDate(localDate(2026, 12, 9, 21, 30)),
            localDate(2026, 12, 10, 21));

  notifier().scheduleEveningCall(QuestNotifier::eveningCallDate(now));
  auto pending = centre.pendingRequests();
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(pending[0].identifier, "closing_2026-12-09");
  EXPECT_EQ(pending[0].title, "🕯 Le grimoire t'attend");
  EXPECT_EQ(pending[0].body,
            "Ta journée s'achève, héros. Rejoue-la avec « talewick replay » et ferme le "
            "chapitre.");
  EXPECT_EQ(pending[0].categoryIdentifier, "");  // nothing to open the replay with

  notifier().scheduleEveningCall(std::nullopt);  // turned off
  EXPECT_TRUE(centre.pendingRequests().empty());

  notifier().scheduleEveningCall(QuestNotifier::eveningCallDate(now));
  now = localDate(2026, 12, 9, 21);
  centre.deliverDue();
  notifier().scheduleEveningCall(localDate(2026, 12, 9, 21));  // a reload just after
  EXPECT_EQ(display.shownIdentifiers(), std::vector<std::string>{"closing_2026-12-09"});
  EXPECT_TRUE(centre.pendingRequests().empty());
}

TEST_F(QuestNotifierTest, TheEveningCallsButtonOpensTheReplay) {
  int replays = 0;
  actions.openReplay = [&] { ++replays; };
  notifier().scheduleEveningCall(QuestNotifier::eveningCallDate(now));
  now = localDate(2026, 12, 9, 21);
  centre.deliverDue();
  const auto* shown = display.find("closing_2026-12-09");
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->request.categoryIdentifier, "QUEST_CLOSING");
  ASSERT_EQ(shown->actions.size(), 1u);
  EXPECT_EQ(shown->actions[0].identifier, "REPLAY");
  EXPECT_EQ(shown->actions[0].title, "Rejouer la journée");
  press("closing_2026-12-09", NotificationResponse::defaultAction);  // a click only dismisses
  EXPECT_EQ(replays, 0);
  press("closing_2026-12-09", "REPLAY");
  EXPECT_EQ(replays, 1);
  EXPECT_TRUE(opened.empty());
}

TEST_F(QuestNotifierTest, GuestsAnswersAndTheUsersOwn) {
  notifier().fireRSVP("Léa", RSVPStatus::accepted, "Pique-nique", "k1");
  notifier().fireRSVP("Marc", RSVPStatus::tentative, "Pique-nique", "k2");
  notifier().fireRSVP("Inès", RSVPStatus::declined, "Pique-nique", "k3");
  notifier().fireRSVP("Zoé", RSVPStatus::needsAction, "Pique-nique", "k4");
  notifier().fireInviteOutcome(RSVPStatus::tentative, true, "Revue", "k5");
  notifier().fireInviteOutcome(RSVPStatus::declined, true, "Revue", "k6");
  notifier().fireInviteOutcome(RSVPStatus::accepted, true, "Revue", "k7");
  notifier().fireInviteOutcome(RSVPStatus::accepted, false, "Revue", "k8");

  std::vector<std::string> lines;
  for (const auto& s : display.shown)
    lines.push_back(s.request.identifier + " | " + s.request.title + " | " + s.request.body);
  EXPECT_EQ(lines,
            (std::vector<std::string>{
                "rsvp_k1 | Léa rejoint l'aventure ! | « Pique-nique » : accepté. Un "
                "compagnon de plus.",
                "rsvp_k2 | Marc | « Pique-nique » : peut-être.",
                "rsvp_k3 | Inès ne sera pas de la quête | « Pique-nique » : décliné.",
                "invite_done_k5 | Revue | 🌫 Réponse envoyée : peut-être. Le destin "
                "reste ouvert.",
                "invite_done_k6 | Revue | 🛡 Tu déclines — l'émissaire repart avec ta "
                "réponse.",
                "invite_done_k7 | Revue | 🤝 Bon bah c'est noté. T'y seras.",
                "invite_done_k8 | Revue | ⚠️ Le sceau a résisté. Ouvre Calendrier pour "
                "répondre."}));
}

DayEvent invitation(const std::string& uid, Date start) {
  DayEvent e;
  e.id = uid;
  e.externalIdentifier = uid;
  e.title = "Revue de sprint";
  e.startDate = start;
  e.endDate = start.adding(3600);
  e.needsResponse = true;
  return e;
}

TEST_F(QuestNotifierTest, InvitationsAreAskedAndAnsweredFromTheButtons) {
  std::vector<std::tuple<RSVPStatus, std::string>> answered;
  bool relayUp = true;
  actions.answer = [&](RSVPStatus status, const std::string& key, const Json&,
                       std::function<void(bool)> sent) {
    answered.emplace_back(status, key);
    sent(relayUp);
  };
  const DayEvent revue = invitation("uid-revue", localDate(2026, 12, 10, 14));
  notifier().announcePendingInvitations({revue}, RPGMode::mythological);
  const std::string key =
      "uid-revue|" + std::to_string(static_cast<long long>(revue.startDate.unix()));
  const auto* notice = display.find("invite_" + key);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->request.title, "🏛️ Les dieux te convoquent");
  EXPECT_EQ(notice->request.body, "Un héraut de l'Olympe attend ta réponse.\n« Revue de sprint »");
  EXPECT_EQ(notice->request.userInfo["inviteKey"], key);
  EXPECT_EQ(notice->request.userInfo["externalId"], "uid-revue");
  ASSERT_EQ(notice->actions.size(), 3u);
  EXPECT_EQ(notice->actions[2].identifier, "INVITE_DECLINE");

  press("invite_" + key, "INVITE_DECLINE");
  relayUp = false;
  press("invite_" + key, "INVITE_ACCEPT");
  EXPECT_EQ(answered, (std::vector<std::tuple<RSVPStatus, std::string>>{
                          {RSVPStatus::declined, key}, {RSVPStatus::accepted, key}}));
  const auto& last = display.shown.back().request;
  EXPECT_EQ(last.identifier, "invite_done_" + key);
  EXPECT_EQ(last.title, "Revue de sprint");
  EXPECT_EQ(last.body, "⚠️ Le sceau a résisté. Ouvre Calendrier pour répondre.");
}

TEST_F(QuestNotifierTest, WithoutAnAnswerServiceInvitationsComeWithoutButtons) {
  notifier().announcePendingInvitations({invitation("u", now.adding(3600))}, RPGMode::heroicPapa);
  ASSERT_EQ(display.shown.size(), 1u);
  EXPECT_TRUE(display.shown[0].actions.empty());
  EXPECT_EQ(display.shown[0].request.title, "📜 Parchemin Maudit !");
}

TEST_F(QuestNotifierTest, StaleInvitationNoticesAreWithdrawnWithinTheWindowOnly) {
  const DayEvent kept = invitation("garde", now.adding(3600));
  const DayEvent answered = invitation("repondue", now.adding(7200));
  const DayEvent far = invitation("lointaine", now.adding(30 * 86400));
  notifier().announcePendingInvitations({kept, answered, far}, RPGMode::heroicPapa);
  notifier().fireInviteOutcome(RSVPStatus::declined, true, "x", "repondue|1");
  const auto key = [](const DayEvent& e) {
    return invitationKey(*e.externalIdentifier, e.startDate);
  };
  notifier().purgeStaleInvites({key(kept)}, {now, now.adding(7 * 86400)});
  EXPECT_EQ(display.closed, std::vector<std::string>{"invite_" + key(answered)});
}

TEST(NotificationCentreTest, TheTimerShowsARequestWhenItsInstantComes) {
  asio::io_context io;
  Date now = localDate(2026, 12, 9, 10);
  testing::RecordingNotificationDisplay display;
  NotificationCentre centre(
      io, [&] { return now; }, display);
  std::vector<std::string> answers;
  centre.setCategories({{"C", {{"GO", "Go"}}}});
  centre.setResponder([&](const NotificationResponse& r) {
    answers.push_back(r.request.identifier + ":" + r.actionIdentifier);
  });
  centre.add({"later", "t", "b", "C", Json::object(), now.adding(0.02)});
  centre.add({"much-later", "t", "b", "", Json::object(), now.adding(3600)});
  EXPECT_TRUE(display.shown.empty());

  now = now.adding(1);
  io.run_for(std::chrono::milliseconds(300));
  ASSERT_EQ(display.shownIdentifiers(), std::vector<std::string>{"later"});
  EXPECT_EQ(display.shown[0].actions, (std::vector<NotificationAction>{{"GO", "Go"}}));
  EXPECT_TRUE(centre.wasDelivered("later"));
  EXPECT_EQ(centre.pendingRequests().size(), 1u);

  io.restart();
  display.shown[0].onAction("GO");
  io.poll();
  EXPECT_EQ(answers, std::vector<std::string>{"later:GO"});

  centre.removeDelivered({"later", "never-shown"});
  EXPECT_EQ(display.closed, std::vector<std::string>{"later"});
}

// A focused expedition holds every notification but its own; the others are shown when it ends,
// and the held ones arm no timer meanwhile.
TEST_F(QuestNotifierTest, AHoldLetsOnlyItsOwnNotificationsThrough) {
  centre.hold("expedition.");
  centre.add({"quest.rappel", "Rappel", "", "", Json::object(), std::nullopt});
  centre.add({"expedition.e1", "Expédition", "", "", Json::object(), std::nullopt});
  EXPECT_EQ(display.shownIdentifiers(), std::vector<std::string>{"expedition.e1"});
  EXPECT_EQ(io.poll(), 0u);
  centre.hold(std::nullopt);
  EXPECT_EQ(display.shownIdentifiers(),
            (std::vector<std::string>{"expedition.e1", "quest.rappel"}));
  EXPECT_TRUE(centre.pendingRequests().empty());
}

}  // namespace
}  // namespace talewick
