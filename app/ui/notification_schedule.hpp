// The quests' notifications of one program (the daemon, or the desktop window): the desktop's
// notification server, the notification centre and the quest notifier over the quest store, the
// evening call. Only one program runs them at a time (ScheduleOwner): the other waits on the
// lock file and takes the schedule over as soon as its holder lets it go.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/notification_centre.hpp"
#include "core/quest_notifier.hpp"
#include "platform/desktop_notifications.hpp"
#include "platform/file_watch.hpp"
#include "platform/loop_watch.hpp"
#include "platform/schedule_owner.hpp"

namespace talewick::ui {

class AppContext;

class NotificationSchedule {
 public:
  // What differs between the programs that run the schedule.
  struct Hooks {
    // Says a line to the user (the daemon prints it, the window shows it on its status bar).
    std::function<void(const std::string&)> say;
    // Another program holds the schedule: this one waits for it.
    std::function<void()> leftToOther;
    // The schedule became this program's after another one held it; the evening call and the
    // quests' notifications are planned again right after.
    std::function<void()> takenOver;
  };

  NotificationSchedule(AppContext& app, Hooks hooks);
  // The store outlives the schedule: it must not keep a notifier that goes with it.
  ~NotificationSchedule();
  NotificationSchedule(const NotificationSchedule&) = delete;
  NotificationSchedule& operator=(const NotificationSchedule&) = delete;

  // Opens the desktop's notifications (without a desktop session: said once, and nothing more),
  // then runs the schedule or waits for it.
  void start();

  // Whether this program runs the quests' notifications now.
  bool runs() const { return notifier_ != nullptr; }
  // The centre the notifications go through while this program runs them, else null.
  NotificationCentre* centre() const { return centre_.get(); }
  // The quests' notifier while this program runs the schedule, else null.
  QuestNotifier* notifier() const { return notifier_.get(); }

  // The evening call as the preferences ask for it today; nothing while another program runs it.
  void planEveningCall();

 private:
  bool take();

  AppContext& app_;
  Hooks hooks_;
  std::unique_ptr<DesktopNotifications> desktop_;
  std::unique_ptr<ScheduleOwner> owner_;
  std::unique_ptr<FileWatch> ownerWatch_;
  std::unique_ptr<LoopWatch> ownerLoop_;
  std::unique_ptr<NotificationCentre> centre_;
  std::unique_ptr<QuestNotifier> notifier_;
};

}  // namespace talewick::ui
