#include "ui/notification_schedule.hpp"

#include <system_error>

#include "support/loc.hpp"
#include "ui/context.hpp"
#include "ui/store_watches.hpp"

namespace talewick::ui {

NotificationSchedule::NotificationSchedule(AppContext& app, Hooks hooks)
    : app_(app), hooks_(std::move(hooks)) {}

NotificationSchedule::~NotificationSchedule() {
  if (notifier_) app_.questStore().setNotifications(nullptr);
}

void NotificationSchedule::start() {
  std::string whyNot;
  asio::io_context& main = app_.runLoop().main();
  desktop_ = DesktopNotifications::open(main, whyNot);
  if (!desktop_) {
    hooks_.say(whyNot);
    return;
  }
  desktop_->onFailure = [this](const std::string& message) { hooks_.say(message); };
  owner_ = std::make_unique<ScheduleOwner>(ScheduleOwner::defaultFile());
  if (take()) return;
  if (hooks_.leftToOther) hooks_.leftToOther();
  // The holder closing the lock file wakes the watch; the fallback look covers a lost event.
  ownerWatch_ = std::make_unique<FileWatch>(std::vector{owner_->file()});
  ownerLoop_ =
      std::make_unique<LoopWatch>(main, ownerWatch_->fd(), StoreWatches::FALLBACK_LOOK, [this] {
        ownerWatch_->drain();
        if (!take()) return;
        if (hooks_.takenOver) hooks_.takenOver();
        planEveningCall();
        app_.questStore().coalescedReload();
        // Allowed from the loop's own callback: nothing of it
        // runs afterwards.
        ownerLoop_.reset();
        ownerWatch_.reset();
      });
}

namespace {

void answerInvitation(AppContext& app, RSVPStatus status, const Json& userInfo,
                      std::function<void(bool)> sent) {
  const auto externalId = userInfo.find("externalId");
  const auto startsAt = userInfo.find("startsAt");
  if (externalId == userInfo.end() || !externalId->is_string() || startsAt == userInfo.end() ||
      !startsAt->is_number()) {
    return sent(false);
  }
  const std::string identifier = externalId->get<std::string>();
  const Date start = Date::fromUnix(startsAt->get<double>());
  const std::string rsvp(rawValue(status));
  google::InviteRSVPService& service = app.inviteRSVP();
  service.warmUpIfNeeded([&service, rsvp, identifier, start, sent = std::move(sent)] {
    service.respond(rsvp, identifier, start, [sent](bool ok, const std::string&) { sent(ok); });
  });
}

}  // namespace

// A lock file that cannot be opened says nothing about another program: this one then runs the
// schedule rather than nobody at all.
bool NotificationSchedule::take() {
  try {
    if (!owner_->tryTake()) return false;
  } catch (const std::system_error& e) {
    hooks_.say(e.what());
  }
  centre_ = std::make_unique<NotificationCentre>(
      app_.runLoop().main(), [this] { return app_.now(); }, *desktop_);
  QuestNotifier::Actions actions;
  actions.openURL = [this](const std::string& url) { desktop_->openURL(url); };
  actions.mode = [this] { return app_.narrativeMode(); };
  actions.openReplay = [this] {
    if (desktop_->openInTerminal({"talewick", "replay"})) return;
    hooks_.say(Loc::string("cli.daemon.noTerminal",
                           "aucun terminal trouvé ($TERMINAL, x-terminal-emulator) : lance "
                           "« talewick replay » toi-même"));
  };
  // A Google invitation is answered at Google through the backend; any other has no answer
  // relay, and fails so that the user answers it in the calendar.
  actions.answer = [this](RSVPStatus status, const std::string&, const Json& userInfo,
                          std::function<void(bool)> sent) {
    answerInvitation(app_, status, userInfo, std::move(sent));
  };
  notifier_ = std::make_unique<QuestNotifier>(
      centre_.get(), [this] { return app_.now(); }, std::move(actions));
  app_.questStore().setNotifications(notifier_.get());
  return true;
}

void NotificationSchedule::planEveningCall() {
  if (!notifier_) return;
  const auto enabled = app_.preferences().value(QuestNotifier::eveningEnabledKey);
  const bool on = enabled && enabled->is_boolean() && enabled->get<bool>();
  notifier_->scheduleEveningCall(on ? std::optional(QuestNotifier::eveningCallDate(app_.now()))
                                    : std::nullopt);
}

}  // namespace talewick::ui
