// The world boss's routes: enlisting under a pseudonym, the weekly board and the daily push.
// Refusals are {"error": code}.
//
// Wire choices:
// - enlist: the "x-signup-secret" of registration (401 without it); a hero name of 2 … 32
//   characters once trimmed, without control characters, else 400 "invalid_hero_name"; an avatar
//   and a vocation of 64 and 40 bytes at most; 10 enlistments per client address in any hour,
//   else 429 "rate_limited". Raiders join banners of BANNER_SIZE in the order they enlist; a
//   banner's names come from a table of eight, numbered from the second round on ("La Bannière
//   du Loup 2").
// - board and stats: a day key within 2 days of the server's (UTC) today, else 400
//   "invalid_day"; stats take the network keys of a daily aggregate only (400 "unknown_key"),
//   other mistakes 400 "invalid_stats"; the damage is computed here, never taken from the client.
// - The board's chronicle lists, for each day of the week up to today, the rage events that
//   day's rage triggered (its pushers among the raiders active over the seven days ending then).
// - prevResult (for raiders enlisted before the week began): last week's boss had the hit points
//   of the raiders enlisted before that week ended; `dealt` is the caller's damage of that week.
// Every route but enlist needs the raider's key: 401 "not_enlisted" without one.
#pragma once

#include <httplib.h>

#include "server/clock.hpp"
#include "server/config.hpp"
#include "server/log.hpp"
#include "server/storage.hpp"

namespace talewick::server {

class WorldBossRoutes {
 public:
  static constexpr std::int64_t ENLISTS_PER_CLIENT_PER_HOUR = 10;
  static constexpr std::int64_t DAY_SLACK = 2;

  WorldBossRoutes(const Config& config, Storage& storage, Log& log, Clock now);

  void mount(httplib::Server& server) const;

  // The French and English names of banner `index`.
  static std::pair<std::string, std::string> bannerName(std::int64_t index);

 private:
  void enlist(const httplib::Request& request, httplib::Response& response) const;
  void board(const httplib::Request& request, httplib::Response& response) const;
  void stats(const httplib::Request& request, httplib::Response& response) const;

  const Config& config_;
  Storage& storage_;
  Log& log_;
  Clock now_;
};

}  // namespace talewick::server
