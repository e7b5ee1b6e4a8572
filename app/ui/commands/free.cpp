// `talewick free [--days N] [--min MINUTES] [--json]`: the open slots of the coming working days
// between the quests of the calendar, as a booking page would offer them.
#include <memory>

#include "kingdom/availability.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct FreeOptions {
  std::string days = "5";
  std::string minutes = "30";
  bool json = false;
};

int freeSlots(const FreeOptions& o, Io& io, AppContext& app) {
  AvailabilityConfig config;
  config.horizonDays = parseWholeNumber(o.days, "--days", 1, Availability::MAX_HORIZON_DAYS);
  config.slotMinutes = parseWholeNumber(o.minutes, "--min", 5, 24 * 60);
  const Date now = app.now();
  const Date first = LocalCalendar::startOfDay(now);
  const DateInterval window{first, LocalCalendar::startOfDay(LocalCalendar::addingDays(
                                       first, static_cast<int>(config.horizonDays)))};
  QuestStore& store = app.questStore();
  store.load(window, store.labelFor(window));
  std::vector<DateInterval> busy;
  for (const Quest& q : store.quests()) {
    busy.push_back({q.startDate, q.startDate.adding(static_cast<double>(q.durationMin) * 60)});
  }
  const std::vector<DateInterval> slots = Availability::openSlots(busy, now, config);

  if (o.json) {
    DateStyleScope iso(DateStyle::iso8601);
    Json list = Json::array();
    for (const DateInterval& slot : slots) {
      list.push_back(
          Json{{"start", json_coding::encode(slot.start)}, {"end", json_coding::encode(slot.end)}});
    }
    Json out = storeJson(store);
    out["slotMinutes"] = config.slotMinutes;
    out["slots"] = std::move(list);
    printJson(io.out, out);
    return EXIT_DONE;
  }
  io.out << shown(store.statusLine()) << "\n";
  if (slots.empty()) {
    io.out << Loc::string("cli.free.none", "Aucun créneau libre sur cette période.") << "\n";
    return EXIT_DONE;
  }
  io.out << Loc::format(Loc::string("cli.free.heading", "Créneaux libres de %@ min :"),
                        {std::to_string(config.slotMinutes)})
         << "\n";
  std::string dayKey;
  for (const DateInterval& slot : slots) {
    if (LocalCalendar::dayKey(slot.start) != dayKey) {
      dayKey = LocalCalendar::dayKey(slot.start);
      io.out << "\n" << dayHeading(slot.start) << "\n ";
    }
    io.out << " " << clockText(slot.start);
  }
  io.out << "\n";
  return EXIT_DONE;
}

}  // namespace

Command freeCommand() {
  return Command{
      "free", Loc::string("cli.free.help", "Les créneaux libres des prochains jours ouvrés"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<FreeOptions>();
        cmd.add_option("--days", o->days,
                       Loc::string("cli.free.days", "Nombre de jours à partir d'aujourd'hui (5)"));
        cmd.add_option("--min", o->minutes,
                       Loc::string("cli.free.min", "Durée d'un créneau en minutes (30)"));
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        return [o](Io& io, AppContext& app) { return freeSlots(*o, io, app); };
      }};
}

}  // namespace talewick::ui
