#include "art/building_sprite.hpp"

#include <QTest>

#include "art/qt_tests.hpp"
#include "art/sprite_testing.hpp"
#include "support/enum_traits.hpp"

namespace talewick::art {

class BuildingSpriteTest : public QObject {
  Q_OBJECT

 private slots:
  // Each stage shows a different building, and a later stage is no smaller than an earlier one.
  void eachLevelGrowsTheBuilding() {
    for (const KingdomBuilding which : allCases<KingdomBuilding>()) {
      int previous = 0;
      for (int level = 1; level <= BUILDING_LEVELS; ++level) {
        const QImage image = building(which, level);
        QCOMPARE(image.size(), QSize(BUILDING_SIZE, BUILDING_SIZE));
        const int visible = testing::visiblePixels(image);
        QVERIFY2(visible >= previous,
                 qPrintable(QString("%1 level %2").arg(rawValue(which).data()).arg(level)));
        previous = visible;
        for (int other = level + 1; other <= BUILDING_LEVELS; ++other) {
          QVERIFY(image != building(which, other));
        }
      }
    }
  }

  void eachRealmPaintsItsBuildingInItsColour() {
    const auto buildings = allCases<KingdomBuilding>();
    for (int level = 1; level <= BUILDING_LEVELS; ++level) {
      for (size_t a = 0; a < buildings.size(); ++a) {
        for (size_t b = a + 1; b < buildings.size(); ++b) {
          QVERIFY(building(buildings[a], level) != building(buildings[b], level));
        }
      }
    }
  }

  void aLevelOutOfRangeShowsTheNearestStage() {
    QCOMPARE(building(KingdomBuilding::family, 0), building(KingdomBuilding::family, 1));
    QCOMPARE(building(KingdomBuilding::family, 99), building(KingdomBuilding::family, 5));
  }
};

TALEWICK_QT_TEST(BuildingSpriteTest);

}  // namespace talewick::art

#include "building_sprite_test.moc"
