// `talewick mode [MODE]`: shows the narrative mode the quests are told in, or changes it. The
// change is written to the preferences and to the cloud folder, so that other machines follow.
#include <memory>

#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct ModeOptions {
  std::string mode;
  CLI::Option* modeGiven = nullptr;  // `mode ""` names no mode: refused, not a look
  bool json = false;
};

int mode(const ModeOptions& o, Io& io, AppContext& app) {
  bool cloudFailed = false;
  if (o.modeGiven->count() > 0) {
    const std::string raw(rawValue(parseMode(o.mode)));
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
  if (o.json) {
    Json modes = Json::array();
    for (RPGMode m : allCases<RPGMode>())
      modes.push_back(Json{{"mode", std::string(rawValue(m))}, {"displayName", displayName(m)}});
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
    io.out << (m == current ? "● " : "  ") << padded(std::string(rawValue(m)), 14) << displayName(m)
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
