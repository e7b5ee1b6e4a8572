#include "integration/tray_icon.hpp"

#include <QSystemTrayIcon>

#include "art/emblems.hpp"
#include "support/loc.hpp"

namespace talewick::integration {
namespace {

QString text(const char* key, const char* french) {
  return QString::fromStdString(Loc::string(key, french));
}

}  // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), toolTip_(QStringLiteral("Talewick")) {
  connect(menu_.addAction(text("desktop.tray.quickAdd", "Ajout rapide")), &QAction::triggered, this,
          &TrayIcon::quickAddRequested);
  connect(menu_.addAction(text("desktop.tray.open", "Ouvrir")), &QAction::triggered, this,
          &TrayIcon::openRequested);
  menu_.addSeparator();
  connect(menu_.addAction(text("desktop.tray.quit", "Quitter")), &QAction::triggered, this,
          &TrayIcon::quitRequested);
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  icon_ = new QSystemTrayIcon(art::applicationIcon(), this);
  icon_->setContextMenu(&menu_);
  icon_->setToolTip(toolTip_);
  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::Trigger) emit openRequested();
  });
  icon_->show();
}

TrayIcon::~TrayIcon() {
  // The icon uses the menu: it goes first.
  delete icon_;
}

bool TrayIcon::isShown() const { return icon_ && icon_->isVisible(); }

void TrayIcon::setStatusLine(const QString& line) {
  QString clean;
  for (const QChar c : line) clean += c.category() == QChar::Other_Control ? QChar(u' ') : c;
  toolTip_ = clean.trimmed().isEmpty() ? QStringLiteral("Talewick")
                                       : QStringLiteral("Talewick — %1").arg(clean.trimmed());
  if (icon_) icon_->setToolTip(toolTip_);
}

}  // namespace talewick::integration
