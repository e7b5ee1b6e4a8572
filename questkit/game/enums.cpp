#include "game/enums.hpp"

#include "support/loc.hpp"

namespace talewick {

std::string displayName(RPGMode mode) {
  static constexpr std::array<std::string_view, 6> kFrench{
      "Héroïque", "Épique sombre", "Comique", "Mythologique", "Conte de fées", "Donjon"};
  const std::string key = "rpgmode." + std::string(rawValue(mode)) + ".name";
  return Loc::string(key, kFrench[static_cast<size_t>(mode)]);
}

}  // namespace talewick
