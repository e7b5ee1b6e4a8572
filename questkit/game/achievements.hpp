// Deeds: the hero's permanent achievements. This is the catalogue of the 18 deeds, in the order
// their rules are evaluated; texts are localised in the language of the first call.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace talewick {

struct Deed {
  std::string id;
  std::string title;
  std::string emoji;
  std::string description;
  bool operator==(const Deed&) const = default;
};

namespace Achievements {

// Every deed, in evaluation order.
const std::vector<Deed>& deeds();

// The deed with that id; nullptr when unknown.
const Deed* deed(std::string_view id);

// The deed a victory over a world boss unlocks.
inline constexpr std::string_view worldBossDeedID = "fleautueur";

}  // namespace Achievements
}  // namespace talewick
