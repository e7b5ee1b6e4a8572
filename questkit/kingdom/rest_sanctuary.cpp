#include "kingdom/rest_sanctuary.hpp"

#include "support/day_keys.hpp"

namespace talewick::RestSanctuary {
namespace {

struct Gap {
  int64_t first = 0;  // day number of the first gap day
  int64_t count = 0;
};

Gap gapBetween(const std::string& from, const std::string& to) {
  const std::optional<int64_t> a = DayKeys::dayNumber(from);
  const std::optional<int64_t> b = DayKeys::dayNumber(to);
  if (!a || !b || *b - *a < 2) return {};
  return {*a + 1, *b - *a - 1};
}

bool chosenRest(const Declarations& declarations, const std::string& day) {
  const auto found = declarations.find(day);
  return found != declarations.end() && isChosenRest(day, found->second);
}

// Every gap day a chosen rest. Walked day by day without listing them: a long absence fails at
// its first undeclared day.
bool allChosenRest(const Gap& gap, const Declarations& declarations) {
  if (gap.count > static_cast<int64_t>(declarations.size())) return false;
  for (int64_t day = gap.first; day < gap.first + gap.count; ++day) {
    if (!chosenRest(declarations, DayKeys::key(day))) return false;
  }
  return true;
}

}  // namespace

bool isChosenRest(const std::string& day, const std::string& declaredOn) {
  const std::optional<int64_t> ahead = DayKeys::between(declaredOn, day);
  return ahead && *ahead >= 0;
}

std::vector<std::string> gapDays(const std::string& from, const std::string& to,
                                 std::string_view /*timeZoneID*/) {
  const Gap gap = gapBetween(from, to);
  std::vector<std::string> days;
  days.reserve(static_cast<size_t>(gap.count));
  for (int64_t day = gap.first; day < gap.first + gap.count; ++day) {
    days.push_back(DayKeys::key(day));
  }
  return days;
}

bool bridgesStreak(const std::optional<std::string>& lastActiveISO, const std::string& todayISO,
                   const Declarations& declarations, std::string_view /*timeZoneID*/) {
  if (!lastActiveISO) return true;
  return allChosenRest(gapBetween(*lastActiveISO, todayISO), declarations);
}

bool repriseEligible(const std::string& todayISO, const std::optional<std::string>& lastActiveISO,
                     const std::optional<std::string>& lastRepriseISO,
                     const Declarations& declarations, std::string_view /*timeZoneID*/) {
  if (!lastActiveISO) return false;
  const Gap gap = gapBetween(*lastActiveISO, todayISO);
  if (gap.count == 0 || !allChosenRest(gap, declarations)) return false;
  if (!lastRepriseISO) return true;
  const std::optional<int64_t> sinceReprise = DayKeys::between(*lastRepriseISO, todayISO);
  return !sinceReprise || *sinceReprise >= repriseCooldownDays;
}

int64_t daysBetween(const std::string& a, const std::string& b, std::string_view /*timeZoneID*/) {
  return DayKeys::between(a, b).value_or(0);
}

std::string repriseReceiptID(const std::string& dayKey) { return "reprise:" + dayKey; }

}  // namespace talewick::RestSanctuary
