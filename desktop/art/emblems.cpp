#include "art/emblems.hpp"

#include <algorithm>
#include <array>

#include "art/palette.hpp"
#include "art/pixel_rows.hpp"

namespace talewick::art {
namespace {

namespace pal = palette;

void bannerCloth(QPainter& p, QRgb cloth, QRgb trim) {
  box(p, 1, 0, 1, BANNER_HEIGHT, pal::outline);  // the pole
  box(p, 2, 0, 1, BANNER_HEIGHT, pal::wood);
  pixel(p, 2, 0, pal::gold);
  box(p, 1, 2, 15, 1, pal::outline);  // the crossbar
  // The cloth, cut into a swallowtail at the bottom.
  framedBox(p, 3, 3, 12, 20, cloth, pal::outline);
  for (int row = 0; row < 5; ++row) {
    box(p, 3, 23 + row, 5 - row, 1, pal::outline);
    box(p, 4, 23 + row, 3 - row, 1, cloth);
    box(p, 10 + row, 23 + row, 5 - row, 1, pal::outline);
    box(p, 11 + row, 23 + row, 3 - row, 1, cloth);
  }
  box(p, 4, 4, 10, 1, trim);
  box(p, 4, 21, 10, 1, trim);
}

}  // namespace

QImage banner(BannerKind kind) {
  QImage image = blankSprite(BANNER_WIDTH, BANNER_HEIGHT);
  QPainter p(&image);
  const Legend legend{{'O', pal::outline}, {'w', pal::white}, {'y', pal::gold}};
  if (kind == BannerKind::boss) {
    bannerCloth(p, pal::crimson, pal::outline);
    paintRows(p, 5, 7,
              {".wwwwww.", "wwwwwwww", "wOOwwOOw", "wOOwwOOw", "wwwOOwww", ".wwwwww.", "..wOwOw.",
               "..wwwww."},
              legend);
  } else {
    bannerCloth(p, pal::blue, pal::gold);
    paintRows(p, 5, 7,
              {"...yy...", "...yy...", "yyyyyyyy", ".yyyyyy.", "..yyyy..", ".yy..yy.", "yy....yy"},
              legend);
  }
  return image;
}

QImage chest(bool open) {
  QImage image = blankSprite(CHEST_SIZE, CHEST_SIZE);
  QPainter p(&image);
  const Legend legend{{'O', pal::outline},  {'w', pal::wood}, {'W', pal::woodLight},
                      {'d', pal::woodDark}, {'g', pal::gold}, {'G', pal::goldDark},
                      {'k', pal::outline},  {'s', pal::white}};
  if (open) {
    paintRows(p, 1, 2,
              {".OOOOOOOOOOOO.", "OddddddddddddO", "OdwwwwwwwwwwdO", "OOOOOOOOOOOOOO",
               "OgGgsgGggsgGgO", "OwwwwwwwwwwwwO", "OggggggggggggO", "OWwwwwGGwwwwWO",
               "OWwwwwggwwwwWO", "OWwwwwwwwwwwWO", "OggggggggggggO", "OOOOOOOOOOOOOO"},
              legend);
  } else {
    paintRows(p, 1, 3,
              {".OOOOOOOOOOOO.", "OWWWWWWWWWWWWO", "OwwwwwwwwwwwwO", "OggggggggggggO",
               "OwwwwwGGwwwwwO", "OOOOOOggOOOOOO", "OWwwwwkkwwwwWO", "OWwwwwwwwwwwWO",
               "OWwwwwwwwwwwWO", "OggggggggggggO", "OOOOOOOOOOOOOO"},
              legend);
  }
  return image;
}

QImage threatBadge(int tier) {
  static constexpr std::array<QRgb, THREAT_TIERS> kColours{pal::grassLight, pal::yellow,
                                                           pal::orange, pal::red, pal::violet};
  tier = std::clamp(tier, 1, THREAT_TIERS);
  QImage image = blankSprite(THREAT_BADGE_SIZE, THREAT_BADGE_SIZE);
  QPainter p(&image);
  const Legend legend{
      {'O', pal::outline}, {'f', kColours[static_cast<size_t>(tier - 1)]}, {'h', pal::white}};
  paintRows(
      p, 1, 0,
      {"OOOOOOOOOOOOOO", "OhfffffffffffO", "OhfffffffffffO", "OhfffffffffffO", "OhfffffffffffO",
       "OffffffffffffO", "OffffffffffffO", "OffffffffffffO", ".OffffffffffO.", ".OffffffffffO.",
       "..OffffffffO..", "...OffffffO...", "....OffffO....", ".....OffO.....", "......OO......"},
      legend);
  // The pips: a row of up to three, a second row for four and five.
  const int top = std::min(tier, 3);
  for (int i = 0; i < top; ++i) box(p, 8 - top * 3 / 2 + i * 3, 4, 2, 2, pal::outline);
  for (int i = 0; i < tier - 3; ++i) box(p, 8 - (tier - 3) * 3 / 2 + i * 3, 8, 2, 2, pal::outline);
  return image;
}

QImage emblem() {
  QImage image = blankSprite(EMBLEM_SIZE, EMBLEM_SIZE);
  QPainter p(&image);
  const Legend legend{{'O', pal::outline}, {'s', pal::stoneLight}, {'S', pal::stone},
                      {'r', pal::red},     {'y', pal::yellow},     {'d', pal::woodDark},
                      {'p', pal::wood}};
  paintRows(p, 0, 0,
            {"........Orrrr...", "........Orrr....", "........Or......", "........O.......",
             "...OOO.OOO.OOO..", "...OsO.OsO.OsO..", "...OsOOOsOOOsO..", "...OsssssssssO..",
             "...OsSsssssSsO..", "...OsssOyOsssO..", "...OsssOOOsssO..", "...OSsssssssSO..",
             "...OsssOOOsssO..", "...OsssOdOsssO..", "...OsssOpOsssO..", "...OOOOOOOOOOO.."},
            legend);
  return image;
}

QIcon applicationIcon() {
  QIcon icon;
  const QImage base = emblem();
  for (const int size : {16, 32, 48, 64, 128}) {
    icon.addPixmap(QPixmap::fromImage(nearestScaled(base, QSize(size, size))));
  }
  return icon;
}

QImage placeholder() {
  QImage image = blankSprite(PLACEHOLDER_SIZE, PLACEHOLDER_SIZE);
  QPainter p(&image);
  for (int y = 0; y < PLACEHOLDER_SIZE; y += 4) {
    for (int x = 0; x < PLACEHOLDER_SIZE; x += 4) {
      box(p, x, y, 4, 4, ((x + y) / 4) % 2 == 0 ? pal::magenta : pal::black);
    }
  }
  return image;
}

}  // namespace talewick::art
