#include "art/inhabitant_sprite.hpp"

#include <QSet>
#include <QTest>
#include <string>

#include "art/qt_tests.hpp"
#include "art/sprite_testing.hpp"

namespace talewick::art {

class InhabitantSpriteTest : public QObject {
  Q_OBJECT

 private slots:
  void aSeedAlwaysGivesTheSameInhabitant() {
    QCOMPARE(inhabitantLook("lea@exemple.fr"), inhabitantLook("lea@exemple.fr"));
    QCOMPARE(inhabitant(inhabitantLook("lea@exemple.fr"), 1),
             inhabitant(inhabitantLook("lea@exemple.fr"), 1));
    // Whatever the seed holds.
    for (const std::string_view seed :
         {std::string_view(""), std::string_view("\x01\x1b[2J\n"), std::string_view("é\0x", 4)}) {
      const int look = inhabitantLook(seed);
      QVERIFY(look >= 0 && look < INHABITANT_LOOKS);
      QCOMPARE(inhabitantLook(seed), look);
    }
  }

  // The looks spread: a village of forty people has few twins.
  void seedsUsuallyGiveDifferentInhabitants() {
    QSet<QByteArray> pictures;
    for (int i = 0; i < 40; ++i) {
      const QImage image = inhabitant(inhabitantLook("person-" + std::to_string(i)), 0);
      pictures.insert(
          QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    QVERIFY2(pictures.size() >= 35, qPrintable(QString::number(pictures.size())));
  }

  void everyLookAndFrameIsAVisibleSprite() {
    for (int look = 0; look < INHABITANT_LOOKS; look += 7) {
      const QImage standing = inhabitant(look, 0);
      const QImage waving = inhabitant(look, 1);
      QCOMPARE(standing.size(), QSize(INHABITANT_SIZE, INHABITANT_SIZE));
      QCOMPARE(waving.size(), QSize(INHABITANT_SIZE, INHABITANT_SIZE));
      QVERIFY(testing::visiblePixels(standing) > INHABITANT_SIZE * INHABITANT_SIZE / 4);
      QCOMPARE(qAlpha(standing.pixel(0, 0)), 0);
      QVERIFY(standing != waving);
    }
  }
};

TALEWICK_QT_TEST(InhabitantSpriteTest);

}  // namespace talewick::art

#include "inhabitant_sprite_test.moc"
