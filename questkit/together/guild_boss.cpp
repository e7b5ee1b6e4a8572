#include "together/guild_boss.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "support/hashes.hpp"

namespace talewick::GuildBoss {

int64_t calibrate(const std::vector<int64_t>& history, int64_t activeMembers, bool lastEscaped) {
  constexpr int64_t kMaxMembers = std::numeric_limits<int64_t>::max() / floorPerMember;
  const int64_t floor = std::clamp<int64_t>(activeMembers, 1, kMaxMembers) * floorPerMember;
  if (history.empty()) return floor;
  const size_t n = std::min(history.size(), historyWindow);
  // In doubles: three week totals near the integer limit would overflow a sum of integers.
  double sum = 0;
  for (size_t i = 0; i < n; ++i) sum += static_cast<double>(history[i]);
  double hp = sum / static_cast<double>(n) * rate;
  if (lastEscaped) hp *= escapeFactor;
  const double rounded = std::floor(hp / 100.0 + 0.5) * 100.0;
  if (rounded >= 9.2e18) return std::numeric_limits<int64_t>::max() / 100 * 100;
  return std::max(static_cast<int64_t>(std::max(rounded, 0.0)), floor);
}

Form form(std::string_view domain, std::string_view week) {
  std::string key(domain);
  key += '|';
  key += week;
  return forms[hashes::fnv1a32(key) & 7u];
}

}  // namespace talewick::GuildBoss
