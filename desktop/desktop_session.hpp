// The window's composition root: the same stores as the `talewick` command (through
// ui::AppContext), their main loop driven from Qt's, the watches that follow other programs'
// changes, and the view models QML reads. One per process; everything on the main thread.
#pragma once

#include <QObject>
#include <QTimer>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include "desktop/asio_pump.hpp"
#include "desktop/models/hero_model.hpp"
#include "desktop/models/kingdom_model.hpp"
#include "desktop/models/quick_add_model.hpp"
#include "desktop/models/status_model.hpp"
#include "desktop/models/week_model.hpp"
#include "desktop/texts.hpp"
#include "ui/context.hpp"
#include "ui/notification_schedule.hpp"
#include "ui/store_watches.hpp"

class QQmlContext;

namespace talewick::desktop {

// The stores' warnings, one line at a time, to whoever listens (the status bar); the lines said
// before anyone listens wait for the first listener.
class LineSink : public std::streambuf {
 public:
  void listen(std::function<void(const std::string&)> listener);

 protected:
  int overflow(int c) override;

 private:
  std::string line_;
  std::vector<std::string> waiting_;
  std::function<void(const std::string&)> listener_;
};

class DesktopSession : public QObject {
  Q_OBJECT

 public:
  explicit DesktopSession(QObject* parent = nullptr);
  ~DesktopSession() override;

  // Loads the kingdom's window around now, draws the day, and starts following the files.
  void start();
  // Runs the quests' notifications when no other program does (the daemon otherwise, until it
  // lets them go); what it has to say goes on the status bar.
  void runNotifications();
  bool runsNotifications() const { return schedule_ && schedule_->runs(); }
  // Handles a talewick:// address the way `talewick handle-url` does; its outcome, or why it was
  // not handled, goes on the status bar.
  void handleURL(const std::string& url);
  // Makes the models reachable from QML as Texts, Week, Kingdom, Hero, QuickAdd and Status.
  void expose(QQmlContext& context);

  ui::AppContext& app() { return *app_; }
  AsioPump& pump() { return *pump_; }
  WeekModel& week() { return *week_; }
  KingdomModel& kingdom() { return *kingdom_; }
  HeroModel& hero() { return *hero_; }
  QuickAddModel& quickAdd() { return *quickAdd_; }
  StatusModel& status() { return *status_; }

 private:
  // The kingdom of a new day (its window, board and journey): refreshed just after midnight.
  void armMidnight();
  void refresh();

  LineSink sink_;
  std::ostream warnings_{&sink_};
  std::unique_ptr<ui::AppContext> app_;
  std::unique_ptr<AsioPump> pump_;
  std::unique_ptr<StatusModel> status_;
  std::unique_ptr<HeroModel> hero_;
  std::unique_ptr<WeekModel> week_;
  std::unique_ptr<KingdomModel> kingdom_;
  std::unique_ptr<QuickAddModel> quickAdd_;
  std::unique_ptr<ui::StoreWatches> watches_;
  std::unique_ptr<ui::NotificationSchedule> schedule_;
  Texts texts_;
  QTimer midnight_;
  int paymentsToken_ = 0;
};

}  // namespace talewick::desktop
