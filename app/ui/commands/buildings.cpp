// `talewick buildings [--json]`: the building of each realm, the stage it has grown to with the
// hero's level, and the hero level its next stage needs.
#include <memory>

#include "kingdom/kingdom_building_progression.hpp"
#include "kingdom/kingdom_realm.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

namespace Progression = KingdomBuildingProgression;

constexpr int64_t kLastStage = static_cast<int64_t>(KingdomBuildingStage::level5);

struct BuildingView {
  KingdomBuilding building;
  int64_t stage = 1;
  std::optional<int64_t> nextStageHeroLevel;  // none at the last stage
};

std::vector<BuildingView> buildings(int64_t heroLevel) {
  std::vector<BuildingView> views;
  for (std::string_view raw : EnumTraits<KingdomBuilding>::names) {
    BuildingView v{*fromRaw<KingdomBuilding>(raw), 1, std::nullopt};
    v.stage = static_cast<int64_t>(Progression::stage(v.building, heroLevel));
    if (const auto next = Progression::stageFromRaw(v.stage + 1)) {
      v.nextStageHeroLevel = Progression::threshold(v.building, *next);
    }
    views.push_back(v);
  }
  return views;
}

int showBuildings(bool json, Io& io, AppContext& app) {
  const int64_t heroLevel = app.heroStore().level().value_or(LevelInfo{}).level;
  const std::vector<BuildingView> views = buildings(heroLevel);
  if (json) {
    Json list = Json::array();
    for (const BuildingView& v : views) {
      list.push_back({{"building", std::string(rawValue(v.building))}, {"stage", v.stage}});
      if (v.nextStageHeroLevel) list.back()["nextStageHeroLevel"] = *v.nextStageHeroLevel;
    }
    printJson(io.out, Json{{"heroLevel", heroLevel}, {"buildings", list}});
    return EXIT_DONE;
  }
  io.out << Loc::format(
                Loc::string("cli.buildings.heading", "Bâtiments du royaume — héros niveau %@"),
                {std::to_string(heroLevel)})
         << "\n";
  for (const BuildingView& v : views) {
    // A building is named after its realm: the two share their order and their raw values.
    const std::string realm = realmName(*fromRaw<KingdomRealm>(rawValue(v.building)));
    io.out << "  " << padded(realm, 12) << " "
           << Loc::format(Loc::string("cli.buildings.stage", "niveau %@/%@"),
                          {std::to_string(v.stage), std::to_string(kLastStage)})
           << " — "
           << (v.nextStageHeroLevel
                   ? Loc::format(
                         Loc::string("cli.buildings.next",
                                     "niveau %@ quand le héros atteint le niveau %@"),
                         {std::to_string(v.stage + 1), std::to_string(*v.nextStageHeroLevel)})
                   : Loc::string("cli.buildings.done", "achevé"))
           << "\n";
  }
  return EXIT_DONE;
}

}  // namespace

Command buildingsCommand() {
  return Command{
      "buildings",
      Loc::string("cli.buildings.help",
                  "Les bâtiments des six royaumes et ce qu'il faut pour les faire grandir"),
      [](CLI::App& cmd) -> Handler {
        auto json = std::make_shared<bool>(false);
        cmd.add_flag("--json", *json, Loc::string("cli.json", "Sortie JSON"));
        return [json](Io& io, AppContext& app) { return showBuildings(*json, io, app); };
      }};
}

}  // namespace talewick::ui
