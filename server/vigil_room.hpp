// The rules of one vigil room that are the server's own: how heartbeats cover the session, what
// each candle shows, how strong the shared fire is, and how a room is resolved at the close.
//
// - A session has sessionMinutes (25) windows of beatSeconds (60 s): window w is minute w after
//   the session starts. A heartbeat counts in the window it lands in and, since a member may beat
//   up to toleranceSeconds (150 s) late, in the toleranceSeconds / beatSeconds (2) windows after
//   it: a member beating every 60 s, or every 150 s, covers every window. A member held when the
//   windows covered pass WorldBossVigil::holds.
// - Candles: "waiting" before the session; while it burns "lit" when the member's last beat
//   still covers the current window, "flickering" when it no longer does, "unlit" without any
//   beat; once resolved "held" or "snuffed".
// - The fire's level is the number of candles lit (0 … capacity); once resolved, the number of
//   members who held.
// - A room is lit when at least WorldBossVigil::minimum members held; its belfry rings when the
//   room was full and every member held. Each member who held is paid
//   WorldBossVigil::reward(held, the others who held, pledged tasks done), whether or not the
//   room was lit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "together/vigil_wire.hpp"

namespace talewick::server::vigil {

// How many windows after its own a heartbeat covers.
inline constexpr std::int64_t TOLERANCE_WINDOWS = 2;

// The windows (0 … sessionMinutes − 1) covered by beats landing in windows `beatWindows`.
std::int64_t coveredWindows(const std::vector<std::int64_t>& beatWindows);

// "lobby" before the session's start, "burning" from it until the slot's close, "resolved" from
// the close on (seconds since 1970).
std::string phase(std::int64_t slotStart, std::int64_t now);

// The window `now` falls in (0 at the session's start; may pass the session's last window).
std::int64_t windowAt(std::int64_t slotStart, std::int64_t now);

// The candle of a member not yet resolved, whose latest beat fell in `lastBeatWindow`.
std::string liveCandle(const std::string& phase, std::optional<std::int64_t> lastBeatWindow,
                       std::int64_t currentWindow);

struct SeatState {
  std::vector<std::int64_t> beatWindows;
  std::int64_t done = 0;
};

struct SeatOutcome {
  bool held = false;
  std::int64_t reward = 0;
  bool operator==(const SeatOutcome&) const = default;
};

struct Resolution {
  VigilWire::Result result;
  std::vector<SeatOutcome> seats;  // in the order of the seats given
};

Resolution resolve(const std::vector<SeatState>& seats);

}  // namespace talewick::server::vigil
