// `talewick quest ID [--date DATE]`: one quest of the week holding today (or DATE) in full — its
// occurrence, how its numbers were reached, and its choices.
#include <cstdio>
#include <memory>
#include <sstream>

#include "core/calendar_access.hpp"
#include "game/quest_engine.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct QuestOptions {
  std::string id;
  std::string date;
  std::string calendar;
  bool json = false;
};

std::string statName(StatKey stat) {
  static constexpr const char* kFrench[] = {"amour", "énergie", "sagesse", "force", "chaos"};
  return Loc::string("cli.stat." + std::string(rawValue(stat)), kFrench[static_cast<int>(stat)]);
}

std::string signedNumber(int64_t n) { return (n >= 0 ? "+" : "") + std::to_string(n); }

void printChoice(std::ostream& out, size_t index, const ChoiceOption& choice) {
  out << "  " << index << ". " << choice.label << " — " << choice.consequence << "\n";
  std::string effects = signedNumber(choice.xpDelta) + " XP";
  for (const auto& [stat, delta] : choice.statDelta)
    effects += " · " + statName(stat) + " " + signedNumber(delta);
  out << "     " << effects << "\n";
  if (choice.realQuest) {
    out << "     "
        << Loc::format(Loc::string("cli.quest.realQuest", "Dans la vraie vie : %@ (+%@ XP)"),
                       {choice.realQuest->title, std::to_string(choice.realQuest->reward)})
        << "\n";
  }
}

void printDetails(std::ostream& out, const Quest& quest, const std::optional<DayEvent>& event,
                  const std::optional<QuestBreakdown>& breakdown) {
  out << quest.emoji << " " << quest.name << "\n";
  out << "   « " << quest.rawTitle << " »\n";
  out << "   " << dayHeading(quest.startDate) << " · ";
  if (event && event->allDay) {
    out << Loc::string("cli.events.allDay", "journée");
  } else {
    out << clockText(quest.startDate) << " → "
        << clockText(quest.startDate.adding(60.0 * quest.durationMin)) << " (" << quest.durationMin
        << " min)";
  }
  out << "\n";
  if (event && event->location && !event->location->empty())
    out << "   " << Loc::format(Loc::string("cli.quest.place", "Lieu : %@"), {*event->location})
        << "\n";
  out << "   "
      << Loc::format(
             Loc::string("cli.quest.numbers", "%@ XP · rareté %@ · menace %@ %@ (palier %@)"),
             {std::to_string(quest.baseXp), rarityName(quest.rarity), quest.threat.emoji,
              quest.threat.label, std::to_string(quest.threat.tier)})
      << "\n";
  if (quest.biome)
    out << "   " << Loc::format(Loc::string("cli.quest.biome", "Décor : %@"), {*quest.biome})
        << "\n";
  out << "\n" << quest.intro << "\n";
  if (breakdown) {
    out << "\n" << Loc::string("cli.quest.breakdown", "Le calcul :") << "\n";
    printBreakdown(out, *breakdown);
  }
  if (!quest.choices.empty()) {
    out << "\n" << Loc::string("cli.quest.choices", "Les choix :") << "\n";
    for (size_t i = 0; i < quest.choices.size(); ++i) printChoice(out, i + 1, quest.choices[i]);
  }
  out << "\n"
      << Loc::format(Loc::string("cli.quest.id", "Identifiant : %@"),
                     {CalendarAccess::eventIdentifier(quest)})
      << "\n";
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
    printJson(io.out, Json{{"quest", json_coding::encode(quest)},
                           {"breakdown", json_coding::encode(breakdown)},
                           {"event", json_coding::encode(event)}});
    return EXIT_DONE;
  }
  // Every line of the details carries the calendar's words somewhere.
  std::ostringstream details;
  printDetails(details, quest, event, breakdown);
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
