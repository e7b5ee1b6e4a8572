// What the kingdom map shows for a known home: the realms with what lies ahead in each, their
// buildings, the day's board, the journey and the banners — the same as `talewick kingdom` and
// `talewick buildings` say.
#include "desktop/models/kingdom_model.hpp"

#include <QtTest>

#include "desktop/desktop_testing.hpp"
#include "tests/support/run_cli.hpp"
#include "ui/render.hpp"

namespace talewick::desktop {

class KingdomModelTest : public QObject {
  Q_OBJECT

 private slots:
  void realmsHoldWhatTheCommandLineListsInThem() {
    testing::TestHome home("kingdom-realms");
    home.aWeek();
    QCOMPARE(::talewick::testing::runCli({"pin", "dentiste", "family"}).status, 0);
    const Json cli = ::talewick::testing::runCliJson({"kingdom"});
    const std::string text = ::talewick::testing::runCli({"kingdom"}).out;
    const Json buildings = ::talewick::testing::runCliJson({"buildings"});
    auto session = testing::startedSession();
    const KingdomModel& kingdom = session->kingdom();

    QCOMPARE(kingdom.rowCount(), 6);
    for (int row = 0; row < kingdom.rowCount(); ++row) {
      const QModelIndex index = kingdom.index(row);
      const std::string realm =
          kingdom.data(index, KingdomModel::RealmRole).toString().toStdString();
      const Json& listed = cli["realms"][realm];
      const int count = kingdom.data(index, KingdomModel::CountRole).toInt();
      QCOMPARE(count, static_cast<int>(listed.size()));
      const QVariantList items = kingdom.data(index, KingdomModel::ItemsRole).toList();
      QCOMPARE(items.size(), std::min(count, KingdomModel::ITEMS_SHOWN));
      for (int i = 0; i < items.size(); ++i) {
        QCOMPARE(items[i].toMap().value("title").toString().toStdString(),
                 listed[static_cast<size_t>(i)]["title"].get<std::string>());
      }
      const std::string name = kingdom.data(index, KingdomModel::NameRole).toString().toStdString();
      QVERIFY2(text.find(name + " (" + std::to_string(count) + ")") != std::string::npos,
               name.c_str());
      QCOMPARE(kingdom.data(index, KingdomModel::BuildingStageRole).toLongLong(),
               buildings["buildings"][static_cast<size_t>(row)]["stage"].get<qint64>());
    }

    // The pinned dentist sits in the family realm, with its day and time.
    QVariantMap dentist;
    for (const QVariant& item : kingdom.data(kingdom.index(0), KingdomModel::ItemsRole).toList()) {
      if (item.toMap().value("title").toString().contains("dentiste")) dentist = item.toMap();
    }
    QCOMPARE(dentist.value("title").toString(), QStringLiteral("Rendez-vous dentiste"));
    QCOMPARE(dentist.value("when").toString(), QStringLiteral("09/12 14:30"));
    QVERIFY(dentist.value("pinned").toBool());
  }

  void thePeopleMetLiveOnTheMapInTheOrderTalewickPeopleGives() {
    testing::TestHome home("kingdom-people");
    home.aWeek();
    home.event("revue", "Revue de projet", "20261207T100000", "20261207T110000",
               "ORGANIZER;CN=Moi:mailto:moi@example.com\r\n"
               "ATTENDEE;CN=Léa Martin:mailto:lea@example.com\r\n"
               "ATTENDEE;CN=Paul\x07 Durand:mailto:paul@example.com\r\n");
    const Json people = ::talewick::testing::runCliJson({"people"});
    auto session = testing::startedSession();
    session->kingdom().read();
    const QVariantList shown = session->kingdom().inhabitants();

    QStringList expected;
    for (const Json& entry : people) {
      if (entry["inhabitant"]["kind"] != "current")
        expected << QString::fromStdString(
            ui::shown(entry["inhabitant"]["displayName"].get<std::string>()));
    }
    QStringList names;
    for (const QVariant& person : shown) {
      names << person.toMap().value("name").toString();
      QVERIFY(!person.toMap().value("tier").toString().isEmpty());
    }
    QVERIFY(names.contains(QStringLiteral("Léa Martin")));
    QCOMPARE(names, expected.mid(0, KingdomModel::INHABITANTS_SHOWN));
    // A name from a calendar reaches the screen without its control characters.
    for (const QString& name : names) QVERIFY(!name.contains(QChar(7)));
  }

  void theBoardTheJourneyAndTheHerosPlaceFollowTheDay() {
    testing::TestHome home("kingdom-board");
    home.aWeek();
    const Json cli = ::talewick::testing::runCliJson({"kingdom"});
    auto session = testing::startedSession();
    const KingdomModel& kingdom = session->kingdom();

    QVERIFY(kingdom.hasBoard());
    const Json& objectives = cli["board"]["objectives"];
    QCOMPARE(kingdom.board().size(), static_cast<int>(objectives.size()));
    for (int i = 0; i < kingdom.board().size(); ++i) {
      QCOMPARE(kingdom.board()[i].toMap().value("completed").toBool(),
               objectives[static_cast<size_t>(i)]["completed"].get<bool>());
    }
    QCOMPARE(kingdom.chestOpen(), cli["board"]["chestCredited"].get<bool>());
    QVERIFY(!kingdom.verdict().isEmpty());

    const Json& main = cli["journey"]["main"];
    if (main.is_null()) {
      QVERIFY(kingdom.journey().isEmpty());
    } else {
      QVERIFY(
          kingdom.journey().startsWith(QString::fromStdString(main["title"].get<std::string>())));
      const QString realm =
          kingdom.data(kingdom.index(kingdom.heroRealm()), KingdomModel::RealmRole).toString();
      QCOMPARE(realm.toStdString(), main["realm"].get<std::string>());
    }
  }

  void bannersShowTheCampaignUnderWayAndTheWeeksBossOnlyWhenThereAreSome() {
    testing::TestHome home("kingdom-banners");
    {
      auto session = testing::startedSession();
      QVERIFY(session->kingdom().campaigns().isEmpty());
      QVERIFY(session->kingdom().boss().isEmpty());
    }
    QCOMPARE(::talewick::testing::runCli({"campaign", "new", "Le grand ménage", "--realm",
                                          "personal", "--chapter", "Vider le grenier:manual",
                                          "--chapter", "Trier la cave:manual"})
                 .status,
             0);
    const Json cli = ::talewick::testing::runCliJson({"kingdom"});
    auto session = testing::startedSession();
    QCOMPARE(session->kingdom().campaigns(),
             QStringList{QStringLiteral("Le grand ménage — 0/2 · Vider le grenier")});
    QCOMPARE(session->kingdom().boss().isEmpty(), cli["weeklyBoss"].is_null());
  }
};

TALEWICK_DESKTOP_TEST(KingdomModelTest);

}  // namespace talewick::desktop

#include "kingdom_model_test.moc"
