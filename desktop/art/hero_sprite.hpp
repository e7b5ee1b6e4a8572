// The hero walking across the map: four frames of a 16 × 16 walk, facing left or right, the cloak
// dyed by the cosmetic the hero has equipped.
#pragma once

#include <QImage>
#include <QRgb>
#include <string_view>

namespace talewick::art {

inline constexpr int HERO_SIZE = 16;
inline constexpr int HERO_WALK_FRAMES = 4;

enum class Facing { left, right };

// The cloak colour that `cosmeticId`, an id of the kingdom's cosmetics catalogue
// ("mount_griffon"), gives the hero; empty for the hero's own colour. An id the catalogue does not
// know gives the own colour too: a newer machine's cosmetic must not break the hero.
QRgb cloakColour(std::string_view cosmeticId);

// Frame `frame` (0 … HERO_WALK_FRAMES - 1, taken modulo) of the walk in a cloak of `cloak`.
QImage heroWalk(int frame, Facing facing, QRgb cloak);

}  // namespace talewick::art
