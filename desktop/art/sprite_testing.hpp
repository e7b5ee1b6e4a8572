// What the sprite tests look at in an image.
#pragma once

#include <QHash>
#include <QImage>
#include <QList>

namespace talewick::testing {

// The pixels that are not fully transparent.
inline int visiblePixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
  }
  return count;
}

// How many distinct colours the image holds (transparency counts as one).
inline int colourCount(const QImage& image) {
  QList<QRgb> seen;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (!seen.contains(image.pixel(x, y))) seen.append(image.pixel(x, y));
    }
  }
  return static_cast<int>(seen.size());
}

// The colour most pixels have.
inline QRgb dominantColour(const QImage& image) {
  QHash<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
  }
  QRgb best = 0;
  int most = -1;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
    if (it.value() > most) {
      best = it.key();
      most = it.value();
    }
  }
  return best;
}

}  // namespace talewick::testing
