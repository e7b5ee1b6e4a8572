// Reputation: what the user's dealings with an inhabitant are worth, the tier that earns, and the
// ledger that makes each meeting, ticket or task count once, on one machine or across two.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "kingdom/inhabitants.hpp"
#include "support/json.hpp"

namespace talewick {
namespace Reputation {

struct Tier {
  int64_t index = 0;
  int64_t threshold = 0;  // the points from which the tier is reached
  std::string nameKey;    // "reputation.tier.stranger"…
  bool operator==(const Tier&) const = default;
};

struct Progress {
  Tier current;
  std::optional<Tier> next;     // none at the top tier
  int64_t into = 0;             // points past the current tier's threshold
  std::optional<int64_t> span;  // points from the current tier to the next; none at the top
  double fraction = 0;          // into / span, 0 … 1; 1 at the top tier
  bool operator==(const Progress&) const = default;
};

void to_json(Json& j, const Tier& v);
void from_json(const Json& j, Tier& v);
void to_json(Json& j, const Progress& v);
void from_json(const Json& j, Progress& v);

// The seven tiers, by rising threshold: stranger 0, acquaintance 25, comrade 75, ally 150,
// companion 300, faithful 550, sworn 900.
const std::vector<Tier>& tiers();

// 3 a shared meeting, 5 a ticket handled together, 8 a task done for the user.
int64_t points(const LienTally& tally);

// The highest tier whose threshold the points reach; stranger below 25, negative points included.
Tier tier(int64_t forPoints);

Progress progress(int64_t forPoints);
Progress progress(const LienTally& tally);

}  // namespace Reputation

namespace ReputationLedger {

// One meeting, ticket or task shared with the person named by `keys`.
struct Contribution {
  std::string id;
  std::vector<AliasKey> keys;
  int64_t sharedMeetings = 0;
  int64_t coHandledTickets = 0;
  int64_t completedForYou = 0;
  bool operator==(const Contribution&) const = default;
};

void to_json(Json& j, const Contribution& v);
void from_json(const Json& j, Contribution& v);

// Adds each contribution whose id is not in `counted` to the tally of the inhabitant resolved for
// its keys, and records its id in `counted`. A contribution whose keys resolve to nobody is left
// uncounted, so that it counts once its inhabitant appears.
void apply(const std::vector<Contribution>& contributions, std::vector<Inhabitant>& into,
           std::set<std::string>& counted);

}  // namespace ReputationLedger
}  // namespace talewick
