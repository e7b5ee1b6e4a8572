// `talewick daemon`: keeps the kingdom true while the calendar, the reminders, the preferences
// and the cloud folder change underneath; prints each new status line and each payment the day's
// work earns; sends the quests' notifications to the desktop. Ends on SIGINT or SIGTERM.
#include <malloc.h>

#include <algorithm>
#include <asio/post.hpp>
#include <asio/signal_set.hpp>
#include <asio/steady_timer.hpp>
#include <csignal>
#include <iomanip>
#include <memory>

#include "core/cloud_prefs_sync.hpp"
#include "core/focus_mode_automation.hpp"
#include "core/quest_notifier.hpp"
#include "game/xp.hpp"
#include "platform/file_watch.hpp"
#include "platform/gnome_do_not_disturb.hpp"
#include "platform/loop_watch.hpp"
#include "platform/paths.hpp"
#include "services/google/google_calendar_background_sync.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/notification_schedule.hpp"
#include "ui/render.hpp"
#include "ui/store_watches.hpp"
#include "ui/together_driver.hpp"

namespace talewick::ui {
namespace {

constexpr auto kFallbackLook = StoreWatches::FALLBACK_LOOK;
constexpr auto kRemindersSettle = StoreWatches::REMINDERS_SETTLE;
// How often the booking pages are asked for bookings to write into the calendar.
constexpr auto kOpeningsPoll = std::chrono::seconds(60);
// The backend keeps the services' answers for a while: asking more often brings nothing new.
constexpr auto kPipelinePoll = std::chrono::seconds(60);
// How long the expedition timer trusts the monotonic clock (which stops while the machine sleeps).
constexpr double kExpeditionLook = 30;

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
        kingdom_(app.kingdom()),
        watches_(app),
        midnight_(main_),
        expeditionTimer_(main_),
        notesSettle_(main_),
        openingsTimer_(main_),
        pipelineTimer_(main_),
        signals_(main_, SIGINT, SIGTERM),
        together_(app, [this](const std::string& line) { say(line); }) {}
  int run() {
    startNotifications();
    watchHero();
    store_.observe([this] {
      printStatus();
      // A reload holds the window's previous occurrences and quests beside the new ones; once it
      // is over, the memory they used goes back to the system instead of staying resident.
      asio::post(main_, [] { malloc_trim(0); });
    });
    kingdom_.observe(
        [this](const std::vector<KingdomCoordinator::Payment>& paid) { printPayments(paid); });
    watches_.start([this](const std::vector<std::string>& keys) {
      if (std::find(keys.begin(), keys.end(), QuestNotifier::eveningEnabledKey) != keys.end())
        planEveningCall();
    });
    watchExpedition();
    watchNotes();
    pollOpenings();
    followPipeline();
    watchLinear();
    followGoogleCalendar();
    together_.start();
    signals_.async_wait([this](const std::error_code& error, int) {
      if (!error) main_.stop();
    });
    try {
      kingdom_.refreshAll(app_.now());
    } catch (const FileError& e) {
      say(e.what());
    }
    planEveningCall();
    armMidnight();
    // Answers to the invitations the user sent are read from the relay now and every 120 s;
    // each new one is announced.
    pollInvitationAnswers();
    store_.startInvitationPolling([this] { pollInvitationAnswers(); });
    say(Loc::string("cli.daemon.watching", "À l'écoute — Ctrl-C pour arrêter."));
    // A store that cannot save (a full disk, a folder made read-only) fails the change that
    // needed it; the daemon says so and keeps watching, the stores as they were.
    for (;;) {
      try {
        main_.run();
        break;
      } catch (const FileError& e) {
        say(e.what());
      }
    }
    say(Loc::string("cli.daemon.stopped", "Arrêt."));
    return EXIT_DONE;
  }

 private:
  void say(const std::string& line) {
    io_.out << "[" << clockTime(app_.now()) << "] " << shown(line) << std::endl;
  }

  // Without a desktop session the daemon goes on without notifications, and says so once. Only
  // one program runs the quests' notifications: the desktop window when it has the schedule, else
  // the daemon. The daemon keeps doing the rest of its work meanwhile, and takes the schedule over
  // as soon as its holder lets it go.
  void startNotifications() {
    NotificationSchedule::Hooks hooks;
    hooks.say = [this](const std::string& line) { say(line); };
    hooks.leftToOther = [this] {
      say(Loc::string("cli.daemon.scheduleHeld",
                      "Notifications : un autre programme Talewick les envoie ; le démon prendra "
                      "le relais quand il s'arrêtera."));
    };
    hooks.takenOver = [this] {
      say(Loc::string("cli.daemon.scheduleTaken", "Notifications : le démon les envoie."));
      followFocus();
    };
    schedule_ = std::make_unique<NotificationSchedule>(app_, std::move(hooks));
    schedule_->start();
  }

  void pollInvitationAnswers() {
    // An answer read is news only once: while another program runs the notifications, they are
    // left on the relay for the next read (`talewick invites` shows them meanwhile).
    if (!schedule_ || !schedule_->notifier()) return;
    app_.invitations().refreshAll(false, [this](std::vector<invites::AnswerNews> news) {
      QuestNotifier* notifier = schedule_ ? schedule_->notifier() : nullptr;
      if (!notifier) return;
      for (const invites::AnswerNews& answer : news)
        notifier->fireRSVP(answer.guest, answer.status, answer.title, answer.key);
    });
  }

  void planEveningCall() { schedule_->planEveningCall(); }

  void printStatus() {
    if (store_.statusLine() == lastStatus_) return;
    lastStatus_ = store_.statusLine();
    say(lastStatus_);
  }

  // Progress that reaches the hero (credits here, or from another machine through the cloud).
  // The kingdom's own payments are printed with what earned them; the hero's line, printed once
  // the current work is over, shows the rest.
  void watchHero() {
    HeroStore& hero = app_.heroStore();
    shown_ = *hero.payload();
    hero.observe([this](const HeroSyncPayload&) {
      together_.heroChanged();
      if (progressPosted_) return;
      progressPosted_ = true;
      asio::post(main_, [this] { printProgress(); });
    });
  }

  void printPayments(const std::vector<KingdomCoordinator::Payment>& paid) {
    const auto& board = kingdom_.view() ? kingdom_.view()->board : std::nullopt;
    for (const auto& payment : paid) {
      say(paymentLine(payment, board));
      explainedXp_ += payment.xp;
      explainedGold_ += payment.gold;
    }
  }

  void printProgress() {
    progressPosted_ = false;
    const HeroSyncPayload& now = *app_.heroStore().payload();
    const int64_t xp = now.totalXp - shown_.totalXp - explainedXp_;
    const int64_t gold = now.gold - shown_.gold - explainedGold_;
    shown_ = now;
    explainedXp_ = explainedGold_ = 0;
    if (xp == 0 && gold == 0) return;
    const auto signedText = [](int64_t n) { return (n >= 0 ? "+" : "") + std::to_string(n); };
    say(Loc::format(Loc::string("cli.daemon.progress", "%@ XP, %@ or — %@ : niveau %@"),
                    {signedText(xp), signedText(gold), now.name,
                     std::to_string(Xp::levelFromTotalXp(now.totalXp).level)}));
  }

  // A new day has its own kingdom window, board and journey: reload after midnight.
  void armMidnight() {
    const Date now = app_.now();
    const Date next = LocalCalendar::startOfDay(LocalCalendar::addingDays(now, 1));
    const auto wait = std::chrono::duration<double>(next.seconds - now.seconds + 1);
    midnight_.expires_after(std::chrono::duration_cast<std::chrono::milliseconds>(wait));
    midnight_.async_wait([this](const std::error_code& error) {
      if (error) return;
      kingdom_.refreshAll(app_.now());
      planEveningCall();
      armMidnight();
    });
  }

  // A note saved in an editor (often a temporary file renamed over it) changes the kingdom's
  // task-file quests: rebuilt once the burst of changes is over.
  void watchNotes() {
    const std::optional<std::filesystem::path> folder = app_.vaultStore().folderPath();
    if (!folder) return;
    notesWatch_ = std::make_unique<FileWatch>(std::vector{*folder}, FileWatch::Depth::subfolders);
    // The store reads only what the watch names; the fallback look, a watch that lost events or
    // news of the folder itself list it whole (deeper folders are not watched).
    app_.vaultStore().followWatch();
    notesLoop_ =
        std::make_unique<LoopWatch>(main_, notesWatch_->fd(), kFallbackLook, [this, folder] {
          if (!worthALook(*notesWatch_, notesLooked_)) return;
          VaultStore& vault = app_.vaultStore();
          std::vector<std::string> named;
          bool whole = notesWatch_->overflowed() || notesWatch_->changedPaths().empty();
          for (const std::filesystem::path& path : notesWatch_->changedPaths()) {
            const std::filesystem::path relative = path.lexically_relative(*folder);
            const std::string name = relative.generic_string();
            whole = whole || name.empty() || name == "." || name.starts_with("..");
            named.push_back(name);
          }
          if (whole) {
            vault.listAgain();
          } else {
            vault.filesChanged(named);
          }
          notesSettle_.expires_after(kRemindersSettle);
          notesSettle_.async_wait([this](const std::error_code& error) {
            if (!error) kingdom_.rebuildSnapshot();
          });
        });
  }

  // While a booking page is published, its confirmed bookings are written into the calendar: at
  // once, then every kOpeningsPoll. Without a page nothing is asked; the timer only looks again.
  void pollOpenings() {
    if (AppContext::calendarDisabled()) return;
    openings::OpeningsService& service = app_.openings();
    if (service.publishedOpenings().empty()) return armOpenings();
    service.pollAndImport([this, &service](openings::Outcome<int> written) {
      for (const openings::BookingRequest& r : service.lastImported()) {
        say(Loc::format(Loc::string("cli.daemon.bookingImported",
                                    "📅 Réservation inscrite à l'agenda : %@ — %@ <%@>"),
                        {r.openingTitle, r.name, r.email}));
      }
      std::string problem;
      if (!written.ok()) {
        try {
          std::rethrow_exception(written.failure);
        } catch (const std::exception& e) {
          problem = e.what();
        }
      }
      // A backend that stays away is said once, not every minute.
      if (!problem.empty() && problem != openingsProblem_) say(problem);
      openingsProblem_ = problem;
      armOpenings();
    });
  }

  // The connected trackers and remote calendars: asked now and every kPipelinePoll once a
  // service was connected (or an answer is already kept); a new answer reloads the quests, whose
  // load rebuilds the kingdom.
  void followPipeline() {
    pipeline::IntegrationPipelineStore& store = app_.integrationPipeline();
    store.observe([this] { store_.coalescedReload(); });
    pollPipeline();
  }

  void pollPipeline() {
    pipeline::IntegrationPipelineStore& store = app_.integrationPipeline();
    bool connected = store.response().has_value();
    for (const auto& provider : app_.providerConnections().all()) {
      connected = connected || provider->oauthConnected();
    }
    if (!connected || !app_.backend().configured()) return armPipeline();
    store.performRefresh(false, [this, &store] {
      // A backend that stays away is said once, not every minute.
      const std::string problem = store.failed() ? store.statusLine() : "";
      if (!problem.empty() && problem != pipelineProblem_) say(problem);
      pipelineProblem_ = problem;
      armPipeline();
    });
  }

  // Linear's issues as the commands of other processes keep them (a fetch, an issue completed):
  // the one store the kingdom reads rereads its file only when it changed.
  void watchLinear() {
    linearWatch_ = std::make_unique<FileWatch>(
        std::vector{paths::dataFolder() / linear::LinearAuthStore::FILE_NAME});
    linearLoop_ = std::make_unique<LoopWatch>(main_, linearWatch_->fd(), kFallbackLook, [this] {
      linearWatch_->drain();
      if (app_.linear().reload()) store_.coalescedReload();
    });
  }

  // Google Calendar, once connected (or synced before): its own rounds keep the events that
  // invitations are answered through fresh, and bring new ones to the quests sooner.
  void followGoogleCalendar() {
    google::GoogleCalendarStore& google = app_.googleCalendar();
    const bool connected =
        google.cache().has_value() ||
        app_.preferences().value(google::GoogleCalendarStore::CONNECTED_FLAG) == Json(true);
    if (!connected || !app_.backend().configured()) return;
    googleSync_ = std::make_unique<google::GoogleCalendarBackgroundSync>(
        google, main_,
        google::GoogleCalendarBackgroundSync::Steps{[this](std::function<void()> done) {
                                                      app_.integrationPipeline().performRefresh(
                                                          false, std::move(done));
                                                    },
                                                    [this] { store_.coalescedReload(); }});
    googleSync_->start();
  }

  void armPipeline() {
    pipelineTimer_.expires_after(kPipelinePoll);
    pipelineTimer_.async_wait([this](const std::error_code& error) {
      if (!error) pollPipeline();
    });
  }

  void armOpenings() {
    openingsTimer_.expires_after(kOpeningsPoll);
    openingsTimer_.async_wait([this](const std::error_code& error) {
      if (!error) pollOpenings();
    });
  }

  // The expedition under way ends at its deadline, whether or not anyone looks: the daemon keeps
  // its time, and hears of the expeditions commands start, focus or end through its file.
  void watchExpedition() {
    ExpeditionStore& store = app_.expeditionStore();
    focusMode_ = std::make_unique<FocusModeAutomation>(app_.preferences(), doNotDisturb_);
    followFocus();  // puts back a switch a killed daemon left on
    store.observe([this](const ExpeditionStore::Change& change) {
      followFocus();
      tellExpedition(change);
    });
    expeditionWatch_ =
        std::make_unique<FileWatch>(std::vector{paths::dataFolder() / ExpeditionStore::FILE_NAME});
    expeditionLoop_ =
        std::make_unique<LoopWatch>(main_, expeditionWatch_->fd(), kFallbackLook, [this] {
          expeditionWatch_->drain();
          armExpedition();
        });
    armExpedition();
  }

  // Resolves what is due and waits for the next deadline. A monotonic timer stands still while
  // the machine sleeps: it looks at the wall clock again at least every kExpeditionLook, and a
  // deadline passed asleep is resolved at the deadline itself by the store.
  void armExpedition() {
    const std::optional<Date> next = app_.expeditionStore().tick(app_.now());
    expeditionTimer_.cancel();
    if (!next) return;
    const double wait = std::clamp(next->seconds - app_.now().seconds, 0.0, kExpeditionLook);
    expeditionTimer_.expires_after(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::duration<double>(wait)));
    expeditionTimer_.async_wait([this](const std::error_code& error) {
      if (!error) armExpedition();
    });
  }

  // While an expedition is focused: the desktop's do-not-disturb (when the user asked for it), and
  // only the expedition's own notifications.
  void followFocus() {
    bool quiet = false;
    try {
      quiet = focusMode_->follow(app_.expeditionStore().expedition());
    } catch (const std::system_error& e) {  // the preferences could not be written
      say(e.what());
    }
    if (NotificationCentre* centre = schedule_->centre())
      centre->hold(quiet ? std::optional<std::string>("expedition.") : std::nullopt);
  }

  void tellExpedition(const ExpeditionStore::Change& change) {
    const auto& before = change.previous;
    const auto& now = change.current;
    std::string title, body;
    if (now && (!before || before->id != now->id)) {
      title = Loc::string("notif.expedition.departure", "🧭 Expédition en route");
      body =
          Loc::format(Loc::string("notif.expedition.departureBody", "Vers « %@ » : retour à %@."),
                      {now->target.title, clockText(now->deadline())});
    } else if (now && before && before->isUnderWay() && !now->isUnderWay()) {
      const bool won = now->issue == ExpeditionIssue::defeated;
      title = won ? Loc::string("notif.expedition.won", "🏆 Expédition réussie")
                  : Loc::string("notif.expedition.retreated", "🏳️ Retraite");
      body = won ? Loc::format(Loc::string("notif.expedition.wonBody", "« %@ » : %@"),
                               {now->target.title,
                                Loc::format(Loc::string("kingdom.reward", "+%@ XP, +%@ or"),
                                            {std::to_string(now->target.reward.xp),
                                             std::to_string(now->target.reward.gold)})})
                 : now->target.title;
      if (won && change.paid) {
        explainedXp_ += now->target.reward.xp;
        explainedGold_ += now->target.reward.gold;
      }
    } else if (before && !now) {
      title = Loc::string("notif.expedition.back", "🏰 Retour au royaume");
      body = before->target.title;
    } else {
      return;
    }
    say(title + " — " + body);
    if (NotificationCentre* centre = schedule_->centre()) {
      centre->add(NotificationRequest{"expedition." + (now ? now->id : before->id), title, body, "",
                                      Json::object(), std::nullopt});
    }
  }

  Io& io_;
  AppContext& app_;
  asio::io_context& main_;
  QuestStore& store_;
  KingdomCoordinator& kingdom_;
  StoreWatches watches_;
  asio::steady_timer midnight_;
  asio::steady_timer expeditionTimer_;
  asio::steady_timer notesSettle_;
  asio::steady_timer openingsTimer_;
  std::string openingsProblem_;
  asio::steady_timer pipelineTimer_;
  std::string pipelineProblem_;
  std::unique_ptr<google::GoogleCalendarBackgroundSync> googleSync_;
  asio::signal_set signals_;
  // The guild's and the world boss's pushes, the vigil session this user is in.
  TogetherDriver together_;
  std::string lastStatus_;
  HeroSyncPayload shown_;
  // The kingdom's payments printed since the hero's last line.
  int64_t explainedXp_ = 0, explainedGold_ = 0;
  bool progressPosted_ = false;
  std::unique_ptr<FileWatch> expeditionWatch_, notesWatch_, linearWatch_;
  std::chrono::steady_clock::time_point notesLooked_ = std::chrono::steady_clock::now();
  std::unique_ptr<LoopWatch> notesLoop_;
  GnomeDoNotDisturb doNotDisturb_;
  std::unique_ptr<FocusModeAutomation> focusMode_;
  std::unique_ptr<LoopWatch> expeditionLoop_, linearLoop_;
  std::unique_ptr<NotificationSchedule> schedule_;
};

}  // namespace

Command daemonCommand() {
  return Command{"daemon",
                 Loc::string("cli.daemon.help",
                             "Garde le royaume à jour pendant que l'agenda et les rappels "
                             "changent (Ctrl-C pour arrêter)"),
                 [](CLI::App&) -> Handler {
                   return [](Io& io, AppContext& app) { return Daemon(io, app).run(); };
                 }};
}

}  // namespace talewick::ui
