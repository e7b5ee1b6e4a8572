// The main window: the QML of desktop/qml/ over a session's models, its size and tab kept in
// QSettings between runs, and its picture saved on request.
#pragma once

#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QString>
#include <memory>

#include "desktop/desktop_session.hpp"

namespace talewick::desktop {

class MainWindow {
 public:
  // Loads the window over `session`; `quickAdd` gives the quick-add field the focus at once.
  MainWindow(DesktopSession& session, bool quickAdd);
  // Keeps the size and the tab for next time.
  ~MainWindow();

  // Null when the QML could not load (its errors went to standard error).
  QQuickWindow* window() const { return window_; }
  // Shows the window above the others and activates it; `quickAdd` puts the focus in the
  // quick-add field (another instance's request, the tray's entry).
  void bringForward(bool quickAdd);
  // The first item named `objectName` under the window's content, or null.
  QObject* find(const QString& objectName) const;
  // Renders the window now and writes it as a PNG; false when it could not be written.
  bool saveScreenshot(const QString& path) const;

 private:
  QQmlApplicationEngine engine_;
  QQuickWindow* window_ = nullptr;
};

// Software rendering for an offscreen platform (tests, --screenshot): no GPU is needed there, and
// the pictures do not depend on one. Call before the first window exists.
void chooseRenderer();

}  // namespace talewick::desktop
