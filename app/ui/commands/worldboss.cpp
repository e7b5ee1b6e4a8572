// `talewick worldboss`: the weekly monster every player fights. `worldboss enlist PSEUDO` raises a
// banner; `worldboss [--json]` pushes today's aggregate when it changed, then shows the board: the
// boss's hit points, the rage, the roster, the chronicle, and the gold of last week's victory the
// first time it is seen.
#include <algorithm>
#include <memory>

#include "support/loc.hpp"
#include "together/world_boss.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"
#include "ui/together_text.hpp"

namespace talewick::ui {
namespace {

struct WorldBossOptions {
  bool json = false;
  CLI::App* enlist = nullptr;
  std::string pseudo;
};

int enlist(const WorldBossOptions& o, Io& io, AppContext& app) {
  auto boss = makeWorldBoss(app);
  const auto stats = worldBossStats(app, app.now()).value_or(together::WorldBossDailyStats{});
  const auto banner =
      waitFor<std::string>(app, [&](auto done) { boss->enlist(o.pseudo, stats, std::move(done)); });
  if (!banner.ok()) return sayFailure(io.err, banner.failure);
  io.out << Loc::string("cli.worldboss.enlisted", "Bannière hissée") << " : "
         << shown(*banner.value) << "\n";
  return EXIT_DONE;
}

void printBoard(std::ostream& out, const WorldBossWire::Board& b, int64_t dealtToday) {
  const auto& boss = b.boss;
  const double left =
      boss.hp > 0 ? double(std::clamp<int64_t>(boss.hp - boss.dealt, 0, boss.hp)) / boss.hp : 0;
  out << shown(boss.emoji) << " " << shown(boss.nameFR) << " " << progressBar(left, 20) << " "
      << std::max<int64_t>(boss.hp - boss.dealt, 0) << "/" << boss.hp << " PV — "
      << Loc::string("cli.worldboss.rage", "rage") << " " << boss.rage << " — " << boss.enlisted
      << " " << Loc::string("cli.worldboss.enlistedCount", "bannières") << "\n";
  out << Loc::string("cli.worldboss.today", "Tes coups aujourd'hui") << " : " << dealtToday << "\n";
  if (b.banner) {
    out << "\n" << shown(b.banner->nameFR.value_or(b.banner->nameEN.value_or(""))) << "\n";
    std::vector<WorldBossWire::RosterMember> roster = b.banner->roster;
    std::stable_sort(roster.begin(), roster.end(),
                     [](const auto& a, const auto& c) { return a.dealt > c.dealt; });
    for (const auto& m : roster) {
      out << (m.isYou ? "→ " : "  ") << shown(m.avatar.value_or("")) << (m.avatar ? " " : "")
          << shown(m.heroName) << " — " << m.dealt << "\n";
    }
  }
  for (const auto& event : b.chronicle) {
    out << "  " << shown(event.day.value_or("")) << " "
        << shown(event.messageFR.value_or(event.key)) << "\n";
  }
}

int showBoard(const WorldBossOptions& o, Io& io, AppContext& app) {
  auto boss = makeWorldBoss(app);
  if (!boss->isEnlisted()) {
    io.err << "talewick : "
           << WorldBossWire::description({WorldBossWire::Err::Kind::notEnlisted, ""}) << "\n";
    return EXIT_FAILED;
  }
  if (auto stats = worldBossStats(app, app.now())) {
    const auto pushed = waitFor<bool>(
        app, [&](auto done) { boss->pushDailyStatsIfNeeded(*stats, std::move(done)); });
    if (!pushed.ok()) sayFailure(io.err, pushed.failure);  // the board is still worth showing
  }
  const auto board =
      waitFor<WorldBossWire::Board>(app, [&](auto done) { boss->fetchBoard(std::move(done)); });
  if (!board.ok()) return sayFailure(io.err, board.failure);
  if (o.json) {
    Json out = *board.value;
    out["dealtToday"] = boss->myDealtToday();
    out["victoryGoldPaid"] = boss->lastVictoryGold();
    printJson(io.out, out);
    return EXIT_DONE;
  }
  printBoard(io.out, *board.value, boss->myDealtToday());
  if (boss->lastVictoryGold() > 0) {
    io.out << Loc::string("cli.worldboss.victory", "Victoire de la semaine passée :") << " +"
           << boss->lastVictoryGold() << " or\n";
  }
  return EXIT_DONE;
}

}  // namespace

Command worldBossCommand() {
  return Command{"worldboss",
                 Loc::string("cli.worldboss.help", "Le Fléau du monde : bannière, dégâts et butin"),
                 [](CLI::App& cmd) -> Handler {
                   auto o = std::make_shared<WorldBossOptions>();
                   cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
                   o->enlist = cmd.add_subcommand(
                       "enlist",
                       Loc::string("cli.worldboss.enlistHelp", "Hisse ta bannière sous un pseudo"));
                   o->enlist->add_option("pseudo", o->pseudo, "pseudo")->required();
                   return [o](Io& io, AppContext& app) {
                     if (o->enlist->parsed()) return enlist(*o, io, app);
                     return showBoard(*o, io, app);
                   };
                 }};
}

}  // namespace talewick::ui
