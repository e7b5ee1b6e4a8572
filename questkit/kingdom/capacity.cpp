#include "kingdom/capacity.hpp"

#include <algorithm>

namespace talewick::Capacity {

using json_coding::Field;

namespace {

int64_t count(int64_t n) { return std::max<int64_t>(0, n); }

}  // namespace

int64_t score(const Load& load) {
  return count(load.eventCount) + count(load.busyMinutes) / 60 + 2 * count(load.overdueDeadlines) +
         std::min(count(load.overdueReminders), overdueReminderCap) + count(load.expeditionsToday);
}

Assessment assess(const Load& load) {
  const int64_t s = score(load);
  const Level level = s >= overloadedThreshold ? Level::overloaded
                      : s >= loadedThreshold   ? Level::loaded
                                               : Level::steady;
  return Assessment{level, s, load};
}

int64_t worldQuestTarget(Level level) { return 3 - static_cast<int64_t>(level); }

static const auto kLoadFields =
    std::tuple{Field{"eventCount", &Load::eventCount}, Field{"busyMinutes", &Load::busyMinutes},
               Field{"overdueDeadlines", &Load::overdueDeadlines},
               Field{"overdueReminders", &Load::overdueReminders},
               Field{"expeditionsToday", &Load::expeditionsToday}};
TALEWICK_JSON_CODING(Load, kLoadFields)

void to_json(Json& j, const Assessment& v) {
  json_coding::writeFields(
      j, v,
      std::tuple{Field{"level", &Assessment::level}, Field{"score", &Assessment::score},
                 Field{"load", &Assessment::load}});
}

}  // namespace talewick::Capacity
