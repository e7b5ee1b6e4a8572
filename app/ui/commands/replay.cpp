// `talewick replay [DATE]`: closes a day on this machine. The day's quests come one at a time with
// their choices; the user picks (or a persona does, with --auto), and the recap is applied to the
// hero under the day's receipt, so that a day pays once on every machine sharing the hero.
#include <cmath>
#include <cstdlib>
#include <memory>

#include "game/day_replay.hpp"
#include "game/hero_document.hpp"
#include "kingdom/rest_sanctuary.hpp"
#include "platform/ics/times.hpp"
#include "support/day_keys.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/hero_change.hpp"
#include "ui/commands/replay_flow.hpp"
#include "ui/commands/replay_text.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct ReplayOptions {
  std::string day;  // empty: today
  std::string persona;
  std::optional<double> sleep;
  std::optional<int64_t> steps;
  bool json = false;
  bool dryRun = false;
};

int replay(const ReplayOptions& o, Io& io, AppContext& app) {
  const std::optional<PersonaKind> persona = parsePersona(o.persona);
  // JSON is for scripts: its output cannot carry the questions.
  const bool asking = io.terminal && !o.json;
  requireAnswerer(asking, persona);
  const Date now = app.now();
  const Date day = o.day.empty() ? LocalCalendar::startOfDay(now) : parseDay(o.day);
  const std::string dayKey = LocalCalendar::dayKey(day);
  if (dayKey > LocalCalendar::dayKey(now)) {
    throw UsageError(Loc::format(
        Loc::string("cli.replay.future", "%@ n'est pas encore vécu : rien à rejouer"), {dayKey}));
  }
  requireSoundHero(app);
  HeroStore& heroes = app.heroStore();
  const std::string receipt = DayReplay::receiptID(dayKey);
  const std::vector<std::string>& paid = heroes.payload()->replayRewardReceiptIDs;
  if (std::find(paid.begin(), paid.end(), receipt) != paid.end())
    return alreadyReplayed(io, dayKey);

  const std::vector<Quest> quests = questsOfDay(app, day);
  const Hero before = HeroDocument::heroOf(*heroes.payload());
  Engine::Choices choices;
  if (asking && !quests.empty()) io.out << replayHeading(dayKey, quests.size()) << "\n";
  if (!chooseOptions(io, asking, persona, before, dayKey, quests, choices)) {
    io.out << Loc::string("cli.replay.abandoned", "Rejeu abandonné : rien n'a changé.") << "\n";
    return EXIT_FAILED;
  }

  std::optional<PhysicalState> physical;
  if (o.sleep || o.steps) physical = PhysicalState{o.sleep, o.steps};
  const RPGMode mode = app.narrativeMode();
  DayReplay::Closed closed;
  KingdomRestStore& rest = app.restStore();
  const std::string zone = ics::processZoneId();
  const auto closeDay = [&](const Hero& hero) {
    // Rest days declared in advance between the last replay and this day keep the streak.
    const bool bridged =
        RestSanctuary::bridgesStreak(hero.lastReplayDateISO, dayKey, rest.declarations(), zone);
    closed = DayReplay::close(hero, quests, choices, dayKey, physical, mode, bridged);
    return std::optional<Hero>(closed.hero);
  };
  if (o.dryRun) {
    closeDay(before);
  } else {
    switch (heroes.changeHero({receipt}, closeDay)) {
      case HeroSync::Credit::credited:
        break;
      case HeroSync::Credit::alreadyCredited:
        return alreadyReplayed(io, dayKey);
      case HeroSync::Credit::refused:
        throw std::runtime_error(
            Loc::format(Loc::string("cli.replay.refused",
                                    "la journée du %@ est trop ancienne pour être rejouée"),
                        {dayKey}));
    }
  }
  // Coming back after declared rest pays the reprise, once a week.
  bool reprise = false;
  if (!o.dryRun) {
    reprise = dayKey == LocalCalendar::dayKey(now) && rest.payRepriseIfDue(heroes, dayKey, zone);
    rest.markActive(dayKey);
  }
  if (o.json) {
    printJsonValue(io.out, closed.recap);
  } else {
    io.out << recapText(closed.recap, closed.hero, o.dryRun);
    if (reprise) {
      io.out << Loc::format(Loc::string("cli.replay.reprise",
                                        "Retour du sanctuaire : +%@ XP pour la reprise."),
                            {std::to_string(RestSanctuary::repriseRewardXP)})
             << "\n";
    }
  }
  return EXIT_DONE;
}

}  // namespace

Command replayCommand() {
  return Command{
      "replay",
      Loc::string("cli.replay.help",
                  "Rejoue une journée : tes choix, ton butin, ton héros grandit"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<ReplayOptions>();
        cmd.add_option("date", o->day,
                       Loc::string("cli.replay.date",
                                   "Le jour à rejouer (AAAA-MM-JJ ; aujourd'hui "
                                   "par défaut)"));
        cmd.add_option("--auto", o->persona,
                       Loc::string("cli.replay.auto",
                                   "Répond aux quêtes laissées sans choix (brave, balanced, "
                                   "caring)"));
        cmd.add_option("--sleep", o->sleep,
                       Loc::string("cli.replay.sleep", "Heures de sommeil de la nuit"))
            ->check(CLI::Range(0.0, 24.0));
        cmd.add_option("--steps", o->steps, Loc::string("cli.replay.steps", "Pas de la journée"))
            ->check(CLI::Range(int64_t{0}, int64_t{1'000'000}));
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        cmd.add_flag("--dry-run", o->dryRun,
                     Loc::string("cli.replay.dryRun", "Calcule sans rien appliquer"));
        return [o](Io& io, AppContext& app) { return replay(*o, io, app); };
      }};
}

}  // namespace talewick::ui
