// What the daemon does for the guild, the world boss and the vigil: after each change of the
// hero it pushes the day's aggregates (each service sends only what changed); every 20 seconds
// it looks for a vigil session another process started (a `room join`) and drives it — joins
// when the lobby opens, beats, flushes, pays the reward once — and keeps the boards fresh, which
// pays a world-boss victory once.
#pragma once

#include <asio/steady_timer.hpp>
#include <functional>
#include <memory>
#include <string>

#include "services/vigil/tick_timer.hpp"
#include "ui/together_text.hpp"

namespace talewick::ui {

class TogetherDriver {
 public:
  static constexpr std::chrono::seconds LOOK{20};

  TogetherDriver(AppContext& app, std::function<void(const std::string&)> say);
  void start();
  // Queues the daily pushes (several changes in a row make one push).
  void heroChanged();

 private:
  void push();
  void look();
  void sayFailure(const std::string& what, const std::exception_ptr& failure);

  AppContext& app_;
  std::function<void(const std::string&)> say_;
  std::unique_ptr<together::GuildService> guild_;
  std::unique_ptr<together::WorldBossService> worldBoss_;
  together::LoopTickTimer vigilTimer_;
  std::unique_ptr<together::VigilService> vigil_;
  asio::steady_timer lookTimer_;
  bool pushQueued_ = false;
  std::string lastProblem_;
};

}  // namespace talewick::ui
