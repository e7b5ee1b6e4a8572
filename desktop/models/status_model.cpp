#include "desktop/models/status_model.hpp"

#include "support/loc.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::desktop {
namespace {

QString line(const std::string& text) { return QString::fromStdString(ui::shown(text)); }

}  // namespace

StatusModel::StatusModel(ui::AppContext& app, QObject* parent) : QObject(parent), app_(app) {
  questToken_ = app_.questStore().observe([this] { refresh(); });
  refresh();
}

StatusModel::~StatusModel() { app_.questStore().unobserve(questToken_); }

void StatusModel::refresh() {
  QStringList next;
  if (const std::string& quests = app_.questStore().statusLine(); !quests.empty())
    next << line(quests);
  VaultStore& vault = app_.vaultStore();
  if (vault.folderPath() && !vault.statusLine().empty()) next << line(vault.statusLine());
  if (!kingdomLine_.empty()) next << line(kingdomLine_);
  if (const auto damaged = app_.heroStore().damagedCopy()) {
    next << line(Loc::format(
        Loc::string("desktop.status.heroDamaged", "Le héros abîmé est mis de côté : %@"),
        {damaged->string()}));
  }
  if (next == lines_) return;
  lines_ = next;
  emit changed();
}

void StatusModel::reportError(const QString& text) {
  const QString shown = line(text.toStdString());
  if (!errors_.isEmpty() && errors_.front() == shown) return;
  errors_.prepend(shown);
  while (errors_.size() > ERRORS_KEPT) errors_.removeLast();
  emit changed();
}

void StatusModel::setKingdomLine(const std::string& text) {
  kingdomLine_ = text;
  refresh();
}

}  // namespace talewick::desktop
