// `talewick daemon`: keeps the week's quests true while the calendar, the preferences and the
// cloud folder change underneath, and prints each new status line. Ends on SIGINT or SIGTERM.
#include <asio/signal_set.hpp>
#include <asio/steady_timer.hpp>
#include <csignal>
#include <iomanip>
#include <memory>

#include "core/cloud_prefs_sync.hpp"
#include "game/xp.hpp"
#include "platform/cloud_folder.hpp"
#include "platform/file_preferences.hpp"
#include "platform/file_watch.hpp"
#include "platform/loop_watch.hpp"
#include "platform/paths.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"

namespace talewick::ui {
namespace {

// inotify misses changes on network file systems: look again this often anyway.
constexpr auto kFallbackLook = std::chrono::seconds(30);

std::string clockTime(Date now) {
  const LocalCalendar::Fields f = LocalCalendar::fields(now);
  std::ostringstream out;
  out << std::setfill('0') << std::setw(2) << f.hour << ':' << std::setw(2) << f.minute << ':'
      << std::setw(2) << f.second;
  return out.str();
}

class Daemon {
 public:
  Daemon(Io& io, AppContext& app)
      : io_(io),
        app_(app),
        main_(app.runLoop().main()),
        store_(app.questStore()),
        midnight_(main_),
        signals_(main_, SIGINT, SIGTERM) {}

  int run() {
    watchHero();
    store_.observe([this] { printStatus(); });
    watchCalendar();
    watchPreferences();
    watchCloud();
    signals_.async_wait([this](const std::error_code& error, int) {
      if (!error) main_.stop();
    });
    loadThisWeek();
    armMidnight();
    // Answers to the invitations the user sent are polled here once the relay service exists.
    store_.startInvitationPolling([] {});
    say(Loc::string("cli.daemon.watching", "À l'écoute — Ctrl-C pour arrêter."));
    main_.run();
    say(Loc::string("cli.daemon.stopped", "Arrêt."));
    return EXIT_DONE;
  }

 private:
  void say(const std::string& line) {
    io_.out << "[" << clockTime(app_.now()) << "] " << line << std::endl;
  }

  void printStatus() {
    if (store_.statusLine() == lastStatus_) return;
    lastStatus_ = store_.statusLine();
    say(lastStatus_);
  }

  // Progress that reaches the hero (credits here, or from another machine through the cloud).
  void watchHero() {
    HeroStore& hero = app_.heroStore();
    shown_ = *hero.payload();
    hero.observe([this](const HeroSyncPayload& now) {
      const int64_t xp = now.totalXp - shown_.totalXp, gold = now.gold - shown_.gold;
      shown_ = now;
      if (xp == 0 && gold == 0) return;
      const auto signedText = [](int64_t n) { return (n >= 0 ? "+" : "") + std::to_string(n); };
      say(Loc::format(Loc::string("cli.daemon.progress", "%@ XP, %@ or — %@ : niveau %@"),
                      {signedText(xp), signedText(gold), now.name,
                       std::to_string(Xp::levelFromTotalXp(now.totalXp).level)}));
    });
  }

  void loadThisWeek() {
    const DateInterval week = QuestStore::weekInterval(app_.now());
    store_.load(week, store_.labelFor(week));
  }

  void watchCalendar() {
    if (AppContext::calendarDisabled()) return;
    app_.calendarStore();  // makes the default folder when there is none yet
    calendarWatch_ = std::make_unique<FileWatch>(
        std::vector{paths::calendarFolder(app_.preferences()).path}, FileWatch::Depth::subfolders);
    calendarLoop_ = std::make_unique<LoopWatch>(main_, calendarWatch_->fd(), kFallbackLook, [this] {
      // The store's cache makes a reload that finds nothing new cheap: the fallback reloads too.
      calendarWatch_->drain();
      store_.calendarStoreChanged();
    });
  }

  void watchPreferences() {
    auto* prefs = dynamic_cast<FilePreferences*>(&app_.preferences());
    if (!prefs) return;
    prefs->observe([this](const std::vector<std::string>& keys) {
      bool selection = false;
      for (const std::string& key : keys)
        selection = selection || CalendarSelection::isSelectionKey(key);
      if (selection) app_.selection().reload();
      store_.coalescedReload();
    });
    prefsWatch_ = std::make_unique<FileWatch>(std::vector{prefs->path()});
    prefsLoop_ =
        std::make_unique<LoopWatch>(main_, prefsWatch_->fd(), kFallbackLook, [this, prefs] {
          prefsWatch_->drain();
          prefs->reloadIfChanged();
        });
  }

  void watchCloud() {
    auto* cloud = dynamic_cast<CloudFolderStore*>(&app_.cloudStore());
    if (!cloud) return;
    cloud->observeExternalChanges(
        [this](const std::vector<std::string>& keys) { store_.cloudChanged(keys); });
    cloudLoop_ = std::make_unique<LoopWatch>(main_, cloud->watchDescriptor(), kFallbackLook,
                                             [cloud] { cloud->processExternalChanges(); });
  }

  // A new day shows a new week (or the same week with another today): reload after midnight.
  void armMidnight() {
    const Date now = app_.now();
    const Date next = LocalCalendar::startOfDay(LocalCalendar::addingDays(now, 1));
    const auto wait = std::chrono::duration<double>(next.seconds - now.seconds + 1);
    midnight_.expires_after(std::chrono::duration_cast<std::chrono::milliseconds>(wait));
    midnight_.async_wait([this](const std::error_code& error) {
      if (error) return;
      loadThisWeek();
      armMidnight();
    });
  }

  Io& io_;
  AppContext& app_;
  asio::io_context& main_;
  QuestStore& store_;
  asio::steady_timer midnight_;
  asio::signal_set signals_;
  std::string lastStatus_;
  HeroSyncPayload shown_;
  std::unique_ptr<FileWatch> calendarWatch_, prefsWatch_;
  std::unique_ptr<LoopWatch> calendarLoop_, prefsLoop_, cloudLoop_;
};

}  // namespace

Command daemonCommand() {
  return Command{"daemon",
                 Loc::string("cli.daemon.help",
                             "Garde la semaine à jour pendant que l'agenda change (Ctrl-C pour "
                             "arrêter)"),
                 [](CLI::App&) -> Handler {
                   return [](Io& io, AppContext& app) { return Daemon(io, app).run(); };
                 }};
}

}  // namespace talewick::ui
