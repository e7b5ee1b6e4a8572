#include "art/inhabitant_sprite.hpp"

#include <array>
#include <string>

#include "art/palette.hpp"
#include "art/pixel_rows.hpp"
#include "support/seeded_generator.hpp"

namespace talewick::art {
namespace {

namespace pal = palette;

constexpr std::array<QRgb, 4> kSkins{pal::skinLight, pal::skinTan, pal::skinBrown, pal::skinDark};
constexpr std::array<QRgb, 5> kHairs{pal::hairBlack, pal::hairBrown, pal::hairBlond, pal::hairGrey,
                                     pal::hairRed};
constexpr std::array<QRgb, 6> kShirts{pal::red,    pal::blue,   pal::teal,
                                      pal::purple, pal::orange, pal::grassLight};
constexpr std::array<QRgb, 3> kTrousers{pal::woodDark, pal::shadow, pal::blue};

// The heads (rows 1 to 6): short hair, long hair, a hat in the shirt's colour.
using Head = std::array<std::string_view, 6>;
constexpr std::array<Head, 3> kHeads{{
    {"......OOOO......", ".....OHHHHO.....", "....OHHHHHHO....", "....OSESSESO....",
     "....OSSSSSSO....", ".....OSSSSO....."},
    {"......OOOO......", ".....OHHHHO.....", "....OHHHHHHO....", "....OHESSEHO....",
     "....OHSSSSHO....", "....OHOSSOHO...."},
    {".....OOOOOO.....", "....OAAAAAAO....", "...OAAAAAAAAO...", "....OSESSESO....",
     "....OSSSSSSO....", ".....OSSSSO....."},
}};

// The arms (rows 7 to 10) of each frame: down, then the right one raised to wave.
using Arms = std::array<std::string_view, 4>;
constexpr std::array<Arms, INHABITANT_FRAMES> kArms{{
    {"....OTTTTTTO....", "...OTTTTTTTTO...", "...OSTTTTTTSO...", "...OOTTTTTTOO..."},
    {"....OTTTTTTO.OS.", "...OTTTTTTTTOSO.", "...OSTTTTTTTTO..", "...OOTTTTTTOO..."},
}};

constexpr std::array<std::string_view, 5> kLegs{"....OTTTTTTO....", "....OPPPPPPO....",
                                                "....OPPOOPPO....", "....OFFOOFFO....",
                                                "....OOOOOOOO...."};

struct Look {
  size_t skin, hair, head, shirt, trousers;
};

Look lookFromNumber(int number) {
  auto n = static_cast<size_t>(number);
  Look look{};
  look.skin = n % kSkins.size();
  n /= kSkins.size();
  look.hair = n % kHairs.size();
  n /= kHairs.size();
  look.head = n % kHeads.size();
  n /= kHeads.size();
  look.shirt = n % kShirts.size();
  n /= kShirts.size();
  look.trousers = n % kTrousers.size();
  return look;
}

}  // namespace

static_assert(INHABITANT_LOOKS == static_cast<int>(kSkins.size() * kHairs.size() * kHeads.size() *
                                                   kShirts.size() * kTrousers.size()));

int inhabitantLook(std::string_view seed) {
  SeededGenerator random = SeededGenerator::forKey("inhabitant/" + std::string(seed));
  return static_cast<int>(random.below(static_cast<uint64_t>(INHABITANT_LOOKS)));
}

QImage inhabitant(int look, int frame) {
  const Look l = lookFromNumber(((look % INHABITANT_LOOKS) + INHABITANT_LOOKS) % INHABITANT_LOOKS);
  frame = ((frame % INHABITANT_FRAMES) + INHABITANT_FRAMES) % INHABITANT_FRAMES;
  const Legend legend{{'O', pal::outline},          {'E', pal::outline},
                      {'S', kSkins[l.skin]},        {'H', kHairs[l.hair]},
                      {'A', kShirts[l.shirt]},      {'T', kShirts[l.shirt]},
                      {'P', kTrousers[l.trousers]}, {'F', pal::woodDark}};
  QImage image = blankSprite(INHABITANT_SIZE, INHABITANT_SIZE);
  QPainter p(&image);
  paintRows(p, 0, 1, kHeads[l.head], legend);
  paintRows(p, 0, 7, kArms[static_cast<size_t>(frame)], legend);
  paintRows(p, 0, 11, kLegs, legend);
  return image;
}

}  // namespace talewick::art
