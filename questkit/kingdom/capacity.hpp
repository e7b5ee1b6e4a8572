// How heavy a day looks from a handful of counts: steady, loaded or overloaded. On a heavy day the
// kingdom asks less of the hero (fewer world-quest objectives).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "support/enum_traits.hpp"
#include "support/json.hpp"

namespace talewick {
namespace Capacity {

inline constexpr int64_t loadedThreshold = 6;
inline constexpr int64_t overloadedThreshold = 11;
inline constexpr int64_t overdueReminderCap = 5;

// What weighs on the day. A negative count (never produced by the kingdom) counts as 0.
struct Load {
  int64_t eventCount = 0;
  int64_t busyMinutes = 0;
  int64_t overdueDeadlines = 0;
  int64_t overdueReminders = 0;
  int64_t expeditionsToday = 0;
  bool operator==(const Load&) const = default;
};

// Ordered: steady < loaded < overloaded.
enum class Level { steady, loaded, overloaded };

struct Assessment {
  Level level = Level::steady;
  int64_t score = 0;
  Load load;
  bool operator==(const Assessment&) const = default;
};

// eventCount + whole hours of busyMinutes + 2 × overdueDeadlines + overdueReminders (at most 5)
// + expeditionsToday.
int64_t score(const Load& load);

// Below 6 steady, 6 to 10 loaded, 11 and more overloaded.
Assessment assess(const Load& load);

// The number of world-quest objectives the day's board offers: steady 3, loaded 2, overloaded 1.
int64_t worldQuestTarget(Level level);

void to_json(Json& j, const Load& v);
void from_json(const Json& j, Load& v);
void to_json(Json& j, const Assessment& v);

}  // namespace Capacity

template <>
struct EnumTraits<Capacity::Level> {
  static constexpr std::array<std::string_view, 3> names{"steady", "loaded", "overloaded"};
};

}  // namespace talewick
