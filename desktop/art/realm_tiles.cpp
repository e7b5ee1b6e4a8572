#include "art/realm_tiles.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "art/palette.hpp"
#include "art/pixel_rows.hpp"
#include "support/enum_traits.hpp"
#include "support/seeded_generator.hpp"

namespace talewick::art {
namespace {

namespace pal = palette;

const Legend kStamps{{'O', pal::outline},   {'g', pal::grass},      {'G', pal::leafLight},
                     {'d', pal::grassDark}, {'t', pal::wood},       {'T', pal::woodDark},
                     {'p', pal::pink},      {'y', pal::yellow},     {'w', pal::white},
                     {'r', pal::red},       {'s', pal::stone},      {'S', pal::stoneLight},
                     {'k', pal::stoneDark}, {'b', pal::waterLight}, {'l', pal::lava},
                     {'e', pal::ember},     {'c', pal::sandDark},   {'W', pal::woodLight}};

struct Ground {
  QRgb base;
  QRgb shade;
  QRgb light;
};

Ground groundOf(KingdomRealm realm) {
  switch (realm) {
    case KingdomRealm::family:
      return {pal::grass, pal::grassDark, pal::grassLight};
    case KingdomRealm::personal:
      return {pal::forestFloor, pal::grassDark, pal::grass};
    case KingdomRealm::factions:
      return {pal::stone, pal::stoneDark, pal::stoneLight};
    case KingdomRealm::reminders:
      return {pal::water, pal::waterDeep, pal::waterLight};
    case KingdomRealm::tickets:
      return {pal::sand, pal::sandDark, pal::white};
    case KingdomRealm::deadlines:
      return {pal::basalt, pal::outline, pal::basaltLight};
  }
  return {pal::magenta, pal::black, pal::magenta};
}

// A few scattered pixels of the ground's shade and light, different in each variant.
void speckle(QPainter& p, SeededGenerator& random, const Ground& ground) {
  for (int i = 0; i < 12; ++i) {
    pixel(p, static_cast<int>(random.below(TILE_SIZE)), static_cast<int>(random.below(TILE_SIZE)),
          i % 3 == 0 ? ground.light : ground.shade);
  }
}

int at(SeededGenerator& random, int from, int to) {
  return from + static_cast<int>(random.below(static_cast<uint64_t>(to - from + 1)));
}

// The meadow of the family: grass tufts, flowers, a bush, a path.
void meadow(QPainter& p, SeededGenerator& random, int variant) {
  for (int i = 0; i < 3; ++i) {
    paintRows(p, at(random, 0, 13), at(random, 1, 13), {"g.g", ".g."},
              kStamps.with('g', pal::grassDark));
  }
  if (variant == 1) {
    for (int i = 0; i < 3; ++i) {
      paintRows(p, at(random, 0, 13), at(random, 0, 13), {".p.", "pyp", ".p."},
                i == 1 ? kStamps.with('p', pal::white) : kStamps);
    }
  } else if (variant == 2) {
    paintRows(p, at(random, 2, 8), at(random, 4, 9), {".OOOO..", "OGgGgO.", "OgggggO", ".OOOOO."},
              kStamps);
  } else if (variant == 3) {
    box(p, 0, 6, TILE_SIZE, 4, pal::sandDark);
    box(p, 0, 7, TILE_SIZE, 2, pal::sand);
  }
}

// The forest of the self: a floor of dark moss under pines.
void forest(QPainter& p, SeededGenerator& random, int variant) {
  static constexpr std::array<std::string_view, 8> pine{"...O...", "..OGO..", ".OGgGO.", ".OgGgO.",
                                                        "OGgggGO", "OgggggO", "OOOtOOO", "...t..."};
  if (variant == 0 || variant == 1) {
    paintRows(p, at(random, 1, 8), at(random, 1, 7), pine, kStamps);
  }
  if (variant == 1 || variant == 2) {
    paintRows(p, at(random, 0, 4), at(random, 0, 3), pine, kStamps);
    paintRows(p, at(random, 8, 9), at(random, 6, 8), pine, kStamps);
  }
  if (variant == 3) {
    paintRows(p, at(random, 2, 10), at(random, 4, 10),
              {".OOO.", "OrwrO", "OrrrO", ".OwO.", ".OwO."}, kStamps);
    paintRows(p, at(random, 1, 12), at(random, 10, 13), {"OOOO", "OWTO", "OTTO"}, kStamps);
  }
}

// The flagstones of the factions' stronghold.
void courtyard(QPainter& p, SeededGenerator& random, int variant) {
  for (int row = 0; row < TILE_SIZE; row += 4) {
    box(p, 0, row, TILE_SIZE, 1, pal::stoneDark);
    const int offset = (row / 4) % 2 == 0 ? 0 : 4;
    for (int x = offset; x < TILE_SIZE; x += 8) box(p, x, row, 1, 4, pal::stoneDark);
  }
  if (variant == 1) {
    const int x = at(random, 2, 12);
    paintRows(p, x, at(random, 1, 9), {"k..", ".k.", ".kk", "..k"}, kStamps);
  } else if (variant == 2) {
    for (int i = 0; i < 6; ++i) pixel(p, at(random, 0, 15), at(random, 0, 15), pal::grassDark);
  } else if (variant == 3) {
    box(p, 0, 0, TILE_SIZE, 5, pal::stoneDark);
    for (int x = 0; x < TILE_SIZE; x += 4) box(p, x, 0, 2, 2, pal::stone);
    box(p, 0, 5, TILE_SIZE, 1, pal::outline);
  }
}

// The lake of reminders: ripples, a lily pad, a rock.
void lake(QPainter& p, SeededGenerator& random, int variant) {
  for (int i = 0; i < 3; ++i) {
    paintRows(p, at(random, 0, 12), at(random, 1, 14), {".bb.", "b..b"}, kStamps);
  }
  if (variant == 1) {
    paintRows(p, at(random, 2, 9), at(random, 3, 9), {".OOO.", "OgGgO", "OggO.", ".OOO."}, kStamps);
  } else if (variant == 2) {
    paintRows(p, at(random, 2, 9), at(random, 3, 9), {".OOO.", "OSssO", "OsskO", ".OOO."}, kStamps);
  } else if (variant == 3) {
    paintRows(p, at(random, 2, 11), at(random, 2, 11), {".w.", "wbw", ".w."}, kStamps);
  }
}

// The dunes of the tickets' market road: crates, stones, a cactus.
void dunes(QPainter& p, SeededGenerator& random, int variant) {
  for (int i = 0; i < 2; ++i) {
    paintRows(p, at(random, 0, 11), at(random, 2, 14), {".ccc.", "c...c"}, kStamps);
  }
  if (variant == 1) {
    paintRows(p, at(random, 2, 9), at(random, 3, 8),
              {"OOOOOO", "OWtWtO", "OtWtWO", "OWtWtO", "OtWtWO", "OOOOOO"}, kStamps);
  } else if (variant == 2) {
    paintRows(p, at(random, 1, 11), at(random, 4, 12), {".OO.", "OSsO", "OOOO"}, kStamps);
    paintRows(p, at(random, 1, 12), at(random, 2, 12), {".OO", "OsO", "OOO"}, kStamps);
  } else if (variant == 3) {
    paintRows(p, at(random, 3, 9), at(random, 2, 6),
              {"..O..", ".OgO.", "OOgOO", "OgGgO", "OOgOO", "..g..", "..g..", ".OgO."},
              kStamps.with('g', pal::teal));
  }
}

// The scorched land of deadlines: lava cracks and embers.
void scorched(QPainter& p, SeededGenerator& random, int variant) {
  int x = at(random, 2, 13);
  for (int y = 0; y < TILE_SIZE; ++y) {
    pixel(p, x, y, pal::lava);
    if (random.below(3) == 0) x = std::clamp(x + (random.below(2) == 0 ? -1 : 1), 0, TILE_SIZE - 1);
  }
  if (variant == 1) {
    paintRows(p, at(random, 1, 11), at(random, 2, 11), {".ll.", "leel", ".ll."}, kStamps);
  } else if (variant == 2) {
    for (int i = 0; i < 5; ++i) pixel(p, at(random, 0, 15), at(random, 0, 15), pal::ember);
  } else if (variant == 3) {
    paintRows(p, at(random, 1, 10), at(random, 4, 11), {"..O..", ".OkO.", "OkskO", "OOOOO"},
              kStamps);
  }
}

}  // namespace

QImage realmTile(KingdomRealm realm, int variant) {
  variant = ((variant % REALM_TILE_VARIANTS) + REALM_TILE_VARIANTS) % REALM_TILE_VARIANTS;
  SeededGenerator random = SeededGenerator::forKey("realm/" + std::string(rawValue(realm)) + "/" +
                                                   std::to_string(variant));
  const Ground ground = groundOf(realm);
  QImage image = blankSprite(TILE_SIZE, TILE_SIZE);
  QPainter p(&image);
  box(p, 0, 0, TILE_SIZE, TILE_SIZE, ground.base);
  speckle(p, random, ground);
  switch (realm) {
    case KingdomRealm::family:
      meadow(p, random, variant);
      break;
    case KingdomRealm::personal:
      forest(p, random, variant);
      break;
    case KingdomRealm::factions:
      courtyard(p, random, variant);
      break;
    case KingdomRealm::reminders:
      lake(p, random, variant);
      break;
    case KingdomRealm::tickets:
      dunes(p, random, variant);
      break;
    case KingdomRealm::deadlines:
      scorched(p, random, variant);
      break;
  }
  return image;
}

}  // namespace talewick::art
