#include "kingdom/reputation.hpp"

#include <algorithm>
#include <map>
#include <tuple>

namespace talewick {

using json_coding::Field;

namespace Reputation {

const std::vector<Tier>& tiers() {
  static const std::vector<Tier> all{
      {0, 0, "reputation.tier.stranger"},    {1, 25, "reputation.tier.acquaintance"},
      {2, 75, "reputation.tier.comrade"},    {3, 150, "reputation.tier.ally"},
      {4, 300, "reputation.tier.companion"}, {5, 550, "reputation.tier.faithful"},
      {6, 900, "reputation.tier.sworn"}};
  return all;
}

int64_t points(const LienTally& tally) {
  return 3 * tally.sharedMeetings + 5 * tally.coHandledTickets + 8 * tally.completedForYou;
}

Tier tier(int64_t forPoints) {
  const auto& all = tiers();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    if (it->threshold <= forPoints) return *it;
  }
  return all.front();
}

Progress progress(int64_t forPoints) {
  Progress p;
  p.current = tier(forPoints);
  p.into = forPoints - p.current.threshold;
  const auto& all = tiers();
  const auto nextIndex = static_cast<size_t>(p.current.index) + 1;
  if (nextIndex >= all.size()) {
    p.fraction = 1.0;  // nothing left to earn
    return p;
  }
  p.next = all[nextIndex];
  p.span = p.next->threshold - p.current.threshold;
  p.fraction = std::clamp(static_cast<double>(p.into) / static_cast<double>(*p.span), 0.0, 1.0);
  return p;
}

Progress progress(const LienTally& tally) { return progress(points(tally)); }

static const auto kTierFields =
    std::tuple{Field{"index", &Tier::index}, Field{"threshold", &Tier::threshold},
               Field{"nameKey", &Tier::nameKey}};
TALEWICK_JSON_CODING(Tier, kTierFields)

static const auto kProgressFields =
    std::tuple{Field{"current", &Progress::current}, Field{"next", &Progress::next},
               Field{"into", &Progress::into}, Field{"span", &Progress::span},
               Field{"fraction", &Progress::fraction}};
TALEWICK_JSON_CODING(Progress, kProgressFields)

}  // namespace Reputation

namespace ReputationLedger {
namespace {

void add(LienTally& tally, const Contribution& c) {
  tally.sharedMeetings += c.sharedMeetings;
  tally.coHandledTickets += c.coHandledTickets;
  tally.completedForYou += c.completedForYou;
}

}  // namespace

void apply(const std::vector<Contribution>& contributions, std::vector<Inhabitant>& into,
           std::set<std::string>& counted) {
  for (const Contribution& c : contributions) {
    if (counted.contains(c.id)) continue;
    const auto found = InhabitantRegistry::resolve(c.keys, into);
    if (!found) continue;
    for (Inhabitant& i : into) {
      if (i.id == found->id) add(i.links, c);
    }
    counted.insert(c.id);
  }
}

static const auto kContributionFields =
    std::tuple{Field{"id", &Contribution::id}, Field{"keys", &Contribution::keys},
               Field{"sharedMeetings", &Contribution::sharedMeetings},
               Field{"coHandledTickets", &Contribution::coHandledTickets},
               Field{"completedForYou", &Contribution::completedForYou}};
TALEWICK_JSON_CODING(Contribution, kContributionFields)

}  // namespace ReputationLedger
}  // namespace talewick
