// The window's words: each one the QML asks for exists, in French and in English.
#include "desktop/texts.hpp"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>
#include <set>

#include "desktop/desktop_testing.hpp"
#include "support/loc.hpp"

namespace talewick::desktop {

class TextsTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { Loc::setLanguage(Loc::Language::fr); }

  void everyKeyTheQmlUsesIsKnown() {
    const std::vector<std::string> keys = Texts::keys();
    const std::set<std::string> known(keys.begin(), keys.end());
    const QRegularExpression use(QStringLiteral("Texts\\.(?:get|format)\\(\"([^\"]+)\""));
    int uses = 0;
    QDirIterator files(QStringLiteral(":/qml"), {QStringLiteral("*.qml")});
    while (files.hasNext()) {
      QFile file(files.next());
      QVERIFY(file.open(QIODevice::ReadOnly));
      const QString qml = QString::fromUtf8(file.readAll());
      for (auto match = use.globalMatch(qml); match.hasNext(); ++uses) {
        const std::string key = match.next().captured(1).toStdString();
        QVERIFY2(known.contains(key), (file.fileName().toStdString() + " : " + key).c_str());
      }
      // A sentence written in the QML itself would escape the translation.
      QVERIFY2(!qml.contains(QRegularExpression(QStringLiteral("text:\\s*\"[^\"]*[A-Za-zé]{3}"))),
               qPrintable(file.fileName()));
    }
    QVERIFY(uses > 20);
  }

  void everyKeyHasItsEnglishText() {
    Texts texts;
    Loc::setLanguage(Loc::Language::en);
    for (const std::string& key : Texts::keys()) {
      const std::string english = Loc::string(key, "\x01");
      QVERIFY2(english != "\x01", key.c_str());
    }
    QCOMPARE(texts.get(QStringLiteral("desktop.tab.week")), QStringLiteral("Week"));
    Loc::setLanguage(Loc::Language::fr);
    QCOMPARE(texts.get(QStringLiteral("desktop.tab.week")), QStringLiteral("Semaine"));
  }

  void formatFillsThePlaceholdersInOrderAndAnUnknownKeyShowsItself() {
    Texts texts;
    QCOMPARE(texts.format(QStringLiteral("desktop.hero.xp"), {"40", "120"}),
             QStringLiteral("40 / 120 XP"));
    QCOMPARE(texts.get(QStringLiteral("desktop.nope")), QStringLiteral("desktop.nope"));
  }
};

TALEWICK_DESKTOP_TEST(TextsTest);

}  // namespace talewick::desktop

#include "texts_test.moc"
