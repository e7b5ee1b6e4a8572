#include "art/pixel_rows.hpp"

#include <QColor>

namespace talewick::art {

Legend::Legend(std::initializer_list<std::pair<char, QRgb>> entries) : entries_(entries) {}

Legend Legend::with(char key, QRgb colour) const {
  Legend copy = *this;
  for (auto& [k, c] : copy.entries_) {
    if (k == key) {
      c = colour;
      return copy;
    }
  }
  copy.entries_.emplace_back(key, colour);
  return copy;
}

const QRgb* Legend::find(char key) const {
  for (const auto& [k, c] : entries_) {
    if (k == key) return &c;
  }
  return nullptr;
}

QImage blankSprite(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

void pixel(QPainter& painter, int x, int y, QRgb colour) {
  painter.fillRect(x, y, 1, 1, QColor::fromRgba(colour));
}

void box(QPainter& painter, int x, int y, int width, int height, QRgb colour) {
  if (width > 0 && height > 0) painter.fillRect(x, y, width, height, QColor::fromRgba(colour));
}

void framedBox(QPainter& painter, int x, int y, int width, int height, QRgb fill, QRgb border) {
  box(painter, x, y, width, height, border);
  box(painter, x + 1, y + 1, width - 2, height - 2, fill);
}

void roof(QPainter& painter, int left, int baseY, int width, QRgb fill, QRgb border) {
  for (int row = 0; width - 2 * row > 0; ++row) {
    const int from = left + row;
    const int span = width - 2 * row;
    box(painter, from, baseY - row, span, 1, border);
    // The top row and the two ends of each row are the outline.
    if (span > 2 && width - 2 * (row + 1) > 0)
      box(painter, from + 1, baseY - row, span - 2, 1, fill);
  }
}

void paintRows(QPainter& painter, int x, int y, std::span<const std::string_view> rows,
               const Legend& legend) {
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c) {
      if (const QRgb* colour = legend.find(rows[r][c])) {
        pixel(painter, x + static_cast<int>(c), y + static_cast<int>(r), *colour);
      }
    }
  }
}

void paintRows(QPainter& painter, int x, int y, std::initializer_list<std::string_view> rows,
               const Legend& legend) {
  paintRows(painter, x, y, std::span<const std::string_view>(rows.begin(), rows.size()), legend);
}

QImage nearestScaled(const QImage& image, QSize size) {
  if (size == image.size()) return image;
  return image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

}  // namespace talewick::art
