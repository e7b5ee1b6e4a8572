// `talewick` alone: today as a game. Until calendars are read, this is the demonstration day.
#include <chrono>
#include <memory>

#include "ui/commands/commands.hpp"
#include "core/mock_events.hpp"
#include "game/quest_engine.hpp"
#include "ui/render.hpp"
#include "support/loc.hpp"

namespace talewick::ui {
namespace {

struct TodayOptions {
  std::string mode = "heroicPapa";
  bool json = false;
};

Date now() {
  using namespace std::chrono;
  const double unix = duration<double>(system_clock::now().time_since_epoch()).count();
  return Date::fromUnix(unix);
}

int today(const TodayOptions& o, Io& io) {
  const RPGMode mode = parseMode(o.mode);
  std::vector<Quest> quests;
  for (const DayEvent& e : mockEvents(now())) quests.push_back(QuestEngine::eventToQuest(e, mode));
  if (o.json) {
    printJsonValue(io.out, quests);
    return EXIT_DONE;
  }
  int64_t xp = 0;
  for (const Quest& q : quests) xp += q.baseXp;
  io.out << Loc::format(Loc::string("cli.today.preview", "Aperçu — journée de démonstration (%@ quêtes, mode %@)"),
                        {std::to_string(quests.size()), displayName(mode)})
         << "\n\n";
  printQuestTable(io.out, quests);
  io.out << "\n"
         << Loc::format(Loc::string("cli.today.total", "%@ XP à gagner aujourd'hui."),
                        {std::to_string(xp)})
         << "\n";
  return EXIT_DONE;
}

}  // namespace

Command todayCommand() {
  return Command{"", "",
                 [](CLI::App& app) -> Handler {
                   auto o = std::make_shared<TodayOptions>();
                   app.add_option("--mode", o->mode,
                                  Loc::string("cli.mode", "Mode narratif (heroicPapa…)"));
                   app.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
                   return [o](Io& io, AppContext&) { return today(*o, io); };
                 }};
}

}  // namespace talewick::ui
