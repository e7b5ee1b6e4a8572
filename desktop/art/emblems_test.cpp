#include "art/emblems.hpp"

#include <QTest>

#include "art/palette.hpp"
#include "art/qt_tests.hpp"
#include "art/sprite_testing.hpp"

namespace talewick::art {

class EmblemsTest : public QObject {
  Q_OBJECT

 private slots:
  void bannersAndChestsHaveTheirSizeAndDiffer() {
    const QImage boss = banner(BannerKind::boss);
    const QImage campaign = banner(BannerKind::campaign);
    QCOMPARE(boss.size(), QSize(BANNER_WIDTH, BANNER_HEIGHT));
    QCOMPARE(campaign.size(), QSize(BANNER_WIDTH, BANNER_HEIGHT));
    QVERIFY(testing::visiblePixels(boss) > BANNER_WIDTH * BANNER_HEIGHT / 3);
    QVERIFY(boss != campaign);
    const QImage closed = chest(false);
    const QImage open = chest(true);
    QCOMPARE(closed.size(), QSize(CHEST_SIZE, CHEST_SIZE));
    QCOMPARE(open.size(), QSize(CHEST_SIZE, CHEST_SIZE));
    QVERIFY(testing::visiblePixels(closed) > CHEST_SIZE * CHEST_SIZE / 3);
    QVERIFY(closed != open);
  }

  void eachThreatTierHasItsBadge() {
    for (int tier = 1; tier <= THREAT_TIERS; ++tier) {
      const QImage badge = threatBadge(tier);
      QCOMPARE(badge.size(), QSize(THREAT_BADGE_SIZE, THREAT_BADGE_SIZE));
      QVERIFY(testing::visiblePixels(badge) > THREAT_BADGE_SIZE * THREAT_BADGE_SIZE / 3);
      for (int other = tier + 1; other <= THREAT_TIERS; ++other) {
        QVERIFY(badge != threatBadge(other));
        QVERIFY(testing::dominantColour(badge) != testing::dominantColour(threatBadge(other)));
      }
    }
    QCOMPARE(threatBadge(0), threatBadge(1));
    QCOMPARE(threatBadge(6), threatBadge(5));
  }

  void theIconIsTheEmblemAtEverySize() {
    QCOMPARE(emblem().size(), QSize(EMBLEM_SIZE, EMBLEM_SIZE));
    QVERIFY(testing::visiblePixels(emblem()) > EMBLEM_SIZE * EMBLEM_SIZE / 3);
    const QIcon icon = applicationIcon();
    QVERIFY(icon.availableSizes().contains(QSize(64, 64)));
    // Enlarged by whole factors with square pixels: each source pixel is a 4 × 4 block.
    const QImage big = icon.pixmap(QSize(64, 64)).toImage().convertToFormat(emblem().format());
    QCOMPARE(big.size(), QSize(64, 64));
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) QCOMPARE(big.pixel(x, y), emblem().pixel(x / 4, y / 4));
    }
  }

  void thePlaceholderIsMagentaAndBlackChecks() {
    const QImage image = placeholder();
    QCOMPARE(image.size(), QSize(PLACEHOLDER_SIZE, PLACEHOLDER_SIZE));
    QCOMPARE(testing::visiblePixels(image), PLACEHOLDER_SIZE * PLACEHOLDER_SIZE);
    QCOMPARE(testing::colourCount(image), 2);
    QCOMPARE(image.pixel(0, 0), palette::magenta);
    QCOMPARE(image.pixel(4, 0), palette::black);
    QCOMPARE(image.pixel(4, 4), palette::magenta);
  }
};

TALEWICK_QT_TEST(EmblemsTest);

}  // namespace talewick::art

#include "emblems_test.moc"
