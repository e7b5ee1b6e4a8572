#include "server/vigil_room.hpp"

#include <set>

#include "together/world_boss_vigil.hpp"

namespace talewick::server::vigil {

using namespace talewick::WorldBossVigil;

std::int64_t coveredWindows(const std::vector<std::int64_t>& beatWindows) {
  std::set<std::int64_t> covered;
  for (std::int64_t window : beatWindows) {
    for (std::int64_t w = window; w <= window + TOLERANCE_WINDOWS; ++w) {
      if (w >= 0 && w < sessionMinutes) covered.insert(w);
    }
  }
  return static_cast<std::int64_t>(covered.size());
}

std::string phase(std::int64_t slotStart, std::int64_t now) {
  if (now < slotStart) return "lobby";
  if (now < slotStart + slotMinutes * 60) return "burning";
  return "resolved";
}

std::int64_t windowAt(std::int64_t slotStart, std::int64_t now) {
  return (now - slotStart) / beatSeconds;
}

std::string liveCandle(const std::string& phase, std::optional<std::int64_t> lastBeatWindow,
                       std::int64_t currentWindow) {
  if (phase == "lobby") return "waiting";
  if (!lastBeatWindow) return "unlit";
  return *lastBeatWindow + TOLERANCE_WINDOWS >= currentWindow ? "lit" : "flickering";
}

Resolution resolve(const std::vector<SeatState>& seats) {
  Resolution resolution;
  std::int64_t held = 0;
  for (const SeatState& seat : seats) {
    const bool holds = WorldBossVigil::holds(coveredWindows(seat.beatWindows), sessionMinutes);
    resolution.seats.push_back({holds, 0});
    if (holds) ++held;
  }
  for (std::size_t i = 0; i < seats.size(); ++i) {
    SeatOutcome& outcome = resolution.seats[i];
    outcome.reward = reward(outcome.held, held - 1, seats[i].done);
  }
  const auto members = static_cast<std::int64_t>(seats.size());
  resolution.result =
      VigilWire::Result{held >= minimum, members == capacity && held == members, members, held};
  return resolution;
}

}  // namespace talewick::server::vigil
