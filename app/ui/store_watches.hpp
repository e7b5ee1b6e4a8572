// The watches that keep the stores true while other programs change their files: the calendar
// folder (khal, vdirsyncer, another `talewick`), the reminders folder, the preferences, the cloud
// folder and the hero's document. Shared by `talewick daemon` and the desktop window, which both
// live for hours over the same stores.
#pragma once

#include <asio/steady_timer.hpp>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_watch.hpp"
#include "platform/loop_watch.hpp"

namespace talewick::ui {

class AppContext;

class StoreWatches {
 public:
  // inotify misses changes on network file systems: look again this often anyway.
  static constexpr auto FALLBACK_LOOK = std::chrono::seconds(30);
  // A to-do tool saves a list as a burst of files: read the reminders once the burst is over.
  static constexpr auto REMINDERS_SETTLE = std::chrono::milliseconds(300);

  explicit StoreWatches(AppContext& app);
  ~StoreWatches();
  StoreWatches(const StoreWatches&) = delete;
  StoreWatches& operator=(const StoreWatches&) = delete;

  using PreferencesChanged = std::function<void(const std::vector<std::string>& keys)>;

  // Starts every watch, on the app's main loop. Without calendar access (TALEWICK_DISABLE_EVENTKIT)
  // the calendar and reminders folders are left alone. A change of the preferences reloads the
  // calendar selection when it changed, tells `preferencesChanged`, then reloads the quests.
  void start(PreferencesChanged preferencesChanged = {});

 private:
  void watchCalendar();
  void watchReminders();
  void watchPreferences();
  void watchCloud();
  void watchHero();

  AppContext& app_;
  asio::steady_timer remindersSettle_;
  PreferencesChanged preferencesChanged_;
  std::unique_ptr<FileWatch> calendarWatch_, remindersWatch_, prefsWatch_, heroWatch_;
  std::chrono::steady_clock::time_point calendarLooked_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point remindersLooked_ = calendarLooked_;
  std::unique_ptr<LoopWatch> calendarLoop_, remindersLoop_, prefsLoop_, cloudLoop_, heroLoop_;
};

// A folder watch wakes up for news about its folder's neighbours too (it watches the parent, to
// see the folder come and go) and on the fallback tick. Only news about the folder itself, or a
// tick when nothing was looked at for a while, is worth reading the folder again: the parent may
// be /tmp or the data folder, where files change all the time.
bool worthALook(FileWatch& watch, std::chrono::steady_clock::time_point& lastLook);

}  // namespace talewick::ui
