// What the vigil routes keep: the seats of each slot's rooms, the heartbeats and cries, and the
// rooms resolved at the close. Functions over the storage port, each one transaction (or one
// reading session).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "server/storage.hpp"
#include "together/vigil_wire.hpp"

namespace talewick::server::vigils {

struct Seat {
  std::string slot;
  std::string raiderId;
  std::int64_t room = 0;
  std::int64_t pledged = 0;
  std::int64_t done = 0;
  std::optional<bool> held;  // set when the room is resolved
  std::optional<std::int64_t> reward;
  bool operator==(const Seat&) const = default;
};

// A seat with what the room shows of its raider.
struct SeatView {
  Seat seat;
  std::string heroName;
  std::optional<std::string> avatar;
  std::optional<std::string> vocation;
  std::optional<std::int64_t> lastBeatWindow;
};

struct Cry {
  std::string heroName;
  std::string key;
  std::int64_t at = 0;
  bool operator==(const Cry&) const = default;
};

// Seats the raider in the slot: the latest room while it has a free seat, else a new one. A
// raider seated already keeps their seat (and their pledge).
Seat join(Storage& storage, const std::string& slot, const std::string& raiderId,
          std::int64_t pledged);
std::optional<Seat> seat(Storage& storage, const std::string& slot, const std::string& raiderId);

// Records a heartbeat in `window` (one per window counts).
void beat(Storage& storage, const std::string& slot, const std::string& raiderId,
          std::int64_t window);
void setDone(Storage& storage, const std::string& slot, const std::string& raiderId,
             std::int64_t done);

// Records a cry unless the raider cried less than `minIntervalSeconds` ago or `maxPerSession`
// times already in the slot: false then, and nothing is recorded.
bool cry(Storage& storage, const Seat& seat, const std::string& key, std::int64_t now,
         std::int64_t minIntervalSeconds, std::int64_t maxPerSession);

// What a room shows, read in one session rather than one a query: under load, waiting for a
// database connection is most of a read's time.
struct RoomView {
  std::vector<SeatView> seats;              // in the order they were taken
  std::vector<Cry> cries;                   // the latest `criesShown`, oldest first
  std::optional<VigilWire::Result> result;  // once resolved
};
RoomView roomView(Storage& storage, const std::string& slot, std::int64_t room,
                  std::int64_t criesShown);
// Resolves the room once (vigil::resolve over its seats and heartbeats) and returns its result;
// a room resolved already keeps the result and the rewards it was given.
VigilWire::Result resolve(Storage& storage, const std::string& slot, std::int64_t room);

}  // namespace talewick::server::vigils
