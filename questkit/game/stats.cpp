#include "game/stats.hpp"

namespace talewick {

int64_t& Stats::operator[](StatKey key) {
  switch (key) {
    case StatKey::love:
      return love;
    case StatKey::energy:
      return energy;
    case StatKey::wisdom:
      return wisdom;
    case StatKey::strength:
      return strength;
    case StatKey::chaos:
      return chaos;
  }
  return chaos;
}

int64_t Stats::operator[](StatKey key) const { return const_cast<Stats&>(*this)[key]; }

using json_coding::Field;
static const auto kStatsFields = std::tuple{
    Field{"love", &Stats::love}, Field{"energy", &Stats::energy}, Field{"wisdom", &Stats::wisdom},
    Field{"strength", &Stats::strength}, Field{"chaos", &Stats::chaos}};
TALEWICK_JSON_CODING(Stats, kStatsFields)

}  // namespace talewick
