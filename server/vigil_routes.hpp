// The vigil rooms' routes, for raiders of the world boss (their key is the bearer): joining a
// slot's lobby, reading one's room, heartbeats, pledged tasks done, and battle cries. A room is
// resolved once, at the slot's close, by the first call that reads it then (vigil_room.hpp has
// the rules). Refusals are {"error": code}:
// - a slot that does not parse, or names no slot's start ("12:31Z"): 400 "invalid_slot"; a body not
// JSON: 400 "invalid_json";
// - join outside the lobby (before it opens, or once the session began): 409 "locked", unless
//   the raider holds a seat already (joining again answers the room, whatever the time);
// - a raider without a seat in the slot: 404 "not_in_room";
// - beat before the session starts: 409 "locked"; beat, done or cry from the close on: 503
//   "locked";
// - a cry key outside the table: 400 "unknown_cry"; a cry within 10 s of the raider's last one,
//   or past 12 in the slot: 429 "rate_limited";
// - done: a whole number, clamped to 0 … the pledge (400 "invalid_done" otherwise).
// A room answers its last CRIES_SHOWN cries.
#pragma once

#include <httplib.h>

#include "server/clock.hpp"
#include "server/storage.hpp"

namespace talewick::server {

class VigilRoutes {
 public:
  static constexpr std::int64_t CRIES_SHOWN = 20;

  VigilRoutes(Storage& storage, Clock now);

  void mount(httplib::Server& server) const;

 private:
  void join(const httplib::Request& request, httplib::Response& response) const;
  void room(const httplib::Request& request, httplib::Response& response) const;
  void beat(const httplib::Request& request, httplib::Response& response) const;
  void done(const httplib::Request& request, httplib::Response& response) const;
  void cry(const httplib::Request& request, httplib::Response& response) const;

  Storage& storage_;
  Clock now_;
};

}  // namespace talewick::server
