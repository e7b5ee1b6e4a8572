// talewick-desktop: the window over the kingdom, the week and the hero.
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <memory>

#include "desktop/desktop_session.hpp"
#include "desktop/main_window.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

using talewick::desktop::DesktopSession;
using talewick::desktop::MainWindow;
using talewick::desktop::Texts;

namespace {

QString text(const char* key) {
  return QString::fromStdString(talewick::Loc::string(key, Texts::french(key)));
}

void say(const QString& line) { std::fprintf(stderr, "talewick-desktop : %s\n", qPrintable(line)); }

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
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
  parser.process(application);

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
  MainWindow window(session, parser.isSet(quickAdd));
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
  window.window()->show();
  return QGuiApplication::exec();
}
