// Every sprite the window has asked for, drawn once. QML asks for the same few dozen images again
// and again (every tile of the map, every frame of every walk), from its image-loading threads.
#pragma once

#include <QHash>
#include <QImage>
#include <QMutex>
#include <QString>

namespace talewick::art {

class SpriteBook {
 public:
  // The sprite an "image://art/" id names (the grammar is in sprite_request.hpp), or the
  // placeholder. Safe to call from several threads.
  QImage sprite(const QString& id);

  // How many distinct images were drawn so far (placeholder included).
  qsizetype drawnCount() const;

 private:
  mutable QMutex mutex_;
  // Keyed by the request's canonical key, which has a bounded number of values: the book cannot
  // grow without end whatever ids it is given.
  QHash<QString, QImage> drawn_;
};

}  // namespace talewick::art
