// `talewick reminders [done ID]`: open reminders as side quests, and completing one.
#include <memory>

#include "core/reminders_service.hpp"
#include "game/side_quest.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct RemindersOptions {
  bool json = false;
  std::string id;
  CLI::App* done = nullptr;
};

int list(const RemindersOptions& o, Io& io, AppContext& app) {
  RemindersService service(app.remindersStore());
  const std::vector<SideQuest> quests = service.openSideQuests(false);
  if (o.json) {
    printJsonValue(io.out, quests);
    return EXIT_DONE;
  }
  if (quests.empty()) io.out << Loc::string("cli.reminders.none", "Aucune quête annexe.") << "\n";
  for (const SideQuest& q : quests) {
    const auto reward = SideQuests::reward(q.priority);
    io.out << padded(q.due ? LocalCalendar::dayKey(*q.due) : "", 10) << "  " << padded(q.title, 40)
           << "  +" << reward.xp << " XP  " << shown(q.listTitle.value_or("")) << "  ["
           << shown(q.id) << "]\n";
  }
  return EXIT_DONE;
}

int done(const RemindersOptions& o, Io& io, AppContext& app) {
  using Outcome = RemindersService::Completion::Outcome;
  const std::string id(text::trim(o.id));
  if (id.empty()) {
    throw UsageError(Loc::string(
        "cli.reminders.emptyID",
        "identifiant de rappel vide : `talewick reminders` donne celui de chaque quête annexe"));
  }
  RemindersService service(app.remindersStore());
  const RemindersService::Completion done =
      service.completeAndCredit(id, app.now(), app.heroStore());
  switch (done.outcome) {
    case Outcome::unknown:
      throw UsageError(
          Loc::format(Loc::string("cli.reminders.unknown", "rappel introuvable : %@"), {id}));
    case Outcome::alreadyDone:
      io.err << "talewick : "
             << Loc::format(Loc::string("cli.reminders.alreadyDone",
                                        "la quête annexe %@ est déjà accomplie"),
                            {id})
             << "\n";
      return EXIT_FAILED;
    case Outcome::notSaved:
      io.err << "talewick : "
             << Loc::format(Loc::string("cli.reminders.notDone",
                                        "impossible d'accomplir la quête annexe %@ : son fichier "
                                        "n'a pas pu être modifié"),
                            {id})
             << "\n";
      return EXIT_FAILED;
    case Outcome::completed:
      break;
  }
  // Only what the hero really gained is announced: a side quest paid before pays nothing.
  if (done.credited) {
    io.out << Loc::format(
        Loc::string("cli.reminders.done", "Quête annexe accomplie : %@ (+%@ XP, +%@ or)"),
        {shown(done.quest->title), std::to_string(done.credited->xp),
         std::to_string(done.credited->gold)});
  } else {
    io.out << Loc::format(Loc::string("cli.reminders.doneUnpaid", "Quête annexe accomplie : %@"),
                          {shown(done.quest->title)});
  }
  io.out << "\n";
  return EXIT_DONE;
}

}  // namespace

Command remindersCommand() {
  return Command{
      "reminders", Loc::string("cli.reminders.help", "Les rappels ouverts, en quêtes annexes"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<RemindersOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        o->done = cmd.add_subcommand(
            "done", Loc::string("cli.reminders.doneHelp", "Marque un rappel comme accompli"));
        o->done->add_option("id", o->id, Loc::string("cli.reminders.id", "Identifiant du rappel"))
            ->required();
        return [o](Io& io, AppContext& app) {
          return o->done->parsed() ? done(*o, io, app) : list(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
