#include "desktop/desktop_session.hpp"

#include <QQmlContext>
#include <algorithm>
#include <exception>
#include <sstream>

#include "core/file_port.hpp"
#include "core/quest_notifier.hpp"
#include "services/backend/oauth_callback.hpp"
#include "support/local_calendar.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/provider_text.hpp"

namespace talewick::desktop {

void LineSink::listen(std::function<void(const std::string&)> listener) {
  listener_ = std::move(listener);
  for (const std::string& line : waiting_) listener_(line);
  waiting_.clear();
}

int LineSink::overflow(int c) {
  if (c == traits_type::eof()) return traits_type::not_eof(c);
  if (c != '\n') {
    line_.push_back(static_cast<char>(c));
    return c;
  }
  if (listener_) {
    listener_(line_);
  } else {
    waiting_.push_back(line_);
  }
  line_.clear();
  return c;
}

DesktopSession::DesktopSession(QObject* parent)
    : QObject(parent), app_(std::make_unique<ui::AppContext>(warnings_)) {
  pump_ = std::make_unique<AsioPump>(app_->runLoop().main());
  status_ = std::make_unique<StatusModel>(*app_);
  sink_.listen([this](const std::string& line) {
    if (!status_) return;  // a warning while the session is torn down
    // The context's warnings start with the command's name, which the window does not need.
    const std::string prefix = "talewick : ";
    status_->reportError(
        QString::fromStdString(line.starts_with(prefix) ? line.substr(prefix.size()) : line));
  });
  connect(pump_.get(), &AsioPump::failed, status_.get(), &StatusModel::reportError);
  hero_ = std::make_unique<HeroModel>(*app_);
  week_ = std::make_unique<WeekModel>(*app_);
  kingdom_ = std::make_unique<KingdomModel>(*app_);
  quickAdd_ = std::make_unique<QuickAddModel>(*app_);
  connect(quickAdd_.get(), &QuickAddModel::failed, status_.get(), &StatusModel::reportError);
  connect(quickAdd_.get(), &QuickAddModel::wrote, pump_.get(), &AsioPump::kick);
  paymentsToken_ =
      app_->kingdom().observe([this](const std::vector<KingdomCoordinator::Payment>& paid) {
        const auto& view = app_->kingdom().view();
        for (const auto& payment : paid)
          status_->setKingdomLine(ui::paymentLine(payment, view ? view->board : std::nullopt));
      });
  midnight_.setSingleShot(true);
  connect(&midnight_, &QTimer::timeout, this, [this] {
    refresh();
    if (schedule_) schedule_->planEveningCall();
    armMidnight();
  });
}

DesktopSession::~DesktopSession() {
  app_->kingdom().unobserve(paymentsToken_);
  // The schedule, the watches and the models go before the stores they observe; the context settles
  // the queued writes as it goes.
  schedule_.reset();
  watches_.reset();
  quickAdd_.reset();
  kingdom_.reset();
  week_.reset();
  hero_.reset();
  status_.reset();
  pump_.reset();
  app_.reset();
}

void DesktopSession::refresh() {
  try {
    app_->kingdom().refreshAll(app_->now());
  } catch (const FileError& e) {
    status_->reportError(QString::fromStdString(e.what()));
  } catch (const std::exception& e) {
    status_->reportError(QString::fromStdString(e.what()));
  }
  pump_->kick();
}

void DesktopSession::start() {
  refresh();
  watches_ = std::make_unique<ui::StoreWatches>(*app_);
  try {
    // A change of the title mode shows on the cards at the reload that follows.
    watches_->start([this](const std::vector<std::string>& keys) {
      if (schedule_ &&
          std::find(keys.begin(), keys.end(), QuestNotifier::eveningEnabledKey) != keys.end())
        schedule_->planEveningCall();
    });
  } catch (const std::exception& e) {
    status_->reportError(QString::fromStdString(e.what()));
  }
  armMidnight();
}

void DesktopSession::runNotifications() {
  const auto say = [this](const std::string& line) {
    status_->reportError(QString::fromStdString(line));
  };
  ui::NotificationSchedule::Hooks hooks;
  hooks.say = say;
  hooks.leftToOther = [this] { status_->reportError(texts_.get("desktop.schedule.held")); };
  hooks.takenOver = [this] { status_->reportError(texts_.get("desktop.schedule.taken")); };
  schedule_ = std::make_unique<ui::NotificationSchedule>(*app_, std::move(hooks));
  try {
    schedule_->start();
  } catch (const std::exception& e) {  // the lock file's folder cannot be watched
    say(e.what());
  }
  schedule_->planEveningCall();
  pump_->kick();
}

void DesktopSession::handleURL(const std::string& url) {
  try {
    // The store says at once whether the provider connected; its status fetch that follows runs
    // on the pumped loop without holding the window.
    const backend::ProviderConnectionStore& store = app_->providerConnections().handleURL(url);
    std::ostringstream outcome;
    ui::printOutcome(outcome, store);
    std::string line = outcome.str();
    while (!line.empty() && line.back() == '\n') line.pop_back();
    status_->reportError(QString::fromStdString(line));
  } catch (const std::exception& e) {  // an address not ours, or the provider's refusal
    status_->reportError(QString::fromStdString(e.what()));
  }
  pump_->kick();
}

void DesktopSession::armMidnight() {
  const Date now = app_->now();
  const Date next = LocalCalendar::startOfDay(LocalCalendar::addingDays(now, 1));
  midnight_.start(static_cast<int>((next.seconds - now.seconds + 1) * 1000));
}

void DesktopSession::expose(QQmlContext& context) {
  context.setContextProperty("Texts", &texts_);
  context.setContextProperty("Week", week_.get());
  context.setContextProperty("Kingdom", kingdom_.get());
  context.setContextProperty("Hero", hero_.get());
  context.setContextProperty("QuickAdd", quickAdd_.get());
  context.setContextProperty("Status", status_.get());
}

}  // namespace talewick::desktop
