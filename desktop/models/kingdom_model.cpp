#include "desktop/models/kingdom_model.hpp"

#include <QVariantMap>

#include "kingdom/inhabitant_book.hpp"
#include "kingdom/kingdom_building_progression.hpp"
#include "kingdom/kingdom_realm.hpp"
#include "support/loc.hpp"
#include "ui/context.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/people_text.hpp"
#include "ui/render.hpp"

namespace talewick::desktop {
namespace {

QString text(const std::string& outside) { return QString::fromStdString(ui::shown(outside)); }
QString ours(const std::string& own) { return QString::fromStdString(own); }

}  // namespace

KingdomModel::KingdomModel(ui::AppContext& app, QObject* parent)
    : QAbstractListModel(parent), app_(app) {
  token_ = app_.kingdom().observe([this](const auto&) { read(); });
  // A building grows with the hero's level.
  heroToken_ = app_.heroStore().observe([this](const HeroSyncPayload&) { read(); });
  peopleToken_ = app_.inhabitantStore().observe([this](const auto&) { read(); });
  read();
}

KingdomModel::~KingdomModel() {
  app_.kingdom().unobserve(token_);
  app_.heroStore().unobserve(heroToken_);
  app_.inhabitantStore().unobserve(peopleToken_);
}

int KingdomModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(realms_.size());
}

QVariant KingdomModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(realms_.size())) return {};
  const Realm& realm = realms_[static_cast<size_t>(index.row())];
  switch (role) {
    case RealmRole:
      return realm.id;
    case NameRole:
      return realm.name;
    case CountRole:
      return realm.count;
    case ItemsRole:
      return realm.items;
    case BuildingStageRole:
      return realm.buildingStage;
    default:
      return {};
  }
}

QHash<int, QByteArray> KingdomModel::roleNames() const {
  return {{RealmRole, "realm"},
          {NameRole, "name"},
          {CountRole, "count"},
          {ItemsRole, "items"},
          {BuildingStageRole, "buildingStage"}};
}

void KingdomModel::read() {
  KingdomCoordinator& kingdom = app_.kingdom();
  const std::optional<KingdomCoordinator::View>& view = kingdom.view();
  const Date now = app_.now();
  const int64_t heroLevel = app_.heroStore().level().value_or(LevelInfo{}).level;

  std::vector<Realm> realms;
  for (std::string_view raw : EnumTraits<KingdomRealm>::names) {
    const KingdomRealm realm = *fromRaw<KingdomRealm>(raw);
    Realm row{ours(std::string(raw)), ours(ui::realmName(realm)), 0, {}, 1};
    // A building is named after its realm: the two share their raw values.
    if (const auto building = fromRaw<KingdomBuilding>(raw))
      row.buildingStage = static_cast<int>(KingdomBuildingProgression::stage(*building, heroLevel));
    if (view) {
      const auto i = static_cast<size_t>(realm);
      const std::vector<KingdomItem> ahead = ui::itemsAhead(view->snapshot.realms[i], now);
      row.count = static_cast<int>(ahead.size());
      for (size_t k = 0; k < ahead.size() && k < static_cast<size_t>(ITEMS_SHOWN); ++k) {
        row.items.append(QVariantMap{{"title", text(ahead[k].title)},
                                     {"when", ours(ui::itemDate(ahead[k]))},
                                     {"overdue", ahead[k].overdue},
                                     {"pinned", ahead[k].pinned}});
      }
    }
    realms.push_back(std::move(row));
  }
  beginResetModel();
  realms_ = std::move(realms);
  endResetModel();

  verdict_.clear();
  board_.clear();
  hasBoard_ = chestOpen_ = false;
  chest_.clear();
  journey_.clear();
  secondaries_.clear();
  heroRealm_ = static_cast<int>(KingdomRealm::personal);
  if (view) {
    verdict_ = ours(ui::dayVerdict(view->snapshot.dayLoad, view->capacity));
    if (view->board) {
      hasBoard_ = true;
      for (const WorldQuests::Objective& o : view->board->objectives) {
        board_.append(QVariantMap{{"label", text(ui::objectiveLabel(o))},
                                  {"reward", ours(ui::rewardText(o.xpReward, o.goldReward))},
                                  {"completed", o.completed}});
      }
      const WorldQuests::Reward reward = WorldQuests::chestReward(*view->board);
      chest_ = ours(ui::rewardText(reward.xp, reward.gold));
      chestOpen_ = view->board->chestCredited;
    }
    if (const auto& main = view->journey.main) {
      journey_ = text(main->title + " · " + ui::rewardText(main->xpReward, main->goldReward));
      if (const auto realm = fromRaw<KingdomRealm>(rawValue(main->realm)))
        heroRealm_ = static_cast<int>(*realm);
    }
    for (const WorldQuests::Objective& o : view->secondaries)
      secondaries_ << text(ui::objectiveLabel(o));
  }
  campaigns_.clear();
  for (const Campaigns::Campaign& c : kingdom.campaigns().campaigns()) {
    if (c.status == Campaigns::Status::active) campaigns_ << ours(ui::campaignLine(c));
  }
  const std::optional<WeeklyBoss::Boss>& boss = kingdom.weeklyBoss().boss();
  boss_ = boss ? text(ui::weeklyBossLine(*boss)) : QString();
  inhabitants_.clear();
  for (const Inhabitant& person : ui::byReputation(app_.inhabitantStore().inhabitants())) {
    if (person.kind == Inhabitant::Kind::current) continue;
    if (inhabitants_.size() == INHABITANTS_SHOWN) break;
    const int64_t points = Reputation::points(person.links);
    inhabitants_.append(
        QVariantMap{{"name", text(InhabitantBook::shownName(person))},
                    {"tier", ours(ui::tierName(Reputation::progress(points).current))},
                    {"kind", ours(std::string(rawValue(person.kind)))}});
  }
  emit changed();
}

}  // namespace talewick::desktop
