#include "art/sprite_request.hpp"

#include <QTest>

#include "art/building_sprite.hpp"
#include "art/emblems.hpp"
#include "art/hero_sprite.hpp"
#include "art/qt_tests.hpp"
#include "art/realm_tiles.hpp"
#include "art/sprite_testing.hpp"

namespace talewick::art {

class SpriteRequestTest : public QObject {
  Q_OBJECT

 private slots:
  void everyKindOfAddressDrawsItsSprite_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QSize>("size");
    for (const char* realm :
         {"family", "personal", "factions", "reminders", "tickets", "deadlines"}) {
      QTest::newRow(realm) << QString("realm/%1/2").arg(realm) << QSize(16, 16);
      QTest::addRow("building %s", realm) << QString("building/%1/5").arg(realm) << QSize(32, 32);
    }
    QTest::newRow("hero") << "hero/walk/0" << QSize(16, 16);
    QTest::newRow("hero left") << "hero/walk/3?left" << QSize(16, 16);
    QTest::newRow("hero tinted") << "hero/walk/1?right&tint=mount_griffon" << QSize(16, 16);
    QTest::newRow("inhabitant") << "inhabitant/lea@exemple.fr/1" << QSize(16, 16);
    QTest::newRow("inhabitant, slashes") << "inhabitant/linear/u/42/0" << QSize(16, 16);
    QTest::newRow("boss banner") << "banner/boss" << QSize(16, 32);
    QTest::newRow("campaign banner") << "banner/campaign" << QSize(16, 32);
    QTest::newRow("chest") << "chest/closed" << QSize(16, 16);
    QTest::newRow("open chest") << "chest/open" << QSize(16, 16);
    QTest::newRow("threat") << "threat/4" << QSize(16, 16);
    QTest::newRow("emblem") << "emblem" << QSize(16, 16);
  }
  void everyKindOfAddressDrawsItsSprite() {
    QFETCH(QString, id);
    QFETCH(QSize, size);
    const auto request = parseSpriteId(id);
    QVERIFY(request);
    const QImage image = request->draw();
    QCOMPARE(image.size(), size);
    QVERIFY(testing::visiblePixels(image) > 0);
    QVERIFY(image != placeholder());
  }

  void theAddressChoosesWhatIsDrawn() {
    const auto draw = [](const char* id) { return parseSpriteId(id)->draw(); };
    QCOMPARE(draw("realm/tickets/6"), realmTile(KingdomRealm::tickets, 2));
    QCOMPARE(draw("building/reminders/3"), building(KingdomBuilding::reminders, 3));
    QCOMPARE(draw("hero/walk/2?left"), heroWalk(2, Facing::left, cloakColour("")));
    QCOMPARE(draw("hero/walk/2?tint=mount_destrier&left"),
             heroWalk(2, Facing::left, cloakColour("mount_destrier")));
    QCOMPARE(draw("threat/1"), threatBadge(1));
    QCOMPARE(draw("chest/open"), chest(true));
  }

  // Addresses that draw the same pixels share one key; the key does not carry what the caller
  // wrote (a seed, an unknown tint), so that the cache stays small.
  void keysNameWhatIsDrawn() {
    const auto key = [](const QString& id) { return parseSpriteId(id)->key; };
    QCOMPARE(key("realm/family/1"), key("realm/family/5"));
    QVERIFY(key("realm/family/1") != key("realm/family/2"));
    QVERIFY(key("realm/family/1") != key("realm/personal/1"));
    QCOMPARE(key("hero/walk/1"), key("hero/walk/1?right"));
    QCOMPARE(key("hero/walk/1?tint=nothing-known"), key("hero/walk/1"));
    QVERIFY(key("hero/walk/1?tint=mount_griffon") != key("hero/walk/1"));
    QVERIFY(key("hero/walk/1?left") != key("hero/walk/1"));
    QVERIFY(key("inhabitant/a/0") != key("inhabitant/a/1"));
    const QString longSeed(200, QChar(u'x'));
    QVERIFY(key("inhabitant/" + longSeed + "/0").size() < 40);
    QCOMPARE(parseSpriteId("inhabitant/lea/0")->draw(), parseSpriteId("inhabitant/lea/0")->draw());
  }

  void anythingElseIsRefused_data() {
    QTest::addColumn<QString>("id");
    for (const char* id : {"",
                           "realm",
                           "realm/",
                           "realm/atlantis/0",
                           "realm/family",
                           "realm/family/",
                           "realm/family/-1",
                           "realm/family/+1",
                           "realm/family/1x",
                           "realm/family/1234567",
                           "realm/family/1/2",
                           "realm/Family/0",
                           "realm/family/0?left",
                           "hero/walk/4",
                           "hero/walk/0?up",
                           "hero/walk/0?",
                           "hero/walk/0?left&",
                           "hero/run/0",
                           "hero/walk",
                           "inhabitant//0",
                           "inhabitant/lea/2",
                           "inhabitant/lea",
                           "inhabitant/lea/0?left",
                           "inhabitant/le?a/0",
                           "building/family/0",
                           "building/family/6",
                           "building/castle/1",
                           "banner/dragon",
                           "banner/boss/1",
                           "chest",
                           "chest/ajar",
                           "threat/0",
                           "threat/6",
                           "threat/٣",
                           "emblem/1",
                           "/realm/family/0",
                           "unicorn/1",
                           "realm/family\n/0"}) {
      QTest::newRow(id) << QString::fromUtf8(id);
    }
    QTest::newRow("control characters") << QString::fromUtf8("realm/fam\x01ily/0");
    QTest::newRow("escape sequence") << QString::fromUtf8("building/\x1b[31mfamily/1");
    QTest::newRow("nul") << QString("threat/1") + QChar(u'\0');
    QTest::newRow("long seed") << "inhabitant/" + QString(257, QChar(u'x')) + "/0";
    QTest::newRow("long id") << "hero/walk/0?tint=" + QString(2000, QChar(u'x'));
  }
  void anythingElseIsRefused() {
    QFETCH(QString, id);
    QVERIFY(!parseSpriteId(id));
  }

  // A seed is opaque: control characters and other scripts are hashed like any text.
  void seedsMayHoldAnything() {
    for (const QString& seed : {QString::fromUtf8("\x01\x1b[2J"), QString::fromUtf8("Éloïse 李"),
                                QString(256, QChar(u'x'))}) {
      const auto request = parseSpriteId("inhabitant/" + seed + "/0");
      QVERIFY(request);
      QCOMPARE(request->draw().size(), QSize(16, 16));
    }
  }
};

TALEWICK_QT_TEST(SpriteRequestTest);

}  // namespace talewick::art

#include "sprite_request_test.moc"
