#include "game/choice_consequences.hpp"

#include <map>
#include <vector>

#include "game/lore.hpp"
#include "support/content.hpp"
#include "support/loc.hpp"

namespace talewick::ChoiceConsequences {
namespace {

// archetype id → option index → alternatives, localised.
using Alternatives = std::map<std::string, std::vector<std::vector<std::string>>, std::less<>>;

const Alternatives& alternatives() {
  static const Alternatives table = [] {
    Alternatives out;
    const Json rows = content::json("consequence_alts.json");
    for (const auto& [id, options] : rows.items()) {
      auto& row = out[id];
      for (size_t n = 0; n < options.size(); ++n) {
        auto& alts = row.emplace_back();
        for (size_t m = 0; m < options[n].size(); ++m) {
          const std::string key = "archetype." + id + ".choice." + std::to_string(n) +
                                  ".consequence.alt." + std::to_string(m);
          alts.push_back(Loc::string(key, options[n][m].get<std::string>()));
        }
      }
    }
    return out;
  }();
  return table;
}

}  // namespace

std::string consequence(std::string_view archetypeId, int choiceIndex, std::string_view original,
                        std::string_view seed) {
  const auto& table = alternatives();
  auto row = table.find(archetypeId);
  if (row == table.end() || choiceIndex < 0 ||
      static_cast<size_t>(choiceIndex) >= row->second.size()) {
    return std::string(original);
  }
  const auto& alts = row->second[static_cast<size_t>(choiceIndex)];
  if (alts.empty()) return std::string(original);
  std::string key(seed);
  key += "#c";
  key += std::to_string(choiceIndex);
  const int64_t r = Lore::stableHash(key) % static_cast<int64_t>(alts.size() + 1);
  return r == 0 ? std::string(original) : alts[static_cast<size_t>(r - 1)];
}

size_t rowCount() { return alternatives().size(); }

}  // namespace talewick::ChoiceConsequences
