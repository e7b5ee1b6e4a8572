// The quick-add field: the groups of words coloured and the draft read as the sentence is typed,
// and Enter writing exactly one event, or nothing with the reason said.
#include "desktop/models/quick_add_model.hpp"

#include <QSignalSpy>
#include <QtTest>
#include <fstream>
#include <iterator>

#include "desktop/desktop_testing.hpp"

namespace talewick::desktop {
namespace {

// "role=words" for each coloured group of the sentence.
QStringList marks(const QuickAddModel& model) {
  QStringList out;
  for (const QVariant& entry : model.spans()) {
    const QVariantMap span = entry.toMap();
    out << span.value("role").toString() + "=" +
               model.text().mid(span.value("start").toInt(), span.value("length").toInt());
  }
  return out;
}

QString row(const QuickAddModel& model, const QString& label) {
  for (const QVariant& entry : model.draft()) {
    if (entry.toMap().value("label").toString() == label)
      return entry.toMap().value("value").toString();
  }
  return QStringLiteral("<absent>");
}

}  // namespace

class QuickAddModelTest : public QObject {
  Q_OBJECT

 private slots:
  void eachKeystrokeReadsTheSentenceAgain() {
    testing::TestHome home("quick-spans");
    auto session = testing::startedSession();
    QuickAddModel& model = session->quickAdd();
    QSignalSpy drafted(&model, &QuickAddModel::draftChanged);

    model.setText("Réunion");  // no date or time yet: nothing to write
    QVERIFY(model.spans().isEmpty());
    QVERIFY(model.draft().isEmpty());
    QVERIFY(!model.writable());

    model.setText("Réunion demain 14h avec Paul");
    QCOMPARE(marks(model), (QStringList{"temporal=demain 14h", "person=avec Paul"}));
    QCOMPARE(model.spans().front().toMap().value("roleName").toString(), QStringLiteral("quand"));
    QCOMPARE(row(model, "Titre"), QStringLiteral("Réunion"));
    QCOMPARE(row(model, "Début"), QStringLiteral("Jeudi 10 décembre 2026 · 14:00"));
    QCOMPARE(row(model, "Durée"), QStringLiteral("1 h"));
    QCOMPARE(row(model, "Invités"), QStringLiteral("Paul"));
    QCOMPARE(row(model, "Lieu"), QStringLiteral("<absent>"));
    QVERIFY(model.writable());
    QCOMPARE(drafted.count(), 2);

    // Ranges count UTF-16 units: a word outside the basic plane before them shifts them by two.
    model.setText("🎉 Fête samedi 20h à la mairie");
    QCOMPARE(marks(model), (QStringList{"temporal=samedi 20h", "location=à la mairie"}));
    QCOMPARE(row(model, "Lieu"), QStringLiteral("la mairie"));
  }

  void enterWritesExactlyOneEventAndEmptiesTheField() {
    testing::TestHome home("quick-submit");
    auto session = testing::startedSession();
    QuickAddModel& model = session->quickAdd();
    QSignalSpy wrote(&model, &QuickAddModel::wrote);
    QCOMPARE(home.eventFiles().size(), std::size_t(0));

    model.setText("Réunion demain 14h avec Paul");
    QVERIFY(model.submit());
    QCOMPARE(wrote.count(), 1);
    const auto files = home.eventFiles();
    QCOMPARE(files.size(), std::size_t(1));
    std::ifstream in(files.front());
    const std::string ics((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QVERIFY(ics.find("SUMMARY:Réunion") != std::string::npos);
    QVERIFY(ics.find("20261210T140000") != std::string::npos);
    QVERIFY(model.text().isEmpty());
    QVERIFY(model.outcome().startsWith("Nouvelle quête dans « Personnel »"));

    // The week shows it once the store's reload has run.
    session->pump().pumpNow();
    bool shown = false;
    for (int row = 0; row < session->week().rowCount(); ++row) {
      for (const QVariant& card :
           session->week().data(session->week().index(row), WeekModel::CardsRole).toList())
        shown = shown || card.toMap().value("start").toString() == "14:00";
    }
    QVERIFY(shown);
  }

  void guestsWithAnAddressGetTheirInvitationWithoutHoldingTheWindow() {
    testing::TestHome home("quick-invite");
    auto session = testing::startedSession();
    QuickAddModel& model = session->quickAdd();

    // No relay is configured: the event is written all the same and the refusal follows it.
    model.setText("Réunion demain 15h avec lea@example.com");
    QVERIFY(model.submit());
    QCOMPARE(home.eventFiles().size(), std::size_t(1));
    session->pump().pumpNow();
    QTRY_VERIFY(model.outcome().contains("Échec de l'envoi de l'invitation"));
    QVERIFY(model.outcome().startsWith("Nouvelle quête dans « Personnel »"));
  }

  void aSentenceThatCannotBeWrittenWritesNothingAndSaysWhy() {
    testing::TestHome home("quick-refused");
    auto session = testing::startedSession();
    QuickAddModel& model = session->quickAdd();
    QSignalSpy failed(&model, &QuickAddModel::failed);

    model.setText("Acheter du pain");
    QVERIFY(!model.submit());
    QVERIFY(model.outcome().contains("aucune date ni heure"));

    model.setText("Réunion 30 février 14h");
    QVERIFY(!model.writable());
    QVERIFY(!model.submit());
    QVERIFY(model.outcome().contains("ce jour n'existe pas"));

    QCOMPARE(failed.count(), 2);
    QCOMPARE(model.text(), QStringLiteral("Réunion 30 février 14h"));  // kept as typed
    QVERIFY(home.eventFiles().empty());
    // The status bar says it too, newest first.
    QCOMPARE(session->status().errors().size(), 2);
    QVERIFY(session->status().errors().front().contains("ce jour n'existe pas"));
  }
};

TALEWICK_DESKTOP_TEST(QuickAddModelTest);

}  // namespace talewick::desktop

#include "quick_add_model_test.moc"
