#include "pipeline/task_threat.hpp"

#include <algorithm>
#include <array>

namespace talewick::TaskThreat {

namespace {
constexpr std::array<std::string_view, 4> NAMES = {"low", "medium", "high", "deadly"};
constexpr std::array<int64_t, 4> XP = {10, 25, 50, 100};
constexpr std::array<int64_t, 4> GOLD = {5, 12, 25, 50};
size_t index(int level) { return size_t(std::clamp(level, 0, 3)); }
}  // namespace

int level(int64_t priority, std::optional<int64_t> due, int64_t now) {
  int64_t score = std::clamp<int64_t>(priority, 0, 4);
  if (due) {
    if (*due < now) {
      score += 3;
    } else if (*due - now <= 24 * 3600) {
      score += 2;
    } else if (*due - now <= DUE_SOON_SECONDS) {
      score += 1;
    }
  }
  return score <= 1 ? 0 : score <= 3 ? 1 : score <= 5 ? 2 : 3;
}

std::string_view name(int level) { return NAMES[index(level)]; }
int64_t xp(int level) { return XP[index(level)]; }
int64_t gold(int level) { return GOLD[index(level)]; }

bool urgent(std::optional<int64_t> due, int64_t now) {
  return due && *due - now <= DUE_SOON_SECONDS;
}

}  // namespace talewick::TaskThreat
