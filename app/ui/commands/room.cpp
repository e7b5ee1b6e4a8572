// `talewick room`: the vigil rooms of the world boss. `room join ["pledge"…]` joins the next
// slot's lobby with up to three pledged tasks (or arms until it opens); `room [--json]` shows the
// room, and on a terminal keeps it on screen — the fire's progress redrawn, the others' cries
// printed as they come — until Ctrl-C or the slot resolves; `room done N` ticks pledged task N,
// `room cry KEY` sends a battle cry, `room leave` ends the session here.
//
// This process never beats: the daemon drives the session it finds in the preferences (see
// VigilService). Without a daemon running, the candle does not hold.
#include <asio/signal_set.hpp>
#include <asio/steady_timer.hpp>
#include <csignal>
#include <memory>

#include "support/loc.hpp"
#include "together/world_boss_vigil.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"
#include "ui/together_text.hpp"

namespace talewick::ui {
namespace {

using together::VigilService;
using together::VigilStage;
using Kind = VigilStage::Kind;

constexpr auto kLiveLook = std::chrono::seconds(5);

struct RoomOptions {
  bool json = false;
  CLI::App* join = nullptr;
  CLI::App* done = nullptr;
  CLI::App* cry = nullptr;
  CLI::App* leave = nullptr;
  std::vector<std::string> pledges;
  std::string value;
};

int failedWith(Io& io, const VigilService& vigil) {
  io.err << "talewick : " << shown(vigil.lastError().value_or("?")) << "\n";
  return EXIT_FAILED;
}

std::string cryLine(const std::string& heroName, const std::string& key) {
  const auto cry = WorldBossVigil::cry(key);
  return shown(heroName) + " : " +
         (cry ? std::string(cry->emoji) + " " + std::string(WorldBossVigil::localizedMessage(*cry))
              : shown(key));
}

int join(const RoomOptions& o, Io& io, AppContext& app) {
  if (o.pledges.size() > size_t(WorldBossVigil::maxPledged)) {
    throw UsageError(Loc::string("cli.room.tooManyPledges", "trois tâches au plus"));
  }
  together::NoTickTimer timer;
  auto vigil = makeVigil(app, timer);
  vigil->setPledgeLines(o.pledges);
  vigil->joinNext();
  app.runLoop().settle();
  const VigilStage stage = vigil->stage();
  if (vigil->lastError()) {
    failedWith(io, *vigil);
    if (stage.kind == Kind::arming) {
      io.err << Loc::string("cli.room.retry", "Le démon réessaiera (talewick daemon).") << "\n";
    }
    return EXIT_FAILED;
  }
  if (stage.kind == Kind::arming) {
    io.out << Loc::string("cli.room.armed", "Veillée") << " " << stage.slot << " : "
           << Loc::string("cli.room.armedWhen",
                          "le hall ouvre 10 minutes avant ; le démon t'y fera entrer.")
           << "\n";
  } else {
    io.out << Loc::string("cli.room.joined", "Tu es dans le hall de la veillée") << " "
           << stage.slot << ".\n";
  }
  return EXIT_DONE;
}

void printRoom(std::ostream& out, const VigilService& vigil) {
  const VigilStage stage = vigil.stage();
  if (stage.kind == Kind::idle) {
    out << Loc::string("cli.room.none", "Aucune veillée en cours (talewick room join).") << "\n";
    return;
  }
  out << Loc::string("cli.room.slot", "Veillée") << " " << stage.slot << " — "
      << together::stageName(stage.kind) << "\n";
  if (const auto& room = vigil.room()) {
    out << Loc::string("cli.room.fire", "Feu") << " " << room->fireLevel << " — "
        << room->roster.size() << "/" << room->capacity << " ("
        << Loc::string("cli.room.minimum", "il en faut") << " " << room->minToLight << ")\n";
    for (const VigilWire::Candle& c : room->roster) {
      out << "  " << shown(c.avatar.value_or("🕯")) << " " << shown(c.heroName) << " — "
          << shown(c.candle) << " " << c.done << "/" << c.pledged << "\n";
    }
    if (room->result) {
      out << (room->result->lit ? Loc::string("cli.room.lit", "Le feu a pris.")
                                : Loc::string("cli.room.notLit", "Le feu n'a pas pris."))
          << "\n";
    }
  }
  const std::vector<bool> checks = vigil.doneChecks();
  const std::vector<std::string>& lines = vigil.sessionPledgeLines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    out << "  " << (i < checks.size() && checks[i] ? "[x] " : "[ ] ") << i + 1 << ". "
        << shown(lines[i]) << "\n";
  }
  if (vigil.lastRewardPaid() > 0) out << "+" << vigil.lastRewardPaid() << " or\n";
}

// The fire's progress through the session, from the room's own countdown.
double sessionProgress(const VigilService& vigil) {
  const auto& room = vigil.room();
  if (!room) return 0;
  if (room->phase == "resolved") return 1;
  if (room->phase != "burning" || !room->endsInSec) return 0;
  const double total = double(WorldBossVigil::sessionMinutes) * 60;
  return std::clamp(1 - double(*room->endsInSec) / total, 0.0, 1.0);
}

// Redraws the progress line and prints new cries until Ctrl-C or the slot resolves.
void liveView(Io& io, AppContext& app, VigilService& vigil) {
  asio::io_context& main = app.runLoop().main();
  asio::signal_set signals(main, SIGINT, SIGTERM);
  asio::steady_timer look(main);
  bool stopped = false;
  signals.async_wait([&](const std::error_code& error, int) {
    if (!error) stopped = true;
    look.cancel();
  });
  size_t printed = 0;
  std::function<void()> step = [&] {
    vigil.refreshRoom([&] {
      const auto& toasts = vigil.cryToasts();
      for (; printed < toasts.size(); ++printed) {
        io.out << "\r\x1b[K" << cryLine(toasts[printed].heroName, toasts[printed].key) << "\n";
      }
      if (toasts.size() < printed) printed = toasts.size();
      io.out << "\r\x1b[K" << progressBar(sessionProgress(vigil), 25) << " "
             << together::stageName(vigil.stage().kind) << std::flush;
      const bool over = vigil.room() && vigil.room()->phase == "resolved";
      if (over || stopped) {
        signals.cancel();
        return;
      }
      look.expires_after(kLiveLook);
      look.async_wait([&](const std::error_code& error) {
        if (!error && !stopped) step();
      });
    });
  };
  step();
  main.restart();
  main.run();
  io.out << "\n";
}

int show(const RoomOptions& o, Io& io, AppContext& app) {
  together::NoTickTimer timer;
  auto vigil = makeVigil(app, timer);
  vigil->refreshRoom();
  app.runLoop().settle();
  if (o.json) {
    const VigilStage stage = vigil->stage();
    Json out{{"stage", together::stageName(stage.kind)},
             {"slot", stage.slot},
             {"room", vigil->room() ? Json(*vigil->room()) : Json()},
             {"pledge", vigil->sessionPledgeLines()},
             {"doneChecks", vigil->doneChecks()},
             {"canCry", vigil->canCry()}};
    if (vigil->lastError()) out["error"] = *vigil->lastError();
    printJson(io.out, out);
    return EXIT_DONE;
  }
  if (vigil->lastError()) return failedWith(io, *vigil);
  printRoom(io.out, *vigil);
  if (io.terminal && vigil->stage().kind != Kind::idle) liveView(io, app, *vigil);
  return EXIT_DONE;
}

int done(const RoomOptions& o, Io& io, AppContext& app) {
  const int64_t n = parseWholeNumber(o.value, "N", 1, WorldBossVigil::maxPledged);
  together::NoTickTimer timer;
  auto vigil = makeVigil(app, timer);
  if (!vigil->toggleDone(size_t(n - 1))) {
    throw UsageError(Loc::string("cli.room.noSuchPledge", "pas de tâche promise à ce numéro"));
  }
  app.runLoop().settle();
  if (vigil->lastError()) return failedWith(io, *vigil);
  printRoom(io.out, *vigil);
  return EXIT_DONE;
}

int cry(const RoomOptions& o, Io& io, AppContext& app) {
  if (!WorldBossVigil::cry(o.value)) {
    std::string keys;
    for (const auto& c : WorldBossVigil::cries)
      keys += (keys.empty() ? "" : ", ") + std::string(c.key);
    throw UsageError(Loc::string("cli.room.unknownCry", "cri inconnu ; au choix :") + " " + keys);
  }
  together::NoTickTimer timer;
  auto vigil = makeVigil(app, timer);
  bool sent = false;
  if (!vigil->sendCry(o.value, [&sent](bool ok) { sent = ok; })) {
    io.err << "talewick : "
           << Loc::string("cli.room.cannotCry",
                          "pas de cri maintenant (10 s entre deux cris, 12 par veillée).")
           << "\n";
    return EXIT_FAILED;
  }
  app.runLoop().settle();
  if (!sent) return failedWith(io, *vigil);
  io.out << cryLine(Loc::string("cli.room.you", "Toi"), o.value) << "\n";
  return EXIT_DONE;
}

int leave(Io& io, AppContext& app) {
  together::NoTickTimer timer;
  makeVigil(app, timer)->leave();
  io.out << Loc::string("cli.room.left", "Tu as quitté la veillée.") << "\n";
  return EXIT_DONE;
}

}  // namespace

Command roomCommand() {
  return Command{
      "room",
      Loc::string("cli.room.help",
                  "Les veillées autour du Fléau : 25 minutes de concentration à plusieurs"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<RoomOptions>();
        const std::string json = Loc::string("cli.json", "Sortie JSON");
        cmd.add_flag("--json", o->json, json);
        o->join = cmd.add_subcommand(
            "join", Loc::string("cli.room.joinHelp", "Rejoint le hall du prochain créneau"));
        o->join->add_option("pledges", o->pledges,
                            Loc::string("cli.room.pledges", "Jusqu'à trois tâches promises"));
        o->done = cmd.add_subcommand(
            "done", Loc::string("cli.room.doneHelp", "Coche (ou décoche) la tâche promise N"));
        o->done->add_option("n", o->value, "N")->required();
        o->cry =
            cmd.add_subcommand("cry", Loc::string("cli.room.cryHelp", "Lance un cri de guerre"));
        o->cry->add_option("key", o->value, "tenez-bon, courage…")->required();
        o->leave =
            cmd.add_subcommand("leave", Loc::string("cli.room.leaveHelp", "Quitte la veillée"));
        return [o](Io& io, AppContext& app) {
          if (o->join->parsed()) return join(*o, io, app);
          if (o->done->parsed()) return done(*o, io, app);
          if (o->cry->parsed()) return cry(*o, io, app);
          if (o->leave->parsed()) return leave(io, app);
          return show(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
