// The pixel art of the window, served to QML under "image://art/…" (the address grammar is in
// sprite_request.hpp): Image { source: "image://art/hero/walk/2?left"; sourceSize: Qt.size(64, 64);
// smooth: false }. A sourceSize enlarges the sprite by nearest neighbour; without one the sprite
// comes at its own size.
#pragma once

#include <QQuickImageProvider>

#include "art/sprite_book.hpp"

class QQmlEngine;

namespace talewick::art {

class ArtImageProvider : public QQuickImageProvider {
 public:
  static constexpr const char* NAME = "art";
  // A requested side above this is taken as this: a wrong sourceSize must not allocate gigabytes.
  static constexpr int MAX_SIDE = 2048;

  ArtImageProvider();

  QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;

  // Registers a new provider under NAME; the engine owns it.
  static void install(QQmlEngine& engine);

 private:
  SpriteBook book_;
};

}  // namespace talewick::art
