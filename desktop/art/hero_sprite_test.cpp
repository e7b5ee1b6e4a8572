#include "art/hero_sprite.hpp"

#include <QTest>

#include "art/qt_tests.hpp"
#include "art/sprite_testing.hpp"

namespace talewick::art {

class HeroSpriteTest : public QObject {
  Q_OBJECT

 private slots:
  void everyFrameIsAVisibleSpriteOfItsOwn() {
    const QRgb own = cloakColour("");
    for (int a = 0; a < HERO_WALK_FRAMES; ++a) {
      const QImage frame = heroWalk(a, Facing::right, own);
      QCOMPARE(frame.size(), QSize(HERO_SIZE, HERO_SIZE));
      QVERIFY(testing::visiblePixels(frame) > HERO_SIZE * HERO_SIZE / 4);
      // A sprite, not a square: the corners stay transparent.
      QCOMPARE(qAlpha(frame.pixel(0, 0)), 0);
      QCOMPARE(qAlpha(frame.pixel(HERO_SIZE - 1, 0)), 0);
      for (int b = a + 1; b < HERO_WALK_FRAMES; ++b) {
        QVERIFY2(frame != heroWalk(b, Facing::right, own),
                 qPrintable(QString("%1/%2").arg(a).arg(b)));
      }
    }
  }

  void walkingLeftIsTheMirrorOfWalkingRight() {
    const QRgb own = cloakColour("");
    for (int frame = 0; frame < HERO_WALK_FRAMES; ++frame) {
      const QImage right = heroWalk(frame, Facing::right, own);
      QVERIFY(right != heroWalk(frame, Facing::left, own));
      QCOMPARE(heroWalk(frame, Facing::left, own), right.mirrored(true, false));
    }
  }

  void theEquippedCosmeticDyesTheCloak() {
    const QRgb own = cloakColour("");
    QVERIFY(cloakColour("mount_griffon") != own);
    QVERIFY(cloakColour("mount_griffon") != cloakColour("mount_destrier"));
    // A decoration has no colour of its own in the table: it still gets one, the same each time.
    QVERIFY(cloakColour("deco_statue") != own);
    QCOMPARE(cloakColour("deco_statue"), cloakColour("deco_statue"));
    QCOMPARE(cloakColour("mount_unknown_to_this_version"), own);
    QCOMPARE(cloakColour(std::string_view("mount_griffon\0x", 15)), own);
    const QImage dyed = heroWalk(0, Facing::right, cloakColour("mount_griffon"));
    QVERIFY(dyed != heroWalk(0, Facing::right, own));
    QCOMPARE(testing::visiblePixels(dyed), testing::visiblePixels(heroWalk(0, Facing::right, own)));
  }
};

TALEWICK_QT_TEST(HeroSpriteTest);

}  // namespace talewick::art

#include "hero_sprite_test.moc"
