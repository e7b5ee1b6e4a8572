// The ground of each realm of the kingdom map: one 16 × 16 tile look per realm, in a few variants
// so that a field of tiles does not repeat itself.
#pragma once

#include <QImage>

#include "kingdom/kingdom_realm.hpp"

namespace talewick::art {

inline constexpr int TILE_SIZE = 16;
inline constexpr int REALM_TILE_VARIANTS = 4;

// The tile of `realm` in variant `variant` modulo REALM_TILE_VARIANTS (a negative variant counts
// from the end). The same realm and variant always give the same pixels.
QImage realmTile(KingdomRealm realm, int variant);

}  // namespace talewick::art
