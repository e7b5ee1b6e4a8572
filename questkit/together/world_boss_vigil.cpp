#include "together/world_boss_vigil.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "support/loc.hpp"

namespace talewick::WorldBossVigil {
namespace {

constexpr double kSlotSeconds = static_cast<double>(slotMinutes) * 60.0;
// 0001-01-01 and 10000-01-01, unix seconds: the years an identifier can spell.
constexpr double kFirstUnix = -62135596800.0;
constexpr double kEndUnix = 253402300800.0;

std::optional<Date> offsetFromSlot(std::string_view slot, int64_t seconds) {
  const auto start = slotStart(slot);
  if (!start) return std::nullopt;
  return start->adding(static_cast<double>(seconds));
}

// The digits of `s` as a number; nullopt when any is not a digit.
std::optional<int> digits(std::string_view s) {
  int value = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

Date slotStart(Date instant) {
  return Date::fromUnix(std::floor(instant.unix() / kSlotSeconds) * kSlotSeconds);
}

std::string slot(Date instant) {
  const double unix = slotStart(instant).unix();
  if (!std::isfinite(unix) || unix < kFirstUnix || unix >= kEndUnix) return "";
  const CivilFields c = civilFromUnix(unix, 0);
  char buf[24];
  const int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02dZ", c.year, c.month, c.day,
                              c.hour, c.minute);
  return std::string(buf, static_cast<size_t>(n));
}

std::string nextSlot(Date after) { return slot(slotStart(after).adding(kSlotSeconds)); }

std::optional<Date> slotStart(std::string_view slot) {
  // yyyy-MM-ddTHH:mmZ
  if (slot.size() != 17 || slot[4] != '-' || slot[7] != '-' || slot[10] != 'T' || slot[13] != ':' ||
      slot[16] != 'Z') {
    return std::nullopt;
  }
  const auto year = digits(slot.substr(0, 4));
  const auto month = digits(slot.substr(5, 2));
  const auto day = digits(slot.substr(8, 2));
  const auto hour = digits(slot.substr(11, 2));
  const auto minute = digits(slot.substr(14, 2));
  if (!year || !month || !day || !hour || !minute) return std::nullopt;
  if (*year < 1 || *month < 1 || *month > 12 || *day < 1 || *day > daysInMonth(*year, *month) ||
      *hour > 23 || *minute > 59) {
    return std::nullopt;
  }
  const double unix = static_cast<double>(daysFromCivil(*year, *month, *day)) * 86400.0 +
                      *hour * 3600.0 + *minute * 60.0;
  return Date::fromUnix(unix);
}

std::optional<Date> lobbyOpens(std::string_view slot) {
  return offsetFromSlot(slot, -lobbyLeadMinutes * 60);
}
std::optional<Date> sessionEnd(std::string_view slot) {
  return offsetFromSlot(slot, sessionMinutes * 60);
}
std::optional<Date> slotClose(std::string_view slot) {
  return offsetFromSlot(slot, slotMinutes * 60);
}

bool holds(int64_t beatWindows, int64_t minutes) {
  // In 128 bits: a window count near the integer limit must not wrap into a refusal.
  return static_cast<__int128>(std::max<int64_t>(0, beatWindows)) * 100 >=
         static_cast<__int128>(std::max<int64_t>(1, minutes)) * coveragePercent;
}

int64_t reward(bool held, int64_t othersHeld, int64_t questsDone) {
  if (!held) return 0;
  // Five others already reach the cap; clamping there first keeps the sum from overflowing.
  constexpr int64_t kOthersToCap = (rewardCap - rewardBase) / rewardPerOtherHeld;
  static_assert(rewardBase + rewardPerOtherHeld * kOthersToCap >= rewardCap);
  const int64_t others = std::clamp<int64_t>(othersHeld, 0, kOthersToCap);
  const int64_t quests = std::clamp<int64_t>(questsDone, 0, rewardedQuests);
  return std::min(rewardBase + rewardPerOtherHeld * others + rewardPerQuest * quests, rewardCap);
}

int64_t reward(bool held, int64_t othersHeld) { return reward(held, othersHeld, 0); }

std::string receiptID(std::string_view slot, int64_t room) {
  return "worldboss:vigil:" + std::string(slot) + ":" + std::to_string(room);
}

std::optional<Cry> cry(std::string_view key) {
  for (const Cry& c : cries) {
    if (c.key == key) return c;
  }
  return std::nullopt;
}

std::string_view localizedMessage(const Cry& cry) {
  return Loc::language() == Loc::Language::en ? cry.messageEN : cry.messageFR;
}

void to_json(Json& j, const Cry& v) {
  j = Json{
      {"key", v.key}, {"emoji", v.emoji}, {"messageFR", v.messageFR}, {"messageEN", v.messageEN}};
}

}  // namespace talewick::WorldBossVigil
