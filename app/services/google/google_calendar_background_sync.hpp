// Keeps the user's Google events fresh while the daemon runs: rounds of Google Calendar sync,
// then the integration pipeline's refresh, then the quests' reload, so that a new remote event
// becomes a quest. One round at start, then one every minute; rounds never overlap.
//
// Back-off: a round whose sync failed waits twice as long as the one before (60 s, 120 s, 240 s…
// up to 15 minutes), so that a backend that is down is not asked every minute; the first round
// that succeeds brings the rhythm back to a minute.
#pragma once

#include <asio/io_context.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <functional>

#include "services/google/google_calendar_store.hpp"

namespace talewick::google {

class GoogleCalendarBackgroundSync {
 public:
  static constexpr std::chrono::seconds INTERVAL{60};
  static constexpr std::chrono::seconds LONGEST_WAIT{15 * 60};

  struct Steps {
    // Refreshes the integration pipeline; calls `done` once applied.
    std::function<void(std::function<void()> done)> refreshPipeline;
    // Makes the quest store read its window again.
    std::function<void()> reloadQuests;
  };

  GoogleCalendarBackgroundSync(GoogleCalendarStore& store, asio::io_context& main, Steps steps);

  // Starts the loop once: a round now, then the rhythm above.
  void start();
  // One round now; while one runs, another follows it once.
  void refreshNow();
  bool running() const { return inRound_; }
  // The wait before the next round.
  std::chrono::seconds nextWait() const { return wait_; }
  // The wait after `previous` once a round failed or succeeded.
  static std::chrono::seconds waitAfter(std::chrono::seconds previous, bool failed);

 private:
  void finishRound();
  void arm();

  GoogleCalendarStore& store_;
  Steps steps_;
  asio::steady_timer timer_;
  std::chrono::seconds wait_ = INTERVAL;
  bool started_ = false;
  bool inRound_ = false;
  bool roundAsked_ = false;
};

}  // namespace talewick::google
