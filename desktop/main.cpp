// talewick-desktop: the window over the kingdom, the week and the hero.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <memory>

#include "desktop/desktop_session.hpp"
#include "desktop/main_window.hpp"
#include "integration/single_instance.hpp"
#include "integration/tray_icon.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

using talewick::desktop::DesktopSession;
using talewick::desktop::MainWindow;
using talewick::desktop::Texts;
using talewick::integration::SingleInstance;
using talewick::integration::TrayIcon;

namespace {

QString text(const char* key) {
  return QString::fromStdString(talewick::Loc::string(key, Texts::french(key)));
}

void say(const QString& line) { std::fprintf(stderr, "talewick-desktop : %s\n", qPrintable(line)); }

constexpr const char* kQuickAddRequest = "quick-add";

bool isTalewickURL(const QString& request) {
  return request.startsWith(QStringLiteral("talewick://"));
}

// Another instance's request (or this one's own): the window comes forward, quick-add focused on
// "quick-add"; a talewick:// address is handled as `talewick handle-url` would.
void handle(const QString& request, DesktopSession& session, MainWindow& window) {
  if (isTalewickURL(request)) session.handleURL(request.toStdString());
  window.bringForward(request == QLatin1String(kQuickAddRequest));
}

}  // namespace

int main(int argc, char** argv) {
  // Widgets, for the tray icon's menu.
  QApplication application(argc, argv);
  QGuiApplication::setApplicationName(QStringLiteral("talewick-desktop"));
  QGuiApplication::setOrganizationName(QStringLiteral("talewick"));
  QGuiApplication::setApplicationVersion(QStringLiteral(TALEWICK_DESKTOP_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(text("desktop.cli.description"));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption quickAdd(QStringLiteral("quick-add"), text("desktop.cli.quickAdd"));
  const QCommandLineOption screenshot(QStringLiteral("screenshot"), text("desktop.cli.screenshot"),
                                      text("desktop.cli.file"));
  parser.addOption(quickAdd);
  parser.addOption(screenshot);
  parser.addPositionalArgument(QStringLiteral("url"), text("desktop.cli.url"),
                               QStringLiteral("[talewick://…]"));
  parser.process(application);

  QString request = parser.isSet(quickAdd) ? QString::fromLatin1(kQuickAddRequest) : QString();
  for (const QString& argument : parser.positionalArguments()) {
    if (isTalewickURL(argument)) request = argument;
  }
  // One window per user: a second start hands its request to the first and is done. A picture
  // drawn offscreen is a window of its own, never forwarded.
  SingleInstance instance;
  if (!parser.isSet(screenshot)) {
    try {
      if (instance.start(request) == SingleInstance::Role::forwarded) return 0;
    } catch (const std::exception& e) {
      // Without the socket the window still works; only later starts open windows of their own.
      say(QString::fromStdString(talewick::text::terminalSafe(e.what())));
    }
  }

  talewick::desktop::chooseRenderer();
  // A configured calendar folder that does not exist, an unreadable data folder: said, and out.
  std::unique_ptr<DesktopSession> made;
  try {
    made = std::make_unique<DesktopSession>();
  } catch (const std::exception& e) {
    say(QString::fromStdString(talewick::text::terminalSafe(e.what())));
    return 1;
  }
  DesktopSession& session = *made;
  session.start();
  MainWindow window(session, request == QLatin1String(kQuickAddRequest));
  if (!window.window()) {
    say(text("desktop.cli.qmlFailed"));
    return 1;
  }
  if (parser.isSet(screenshot)) {
    // Once the loop has turned (the models' first reads shown), one picture, then out.
    const QString path = parser.value(screenshot);
    int status = 0;
    QTimer::singleShot(0, &application, [&] {
      session.pump().pumpNow();
      if (!window.saveScreenshot(path)) {
        say(QString::fromStdString(talewick::Loc::format(
            talewick::Loc::string("desktop.cli.screenshotFailed",
                                  Texts::french("desktop.cli.screenshotFailed")),
            {path.toStdString()})));
        status = 1;
      }
      QGuiApplication::exit(status);
    });
    return QGuiApplication::exec();
  }
  session.runNotifications();
  TrayIcon tray;
  const auto showStatus = [&] {
    tray.setStatusLine(QString::fromStdString(session.app().questStore().statusLine()));
  };
  showStatus();
  QObject::connect(&session.status(), &talewick::desktop::StatusModel::changed, &tray, showStatus);
  QObject::connect(&tray, &TrayIcon::quickAddRequested, &tray, [&] { window.bringForward(true); });
  QObject::connect(&tray, &TrayIcon::openRequested, &tray, [&] { window.bringForward(false); });
  QObject::connect(&tray, &TrayIcon::quitRequested, &application, &QCoreApplication::quit);
  QObject::connect(&instance, &SingleInstance::requested, &tray,
                   [&](const QString& other) { handle(other, session, window); });
  window.window()->show();
  if (isTalewickURL(request)) session.handleURL(request.toStdString());
  return QGuiApplication::exec();
}
