// The guild's routes: joining by a code mailed to a company address, the weekly board, the daily
// push, leaving and renaming. Refusals are {"error": code} with the codes the desktop program
// maps to its texts ("public_domain", "invalid_email", "bad_or_expired_code", "rate_limited",
// "founder_only", "unknown_key"…).
//
// Wire choices:
// - consumer domains are those of Guild::isPublicDomain (questkit/content/public_email_domains
//   .json, built into the program): the application and the server refuse the same list, and a
//   subdomain of a listed domain ("mail.yahoo.fr") with it.
// - join: the "x-signup-secret" of registration (401 without it); a consumer domain 400
//   "public_domain", a malformed address 400 "invalid_email"; 30 joins per client address and 5
//   per e-mail address in any hour, else 429 "rate_limited"; 503 when the server sends no mail;
//   502 when the mail server refuses the message.
// - verify: a wrong, expired or spent code 400 "bad_or_expired_code"; a code dies at its fifth
//   wrong try.
// - board and stats: a day key within 2 days of the server's (UTC) today, else 400
//   "invalid_day"; stats take the network keys of a daily aggregate only (400 "unknown_key"),
//   other mistakes 400 "invalid_stats".
// - rename: 1 … 40 characters without control characters, else 400 "invalid_name".
// Every route but join and verify needs a member's key: 401 "not_member" without one. A body
// that is not JSON is 400 "invalid_json".
#pragma once

#include <httplib.h>

#include "server/clock.hpp"
#include "server/config.hpp"
#include "server/log.hpp"
#include "server/storage.hpp"

namespace talewick::server {

class GuildRoutes {
 public:
  static constexpr std::int64_t CODE_MINUTES = 15;
  static constexpr std::int64_t MAX_WRONG_TRIES = 5;
  static constexpr std::int64_t JOINS_PER_ADDRESS_PER_HOUR = 5;
  static constexpr std::int64_t JOINS_PER_CLIENT_PER_HOUR = 30;
  static constexpr std::int64_t DAY_SLACK = 2;

  GuildRoutes(const Config& config, Storage& storage, Log& log, Clock now);

  void mount(httplib::Server& server) const;

 private:
  void join(const httplib::Request& request, httplib::Response& response) const;
  void verify(const httplib::Request& request, httplib::Response& response) const;
  void board(const httplib::Request& request, httplib::Response& response) const;
  void stats(const httplib::Request& request, httplib::Response& response) const;
  void leave(const httplib::Request& request, httplib::Response& response) const;
  void rename(const httplib::Request& request, httplib::Response& response) const;

  const Config& config_;
  Storage& storage_;
  Log& log_;
  Clock now_;
};

}  // namespace talewick::server
