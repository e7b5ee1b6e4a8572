// What travels between an enlisted player's application and the backend about the world boss: the
// board read back, and the failures a call can end in with the texts the user is shown. The
// backend writes the board with these same records.
//
// JSON keys are the field names; decoding is strict, absent optionals are left out when writing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/json.hpp"

namespace talewick::WorldBossWire {

struct Boss {
  std::string key;
  std::string emoji;
  std::string nameFR;
  std::string nameEN;
  int64_t hp = 0;
  int64_t dealt = 0;
  int64_t rage = 0;
  int64_t enlisted = 0;
  std::string status;
  bool operator==(const Boss&) const = default;
};

struct RosterMember {
  std::string heroName;
  std::optional<std::string> avatar;
  std::optional<std::string> vocation;
  int64_t dealt = 0;
  bool isYou = false;
  bool operator==(const RosterMember&) const = default;
};

struct Banner {
  std::optional<std::string> nameFR;
  std::optional<std::string> nameEN;
  std::vector<RosterMember> roster;
  bool operator==(const Banner&) const = default;
};

struct ChronicleEntry {
  std::string key;
  std::optional<std::string> day;
  int64_t threshold = 0;
  std::optional<std::string> messageFR;
  std::optional<std::string> messageEN;
  bool operator==(const ChronicleEntry&) const = default;
};

struct PrevResult {
  std::string week;
  bool victory = false;
  int64_t dealt = 0;
  bool operator==(const PrevResult&) const = default;
};

struct Board {
  std::optional<std::string> week;
  Boss boss;
  std::optional<Banner> banner;
  std::vector<ChronicleEntry> chronicle;
  std::optional<PrevResult> prevResult;
  bool operator==(const Board&) const = default;
};

void to_json(Json& j, const Boss& v);
void from_json(const Json& j, Boss& v);
void to_json(Json& j, const RosterMember& v);
void from_json(const Json& j, RosterMember& v);
void to_json(Json& j, const Banner& v);
void from_json(const Json& j, Banner& v);
void to_json(Json& j, const ChronicleEntry& v);
void from_json(const Json& j, ChronicleEntry& v);
void to_json(Json& j, const PrevResult& v);
void from_json(const Json& j, PrevResult& v);
void to_json(Json& j, const Board& v);
void from_json(const Json& j, Board& v);

// A failed world-boss call.
struct Err {
  enum class Kind { notConfigured, notEnlisted, invalidPseudo, rateLimited, server };
  Kind kind = Kind::server;
  std::string message;  // server only: the backend's error, or "HTTP " + status

  static Err server(std::string message);
  bool operator==(const Err&) const = default;
};

// The error of an answer outside 200–299: the body's JSON "error" string "invalid_hero_name" is
// invalidPseudo, "rate_limited" rateLimited, any other string a server error with that text; a
// body without a readable "error" string is a server error "HTTP " + status.
Err error(std::string_view body, int64_t status);

// The text the user is shown, in French unless translated.
std::string description(const Err& err);

// A pseudonym needs this many characters (as a reader counts them), white space around it aside.
inline constexpr int minimumPseudoLength = 2;

// invalidPseudo for a pseudonym too short to enlist with; nullopt when it may be sent.
std::optional<Err> checkPseudo(std::string_view pseudo);

}  // namespace talewick::WorldBossWire
