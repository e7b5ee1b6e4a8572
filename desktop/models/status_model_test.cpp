// The status bar: the quest store's line after a load, the errors met by the loop's work, newest
// first, a repeated one said once, the oldest dropped.
#include "desktop/models/status_model.hpp"

#include <QtTest>
#include <asio/post.hpp>
#include <stdexcept>

#include "desktop/desktop_testing.hpp"

namespace talewick::desktop {

class StatusModelTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheQuestStoresLineAfterALoad() {
    testing::TestHome home("status-lines");
    home.aWeek();
    auto session = testing::startedSession();
    const std::string line = session->app().questStore().statusLine();
    QVERIFY(!line.empty());
    QVERIFY(session->status().lines().contains(QString::fromStdString(line)));
  }

  void errorsOfTheLoopsWorkAreShownNewestFirst() {
    testing::TestHome home("status-errors");
    auto session = testing::startedSession();
    asio::io_context& main = session->app().runLoop().main();
    for (const char* what : {"un", "deux", "deux", "trois", "quatre"}) {
      asio::post(main, [what] { throw std::runtime_error(what); });
      session->pump().pumpNow();
    }
    QCOMPARE(session->status().errors(), (QStringList{"quatre", "trois", "deux"}));
  }

  void controlCharactersFromOutsideNeverReachTheScreen() {
    testing::TestHome home("status-control");
    auto session = testing::startedSession();
    session->status().reportError(QStringLiteral("fichier \x1b[31mrouge\nligne"));
    const QString shown = session->status().errors().front();
    QVERIFY(!shown.contains(QChar(0x1b)));
    QVERIFY(!shown.contains('\n'));
  }
};

TALEWICK_DESKTOP_TEST(StatusModelTest);

}  // namespace talewick::desktop

#include "status_model_test.moc"
