// The whole window over a generated calendar folder, offscreen: its key texts found through the
// items' object names, its picture kept under the build folder (never compared to a golden one),
// and the program's own command line.
#include "desktop/main_window.hpp"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QQuickItem>
#include <QtTest>

#include "art/sprite_request.hpp"
#include "desktop/desktop_testing.hpp"
#include "integration/single_instance.hpp"
#include "ui/kingdom_text.hpp"

namespace talewick::desktop {
namespace {

QString artefact(const QString& name) {
  QDir().mkpath(QStringLiteral(TALEWICK_ARTEFACTS));
  return QStringLiteral(TALEWICK_ARTEFACTS) + "/" + name;
}

QString textOf(const MainWindow& window, const QString& name) {
  QObject* item = window.find(name);
  return item ? item->property("text").toString() : QStringLiteral("<absent>");
}

// Every item under `item` (itself included) whose source is a picture of the art provider.
void collectArt(QQuickItem* item, QList<QQuickItem*>& out) {
  if (item->property("source").toUrl().toString().startsWith(QStringLiteral("image://art/")))
    out.push_back(item);
  for (QQuickItem* child : item->childItems()) collectArt(child, out);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheKingdomTheWeekAndTheHero() {
    testing::TestHome home("window");
    home.aWeek();
    auto session = testing::startedSession();
    MainWindow window(*session, false);
    QVERIFY(window.window());
    window.window()->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.window()));
    session->pump().pumpNow();

    QCOMPARE(textOf(window, "realmName_family"),
             QString::fromStdString(ui::realmName(KingdomRealm::family)) + " (" +
                 QString::number(session->kingdom()
                                     .data(session->kingdom().index(0), KingdomModel::CountRole)
                                     .toInt()) +
                 ")");
    QCOMPARE(textOf(window, "heroLevel"), QStringLiteral("Niveau %1").arg(session->hero().level()));
    window.window()->setProperty("currentTab", 0);  // whatever tab the last run kept
    const QString kingdomPicture = artefact("window-kingdom.png");
    QVERIFY(window.saveScreenshot(kingdomPicture));
    std::printf("window screenshot: %s\n", qPrintable(kingdomPicture));

    // The week's tab: its cards are laid out as it is drawn.
    window.window()->setProperty("currentTab", 1);
    const QString weekPicture = artefact("window-week.png");
    QVERIFY(window.saveScreenshot(weekPicture));
    std::printf("window screenshot: %s\n", qPrintable(weekPicture));
    QObject* card = window.find("questCard_quest_dentiste");
    QVERIFY(card);
    const QString cardTitle =
        card->findChild<QObject*>("questCardTitle")->property("text").toString();
    QVERIFY2(cardTitle.endsWith(session->week()
                                    .data(session->week().index(2), WeekModel::CardsRole)
                                    .toList()[1]
                                    .toMap()
                                    .value("title")
                                    .toString()),
             qPrintable(cardTitle));
    QVERIFY(window.find("hero"));
    QCOMPARE(textOf(window, "statusLines"),
             session->status().lines().join(QStringLiteral("  ·  ")));

    // The card's quest opens the sheet, which shows its heading.
    QObject* sheet = window.find("questSheet");
    QVERIFY(sheet);
    QVERIFY(!sheet->property("visible").toBool());
    QVERIFY(session->week().select("quest_dentiste", "2026-12-09"));
    QVERIFY(sheet->property("visible").toBool());
    QCOMPARE(textOf(window, "sheetHeading"), session->week().sheet().value("heading").toString());

    const QString path = artefact("window-sheet.png");
    QVERIFY(window.saveScreenshot(path));
    std::printf("window screenshot: %s\n", qPrintable(path));
    const QImage image(path);
    QCOMPARE(image.size(), window.window()->size() * window.window()->devicePixelRatio());

    // At the smallest width the window allows, the map and the panel beside it both stay inside.
    QMetaObject::invokeMethod(sheet, "close");
    QTRY_VERIFY(!sheet->property("visible").toBool());
    window.window()->setProperty("currentTab", 0);
    auto* quick = qobject_cast<QQuickWindow*>(window.window());
    QVERIFY(quick);
    quick->resize(quick->minimumWidth(), quick->minimumHeight());
    QTRY_COMPARE(quick->width(), quick->minimumWidth());
    // Laid out again on the next frames.
    const auto inside = [&](const char* name) {
      auto* item = qobject_cast<QQuickItem*>(window.find(name));
      if (!item) return QStringLiteral("%1 missing").arg(name);
      const QRectF box = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
      if (box.width() > 100 && box.right() <= quick->width() + 0.5) return QString();
      return QStringLiteral("%1: %2..%3 of %4")
          .arg(name)
          .arg(box.left())
          .arg(box.right())
          .arg(quick->width());
    };
    for (const char* name : {"dayVerdict", "realm_family", "realm_deadlines"})
      QTRY_VERIFY2(inside(name).isEmpty(), qPrintable(inside(name)));
    QVERIFY(window.saveScreenshot(artefact("window-narrow.png")));
  }

  // The map and the week draw the provider's sprites: every address the QML builds is one the
  // provider knows (else it would draw its placeholder), and each has loaded.
  void drawsThePixelArtOfTheProvider() {
    testing::TestHome home("window-art");
    home.aWeek();
    auto session = testing::startedSession();
    MainWindow window(*session, false);
    QVERIFY(window.window());
    window.window()->show();
    session->pump().pumpNow();
    window.window()->setProperty("currentTab", 1);  // the week's cards are made when shown
    QVERIFY(window.saveScreenshot(artefact("window-art.png")));

    QList<QQuickItem*> art;
    collectArt(window.window()->contentItem(), art);
    QStringList kinds;
    for (QQuickItem* image : art) {
      const QString id = image->property("source").toUrl().toString().mid(12);
      QVERIFY2(art::parseSpriteId(id).has_value(), qPrintable(id));
      QVERIFY2(image->property("status").toInt() == 1, qPrintable(id));  // Image.Ready
      kinds << id.section('/', 0, 0);
    }
    for (const char* kind : {"realm", "building", "hero", "inhabitant", "threat"})
      QVERIFY2(kinds.contains(QLatin1String(kind)), kind);
    auto* tile = qobject_cast<QQuickItem*>(window.find("realmTile_family"));
    QVERIFY(tile);
    QVERIFY(tile->property("source").toUrl().toString().startsWith("image://art/realm/family/"));
  }

  // A second start (for quick-add, for a talewick:// address, or just to show the window) hands
  // its request to the window already open and is done.
  void aSecondStartHandsItsRequestToTheFirst() {
    testing::TestHome home("window-instance");
    // The program's socket sits in its temporary folder: here the test's, never the user's.
    const QString folder = QString::fromStdString(home.path().string());
    integration::SingleInstance first(
        QDir(folder).filePath(integration::SingleInstance::defaultName()));
    QCOMPARE(first.start(QString()), integration::SingleInstance::Role::first);
    QSignalSpy requests(&first, &integration::SingleInstance::requested);

    const QString url = QStringLiteral("talewick://google-calendar/backend/callback?connected=1");
    for (const QStringList& arguments :
         {QStringList{"--quick-add"}, QStringList{url}, QStringList{}}) {
      QProcess second;
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert("TMPDIR", folder);
      env.insert("QT_QPA_PLATFORM", "offscreen");
      second.setProcessEnvironment(env);
      second.start(TALEWICK_DESKTOP_BINARY, arguments);
      // A second start that did not forward would open its own window and never end.
      if (!second.waitForFinished(120000)) second.kill();
      QCOMPARE(second.exitStatus(), QProcess::NormalExit);
      QCOMPARE(second.exitCode(), 0);
    }
    while (requests.size() < 3) QVERIFY(requests.wait());
    QStringList received;
    for (const QList<QVariant>& request : requests) received << request[0].toString();
    received.sort();
    QCOMPARE(received, (QStringList{QString(), QStringLiteral("quick-add"), url}));
  }

  void theProgramDrawsItsWindowOffscreenOverAGeneratedFolder() {
    testing::TestHome home("window-program");
    QProcess generate;
    generate.start("python3", {TALEWICK_GEN_VDIR, "--count", "200", "--out",
                               QString::fromStdString((home.path() / "vdir").string())});
    QVERIFY(generate.waitForFinished(-1));
    QCOMPARE(generate.exitCode(), 0);
    const QString path = artefact("program.png");
    QFile::remove(path);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TALEWICK_CALENDAR_DIR", QString::fromStdString((home.path() / "vdir").string()));
    env.insert("TALEWICK_NOW", "2026-12-05T10:00:00+01:00");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(TALEWICK_DESKTOP_BINARY, {"--screenshot", path});
    QVERIFY(program.waitForFinished(-1));
    QCOMPARE(program.exitCode(), 0);
    std::printf("program screenshot: %s\n", qPrintable(path));
    const QImage image(path);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() > 400 && image.height() > 300);
  }

  void theCommandLineHelpsAndSaysItsVersion() {
    QProcess help;
    help.start(TALEWICK_DESKTOP_BINARY, {"--help"});
    QVERIFY(help.waitForFinished(-1));
    QCOMPARE(help.exitCode(), 0);
    const QString text = QString::fromUtf8(help.readAllStandardOutput());
    QVERIFY2(text.contains("--quick-add") && text.contains("--screenshot"), qPrintable(text));
    QVERIFY(text.contains("champ d'ajout rapide"));

    QProcess version;
    version.start(TALEWICK_DESKTOP_BINARY, {"--version"});
    QVERIFY(version.waitForFinished(-1));
    QCOMPARE(version.exitCode(), 0);
    QVERIFY(QString::fromUtf8(version.readAllStandardOutput()).startsWith("talewick-desktop "));
  }

  void theSizeAndTabComeBackNextTime() {
    testing::TestHome home("window-settings");
    auto session = testing::startedSession();
    {
      MainWindow first(*session, false);
      QVERIFY(first.window());
      first.window()->resize(900, 640);
      first.window()->setProperty("currentTab", 2);
    }
    MainWindow second(*session, true);
    QVERIFY(second.window());
    QCOMPARE(second.window()->size(), QSize(900, 640));
    QCOMPARE(second.window()->property("currentTab").toInt(), 2);
    QCOMPARE(second.window()->property("quickAddFirst").toBool(), true);
  }
};

TALEWICK_DESKTOP_TEST(MainWindowTest);

}  // namespace talewick::desktop

#include "main_window_test.moc"
