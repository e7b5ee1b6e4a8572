// The pump runs the stores' loop from Qt's: what is posted runs, a handler that throws is said and
// the others still run, and a loop that ran dry comes back to life when work arrives.
#include "desktop/asio_pump.hpp"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QtTest>
#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <stdexcept>

#include "desktop/desktop_testing.hpp"

namespace talewick::desktop {

class AsioPumpTest : public QObject {
  Q_OBJECT

 private slots:
  void runsPostedWorkAndWhatItPostsInTurn() {
    asio::io_context loop;
    AsioPump pump(loop);
    std::vector<int> ran;
    asio::post(loop, [&] {
      ran.push_back(1);
      asio::post(loop, [&] { ran.push_back(2); });
    });
    QCOMPARE(pump.pumpNow(), std::size_t(2));
    QCOMPARE(ran, (std::vector<int>{1, 2}));
    // Dry now: the io_context stopped; new work must still run.
    QCOMPARE(pump.pumpNow(), std::size_t(0));
    asio::post(loop, [&] { ran.push_back(3); });
    QCOMPARE(pump.pumpNow(), std::size_t(1));
    QCOMPARE(ran.back(), 3);
  }

  void aThrowingHandlerIsReportedAndTheOthersRun() {
    asio::io_context loop;
    AsioPump pump(loop);
    QSignalSpy failed(&pump, &AsioPump::failed);
    bool after = false;
    asio::post(loop, [] { throw std::runtime_error("disque plein"); });
    asio::post(loop, [&] { after = true; });
    pump.pumpNow();
    QVERIFY(after);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.front().front().toString(), QStringLiteral("disque plein"));
  }

  void kickRunsPostedWorkAtTheNextTurnOfQtsLoop() {
    asio::io_context loop;
    AsioPump pump(loop);
    bool ran = false;
    asio::post(loop, [&] { ran = true; });
    pump.kick();
    QVERIFY(!ran);  // nothing runs inside kick() itself: the caller may hold a store's state
    QCoreApplication::processEvents();
    QVERIFY(ran);
  }

  void dueTimersFireWhenPumped() {
    asio::io_context loop;
    AsioPump pump(loop);
    asio::steady_timer timer(loop);
    bool fired = false;
    timer.expires_after(std::chrono::milliseconds(0));
    timer.async_wait([&](const std::error_code& error) { fired = !error; });
    pump.pumpNow();
    QVERIFY(fired);
  }
};

TALEWICK_DESKTOP_TEST(AsioPumpTest);

}  // namespace talewick::desktop

#include "asio_pump_test.moc"
