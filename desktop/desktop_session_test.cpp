// The session's share of the quests' notifications: it runs them when the schedule is free, and
// leaves them to the program holding it until that program lets them go.
#include "desktop/desktop_session.hpp"

#include <QtTest>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "desktop/desktop_testing.hpp"
#include "platform/schedule_owner.hpp"

namespace talewick::desktop {
namespace {

// Environment variables changed for one test, put back as they were afterwards.
class Environment {
 public:
  ~Environment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        qputenv(name.c_str(), *value);
      } else {
        qunsetenv(name.c_str());
      }
    }
  }
  void set(const std::string& name, const std::string& value) {
    save(name);
    qputenv(name.c_str(), QByteArray::fromStdString(value));
  }
  void unset(const std::string& name) {
    save(name);
    qunsetenv(name.c_str());
  }

 private:
  void save(const std::string& name) {
    if (saved_.count(name)) return;
    saved_[name] = qEnvironmentVariableIsSet(name.c_str())
                       ? std::optional<QByteArray>(qgetenv(name.c_str()))
                       : std::nullopt;
  }
  std::map<std::string, std::optional<QByteArray>> saved_;
};

// A desktop session for the notifications: a bus address, and a notify-send of the test's own
// (first on PATH) that only answers.
void notifyingDesktop(Environment& environment, const std::filesystem::path& home) {
  const auto bin = home / "bin";
  std::filesystem::create_directories(bin);
  std::ofstream(bin / "notify-send") << "#!/bin/sh\necho 1\n";
  std::filesystem::permissions(bin / "notify-send", std::filesystem::perms::owner_all);
  environment.set("PATH", bin.string() + ":" + qgetenv("PATH").toStdString());
  environment.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (home / "no-bus").string());
}

}  // namespace

class DesktopSessionTest : public QObject {
  Q_OBJECT

 private slots:
  void runsTheNotificationsWhenTheScheduleIsFree() {
    testing::TestHome home("session-schedule-free");
    Environment environment;
    notifyingDesktop(environment, home.path());
    auto session = testing::startedSession();
    QVERIFY(!session->runsNotifications());  // only when asked: a picture never takes them
    session->runNotifications();
    QVERIFY(session->runsNotifications());
    // The lock is really held: the daemon would be refused.
    ScheduleOwner daemon(ScheduleOwner::defaultFile());
    QVERIFY(!daemon.tryTake());
    // Closing the window lets the schedule go.
    session.reset();
    QVERIFY(daemon.tryTake());
  }

  void leavesThemToTheHolderAndTakesOverWhenItGoes() {
    testing::TestHome home("session-schedule-held");
    Environment environment;
    notifyingDesktop(environment, home.path());
    ScheduleOwner daemon(ScheduleOwner::defaultFile());
    QVERIFY(daemon.tryTake());
    auto session = testing::startedSession();
    session->runNotifications();
    QVERIFY(!session->runsNotifications());
    QVERIFY2(session->status().errors().contains(
                 QStringLiteral("Notifications : le démon les envoie ; la fenêtre prendra le "
                                "relais quand il s'arrêtera.")),
             qPrintable(session->status().errors().join(" | ")));

    daemon.release();
    // The watch on the lock file hears it closed: the loop's next turns take the schedule.
    for (int turn = 0; turn < 100 && !session->runsNotifications(); ++turn)
      session->pump().pumpNow();
    QVERIFY(session->runsNotifications());
    QVERIFY(session->status().errors().contains(
        QStringLiteral("Notifications : la fenêtre les envoie.")));
    QVERIFY(!daemon.tryTake());
  }

  void withoutADesktopSessionSaysWhyAndTakesNothing() {
    testing::TestHome home("session-schedule-nobus");
    Environment environment;
    environment.unset("DBUS_SESSION_BUS_ADDRESS");
    environment.set("XDG_RUNTIME_DIR", (home.path() / "runtime").string());
    auto session = testing::startedSession();
    session->runNotifications();
    const bool runs = session->runsNotifications();
    const QStringList errors = session->status().errors();
    QVERIFY(!runs);
    QVERIFY2(errors.contains(
                 QStringLiteral("Notifications désactivées : pas de session de bureau (D-Bus).")),
             qPrintable(errors.join(" | ")));
    ScheduleOwner daemon(ScheduleOwner::defaultFile());
    QVERIFY(daemon.tryTake());
  }

  void anAddressFromTheBrowserIsAnsweredOnTheStatusBar() {
    testing::TestHome home("session-url");
    auto session = testing::startedSession();
    session->handleURL("talewick://asana/backend/callback?error=access_denied");
    QVERIFY(session->status().errors().front().startsWith("OAuth Asana refusé"));
    session->handleURL("talewick://nowhere/backend/callback?connected=1");
    QCOMPARE(session->status().errors().size(), 2);
    // Connected: said at once, while the status fetch that follows (no backend here) runs on.
    session->handleURL("talewick://linear/backend/callback?connected=1");
    QVERIFY2(session->status().errors().front().contains("Linear"),
             qPrintable(session->status().errors().join(" | ")));
  }
};

TALEWICK_DESKTOP_TEST(DesktopSessionTest);

}  // namespace talewick::desktop

#include "desktop_session_test.moc"
