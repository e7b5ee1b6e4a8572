#include "desktop/models/hero_model.hpp"

#include <QVariantMap>

#include "game/achievements.hpp"
#include "game/equipment.hpp"
#include "game/xp.hpp"
#include "support/loc.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::desktop {
namespace {

QString text(const std::string& outside) { return QString::fromStdString(ui::shown(outside)); }

}  // namespace

HeroModel::HeroModel(ui::AppContext& app, QObject* parent) : QObject(parent), app_(app) {
  token_ = app_.heroStore().observe([this](const HeroSyncPayload&) { read(); });
  read();
}

HeroModel::~HeroModel() { app_.heroStore().unobserve(token_); }

void HeroModel::read() {
  const HeroSyncPayload& hero = *app_.heroStore().payload();
  const RPGMode mode = app_.narrativeMode();
  const LevelInfo level = Xp::levelFromTotalXp(hero.totalXp);
  name_ = text(hero.name);
  avatar_ = text(hero.avatar);
  level_ = static_cast<int>(level.level);
  levelText_ = QString::fromStdString(
      Loc::format(Loc::string("cli.hero.level", "Niveau %@"), {std::to_string(level.level)}));
  levelFraction_ = level.progress;
  totalXp_ = hero.totalXp;
  xpIntoLevel_ = level.xpIntoLevel;
  xpForNext_ = level.xpForNext;
  gold_ = hero.gold;
  streak_ = hero.streak;
  goldAndStreak_ = QString::fromStdString(ui::goldAndStreak(hero.gold, hero.streak));
  title_ = QString::fromStdString(Xp::titleForLevel(level.level, mode));
  equippedTitle_.clear();
  if (hero.equippedTitleID) {
    equippedTitle_ = QString::fromStdString(Achievements::titleLabel(*hero.equippedTitleID, mode)
                                                .value_or(ui::shown(*hero.equippedTitleID)));
  }
  equipment_.clear();
  for (const LootItem& item : hero.equipped) {
    equipment_.append(QVariantMap{
        {"emoji", text(item.emoji)},
        {"name", text(item.name)},
        {"slot", item.slot ? QString::fromStdString(Equipment::slotLabel(*item.slot)) : QString()},
        {"rarity", QString::fromStdString(ui::rarityName(item.rarity))}});
  }
  emit changed();
}

}  // namespace talewick::desktop
