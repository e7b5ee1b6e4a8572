// The window's icon in the desktop's tray (Qt speaks StatusNotifierItem to the panels that know
// it, the older tray protocol to the others): the status line as its tooltip, and a menu to add a
// quest quickly, open the window or quit. Without a tray (a bare window manager, a test) it shows
// nothing and its signals simply never come from a click.
#pragma once

#include <QMenu>
#include <QObject>
#include <QString>

class QSystemTrayIcon;

namespace talewick::integration {

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TrayIcon(QObject* parent = nullptr);
  ~TrayIcon() override;

  // Whether the desktop shows the icon.
  bool isShown() const;

  // The status line of the quest store; the tooltip reads "Talewick — <line>".
  void setStatusLine(const QString& line);
  const QString& toolTip() const { return toolTip_; }

  // Its entries: quick add, open, quit, in that order.
  QMenu& menu() { return menu_; }

 signals:
  void quickAddRequested();
  void openRequested();  // the menu's entry, or a click on the icon
  void quitRequested();

 private:
  QMenu menu_;
  QString toolTip_;
  QSystemTrayIcon* icon_ = nullptr;  // null without a tray
};

}  // namespace talewick::integration
