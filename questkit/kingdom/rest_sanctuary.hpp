// The rest sanctuary: rest days the player declares in advance do not break the daily streak,
// and coming back after declared rest pays a small "reprise" reward, at most once a week.
//
// Declarations map a rested day's key to the key of the day it was declared on. Day keys are
// "yyyy-MM-dd"; a key that is not a real date is no day at all (it never bridges, never counts).
//
// `timeZoneID` (an IANA name, as the rest file keeps it) names the calendar the keys were written
// in. Keys are days of that calendar already, and every zone counts whole days alike, so it does
// not change any answer here; it is taken so that each caller says which calendar its keys belong
// to, the same one it used to make them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talewick::RestSanctuary {

// Days that must separate two reprises.
inline constexpr int64_t repriseCooldownDays = 7;
inline constexpr int64_t repriseRewardXP = 50;
inline constexpr int64_t repriseRewardGold = 0;

// Rested day key → the key of the day the rest was declared on.
using Declarations = std::map<std::string, std::string>;

// True when the rest was declared in advance or on the day itself; false when declared after the
// fact (or when either key is not a date).
bool isChosenRest(const std::string& day, const std::string& declaredOn);

// The day keys strictly between `from` and `to`, oldest first; none when `to` is not at least two
// days after `from`.
std::vector<std::string> gapDays(const std::string& from, const std::string& to,
                                 std::string_view timeZoneID);

// Whether the days between the last active day and today leave the streak whole: true with no gap
// (or no last active day); otherwise every gap day must be a chosen rest of `declarations`.
bool bridgesStreak(const std::optional<std::string>& lastActiveISO, const std::string& todayISO,
                   const Declarations& declarations, std::string_view timeZoneID);

// Whether today's return pays the reprise: there was a last active day and a gap since, every gap
// day a chosen rest, and no reprise in the last repriseCooldownDays days (a last reprise that is
// not a date counts as none).
bool repriseEligible(const std::string& todayISO, const std::optional<std::string>& lastActiveISO,
                     const std::optional<std::string>& lastRepriseISO,
                     const Declarations& declarations, std::string_view timeZoneID);

// Calendar days from `a` to `b` (negative when `b` comes first); 0 when either is not a date.
int64_t daysBetween(const std::string& a, const std::string& b, std::string_view timeZoneID);

// "reprise:" + the day key: the hero's receipt that pays a day's reprise once.
std::string repriseReceiptID(const std::string& dayKey);

}  // namespace talewick::RestSanctuary
