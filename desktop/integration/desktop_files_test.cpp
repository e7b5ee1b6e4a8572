#include "integration/desktop_files.hpp"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "art/qt_tests.hpp"

namespace talewick::integration {

class DesktopFilesTest : public QObject {
  Q_OBJECT

  QTemporaryDir home_;
  QByteArray savedData_, savedConfig_;

  QString read(const QString& relative) {
    QFile file(home_.filePath(relative));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

 private slots:
  void init() {
    savedData_ = qgetenv("XDG_DATA_HOME");
    savedConfig_ = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home_.filePath("data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home_.filePath("config")));
  }
  void cleanup() {
    qputenv("XDG_DATA_HOME", savedData_);
    qputenv("XDG_CONFIG_HOME", savedConfig_);
  }

  void theLauncherHandlesTalewickAddresses() {
    QCOMPARE(DesktopFiles::installLauncher("/usr/bin/talewick-desktop"),
             desktop_entries::Outcome::written);
    const QString entry = read("data/applications/talewick-desktop.desktop");
    QVERIFY2(entry.startsWith("[Desktop Entry]\n"), qPrintable(entry));
    QVERIFY2(entry.contains("\nExec=/usr/bin/talewick-desktop %u\n"), qPrintable(entry));
    QVERIFY2(entry.contains("\nMimeType=x-scheme-handler/talewick;\n"), qPrintable(entry));
    QVERIFY2(!entry.contains("NoDisplay"), qPrintable(entry));  // it is in the menus
    QCOMPARE(DesktopFiles::installLauncher("/usr/bin/talewick-desktop"),
             desktop_entries::Outcome::unchanged);
  }

  void autostartIsSwitchedOnAndOff() {
    QVERIFY(!DesktopFiles::autostartEnabled());
    DesktopFiles::setAutostart(true, "/usr/bin/talewick-desktop");
    QVERIFY(DesktopFiles::autostartEnabled());
    const QString entry = read("config/autostart/talewick-desktop.desktop");
    QVERIFY2(entry.contains("\nExec=/usr/bin/talewick-desktop\n"), qPrintable(entry));
    QVERIFY2(!entry.contains("MimeType"), qPrintable(entry));
    DesktopFiles::setAutostart(true, "/usr/bin/talewick-desktop");  // again: nothing changes
    QCOMPARE(read("config/autostart/talewick-desktop.desktop"), entry);
    DesktopFiles::setAutostart(false, "/usr/bin/talewick-desktop");
    QVERIFY(!DesktopFiles::autostartEnabled());
    DesktopFiles::setAutostart(false, "/usr/bin/talewick-desktop");
    QVERIFY(!DesktopFiles::autostartEnabled());
  }
};

TALEWICK_QT_TEST(DesktopFilesTest);

}  // namespace talewick::integration

#include "desktop_files_test.moc"
