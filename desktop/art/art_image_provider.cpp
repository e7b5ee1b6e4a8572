#include "art/art_image_provider.hpp"

#include <QQmlEngine>
#include <algorithm>

#include "art/pixel_rows.hpp"

namespace talewick::art {
namespace {

// The size to draw at: the requested one, a missing side following the sprite's proportions.
QSize targetSize(QSize native, QSize requested) {
  int width = requested.width() > 0 ? requested.width() : 0;
  int height = requested.height() > 0 ? requested.height() : 0;
  if (width == 0 && height == 0) return native;
  if (width == 0)
    width = static_cast<int>(static_cast<qint64>(height) * native.width() / native.height());
  if (height == 0)
    height = static_cast<int>(static_cast<qint64>(width) * native.height() / native.width());
  const int max = ArtImageProvider::MAX_SIDE;
  return QSize(std::clamp(width, 1, max), std::clamp(height, 1, max));
}

}  // namespace

ArtImageProvider::ArtImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QImage ArtImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize) {
  const QImage sprite = book_.sprite(id);
  if (size) *size = sprite.size();
  return nearestScaled(sprite, targetSize(sprite.size(), requestedSize));
}

void ArtImageProvider::install(QQmlEngine& engine) {
  engine.addImageProvider(QString::fromLatin1(NAME), new ArtImageProvider);
}

}  // namespace talewick::art
