#include "services/google/google_calendar_background_sync.hpp"

#include <algorithm>
#include <utility>

namespace talewick::google {

GoogleCalendarBackgroundSync::GoogleCalendarBackgroundSync(GoogleCalendarStore& store,
                                                           asio::io_context& main, Steps steps)
    : store_(store), steps_(std::move(steps)), timer_(main) {}

std::chrono::seconds GoogleCalendarBackgroundSync::waitAfter(std::chrono::seconds previous,
                                                             bool failed) {
  return failed ? std::min(previous * 2, LONGEST_WAIT) : INTERVAL;
}

void GoogleCalendarBackgroundSync::start() {
  if (started_) return;
  started_ = true;
  refreshNow();
}

void GoogleCalendarBackgroundSync::refreshNow() {
  if (inRound_) {
    roundAsked_ = true;
    return;
  }
  inRound_ = true;
  timer_.cancel();
  store_.refresh([this] {
    const bool failed = store_.failed();
    wait_ = failed ? waitAfter(wait_, true) : INTERVAL;
    if (!steps_.refreshPipeline) return finishRound();
    steps_.refreshPipeline([this] { finishRound(); });
  });
}

void GoogleCalendarBackgroundSync::finishRound() {
  if (steps_.reloadQuests) steps_.reloadQuests();
  inRound_ = false;
  if (std::exchange(roundAsked_, false)) return refreshNow();
  arm();
}

void GoogleCalendarBackgroundSync::arm() {
  timer_.expires_after(wait_);
  timer_.async_wait([this](const std::error_code& error) {
    if (!error) refreshNow();
  });
}

}  // namespace talewick::google
