#include "desktop/main_window.hpp"

#include <QGuiApplication>
#include <QImage>
#include <QQmlContext>
#include <QQuickItem>
#include <QSGRendererInterface>
#include <QSettings>

#include "art/art_image_provider.hpp"

namespace talewick::desktop {
namespace {

constexpr const char* kSizeKey = "window/size";
constexpr const char* kTabKey = "window/tab";

}  // namespace

void chooseRenderer() {
  if (QGuiApplication::platformName() == QStringLiteral("offscreen"))
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

MainWindow::MainWindow(DesktopSession& session, bool quickAdd) {
  session.expose(*engine_.rootContext());
  art::ArtImageProvider::install(engine_);
  QSettings settings;
  engine_.setInitialProperties(
      {{"quickAddFirst", quickAdd}, {"currentTab", settings.value(kTabKey, 0).toInt()}});
  engine_.load(QUrl(QStringLiteral("qrc:/qml/Main.qml")));
  if (engine_.rootObjects().isEmpty()) return;
  window_ = qobject_cast<QQuickWindow*>(engine_.rootObjects().front());
  if (!window_) return;
  const QSize size = settings.value(kSizeKey).toSize();
  if (size.isValid()) window_->resize(size);
}

MainWindow::~MainWindow() {
  if (!window_) return;
  QSettings settings;
  settings.setValue(kSizeKey, window_->size());
  settings.setValue(kTabKey, window_->property("currentTab").toInt());
}

namespace {

// Items made by a Repeater or a view have a parent item but not always a parent object: both
// trees are walked.
QObject* findIn(QObject* object, const QString& objectName) {
  if (object->objectName() == objectName) return object;
  for (QObject* child : object->children()) {
    if (QObject* found = findIn(child, objectName)) return found;
  }
  if (auto* item = qobject_cast<QQuickItem*>(object)) {
    for (QQuickItem* child : item->childItems()) {
      if (child->parent() == object) continue;  // walked above
      if (QObject* found = findIn(child, objectName)) return found;
    }
  }
  return nullptr;
}

}  // namespace

void MainWindow::bringForward(bool quickAdd) {
  if (!window_) return;
  window_->show();
  window_->raise();
  window_->requestActivate();
  if (!quickAdd) return;
  if (auto* input = qobject_cast<QQuickItem*>(find(QStringLiteral("quickAddInput"))))
    input->forceActiveFocus();
}

QObject* MainWindow::find(const QString& objectName) const {
  if (!window_) return nullptr;
  if (QObject* found = findIn(window_, objectName)) return found;
  // The popups live in the window's overlay, above the content.
  QQuickItem* root = window_->contentItem();
  while (root && root->parentItem()) root = root->parentItem();
  return root ? findIn(root, objectName) : nullptr;
}

bool MainWindow::saveScreenshot(const QString& path) const {
  if (!window_) return false;
  const QImage image = window_->grabWindow();
  return !image.isNull() && image.save(path, "PNG");
}

}  // namespace talewick::desktop
