#include "art/art_image_provider.hpp"

#include <QQmlEngine>
#include <QTest>

#include "art/emblems.hpp"
#include "art/inhabitant_sprite.hpp"
#include "art/qt_tests.hpp"
#include "art/sprite_book.hpp"
#include "art/sprite_request.hpp"

namespace talewick::art {

class ArtImageProviderTest : public QObject {
  Q_OBJECT

 private slots:
  void spritesAreEnlargedWithSquarePixels() {
    ArtImageProvider provider;
    QSize native;
    const QImage big = provider.requestImage("chest/closed", &native, QSize(64, 64));
    QCOMPARE(native, QSize(16, 16));
    QCOMPARE(big.size(), QSize(64, 64));
    const QImage small = chest(false);
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) QCOMPARE(big.pixel(x, y), small.pixel(x / 4, y / 4));
    }
  }

  void aMissingSideFollowsTheSpritesProportions() {
    ArtImageProvider provider;
    QSize native;
    QCOMPARE(provider.requestImage("banner/boss", &native, QSize(32, 0)).size(), QSize(32, 64));
    QCOMPARE(provider.requestImage("banner/boss", &native, QSize(-1, 96)).size(), QSize(48, 96));
    QCOMPARE(provider.requestImage("banner/boss", &native, QSize()).size(), QSize(16, 32));
    QCOMPARE(native, QSize(16, 32));
    // A wrong sourceSize is bounded.
    const QImage huge = provider.requestImage("banner/boss", &native, QSize(1 << 30, 1 << 30));
    QCOMPARE(huge.size(), QSize(ArtImageProvider::MAX_SIDE, ArtImageProvider::MAX_SIDE));
  }

  void anUnknownAddressShowsThePlaceholder() {
    ArtImageProvider provider;
    QSize native;
    for (const QString& id : {QString("dragon/1"), QString("realm/family/x"),
                              QString::fromUtf8("\x07\x1b]0;title\x07"), QString(100000, u'/')}) {
      QCOMPARE(provider.requestImage(id, &native, QSize()), placeholder());
      QCOMPARE(native, QSize(PLACEHOLDER_SIZE, PLACEHOLDER_SIZE));
    }
    QCOMPARE(provider.requestImage("dragon/1", &native, QSize(32, 32)).size(), QSize(32, 32));
  }

  // Each sprite is drawn once, however often and under however many names it is asked for.
  void theBookDrawsEachSpriteOnce() {
    SpriteBook book;
    const QImage first = book.sprite("realm/family/1");
    QCOMPARE(book.drawnCount(), 1);
    QCOMPARE(book.sprite("realm/family/1").cacheKey(), first.cacheKey());
    QCOMPARE(book.sprite("realm/family/5").cacheKey(), first.cacheKey());
    book.sprite("nonsense");
    book.sprite("more/nonsense");
    QCOMPARE(book.drawnCount(), 2);
    // More people than looks: the book holds looks, not people.
    for (int i = 0; i < 3 * INHABITANT_LOOKS; ++i) {
      book.sprite(QString("inhabitant/person-%1/0").arg(i));
    }
    QVERIFY(book.drawnCount() <= 2 + INHABITANT_LOOKS);
  }

  void theEngineKnowsTheProvider() {
    QQmlEngine engine;
    ArtImageProvider::install(engine);
    QVERIFY(dynamic_cast<ArtImageProvider*>(engine.imageProvider(ArtImageProvider::NAME)));
  }
};

TALEWICK_QT_TEST(ArtImageProviderTest);

}  // namespace talewick::art

#include "art_image_provider_test.moc"
