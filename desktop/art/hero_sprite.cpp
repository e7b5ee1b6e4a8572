#include "art/hero_sprite.hpp"

#include <array>
#include <string_view>
#include <utility>

#include "art/palette.hpp"
#include "art/pixel_rows.hpp"
#include "kingdom/kingdom_cosmetics.hpp"
#include "support/seeded_generator.hpp"

namespace talewick::art {
namespace {

namespace pal = palette;

// Drawn facing right; the left-facing walk is its mirror image.
constexpr std::array<std::string_view, 12> kBody{
    "................", "......OOOO......", ".....OHHHHO.....", "....OHHHHHHO....",
    "....OHHSSESO....", "....OHSSSSSO....", ".....OSSSSO.....", "....OCCTTCCO....",
    "...OCCTTTTCCO...", "...OCCBBBBCSO...", "...OCCTTTTCOO...", "....OCTTTTO....."};

// The legs of each frame: 'L' the leg nearer to the viewer, 'l' the farther one.
constexpr std::array<std::array<std::string_view, 4>, HERO_WALK_FRAMES> kLegs{{
    {".....OllLLO.....", "....OllO.OLLO...", "...OFFO...OFFO..", "...OOO.....OOO.."},
    {".....OllLLO.....", ".....OlOLLO.....", "....OFFOFFO.....", ".....OOOOO......"},
    {".....OLLllO.....", "....OLLO.OllO...", "...OFFO...OFFO..", "...OOO.....OOO.."},
    {".....OLLllO.....", ".....OLOllO.....", ".....OFFOFFO....", "......OOOOO....."},
}};

// The cloak colour of each mount and of the pet; the other cosmetics take one of these by their
// id's hash.
constexpr std::array<std::pair<std::string_view, QRgb>, 9> kCloaks{{
    {"mount_destrier", pal::red},
    {"mount_griffon", pal::gold},
    {"mount_mode_heroicPapa", pal::orange},
    {"mount_mode_darkEpic", pal::basaltLight},
    {"mount_mode_comic", pal::pink},
    {"mount_mode_mythological", pal::white},
    {"mount_mode_fairyTale", pal::violet},
    {"mount_mode_donjon", pal::woodLight},
    {"pet_chouette", pal::teal},
}};

}  // namespace

QRgb cloakColour(std::string_view cosmeticId) {
  if (cosmeticId.empty() || !KingdomCosmetics::item(cosmeticId)) return pal::blue;
  for (const auto& [id, colour] : kCloaks) {
    if (id == cosmeticId) return colour;
  }
  return kCloaks[SeededGenerator::djb2(cosmeticId) % kCloaks.size()].second;
}

QImage heroWalk(int frame, Facing facing, QRgb cloak) {
  frame = ((frame % HERO_WALK_FRAMES) + HERO_WALK_FRAMES) % HERO_WALK_FRAMES;
  const Legend legend{{'O', pal::outline},  {'H', pal::hairBrown}, {'S', pal::skinLight},
                      {'E', pal::outline},  {'C', cloak},          {'T', pal::stoneLight},
                      {'B', pal::woodDark}, {'L', pal::wood},      {'l', pal::woodDark},
                      {'F', pal::woodDark}};
  QImage image = blankSprite(HERO_SIZE, HERO_SIZE);
  {
    QPainter p(&image);
    paintRows(p, 0, 0, kBody, legend);
    paintRows(p, 0, static_cast<int>(kBody.size()), kLegs[static_cast<size_t>(frame)], legend);
  }
  return facing == Facing::right ? image : image.mirrored(true, false);
}

}  // namespace talewick::art
