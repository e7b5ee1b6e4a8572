// The window's words, for QML: `Texts.get("desktop.tab.week")`. French is the default, English
// comes from the same tables as the command line's (questkit/content/en/), so the window speaks
// the user's language exactly as `talewick` does. QML never holds a literal sentence.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace talewick::desktop {

class Texts : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // The text of `key` in the user's language; the key itself when the window knows no such text
  // (a typo shows on screen instead of an empty label).
  Q_INVOKABLE QString get(const QString& key) const;
  // The text of `key` with each "%@" replaced, in order, by `args`.
  Q_INVOKABLE QString format(const QString& key, const QStringList& args) const;

  // Every key the window knows, for the test that finds a translation for each.
  static std::vector<std::string> keys();
  // The French text of `key`; empty when unknown.
  static std::string french(const std::string& key);
};

}  // namespace talewick::desktop
