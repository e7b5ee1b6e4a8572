// What the week shows for a known calendar: the quests of each day as the command line forges
// them, the names the title mode chooses, the sheet of a quest, and a calendar file written by
// another program showing at the next turn of the loop.
#include "desktop/models/week_model.hpp"

#include <QtTest>

#include "desktop/desktop_testing.hpp"
#include "tests/support/run_cli.hpp"

namespace talewick::desktop {
namespace {

QVariantList cardsOf(const WeekModel& week, const QString& dayKey) {
  for (int row = 0; row < week.rowCount(); ++row) {
    const QModelIndex index = week.index(row);
    if (week.data(index, WeekModel::DayKeyRole).toString() == dayKey)
      return week.data(index, WeekModel::CardsRole).toList();
  }
  return {};
}

QStringList field(const QVariantList& cards, const char* name) {
  QStringList out;
  for (const QVariant& card : cards) out << card.toMap().value(name).toString();
  return out;
}

}  // namespace

class WeekModelTest : public QObject {
  Q_OBJECT

 private slots:
  void showsEachDayOfTheWeekWithItsQuestsAsTheCommandLineForgesThem() {
    testing::TestHome home("week-days");
    home.aWeek();
    const Json cli = ::talewick::testing::runCliJson({"week"});
    auto session = testing::startedSession();
    const WeekModel& week = session->week();

    QCOMPARE(week.rowCount(), 7);
    QCOMPARE(week.data(week.index(0), WeekModel::DayKeyRole).toString(), "2026-12-07");
    QCOMPARE(week.data(week.index(0), WeekModel::HeadingRole).toString(), "Lundi 7 décembre");
    QVERIFY(week.data(week.index(2), WeekModel::IsTodayRole).toBool());
    QVERIFY(!week.data(week.index(1), WeekModel::IsTodayRole).toBool());

    // Wednesday: the fair all day first, then the dentist and yoga by time.
    const QVariantList wednesday = cardsOf(week, "2026-12-09");
    QCOMPARE(field(wednesday, "questID"),
             (QStringList{"quest_foire", "quest_dentiste", "quest_yoga"}));
    QCOMPARE(field(wednesday, "start"), (QStringList{"", "14:30", "18:00"}));
    QCOMPARE(field(wednesday, "end"), (QStringList{"", "15:15", "19:00"}));
    QVERIFY(wednesday.front().toMap().value("allDay").toBool());
    // Thursday: the fair's second day, then yoga's last evening.
    QCOMPARE(field(cardsOf(week, "2026-12-10"), "questID"),
             (QStringList{"quest_foire", "quest_yoga"}));
    QVERIFY(cardsOf(week, "2026-12-13").isEmpty());
    QVERIFY(cardsOf(week, "2026-12-15").isEmpty());  // next week's council

    // The numbers and the epic names are the ones `talewick week` shows.
    const Json& items = cli["days"][2]["items"];
    QCOMPARE(static_cast<int>(items.size()), wednesday.size());
    qint64 xp = 0;
    for (int i = 0; i < wednesday.size(); ++i) {
      const QVariantMap card = wednesday[i].toMap();
      const Json& quest = items[static_cast<size_t>(i)]["quest"];
      QCOMPARE(card.value("title").toString().toStdString(), quest["name"].get<std::string>());
      QCOMPARE(card.value("xp").toLongLong(), quest["baseXp"].get<qint64>());
      QCOMPARE(card.value("threatTier").toInt(), quest["threat"]["tier"].get<int>());
      QVERIFY(card.value("threat").toString().contains(
          QString::fromStdString(quest["threat"]["label"].get<std::string>())));
      xp += card.value("xp").toLongLong();
    }
    QCOMPARE(week.data(week.index(2), WeekModel::XpRole).toLongLong(), xp);
  }

  void theTitleModeChoosesWhichNameComesFirst() {
    testing::TestHome home("week-titles");
    home.aWeek();
    QCOMPARE(::talewick::testing::runCli({"title-mode", "real"}).status, 0);
    auto session = testing::startedSession();
    const QVariantMap dentist = cardsOf(session->week(), "2026-12-09")[1].toMap();
    QCOMPARE(dentist.value("title").toString(), QStringLiteral("Rendez-vous dentiste"));
    QVERIFY(dentist.value("subtitle").toString().isEmpty());

    QCOMPARE(::talewick::testing::runCli({"title-mode", "both"}).status, 0);
    session = testing::startedSession();
    const QVariantMap both = cardsOf(session->week(), "2026-12-09")[1].toMap();
    QVERIFY(!both.value("subtitle").toString().isEmpty());
    QVERIFY(both.value("title").toString() != both.value("subtitle").toString());
  }

  void aSelectedQuestOpensItsSheetAndAnUnknownOneClosesIt() {
    testing::TestHome home("week-sheet");
    home.aWeek();
    auto session = testing::startedSession();
    WeekModel& week = session->week();
    QSignalSpy changed(&week, &WeekModel::sheetChanged);

    QVERIFY(week.select("quest_dentiste", "2026-12-09"));
    const QVariantMap sheet = week.sheet();
    QCOMPARE(sheet.value("rawTitle").toString(), QStringLiteral("Rendez-vous dentiste"));
    QVERIFY(sheet.value("when").toString().contains("14:30 → 15:15 (45 min)"));
    QVERIFY(!sheet.value("intro").toString().isEmpty());
    QVERIFY(sheet.value("breakdown").toString().contains("45 min"));
    QCOMPARE(sheet.value("choices").toList().size(), 3);
    QCOMPARE(changed.count(), 1);

    // Yoga's occurrences share one quest id: the sheet tells the one of the day asked for.
    QVERIFY(week.select("quest_yoga", "2026-12-08"));
    QVERIFY(week.sheet().value("when").toString().startsWith("Mardi 8 décembre"));
    QVERIFY(week.sheet().value("place").toString().contains("Salle Hélène"));

    QVERIFY(!week.select("quest_nulle", "2026-12-09"));
    QVERIFY(week.sheet().isEmpty());
  }

  void followsACalendarFileWrittenByAnotherProgram() {
    testing::TestHome home("week-follow");
    home.aWeek();
    auto session = testing::startedSession();
    QCOMPARE(cardsOf(session->week(), "2026-12-11").size(), 0);

    home.event("cafe", "Café avec Lou", "20261211T100000", "20261211T110000");
    session->pump().pumpNow();  // the folder's notice, then the reload it asks for
    const QVariantList friday = cardsOf(session->week(), "2026-12-11");
    QCOMPARE(field(friday, "questID"), QStringList{"quest_cafe"});

    std::filesystem::remove(home.path() / "calendars/personnel/dentiste.ics");
    session->pump().pumpNow();
    QVERIFY(!field(cardsOf(session->week(), "2026-12-09"), "questID").contains("quest_dentiste"));
  }
};

TALEWICK_DESKTOP_TEST(WeekModelTest);

}  // namespace talewick::desktop

#include "week_model_test.moc"
