#include "art/realm_tiles.hpp"

#include <QTest>

#include "art/qt_tests.hpp"
#include "art/sprite_testing.hpp"
#include "support/enum_traits.hpp"

namespace talewick::art {

class RealmTilesTest : public QObject {
  Q_OBJECT

 private slots:
  // A tile covers its whole square (the map has no holes), with some texture on it.
  void everyTileIsAFullTexturedSquare() {
    for (const KingdomRealm realm : allCases<KingdomRealm>()) {
      for (int variant = 0; variant < REALM_TILE_VARIANTS; ++variant) {
        const QImage tile = realmTile(realm, variant);
        QCOMPARE(tile.size(), QSize(TILE_SIZE, TILE_SIZE));
        QCOMPARE(testing::visiblePixels(tile), TILE_SIZE * TILE_SIZE);
        QVERIFY2(testing::colourCount(tile) >= 3, rawValue(realm).data());
      }
    }
  }

  void variantsAreStableAndDistinct() {
    for (const KingdomRealm realm : allCases<KingdomRealm>()) {
      for (int a = 0; a < REALM_TILE_VARIANTS; ++a) {
        QCOMPARE(realmTile(realm, a), realmTile(realm, a));
        QCOMPARE(realmTile(realm, a + REALM_TILE_VARIANTS), realmTile(realm, a));
        for (int b = a + 1; b < REALM_TILE_VARIANTS; ++b) {
          QVERIFY2(realmTile(realm, a) != realmTile(realm, b), rawValue(realm).data());
        }
      }
    }
    QCOMPARE(realmTile(KingdomRealm::family, -1), realmTile(KingdomRealm::family, 3));
  }

  void eachRealmHasItsOwnLook() {
    const auto realms = allCases<KingdomRealm>();
    for (size_t a = 0; a < realms.size(); ++a) {
      for (size_t b = a + 1; b < realms.size(); ++b) {
        for (int variant = 0; variant < REALM_TILE_VARIANTS; ++variant) {
          QVERIFY(realmTile(realms[a], variant) != realmTile(realms[b], variant));
        }
        // The ground itself differs, not a few pixels of decoration.
        QVERIFY(testing::dominantColour(realmTile(realms[a], 0)) !=
                testing::dominantColour(realmTile(realms[b], 0)));
      }
    }
  }
};

TALEWICK_QT_TEST(RealmTilesTest);

}  // namespace talewick::art

#include "realm_tiles_test.moc"
