#include "art/building_sprite.hpp"

#include <algorithm>

#include "art/palette.hpp"
#include "art/pixel_rows.hpp"

namespace talewick::art {
namespace {

namespace pal = palette;

QRgb roofColour(KingdomBuilding building) {
  switch (building) {
    case KingdomBuilding::family:
      return pal::red;
    case KingdomBuilding::personal:
      return pal::grassLight;
    case KingdomBuilding::factions:
      return pal::purple;
    case KingdomBuilding::reminders:
      return pal::blue;
    case KingdomBuilding::tickets:
      return pal::orange;
    case KingdomBuilding::deadlines:
      return pal::crimson;
  }
  return pal::magenta;
}

constexpr int kGround = 30;  // the row the buildings stand on

void door(QPainter& p, int x, int width, int height) {
  framedBox(p, x, kGround - height + 1, width, height, pal::woodDark, pal::outline);
  pixel(p, x + width - 2, kGround - height / 2, pal::gold);
}

void window(QPainter& p, int x, int y) {
  framedBox(p, x, y, 4, 4, pal::yellow, pal::outline);
  pixel(p, x + 1, y + 1, pal::white);
}

void flag(QPainter& p, int x, int topY, QRgb colour) {
  box(p, x, topY, 1, 6, pal::outline);
  box(p, x + 1, topY, 4, 3, colour);
}

void crenellations(QPainter& p, int x, int y, int width, QRgb fill) {
  for (int i = 0; i < width; i += 3) framedBox(p, x + i, y, 3, 3, fill, pal::outline);
}

// A tower of `width` under a pointed roof, from row `top` to the ground.
void tower(QPainter& p, int x, int top, int width, QRgb roof) {
  framedBox(p, x, top, width, kGround - top + 1, pal::stone, pal::outline);
  for (int y = top + 3; y < kGround; y += 4) box(p, x + 1, y, width - 2, 1, pal::stoneDark);
  window(p, x + width / 2 - 2, top + 3);
  art::roof(p, x - 1, top, width + 2, roof, pal::outline);
}

void tent(QPainter& p, QRgb colour) {
  art::roof(p, 5, kGround, 22, pal::canvas, pal::outline);
  box(p, 15, kGround - 10, 2, 10, colour);
  framedBox(p, 14, kGround - 4, 4, 5, pal::shadow, pal::outline);
  flag(p, 16, kGround - 17, colour);
}

void cottage(QPainter& p, QRgb colour) {
  framedBox(p, 8, 20, 16, kGround - 20 + 1, pal::woodLight, pal::outline);
  art::roof(p, 6, 20, 20, colour, pal::outline);
  door(p, 14, 5, 7);
  window(p, 9, 22);
}

void house(QPainter& p, QRgb colour) {
  framedBox(p, 5, 16, 22, kGround - 16 + 1, pal::canvas, pal::outline);
  box(p, 6, 22, 20, 1, pal::woodDark);
  framedBox(p, 21, 4, 4, 8, pal::stoneDark, pal::outline);  // chimney
  art::roof(p, 3, 16, 26, colour, pal::outline);
  door(p, 14, 5, 8);
  window(p, 7, 17);
  window(p, 21, 17);
  window(p, 7, 24);
  window(p, 21, 24);
}

void manor(QPainter& p, QRgb colour) {
  framedBox(p, 11, 17, 19, kGround - 17 + 1, pal::canvas, pal::outline);
  art::roof(p, 9, 17, 23, colour, pal::outline);
  door(p, 19, 5, 8);
  window(p, 13, 20);
  window(p, 25, 20);
  tower(p, 2, 10, 9, colour);
  flag(p, 6, 0, colour);
}

void keep(QPainter& p, QRgb colour) {
  framedBox(p, 8, 12, 16, kGround - 12 + 1, pal::stoneLight, pal::outline);
  crenellations(p, 8, 9, 16, pal::stoneLight);
  framedBox(p, 13, kGround - 8, 6, 9, pal::woodDark, pal::outline);  // gate
  box(p, 14, kGround - 7, 4, 1, pal::outline);
  window(p, 14, 15);
  box(p, 12, 20, 8, 3, colour);  // the realm's hanging
  tower(p, 1, 11, 7, colour);
  tower(p, 24, 11, 7, colour);
  flag(p, 15, 2, colour);
}

}  // namespace

QImage building(KingdomBuilding building, int level) {
  level = std::clamp(level, 1, BUILDING_LEVELS);
  const QRgb colour = roofColour(building);
  QImage image = blankSprite(BUILDING_SIZE, BUILDING_SIZE);
  QPainter p(&image);
  box(p, 0, kGround + 1, BUILDING_SIZE, 1, pal::grassDark);
  switch (level) {
    case 1:
      tent(p, colour);
      break;
    case 2:
      cottage(p, colour);
      break;
    case 3:
      house(p, colour);
      break;
    case 4:
      manor(p, colour);
      break;
    default:
      keep(p, colour);
      break;
  }
  return image;
}

}  // namespace talewick::art
