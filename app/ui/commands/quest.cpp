// `talewick quest ID [--date DATE]`: one quest of the week holding today (or DATE) in full — its
// occurrence, how its numbers were reached, its choices, and the answer given to it from the game
// while Google does not list it yet.
#include <cstdio>
#include <memory>
#include <sstream>

#include "core/calendar_access.hpp"
#include "game/quest_engine.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/invitation_answer.hpp"
#include "ui/quest_sheet.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct QuestOptions {
  std::string id;
  std::string date;
  std::string calendar;
  bool json = false;
};

void printDetails(std::ostream& out, const QuestSheet& sheet) {
  out << sheet.heading << "\n";
  out << "   « " << sheet.rawTitle << " »\n";
  out << "   " << sheet.when << "\n";
  if (!sheet.place.empty()) out << "   " << sheet.place << "\n";
  out << "   " << sheet.numbers << "\n";
  if (!sheet.biome.empty()) out << "   " << sheet.biome << "\n";
  out << "\n" << sheet.intro << "\n";
  if (!sheet.breakdown.empty()) {
    out << "\n" << Loc::string("cli.quest.breakdown", "Le calcul :") << "\n" << sheet.breakdown;
  }
  if (!sheet.choices.empty()) {
    out << "\n" << Loc::string("cli.quest.choices", "Les choix :") << "\n";
    for (size_t i = 0; i < sheet.choices.size(); ++i) {
      const QuestSheet::Choice& choice = sheet.choices[i];
      out << "  " << i + 1 << ". " << choice.label << "\n";
      out << "     " << choice.effects << "\n";
      if (!choice.realQuest.empty()) out << "     " << choice.realQuest << "\n";
    }
  }
  out << "\n" << sheet.identifier << "\n";
}

int questDetails(const QuestOptions& o, Io& io, AppContext& app) {
  const Date now = app.now();
  const Date day = o.date.empty() ? now : parseDay(o.date);
  QuestStore& store = loadWeek(app, day);
  const std::string calendar = questCalendar(store, o.id, o.calendar);
  const Quest quest = findQuest(store, o.id, day, calendar);
  const std::optional<DayEvent> event = eventBehind(store, quest, now, calendar);
  std::optional<QuestBreakdown> breakdown;
  if (event) breakdown = QuestEngine::breakdown(*event, store.mode());
  if (o.json) {
    DateStyleScope iso(DateStyle::iso8601);
    const std::optional<std::string> sent = unconfirmedAnswerLine(app, quest);
    printJson(io.out, Json{{"quest", json_coding::encode(quest)},
                           {"breakdown", json_coding::encode(breakdown)},
                           {"event", json_coding::encode(event)},
                           {"answerSent", sent ? Json(*sent) : Json(nullptr)}});
    return EXIT_DONE;
  }
  // Every line of the details carries the calendar's words somewhere.
  std::ostringstream details;
  printDetails(details, questSheet(quest, event, breakdown));
  // An answer given here shows at once, before Google lists it.
  if (const std::optional<std::string> sent = unconfirmedAnswerLine(app, quest)) {
    details << *sent << "\n";
  }
  io.out << shown(details.str(), true);
  return EXIT_DONE;
}

}  // namespace

Command questCommand() {
  return Command{"quest", Loc::string("cli.quest.help", "Une quête en détail : calcul et choix"),
                 [](CLI::App& cmd) -> Handler {
                   auto o = std::make_shared<QuestOptions>();
                   cmd.add_option("id", o->id,
                                  Loc::string("cli.quest.idArg",
                                              "Identifiant de la quête (entre crochets "
                                              "dans les listes)"))
                       ->required();
                   cmd.add_option(
                       "--date", o->date,
                       Loc::string("cli.quest.date", "Un jour de sa semaine (AAAA-MM-JJ)"));
                   cmd.add_option("--calendar", o->calendar, calendarOptionHelp());
                   cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
                   return [o](Io& io, AppContext& app) { return questDetails(*o, io, app); };
                 }};
}

}  // namespace talewick::ui
