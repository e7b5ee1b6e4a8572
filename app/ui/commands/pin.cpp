// `talewick pin QUEST_ID REALM`, `talewick pin --calendar CALENDAR_ID REALM`: places a quest, or
// every quest of a calendar, in a realm of the kingdom whatever its words say.
// `talewick unpin QUEST_ID` (or `--calendar CALENDAR_ID`): gives the placement back to the words.
#include <algorithm>
#include <memory>

#include "kingdom/kingdom_realm.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct PinOptions {
  std::vector<std::string> args;  // QUEST_ID REALM, or REALM alone with --calendar
  std::string calendar;
};

KingdomRealm forcibleRealm(const std::string& raw) {
  const auto realm = fromRaw<KingdomRealm>(raw);
  if (realm && KingdomRealms::isForcible(*realm)) return *realm;
  std::string names;
  for (KingdomRealm r : KingdomRealms::forcible) {
    names += (names.empty() ? "" : ", ") + std::string(rawValue(r));
  }
  throw UsageError(Loc::format(
      Loc::string("cli.pin.badRealm", "royaume invalide : « %@ » (royaumes possibles : %@)"),
      {raw, names}));
}

void requireCalendar(AppContext& app, const std::string& id) {
  const std::vector<std::string> ids = app.calendarIDs();
  if (std::find(ids.begin(), ids.end(), id) != ids.end()) return;
  std::string known;
  for (const std::string& c : ids) known += (known.empty() ? "" : ", ") + c;
  throw UsageError(Loc::format(
      Loc::string("cli.pin.unknownCalendar", "calendrier inconnu : « %@ » (calendriers : %@)"),
      {id, known}));
}

// The quest as the kingdom's window holds it (today's occurrence when it repeats). Refreshing the
// kingdom may pay for work done meanwhile: say so.
Quest kingdomQuest(AppContext& app, const std::string& id, Io& io) {
  printPayments(io.out, refreshKingdom(app));
  return findQuest(app.questStore(), id, app.now());
}

int pin(const PinOptions& o, Io& io, AppContext& app) {
  const bool byCalendar = !o.calendar.empty();
  if (o.args.size() != (byCalendar ? 1u : 2u)) {
    throw UsageError(Loc::string(
        "cli.pin.usage", "attendu : talewick pin QUEST_ID ROYAUME, ou pin --calendar ID ROYAUME"));
  }
  const KingdomRealm realm = forcibleRealm(o.args.back());
  KingdomTerritoryOverrideStore& pins = app.kingdom().overrides();
  if (byCalendar) {
    requireCalendar(app, o.calendar);
    pins.pinCalendar(o.calendar, realm);
    io.out << Loc::format(
                  Loc::string("cli.pin.calendar", "📌 Calendrier « %@ » : toujours dans %@."),
                  {o.calendar, realmName(realm)})
           << "\n";
    return EXIT_DONE;
  }
  const Quest quest = kingdomQuest(app, o.args.front(), io);
  pins.pinQuest(quest.id, realm);
  io.out << Loc::format(Loc::string("cli.pin.quest", "📌 « %@ » : dans %@."),
                        {shown(quest.rawTitle), realmName(realm)})
         << "\n";
  return EXIT_DONE;
}

int unpin(const PinOptions& o, Io& io, AppContext& app) {
  KingdomTerritoryOverrideStore& pins = app.kingdom().overrides();
  bool removed = false;
  std::string what;
  if (!o.calendar.empty()) {
    removed = pins.unpinCalendar(o.calendar);
    what = o.calendar;
  } else if (o.args.size() == 1) {
    // A quest gone from the window may still carry a pin: try its id as given.
    std::string questID =
        o.args.front().rfind("quest_", 0) == 0 ? o.args.front() : "quest_" + o.args.front();
    std::optional<std::string> calendarID;
    try {
      const Quest quest = kingdomQuest(app, o.args.front(), io);
      questID = quest.id;
      if (const auto event = app.questStore().dayEvent(quest)) calendarID = event->calendarID;
    } catch (const UsageError&) {
    }
    removed = pins.unpin(questID, calendarID);
    what = o.args.front();
  } else {
    throw UsageError(Loc::string("cli.unpin.usage",
                                 "attendu : talewick unpin QUEST_ID, ou unpin --calendar ID"));
  }
  if (!removed) {
    io.err << "talewick : "
           << Loc::format(Loc::string("cli.unpin.none", "aucune épingle pour « %@ »"), {what})
           << "\n";
    return EXIT_FAILED;
  }
  io.out << Loc::format(Loc::string("cli.unpin.done", "Épingle retirée : « %@ »."), {what}) << "\n";
  return EXIT_DONE;
}

Handler setUp(CLI::App& cmd, bool pinning) {
  auto o = std::make_shared<PinOptions>();
  cmd.add_option("args", o->args,
                 pinning
                     ? Loc::string("cli.pin.args", "QUEST_ID ROYAUME (ou ROYAUME avec --calendar)")
                     : Loc::string("cli.unpin.args", "QUEST_ID"));
  cmd.add_option("--calendar", o->calendar,
                 Loc::string("cli.pin.calendarOption", "Tout un calendrier, par son identifiant"));
  if (pinning) return [o](Io& io, AppContext& app) { return pin(*o, io, app); };
  return [o](Io& io, AppContext& app) { return unpin(*o, io, app); };
}

}  // namespace

Command pinCommand() {
  return Command{"pin",
                 Loc::string("cli.pin.help",
                             "Épingle une quête ou un calendrier à un royaume (family, personal, "
                             "tickets, deadlines)"),
                 [](CLI::App& cmd) { return setUp(cmd, true); }};
}

Command unpinCommand() {
  return Command{"unpin",
                 Loc::string("cli.unpin.help", "Retire l'épingle d'une quête ou d'un calendrier"),
                 [](CLI::App& cmd) { return setUp(cmd, false); }};
}

}  // namespace talewick::ui
