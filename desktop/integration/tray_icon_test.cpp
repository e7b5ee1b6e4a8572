#include "integration/tray_icon.hpp"

#include <QSignalSpy>
#include <QTest>

#include "art/qt_tests.hpp"
#include "support/loc.hpp"

namespace talewick::integration {

class TrayIconTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { Loc::setLanguage(Loc::Language::fr); }

  // The offscreen platform has no tray: the icon is not shown, and everything else still works.
  void worksWithoutATray() {
    TrayIcon tray;
    QVERIFY(!tray.isShown());
    QSignalSpy quickAdd(&tray, &TrayIcon::quickAddRequested);
    QSignalSpy open(&tray, &TrayIcon::openRequested);
    QSignalSpy quit(&tray, &TrayIcon::quitRequested);
    QList<QAction*> entries;
    for (QAction* action : tray.menu().actions()) {
      if (!action->isSeparator()) entries.append(action);
    }
    QCOMPARE(entries.size(), 3);
    entries[0]->trigger();
    QCOMPARE(quickAdd.size(), 1);
    entries[1]->trigger();
    QCOMPARE(open.size(), 1);
    entries[2]->trigger();
    QCOMPARE(quit.size(), 1);
  }

  void theMenuSpeaksTheUsersLanguage() {
    const auto texts = [] {
      TrayIcon tray;
      QStringList out;
      for (QAction* action : tray.menu().actions()) {
        if (!action->isSeparator()) out << action->text();
      }
      return out;
    };
    Loc::setLanguage(Loc::Language::fr);
    QCOMPARE(texts(), QStringList({"Ajout rapide", "Ouvrir", "Quitter"}));
    Loc::setLanguage(Loc::Language::en);
    QCOMPARE(texts(), QStringList({"Quick add", "Open", "Quit"}));
  }

  void theTooltipShowsTheStatusLine() {
    TrayIcon tray;
    QCOMPARE(tray.toolTip(), "Talewick");
    tray.setStatusLine("Le royaume — 3 quêtes de ton agenda");
    QCOMPARE(tray.toolTip(), "Talewick — Le royaume — 3 quêtes de ton agenda");
    tray.setStatusLine("Agenda\nillisible\x07");
    QCOMPARE(tray.toolTip(), "Talewick — Agenda illisible");
    tray.setStatusLine("");
    QCOMPARE(tray.toolTip(), "Talewick");
  }
};

TALEWICK_QT_TEST(TrayIconTest);

}  // namespace talewick::integration

#include "tray_icon_test.moc"
