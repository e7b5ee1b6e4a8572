// `talewick events [--from DATE] [--to DATE]`: the occurrences of a window as the game reads them.
#include <memory>

#include "core/calendar_access.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct EventsOptions {
  std::string from, to;
  bool json = false;
};

// A day ("2026-12-05", local midnight) or a date and time, with or without an offset.
Date parseDate(const std::string& text, const char* option) {
  if (auto parsed = iso8601::parse(text)) {
    if (parsed->offsetSeconds) return iso8601::instant(parsed->civil, *parsed->offsetSeconds);
    if (auto local = LocalCalendar::dateFrom(parsed->civil)) return *local;
  }
  throw UsageError(Loc::format(
      Loc::string("cli.events.badDate", "date invalide pour %@ : « %@ » (attendu : AAAA-MM-JJ)"),
      {option, text}));
}

std::string when(const DayEvent& e) {
  const std::string day = LocalCalendar::dayKey(e.startDate);
  if (e.allDay) return day + "  " + padded(Loc::string("cli.events.allDay", "journée"), 5);
  const auto f = LocalCalendar::fields(e.startDate);
  char time[8];
  std::snprintf(time, sizeof time, "%02d:%02d", f.hour, f.minute);
  return day + "  " + time;
}

// A day alone is the last day shown, so that "--from 2026-12-05 --to 2026-12-05" is that day; a
// date and time is where the window stops.
Date windowEnd(const std::string& text) {
  const Date end = parseDate(text, "--to");
  if (text.size() != 10) return end;
  return LocalCalendar::startOfDay(LocalCalendar::addingDays(end, 1));
}

int events(const EventsOptions& o, Io& io, AppContext& app) {
  const Date from =
      o.from.empty() ? LocalCalendar::startOfDay(app.now()) : parseDate(o.from, "--from");
  const Date to = o.to.empty() ? LocalCalendar::addingDays(from, 7) : windowEnd(o.to);
  if (!(from < to)) {
    throw UsageError(Loc::string("cli.events.emptyWindow", "fenêtre vide : --to précède --from"));
  }
  CalendarEventStorePort& store = app.calendarStore();
  if (!store.requestFullAccess()) {
    io.err << "talewick : " << Loc::string("cli.events.denied", "accès calendrier refusé") << "\n";
    return EXIT_FAILED;
  }
  const auto lists = CalendarAccess::fetchDayEvents(store, from, to, app.selection().hidden());
  if (o.json) {
    DateStyleScope iso(DateStyle::iso8601);
    printJson(io.out, Json{{"timed", json_coding::encode(lists.timed)},
                           {"allDay", json_coding::encode(lists.allDay)}});
    return EXIT_DONE;
  }
  std::vector<const DayEvent*> all;
  for (const auto& e : lists.allDay) all.push_back(&e);
  for (const auto& e : lists.timed) all.push_back(&e);
  std::stable_sort(all.begin(), all.end(), [](const DayEvent* a, const DayEvent* b) {
    return a->startDate < b->startDate;
  });
  for (const DayEvent* e : all) {
    io.out << when(*e) << "  " << padded(e->title, 40) << "  " << shown(e->calendarID.value_or(""))
           << "\n";
  }
  if (all.empty()) io.out << Loc::string("cli.events.none", "Aucun événement.") << "\n";
  return EXIT_DONE;
}

}  // namespace

Command eventsCommand() {
  return Command{
      "events", Loc::string("cli.events.help", "Les événements d'une période (7 jours par défaut)"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<EventsOptions>();
        cmd.add_option(
            "--from", o->from,
            Loc::string("cli.events.from", "Début (AAAA-MM-JJ ; aujourd'hui par défaut)"));
        cmd.add_option("--to", o->to,
                       Loc::string("cli.events.to",
                                   "Dernier jour (AAAA-MM-JJ), ou instant de fin exclu "
                                   "(AAAA-MM-JJTHH:MM)"));
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        return [o](Io& io, AppContext& app) { return events(*o, io, app); };
      }};
}

}  // namespace talewick::ui
