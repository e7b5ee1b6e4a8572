#include "art/sprite_book.hpp"

#include "art/emblems.hpp"
#include "art/sprite_request.hpp"

namespace talewick::art {

QImage SpriteBook::sprite(const QString& id) {
  const std::optional<SpriteRequest> request = parseSpriteId(id);
  const QString key = request ? request->key : QStringLiteral("placeholder");
  QMutexLocker lock(&mutex_);
  if (auto found = drawn_.constFind(key); found != drawn_.constEnd()) return *found;
  QImage image = request ? request->draw() : placeholder();
  drawn_.insert(key, image);
  return image;
}

qsizetype SpriteBook::drawnCount() const {
  QMutexLocker lock(&mutex_);
  return drawn_.size();
}

}  // namespace talewick::art
