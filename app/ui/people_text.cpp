#include "ui/people_text.hpp"

#include <algorithm>

#include "support/loc.hpp"

namespace talewick::ui {

std::string tierName(const Reputation::Tier& tier) {
  static constexpr const char* kFrench[] = {"Inconnu",   "Connaissance", "Camarade", "Allié",
                                            "Compagnon", "Fidèle",       "Juré"};
  return Loc::string(tier.nameKey, kFrench[std::clamp<int64_t>(tier.index, 0, 6)]);
}

std::vector<Inhabitant> byReputation(std::vector<Inhabitant> people) {
  std::stable_sort(people.begin(), people.end(), [](const Inhabitant& a, const Inhabitant& b) {
    const int64_t pa = Reputation::points(a.links), pb = Reputation::points(b.links);
    return pa != pb ? pa > pb : a.id < b.id;
  });
  return people;
}

}  // namespace talewick::ui
