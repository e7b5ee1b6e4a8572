#include "ui/together_driver.hpp"

#include <asio/post.hpp>

#include "support/loc.hpp"

namespace talewick::ui {

TogetherDriver::TogetherDriver(AppContext& app, std::function<void(const std::string&)> say)
    : app_(app),
      say_(std::move(say)),
      guild_(makeGuild(app)),
      worldBoss_(makeWorldBoss(app)),
      vigilTimer_(app.runLoop().main()),
      vigil_(makeVigil(app, vigilTimer_)),
      lookTimer_(app.runLoop().main()) {}

void TogetherDriver::start() {
  vigil_->restoreActiveSession();
  push();
  look();
}

void TogetherDriver::heroChanged() {
  if (pushQueued_) return;
  pushQueued_ = true;
  asio::post(app_.runLoop().main(), [this] {
    pushQueued_ = false;
    push();
  });
}

void TogetherDriver::sayFailure(const std::string& what, const std::exception_ptr& failure) {
  std::string problem;
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    problem = what + " : " + e.what();
  }
  // A backend that stays away is said once, not at every change.
  if (problem != lastProblem_) say_(problem);
  lastProblem_ = problem;
}

void TogetherDriver::push() {
  const Date now = app_.now();
  if (auto stats = guildStats(app_, now); stats && guild_->isMember()) {
    guild_->pushDailyStatsIfNeeded(*stats, [this](backend::Outcome<bool> pushed) {
      if (!pushed.ok()) sayFailure(Loc::string("cli.daemon.guild", "Guilde"), pushed.failure);
    });
  }
  if (auto stats = worldBossStats(app_, now); stats && worldBoss_->isEnlisted()) {
    worldBoss_->pushDailyStatsIfNeeded(*stats, [this](backend::Outcome<bool> pushed) {
      if (!pushed.ok()) sayFailure(Loc::string("cli.daemon.worldBoss", "Fléau"), pushed.failure);
    });
  }
}

void TogetherDriver::look() {
  const together::VigilStage stage = vigil_->stage();
  if (!vigil_->tickPending() && stage.kind != together::VigilStage::Kind::idle) {
    auto paid = [this] {
      if (vigil_->lastRewardPaid() > 0) {
        say_(Loc::string("cli.daemon.vigilReward", "🕯️ La chandelle a tenu :") + " +" +
             std::to_string(vigil_->lastRewardPaid()) + " or");
      }
    };
    if (stage.kind == together::VigilStage::Kind::resolved) {
      vigil_->tick(paid);
    } else {
      vigil_->restoreActiveSession(paid);
    }
  }
  if (worldBoss_->isEnlisted()) {
    worldBoss_->refreshBoardIfStale([this](backend::Outcome<bool> fetched) {
      if (!fetched.ok())
        return sayFailure(Loc::string("cli.daemon.worldBoss", "Fléau"), fetched.failure);
      if (*fetched.value && worldBoss_->lastVictoryGold() > 0) {
        say_(Loc::string("cli.daemon.worldBossVictory", "☄️ Le Fléau est tombé :") + " +" +
             std::to_string(worldBoss_->lastVictoryGold()) + " or");
      }
    });
  }
  if (guild_->isMember()) guild_->refreshSeasonIfStale([](backend::Outcome<bool>) {});
  lookTimer_.expires_after(LOOK);
  lookTimer_.async_wait([this](const std::error_code& error) {
    if (!error) look();
  });
}

}  // namespace talewick::ui
