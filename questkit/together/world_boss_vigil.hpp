// The vigil around the world boss: short shared focus sessions. Time is cut into fixed 30-minute
// slots in UTC — never local time, so that players in every time zone, on either side of a
// daylight-saving change, meet in the same slot. A slot's lobby opens 10 minutes before it
// starts, the candle burns 25 minutes, and a member whose heartbeats covered enough of the
// session "held" and is paid.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/date.hpp"
#include "support/json.hpp"

namespace talewick::WorldBossVigil {

inline constexpr int64_t capacity = 4;
inline constexpr int64_t minimum = 3;
inline constexpr int64_t beatSeconds = 60;
inline constexpr int64_t toleranceSeconds = 150;
inline constexpr double coverage = 0.8;
inline constexpr int64_t coveragePercent = 80;
inline constexpr int64_t maxPledged = 3;
inline constexpr int64_t cryMinIntervalSeconds = 10;
inline constexpr int64_t cryMaxPerSession = 12;
inline constexpr int64_t slotMinutes = 30;
inline constexpr int64_t lobbyLeadMinutes = 10;
inline constexpr int64_t sessionMinutes = 25;

inline constexpr int64_t rewardBase = 40;
inline constexpr int64_t rewardPerOtherHeld = 15;
inline constexpr int64_t rewardPerQuest = 10;
inline constexpr int64_t rewardedQuests = 3;
inline constexpr int64_t rewardCap = 115;

// The instant floored to a multiple of 1,800 seconds since 1970-01-01 00:00 UTC.
Date slotStart(Date instant);

// The slot's identifier: its start written "yyyy-MM-dd'T'HH:mm'Z'" in UTC ("2026-12-04T09:30Z");
// "" for an instant outside years 1 … 9999 or not finite.
std::string slot(Date instant);

// The identifier of the slot after the one holding `instant`.
std::string nextSlot(Date after);

// The instant an identifier names; nullopt unless it is exactly "yyyy-MM-ddTHH:mmZ" with a real
// date and time.
std::optional<Date> slotStart(std::string_view slot);

// start − 600 s, start + 1,500 s and start + 1,800 s; nullopt for an unparsable slot.
std::optional<Date> lobbyOpens(std::string_view slot);
std::optional<Date> sessionEnd(std::string_view slot);
std::optional<Date> slotClose(std::string_view slot);

// max(0, beatWindows) × 100 ≥ max(1, sessionMinutes) × 80: the heartbeats covered 80 % of it.
bool holds(int64_t beatWindows, int64_t sessionMinutes);

// 0 when the candle did not hold; else 40 + 15 per other member who held + 10 per pledged task
// done (3 at most), never above 115. Negative counts count as 0.
int64_t reward(bool held, int64_t othersHeld, int64_t questsDone);
// The same without tasks.
int64_t reward(bool held, int64_t othersHeld);

// "worldboss:vigil:" + slot + ":" + room: a room's reward is credited once.
std::string receiptID(std::string_view slot, int64_t room);

struct Cry {
  std::string_view key;
  std::string_view emoji;
  std::string_view messageFR;
  std::string_view messageEN;
  bool operator==(const Cry&) const = default;
};

inline constexpr std::array<Cry, 6> cries{{
    {"tenez-bon", "🔥", "Tenez bon !", "Hold fast!"},
    {"pour-le-royaume", "⚔️", "Pour le Royaume !", "For the Realm!"},
    {"belle-flamme", "🕯️", "Belle flamme !", "What a flame!"},
    {"courage", "🛡️", "Courage !", "Courage!"},
    {"on-lache-rien", "💪", "On ne lâche rien !", "We never yield!"},
    {"presque", "⏳", "On y est presque !", "Almost there!"},
}};

// The cry with that key; nullopt when there is none.
std::optional<Cry> cry(std::string_view key);

// The cry's message in the user's language.
std::string_view localizedMessage(const Cry& cry);

void to_json(Json& j, const Cry& v);

}  // namespace talewick::WorldBossVigil
