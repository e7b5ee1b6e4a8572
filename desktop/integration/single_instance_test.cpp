#include "integration/single_instance.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "art/qt_tests.hpp"

namespace talewick::integration {

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void aSecondInstanceHandsItsRequestToTheFirst() {
    QTemporaryDir folder;
    const QString name = folder.filePath("instance");
    SingleInstance first(name);
    QCOMPARE(first.start("quick-add"), SingleInstance::Role::first);
    QSignalSpy requests(&first, &SingleInstance::requested);

    SingleInstance second(name);
    QCOMPARE(second.start("talewick://asana/backend/callback?connected=1"),
             SingleInstance::Role::forwarded);
    SingleInstance third(name);
    QCOMPARE(third.start(""), SingleInstance::Role::forwarded);
    QTRY_COMPARE(requests.size(), 2);
    QCOMPARE(requests[0][0].toString(), "talewick://asana/backend/callback?connected=1");
    QCOMPARE(requests[1][0].toString(), "");
  }

  void requestsArriveWithoutControlCharacters() {
    QTemporaryDir folder;
    const QString name = folder.filePath("instance");
    SingleInstance first(name);
    QCOMPARE(first.start(""), SingleInstance::Role::first);
    QSignalSpy requests(&first, &SingleInstance::requested);
    QCOMPARE(SingleInstance(name).start("quick\n-add\x1b[2J\x07"), SingleInstance::Role::forwarded);
    QTRY_COMPARE(requests.size(), 1);
    QCOMPARE(requests[0][0].toString(), "quick-add[2J");
  }

  // A peer that is not a second instance: it sends far more than a request. It is cut off, and
  // the next instance is heard as usual.
  void anEndlessRequestIsCutOff() {
    QTemporaryDir folder;
    const QString name = folder.filePath("instance");
    SingleInstance first(name);
    QCOMPARE(first.start(""), SingleInstance::Role::first);
    QSignalSpy requests(&first, &SingleInstance::requested);
    QLocalSocket flood;
    flood.connectToServer(name);
    QVERIFY(flood.waitForConnected(1000));
    flood.write(QByteArray(4 * SingleInstance::MAX_REQUEST, 'x'));
    QTRY_COMPARE(flood.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(SingleInstance(name).start("quick-add"), SingleInstance::Role::forwarded);
    QTRY_COMPARE(requests.size(), 1);
    QCOMPARE(requests[0][0].toString(), "quick-add");
  }

  // A crashed first instance leaves its socket file behind, with nobody listening: the next
  // instance removes it and becomes the first.
  void aStaleSocketIsTakenOver() {
    QTemporaryDir folder;
    const QString name = folder.filePath("instance");
    const QByteArray path = QFile::encodeName(name);
    const int dead = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    QCOMPARE(::bind(dead, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(dead);
    QVERIFY(QFile::exists(name));

    SingleInstance revived(name);
    QCOMPARE(revived.start("quick-add"), SingleInstance::Role::first);
    QSignalSpy requests(&revived, &SingleInstance::requested);
    QCOMPARE(SingleInstance(name).start("talewick://x"), SingleInstance::Role::forwarded);
    QTRY_COMPARE(requests.size(), 1);
  }

  void theSocketGoesWithTheFirstInstance() {
    QTemporaryDir folder;
    const QString name = folder.filePath("instance");
    {
      SingleInstance first(name);
      QCOMPARE(first.start(""), SingleInstance::Role::first);
    }
    SingleInstance next(name);
    QCOMPARE(next.start(""), SingleInstance::Role::first);
  }

  void theDefaultNameBelongsToTheUser() {
    const SingleInstance instance;
    QVERIFY(instance.path().endsWith(QStringLiteral("/talewick-desktop-%1").arg(::getuid())));
    QVERIFY(QDir::isAbsolutePath(instance.path()));
  }
};

TALEWICK_QT_TEST(SingleInstanceTest);

}  // namespace talewick::integration

#include "single_instance_test.moc"
