// `talewick level XP`: the level, progress and title a lifetime XP total gives.
#include <limits>
#include <memory>

#include "game/xp.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct LevelOptions {
  std::string xp;
  std::string mode = "heroicPapa";
  bool json = false;
};

int level(const LevelOptions& o, Io& io) {
  const int64_t xp = parseWholeNumber(o.xp, "XP", 0, std::numeric_limits<int64_t>::max());
  const RPGMode mode = parseMode(o.mode);
  const LevelInfo info = Xp::levelFromTotalXp(xp);
  const std::string title = Xp::titleForLevel(info.level, mode);
  if (o.json) {
    Json j = json_coding::encode(info);
    j["title"] = title;
    printJson(io.out, j);
    return EXIT_DONE;
  }
  io.out << Loc::format(Loc::string("cli.level.line", "Niveau %@ — %@"),
                        {std::to_string(info.level), title})
         << "\n"
         << progressBar(info.progress, 20) << " " << info.xpIntoLevel << " / " << info.xpForNext
         << " XP\n";
  return EXIT_DONE;
}

}  // namespace

Command levelCommand() {
  return Command{
      "level", Loc::string("cli.level.help", "Niveau et titre pour un total d'expérience"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<LevelOptions>();
        cmd.add_option("xp", o->xp, Loc::string("cli.level.xp", "Expérience totale"))->required();
        cmd.add_option("--mode", o->mode, Loc::string("cli.mode", "Mode narratif (heroicPapa…)"));
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        return [o](Io& io, AppContext&) { return level(*o, io); };
      }};
}

}  // namespace talewick::ui
