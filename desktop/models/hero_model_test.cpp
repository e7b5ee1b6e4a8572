// The hero sheet: a new hero's card, and a change another process makes to the hero's file
// showing at the next turn of the loop.
#include "desktop/models/hero_model.hpp"

#include <QSignalSpy>
#include <QtTest>

#include "desktop/desktop_testing.hpp"
#include "tests/support/run_cli.hpp"

namespace talewick::desktop {

class HeroModelTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheHerosLevelAndPurseAsTheCommandLineDoes() {
    testing::TestHome home("hero-card");
    // The kingdom's first look pays the objectives an empty day already meets.
    const Json kingdom = ::talewick::testing::runCliJson({"kingdom"});
    const Json cli = ::talewick::testing::runCliJson({"hero"});
    auto session = testing::startedSession();
    const HeroModel& hero = session->hero();

    QCOMPARE(hero.totalXp(), cli["hero"]["totalXp"].get<qint64>());
    QVERIFY(hero.totalXp() > 0);
    QCOMPARE(hero.gold(), cli["hero"]["gold"].get<qint64>());
    QCOMPARE(hero.level(), cli["level"]["level"].get<int>());
    QCOMPARE(hero.levelText(), QStringLiteral("Niveau %1").arg(hero.level()));
    QCOMPARE(hero.xpIntoLevel(), cli["level"]["xpIntoLevel"].get<qint64>());
    QCOMPARE(hero.xpForNext(), cli["level"]["xpForNext"].get<qint64>());
    QVERIFY(qAbs(hero.levelFraction() - cli["level"]["progress"].get<double>()) < 1e-9);
    QCOMPARE(hero.title().toStdString(), cli["title"].get<std::string>());
    QCOMPARE(hero.name().toStdString(), cli["hero"]["name"].get<std::string>());
    QVERIFY(hero.equipment().isEmpty());
  }

  void followsAChangeMadeByAnotherProcess() {
    testing::TestHome home("hero-follow");
    auto session = testing::startedSession();
    QSignalSpy changed(&session->hero(), &HeroModel::changed);
    QCOMPARE(::talewick::testing::runCli({"hero", "name", "Aldric"}).status, 0);
    session->pump().pumpNow();
    QVERIFY(changed.count() >= 1);
    QCOMPARE(session->hero().name(), QStringLiteral("Aldric"));
  }
};

TALEWICK_DESKTOP_TEST(HeroModelTest);

}  // namespace talewick::desktop

#include "hero_model_test.moc"
