// What travels between a guild member's application and the backend: the weekly board it reads
// back, and the failures a call can end in with the texts the user is shown. The backend writes
// the board with these same records, so both sides agree on every key.
//
// JSON keys are the field names; decoding is strict (a missing required key or a wrong type is a
// DecodeError), absent optionals are left out when writing.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/json.hpp"

namespace talewick::GuildWire {

struct GuildInfo {
  std::string domain;
  std::string name;
  std::optional<std::string> emblem;
  int64_t memberCount = 0;
  int64_t totalXpAllTime = 0;
  std::optional<std::string> founderMemberId;
  bool operator==(const GuildInfo&) const = default;
};

struct DayPoint {
  std::string day;
  int64_t xp = 0;
  int64_t quests = 0;
  int64_t active = 0;
  bool operator==(const DayPoint&) const = default;
};

struct Entry {
  std::string memberId;
  std::string heroName;
  std::string mode;
  std::string vocation;
  int64_t weekXp = 0;
  bool isYou = false;
  int64_t todayXp = 0;
  int64_t weekQuests = 0;
  int64_t streak = 0;
  std::optional<std::string> lastActiveDay;
  std::optional<int64_t> totalXp;
  std::optional<int64_t> level;
  std::optional<std::string> avatar;
  std::optional<std::vector<std::string>> identityKeys;
  bool operator==(const Entry&) const = default;
};

// The boss of a season (with its hit points) and of a chronicle line (without).
struct BossName {
  std::string key;
  std::string emoji;
  std::string nameFR;
  std::string nameEN;
  bool operator==(const BossName&) const = default;
};

struct SeasonBoss {
  std::string key;
  std::string emoji;
  std::string nameFR;
  std::string nameEN;
  int64_t hp = 0;
  int64_t hpLeft = 0;
  bool operator==(const SeasonBoss&) const = default;
};

struct Season {
  std::string week;
  SeasonBoss boss;
  int64_t dealt = 0;
  int64_t yourDealt = 0;
  int64_t daysLeft = 0;
  bool operator==(const Season&) const = default;
};

struct ChronicleItem {
  std::string week;
  BossName boss;
  int64_t hp = 0;
  int64_t dealt = 0;
  bool slain = false;
  bool operator==(const ChronicleItem&) const = default;
};

struct Board {
  GuildInfo guild;
  std::string week;
  int64_t totalXp = 0;
  int64_t lastWeekXp = 0;
  std::vector<DayPoint> days;
  std::vector<Entry> board;
  std::optional<Season> season;
  std::vector<ChronicleItem> chronicle;
  std::map<std::string, std::vector<std::string>> titles;
  bool operator==(const Board&) const = default;
};

void to_json(Json& j, const GuildInfo& v);
void from_json(const Json& j, GuildInfo& v);
void to_json(Json& j, const DayPoint& v);
void from_json(const Json& j, DayPoint& v);
void to_json(Json& j, const Entry& v);
void from_json(const Json& j, Entry& v);
void to_json(Json& j, const BossName& v);
void from_json(const Json& j, BossName& v);
void to_json(Json& j, const SeasonBoss& v);
void from_json(const Json& j, SeasonBoss& v);
void to_json(Json& j, const Season& v);
void from_json(const Json& j, Season& v);
void to_json(Json& j, const ChronicleItem& v);
void from_json(const Json& j, ChronicleItem& v);
void to_json(Json& j, const Board& v);
void from_json(const Json& j, Board& v);

// A failed guild call.
struct Err {
  enum class Kind {
    notConfigured,
    notMember,
    publicDomain,
    invalidEmail,
    badCode,
    rateLimited,
    founderOnly,
    server
  };
  Kind kind = Kind::server;
  std::string message;  // server only: the backend's error, or "HTTP " + status

  static Err server(std::string message);
  bool operator==(const Err&) const = default;
};

// The error of an answer outside 200–299: the body's JSON "error" string names the case
// ("public_domain", "invalid_email", "bad_or_expired_code", "rate_limited", "founder_only"); any
// other string is a server error with that text; a body without a readable "error" string is a
// server error "HTTP " + status.
Err error(std::string_view body, int64_t status);

// The text the user is shown, in French unless translated.
std::string description(const Err& err);

}  // namespace talewick::GuildWire
