// What travels between a vigil member's application and the backend: the room read back, the
// body of a join, and the failures a call can end in with the texts the user is shown. The
// backend writes rooms with these same records.
//
// JSON keys are the field names; decoding is strict, absent optionals are left out when writing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/json.hpp"

namespace talewick::VigilWire {

struct Candle {
  std::string heroName;
  std::optional<std::string> avatar;
  std::optional<std::string> vocation;
  std::string candle;
  int64_t pledged = 0;
  int64_t done = 0;
  bool operator==(const Candle&) const = default;
};

// This hero's own state; every field may be absent.
struct You {
  std::optional<std::string> candle;
  std::optional<bool> held;
  std::optional<int64_t> reward;
  std::optional<std::string> receiptId;
  std::optional<int64_t> pledged;
  std::optional<int64_t> done;
  bool operator==(const You&) const = default;
};

struct Result {
  bool lit = false;
  bool belfry = false;
  int64_t members = 0;
  int64_t fireLevel = 0;
  bool operator==(const Result&) const = default;
};

struct CryEvent {
  std::string heroName;
  std::string key;
  double at = 0;  // seconds since 1970
  bool operator==(const CryEvent&) const = default;
};

struct Room {
  std::string slot;
  int64_t room = 0;
  std::string phase;  // "lobby", "burning" or "resolved"
  int64_t capacity = 0;
  int64_t minToLight = 0;
  int64_t fireLevel = 0;
  std::vector<Candle> roster;
  std::optional<You> you;
  std::optional<Result> result;
  std::optional<int64_t> startsInSec;
  std::optional<int64_t> endsInSec;
  std::vector<CryEvent> cries;
  bool operator==(const Room&) const = default;
};

void to_json(Json& j, const Candle& v);
void from_json(const Json& j, Candle& v);
void to_json(Json& j, const You& v);
void from_json(const Json& j, You& v);
void to_json(Json& j, const Result& v);
void from_json(const Json& j, Result& v);
void to_json(Json& j, const CryEvent& v);
void from_json(const Json& j, CryEvent& v);
void to_json(Json& j, const Room& v);
void from_json(const Json& j, Room& v);

// A failed vigil call.
struct Err {
  enum class Kind { notConfigured, notEnlisted, rateLimited, locked, server };
  Kind kind = Kind::server;
  std::string message;  // server only: the backend's error, or "HTTP " + status

  static Err server(std::string message);
  bool operator==(const Err&) const = default;
};

// The error of an answer outside 200–299: status 503 is locked whatever the body says (the room
// is being sealed); otherwise the body's JSON "error" string "rate_limited" is rateLimited,
// "locked" locked, any other string a server error with that text; a body without a readable
// "error" string is a server error "HTTP " + status.
Err error(std::string_view body, int64_t status);

// The text the user is shown, in French unless translated.
std::string description(const Err& err);

// The pledged tasks: lines not empty once trimmed of white space, never more than maxPledged.
int64_t pledgeCount(const std::vector<std::string>& lines);

// {"slot": slot} and, only for a count above 0, "pledged": count.
Json joinBody(std::string_view slot, int64_t pledged);

}  // namespace talewick::VigilWire
