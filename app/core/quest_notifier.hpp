// The quests' notifications: a reminder before each quest, the call to combat one minute before a
// meeting with a join link, the evening call, guests' answers and the user's own, and the
// question of each invitation awaiting an answer. Turns the buttons the user picks back into
// actions (join the meeting, answer the invitation). Lives on the main loop.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>

#include "core/clock.hpp"
#include "core/notification_centre.hpp"
#include "core/quest_notifications.hpp"
#include "text/rsvp.hpp"

namespace talewick {

class QuestNotifier : public QuestNotifications {
 public:
  static constexpr const char* combatCategoryId = "QUEST_COMBAT";
  static constexpr const char* inviteCategoryId = "QUEST_INVITE";
  // The evening call's button: replay the day.
  static constexpr const char* closingCategoryId = "QUEST_CLOSING";
  static constexpr int combatLeadMinutes = 1;
  // The user default that turns the evening call on.
  static constexpr const char* eveningEnabledKey = "heraldEveningEnabled";

  struct Actions {
    // Opens a meeting's join link.
    std::function<void(const std::string& url)> openURL;
    // Sends the user's answer to an invitation and hands `sent` true once it went out (it may
    // take a network round trip). Absent: invitations are announced without answer buttons.
    std::function<void(RSVPStatus, const std::string& inviteKey, const Json& userInfo,
                       std::function<void(bool sent)> sent)>
        answer;
    std::function<RPGMode()> mode;
    // Opens a terminal running `talewick replay`. Absent: the evening call has no button.
    std::function<void()> openReplay;
  };

  // `centre` null: the process has no notification centre and nothing is ever shown.
  QuestNotifier(NotificationCentre* centre, Clock clock, Actions actions);

  void announcePendingInvitations(const std::vector<DayEvent>& events, RPGMode mode) override;
  void purgeStaleInvites(const std::set<std::string>& validKeys, DateInterval coverage) override;
  // Replaces the pending reminders and calls to combat of the quests starting in `coverage`. A
  // reminder whose instant has passed before its quest starts is shown at once, once.
  void scheduleEpicNotifications(const std::vector<Quest>& quests,
                                 const std::map<std::string, std::string>& joinURLs,
                                 const std::map<std::string, std::vector<int>>& offsetsByQuest,
                                 DateInterval coverage) override;

  void scheduleReminder(const std::string& identifier, const Quest& quest, Date at,
                        int minutesBefore);
  void scheduleCombat(const Quest& quest, const std::string& url, Date at);
  void cancelReminder(const Quest& quest, int minutesBefore);
  // Absent: no evening call. The call sends the user to `talewick replay`, with a button that
  // opens it when the program can.
  void scheduleEveningCall(std::optional<Date> at);
  // A guest answered an invitation the user sent.
  void fireRSVP(const std::string& inviteeName, RSVPStatus status, const std::string& questTitle,
                const std::string& key);
  // The user's own answer went out (`sent`) or could not.
  void fireInviteOutcome(RSVPStatus answer, bool sent, const std::string& questTitle,
                         const std::string& key);
  // What the user did with one of our notifications.
  void handle(const NotificationResponse& response);

  // The reminder identifier of one occurrence of `quest` and one lead time.
  static std::string reminderIdentifier(const Quest& quest, int minutesBefore);
  // When the evening call of the day of `now` (or of the next day, once it is past) sounds.
  static Date eveningCallDate(Date now);

  const std::set<std::string>& catchUpDone() const { return catchUpDone_; }

 private:
  void planReminders(const Quest& quest, std::vector<int> leadMinutes, Date now);

  NotificationCentre* centre_;
  Clock clock_;
  Actions actions_;
  // Reminders already shown late once: a later load must not show them again.
  std::set<std::string> catchUpDone_;
};

}  // namespace talewick
