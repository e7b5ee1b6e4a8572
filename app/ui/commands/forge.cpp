// `talewick forge [FILE|-]`: forges a JSON array of calendar occurrences into quests.
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "game/quest_engine.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct ForgeOptions {
  std::string file = "-";
  std::string mode = "heroicPapa";
  bool json = false;
  bool breakdown = false;
};

std::string readInput(const std::string& file, std::istream& in) {
  if (file == "-") return std::string(std::istreambuf_iterator<char>(in), {});
  std::ifstream f(file, std::ios::binary);
  if (!f) {
    throw UsageError(
        Loc::format(Loc::string("cli.forge.unreadable", "impossible de lire « %@ »"), {file}));
  }
  std::ostringstream buffer;
  buffer << f.rdbuf();
  return buffer.str();
}

std::vector<DayEvent> decodeEvents(const std::string& text) {
  try {
    return decodeJsonText<std::vector<DayEvent>>(text);
  } catch (const DecodeError& e) {
    const std::string where = e.path().empty() ? "" : e.path() + " : ";
    throw UsageError(Loc::string("cli.forge.badInput", "entrée invalide — ") + where + e.reason());
  }
}

int forge(const ForgeOptions& o, Io& io) {
  const RPGMode mode = parseMode(o.mode);
  const std::vector<DayEvent> events = decodeEvents(readInput(o.file, io.in));
  std::vector<Quest> quests;
  std::vector<QuestBreakdown> breakdowns;
  quests.reserve(events.size());
  for (const DayEvent& e : events) {
    quests.push_back(QuestEngine::eventToQuest(e, mode));
    if (o.breakdown) breakdowns.push_back(QuestEngine::breakdown(e, mode));
  }
  if (o.json && o.breakdown) {
    printJsonValue(io.out, breakdowns);
  } else if (o.json) {
    printJsonValue(io.out, quests);
  } else {
    printQuestTable(io.out, quests, o.breakdown ? &breakdowns : nullptr);
  }
  return EXIT_DONE;
}

}  // namespace

Command forgeCommand() {
  return Command{
      "forge",
      Loc::string("cli.forge.help",
                  "Forge des quêtes à partir d'un tableau JSON d'événements (DayEvent)"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<ForgeOptions>();
        cmd.add_option(
            "file", o->file,
            Loc::string("cli.forge.file", "Fichier JSON à lire (« - » : entrée standard)"));
        cmd.add_option("--mode", o->mode, Loc::string("cli.mode", "Mode narratif (heroicPapa…)"));
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        cmd.add_flag("--breakdown", o->breakdown,
                     Loc::string("cli.forge.breakdown", "Détail du calcul de chaque quête"));
        return [o](Io& io, AppContext&) { return forge(*o, io); };
      }};
}

}  // namespace talewick::ui
