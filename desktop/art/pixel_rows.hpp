// The few ways sprites are drawn: every sprite is a small transparent QImage painted pixel by
// pixel with QPainter (no smoothing anywhere), from rows of characters where each character names
// a colour of a legend, and from boxes and triangles for the larger pieces.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRgb>
#include <initializer_list>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace talewick::art {

// Character → colour; '.', ' ' and any character the legend does not name leave the pixel as it
// was.
class Legend {
 public:
  Legend(std::initializer_list<std::pair<char, QRgb>> entries);
  Legend with(char key, QRgb colour) const;
  const QRgb* find(char key) const;

 private:
  std::vector<std::pair<char, QRgb>> entries_;
};

// A transparent image of `width` × `height`, ready to be painted.
QImage blankSprite(int width, int height);

// Paints `rows` with their top-left corner at (x, y); pixels outside the image are dropped.
void paintRows(QPainter& painter, int x, int y, std::initializer_list<std::string_view> rows,
               const Legend& legend);
void paintRows(QPainter& painter, int x, int y, std::span<const std::string_view> rows,
               const Legend& legend);

void pixel(QPainter& painter, int x, int y, QRgb colour);
void box(QPainter& painter, int x, int y, int width, int height, QRgb colour);
// A box of `fill` inside a one-pixel border of `border`.
void framedBox(QPainter& painter, int x, int y, int width, int height, QRgb fill, QRgb border);
// A roof: a triangle standing on row `baseY`, from `left` to `left + width - 1`, one pixel
// narrower on each side per row upwards, with an outline.
void roof(QPainter& painter, int left, int baseY, int width, QRgb fill, QRgb border);

// The image enlarged (or reduced) to `size` by nearest neighbour, so that pixels stay square and
// sharp.
QImage nearestScaled(const QImage& image, QSize size);

}  // namespace talewick::art
