// `talewick mode [MODE]`: shows the narrative mode the quests are told in, or changes it: the
// first choice is free, a mode never chosen before costs gold, one chosen before is free again.
// The change is written to the preferences and to the cloud folder, so that other machines
// follow.
#include <algorithm>
#include <memory>

#include "kingdom/vocations.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/hero_change.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct ModeOptions {
  std::string mode;
  CLI::Option* modeGiven = nullptr;  // `mode ""` names no mode: refused, not a look
  bool json = false;
};

// The modes this player has chosen or bought: switching back to one of them is free.
constexpr const char* kOwnedModesKey = "rpgMode.owned";

std::vector<RPGMode> ownedModes(const Preferences& prefs) {
  std::vector<RPGMode> owned;
  for (const std::string& raw : prefs.stringList(kOwnedModesKey)) {
    if (const auto m = fromRaw<RPGMode>(raw)) owned.push_back(*m);
  }
  return owned;
}

// Pays for leaving `from` for `to` when the switch has a price; throws UsageError (nothing paid)
// when it is refused. Then `to` is owned, and so is `from` after a first, free choice.
void buySwitch(AppContext& app, RPGMode from, RPGMode to) {
  std::vector<RPGMode> owned = ownedModes(app.preferences());
  const int64_t cost = ModeSwitch::switchCost(owned, to);
  std::optional<ModeSwitch::PurchaseError> refusal;
  if (to == from) refusal = ModeSwitch::PurchaseError::sameMode;
  if (!refusal && cost > 0) {
    requireSoundHero(app);
    app.heroStore().changeHero({}, [&](const Hero& hero) -> std::optional<Hero> {
      ModeSwitch::PurchaseResult paid = ModeSwitch::purchaseSwitch(hero, to, from, cost);
      if (const auto* error = std::get_if<ModeSwitch::PurchaseError>(&paid)) {
        refusal = *error;
        return std::nullopt;
      }
      return std::get<Hero>(std::move(paid));
    });
  }
  if (refusal) throw UsageError(ModeSwitch::describe(*refusal));
  Json list = Json::array();
  if (owned.empty()) owned.push_back(from);
  if (std::find(owned.begin(), owned.end(), to) == owned.end()) owned.push_back(to);
  for (RPGMode m : owned) list.push_back(std::string(rawValue(m)));
  app.preferences().set(kOwnedModesKey, std::move(list));
}

int mode(const ModeOptions& o, Io& io, AppContext& app) {
  bool cloudFailed = false;
  if (o.modeGiven->count() > 0) {
    const RPGMode to = parseMode(o.mode);
    buySwitch(app, app.narrativeMode(), to);
    const std::string raw(rawValue(to));
    // A mode that cannot be saved here fails the command (FileError), the preferences intact.
    app.preferences().set(QuestStore::MODE_KEY, raw);
    try {
      app.cloudStore().setData(QuestStore::MODE_KEY, Json(raw).dump());
    } catch (const std::system_error& e) {
      // This machine has the mode; the other machines will not hear of it until the cloud
      // folder can be written again.
      io.err << "talewick : " << e.what() << "\n";
      cloudFailed = true;
    }
  }
  const RPGMode current = app.narrativeMode();
  const std::vector<RPGMode> owned = ownedModes(app.preferences());
  if (o.json) {
    Json modes = Json::array();
    for (RPGMode m : allCases<RPGMode>())
      modes.push_back(Json{{"mode", std::string(rawValue(m))},
                           {"displayName", displayName(m)},
                           {"cost", m == current ? 0 : ModeSwitch::switchCost(owned, m)}});
    printJson(io.out, Json{{"mode", std::string(rawValue(current))},
                           {"displayName", displayName(current)},
                           {"modes", std::move(modes)}});
    return cloudFailed ? EXIT_FAILED : EXIT_DONE;
  }
  if (!o.mode.empty()) {
    io.out << Loc::format(Loc::string("cli.mode.changed",
                                      "Mode narratif : %@ (%@). Tes quêtes changent de ton !"),
                          {displayName(current), rawValue(current)})
           << "\n";
    return cloudFailed ? EXIT_FAILED : EXIT_DONE;
  }
  io.out << Loc::format(Loc::string("cli.mode.current", "Mode narratif : %@ (%@)"),
                        {displayName(current), rawValue(current)})
         << "\n\n";
  for (RPGMode m : allCases<RPGMode>()) {
    const int64_t cost = m == current ? 0 : ModeSwitch::switchCost(owned, m);
    io.out << (m == current ? "● " : "  ") << padded(std::string(rawValue(m)), 14) << displayName(m)
           << (cost > 0
                   ? Loc::format(Loc::string("cli.mode.cost", "  (%@ or)"), {std::to_string(cost)})
                   : "")
           << "\n";
  }
  return EXIT_DONE;
}

}  // namespace

Command modeCommand() {
  return Command{"mode",
                 Loc::string("cli.mode.help", "Le mode narratif des quêtes, ou son changement"),
                 [](CLI::App& cmd) -> Handler {
                   auto o = std::make_shared<ModeOptions>();
                   o->modeGiven = cmd.add_option(
                       "mode", o->mode, Loc::string("cli.mode.arg", "Nouveau mode (heroicPapa…)"));
                   cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
                   return [o](Io& io, AppContext& app) { return mode(*o, io, app); };
                 }};
}

}  // namespace talewick::ui
