// `talewick expedition`: a timed focus session on one real piece of work — a quest of today, a
// reminder, a task of the notes folder or a connected tracker's ticket. start TARGET [--minutes N],
// focus, retreat, status
// [--json], return, watch (the time left as a live bar; Ctrl-C stops watching, not the expedition).
#include <chrono>
#include <memory>
#include <thread>

#include "core/reminders_service.hpp"
#include "game/economy.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/commands/hero_change.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

constexpr int64_t kDefaultMinutes = 25;

struct ExpeditionOptions {
  CLI::App* startCmd = nullptr;
  CLI::App* focusCmd = nullptr;
  CLI::App* retreatCmd = nullptr;
  CLI::App* returnCmd = nullptr;
  CLI::App* watchCmd = nullptr;
  std::string target;
  std::string minutes;
  bool json = false;
};

std::string rewardText(const ExpeditionReward& r) {
  return Loc::format(Loc::string("kingdom.reward", "+%@ XP, +%@ or"),
                     {std::to_string(r.xp), std::to_string(r.gold)});
}

// "12:34" of a number of seconds (never negative).
std::string minutesSeconds(double seconds) {
  const auto s = static_cast<int64_t>(std::max(0.0, seconds) + 0.999);
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld", static_cast<long long>(s / 60),
                static_cast<long long>(s % 60));
  return text;
}

// The piece of work `id` names: an open task of the notes folder, an open reminder, an open
// tracker ticket, or a quest of today.
ExpeditionTarget targetNamed(AppContext& app, const std::string& id, Date now) {
  VaultStore& vault = app.vaultStore();
  if (vault.folderPath()) {
    for (const VaultSideQuest& q : vault.scan().quests) {
      if (q.id == id) return ExpeditionTarget::vaultTask(q.id, q.title, {q.xp, q.gold});
    }
  }
  RemindersService reminders(app.remindersStore());
  for (const SideQuest& q : reminders.openSideQuests(false)) {
    if (q.id != id) continue;
    const SideQuests::Reward r = SideQuests::reward(q.priority);
    return ExpeditionTarget::ofKind(ExpeditionStore::REMINDER_TARGET, q.id, q.title,
                                    {r.xp, r.gold});
  }
  for (const TrackerTicket& t : app.trackerTickets().open) {
    if (t.id != id) continue;
    const ExpeditionReward reward{t.xp, t.gold};
    return t.provider == "linear" ? ExpeditionTarget::linearTicket(t.id, t.title, reward)
                                  : ExpeditionTarget::ofKind(ExpeditionStore::TRACKER_TICKET_TARGET,
                                                             t.id, t.title, reward);
  }
  const Quest quest = findQuest(loadWeek(app, now), id, now);
  if (LocalCalendar::dayKey(quest.startDate) != LocalCalendar::dayKey(now)) {
    throw UsageError(Loc::format(
        Loc::string("cli.expedition.notToday", "« %@ » n'est pas une quête d'aujourd'hui"),
        {shown(id)}));
  }
  const int64_t gold = Economy::goldForQuest(quest.baseXp, quest.threat.tier, false, 1.0);
  return ExpeditionTarget::calendarEvent(quest.id, quest.rawTitle, {quest.baseXp, gold});
}

// Refused by the expedition's rules or the store: nothing changed (exit 1).
void check(const std::optional<ExpeditionStore::Error>& error) {
  if (error) throw std::runtime_error(ExpeditionStore::describe(*error));
}

void printState(std::ostream& out, const ExpeditionState& e, Date now) {
  out << Loc::format(Loc::string("cli.expedition.line", "Expédition vers « %@ » — %@"),
                     {shown(e.target.title), displayName(e.phase)})
      << "  [" << e.id << "]\n";
  if (e.isUnderWay()) {
    const double total = static_cast<double>(e.durationMinutes) * 60;
    const double left = e.remainingTime(now);
    out << "  " << progressBar(1 - left / total, 20) << " "
        << Loc::format(Loc::string("cli.expedition.left", "%@ restantes, retour à %@"),
                       {minutesSeconds(left), clockText(e.deadline())})
        << "\n  " << rewardText(e.target.reward) << "\n";
  } else if (e.issue == ExpeditionIssue::defeated) {
    out << "  "
        << Loc::format(Loc::string("cli.expedition.won", "Victoire : %@ gagnés."),
                       {rewardText(e.target.reward)})
        << "\n";
  } else {
    out << "  " << Loc::string("cli.expedition.retreated", "Retraite : pas de butin cette fois.")
        << "\n";
  }
}

int start(const ExpeditionOptions& o, Io& io, AppContext& app) {
  requireSoundHero(app);
  const int64_t minutes = o.minutes.empty() ? kDefaultMinutes
                                            : parseWholeNumber(o.minutes, "--minutes",
                                                               ExpeditionState::minDurationMinutes,
                                                               ExpeditionState::maxDurationMinutes);
  const Date now = app.now();
  ExpeditionTarget target = targetNamed(app, o.target, now);
  auto started = app.expeditionStore().start(std::move(target), minutes, now);
  if (auto* error = std::get_if<ExpeditionStore::Error>(&started)) check(*error);
  printState(io.out, std::get<ExpeditionState>(started), now);
  io.out << Loc::string("cli.expedition.confirm",
                        "Confirme ta concentration : « talewick expedition focus ».")
         << "\n";
  return EXIT_DONE;
}

int status(const ExpeditionOptions& o, Io& io, AppContext& app) {
  const Date now = app.now();
  const std::optional<ExpeditionState>& e = app.expeditionStore().expedition();
  if (o.json) {
    DateStyleScope iso(DateStyle::iso8601);
    Json out{{"expedition", e ? json_coding::encode(*e) : Json()}};
    if (e) {
      out["deadline"] = json_coding::encode(e->deadline());
      out["remainingSeconds"] = std::max(0.0, e->remainingTime(now));
    }
    printJson(io.out, out);
    return EXIT_DONE;
  }
  if (!e) {
    io.out << Loc::string("cli.expedition.none",
                          "Aucune expédition : « talewick expedition start ID » en lance une.")
           << "\n";
    return EXIT_DONE;
  }
  printState(io.out, *e, now);
  return EXIT_DONE;
}

// The run ends: a resolved expedition walks back, and is over.
int comeBack(Io& io, AppContext& app) {
  ExpeditionStore& store = app.expeditionStore();
  store.resolveIfNeeded(app.now());
  if (store.expedition() && store.expedition()->phase == ExpeditionPhase::resolved) {
    check(store.beginReturning());
  }
  check(store.finishReturn());
  io.out << Loc::string("cli.expedition.back", "Le héros est rentré au royaume.") << "\n";
  return EXIT_DONE;
}

// Shows the time left until the deadline, then how it ended. The clock of the program may be
// fixed (tests): the time that passes is added to it.
int watch(Io& io, AppContext& app) {
  ExpeditionStore& store = app.expeditionStore();
  const Date from = app.now();
  const auto began = std::chrono::steady_clock::now();
  const auto now = [&] {
    return from.adding(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
  };
  bool drawn = false;
  for (;;) {
    store.tick(now());
    const std::optional<ExpeditionState>& e = store.expedition();
    if (!e) {
      io.out << Loc::string("cli.expedition.none",
                            "Aucune expédition : « talewick expedition start ID » en lance une.")
             << "\n";
      return EXIT_DONE;
    }
    if (!e->isUnderWay()) {
      if (drawn) io.out << "\n";
      printState(io.out, *e, now());
      return EXIT_DONE;
    }
    const double left = e->remainingTime(now());
    if (io.terminal) {
      const double total = static_cast<double>(e->durationMinutes) * 60;
      io.out << "\r" << progressBar(1 - left / total, 30) << " " << minutesSeconds(left) << "  "
             << std::flush;
    } else if (!drawn) {
      printState(io.out, *e, now());
      io.out << std::flush;
    }
    drawn = true;
    std::this_thread::sleep_for(std::chrono::duration<double>(std::clamp(left, 0.05, 1.0)));
  }
}

}  // namespace

Command expeditionCommand() {
  return Command{
      "expedition",
      Loc::string("cli.expedition.help",
                  "Les expéditions : un temps de concentration sur une vraie tâche"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<ExpeditionOptions>();
        o->startCmd = cmd.add_subcommand(
            "start", Loc::string("cli.expedition.startHelp",
                                 "Part en expédition vers une quête du jour ou un rappel"));
        o->startCmd
            ->add_option("target", o->target,
                         Loc::string("cli.expedition.target", "La quête du jour ou le rappel"))
            ->required();
        o->startCmd->add_option(
            "--minutes", o->minutes,
            Loc::string("cli.expedition.minutes", "Durée en minutes (5 à 180, 25 par défaut)"));
        o->focusCmd = cmd.add_subcommand(
            "focus", Loc::string("cli.expedition.focusHelp", "Confirme la concentration"));
        o->retreatCmd = cmd.add_subcommand(
            "retreat", Loc::string("cli.expedition.retreatHelp", "Bat en retraite (sans butin)"));
        o->returnCmd = cmd.add_subcommand(
            "return",
            Loc::string("cli.expedition.returnHelp", "Ramène le héros d'une expédition terminée"));
        o->watchCmd = cmd.add_subcommand(
            "watch",
            Loc::string("cli.expedition.watchHelp",
                        "Suit le temps restant (Ctrl-C arrête de suivre, pas l'expédition)"));
        CLI::App* statusCmd = cmd.add_subcommand(
            "status", Loc::string("cli.expedition.statusHelp", "L'expédition en cours"));
        statusCmd->add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        return [o](Io& io, AppContext& app) {
          if (o->startCmd->parsed()) return start(*o, io, app);
          if (o->focusCmd->parsed()) {
            check(app.expeditionStore().markFocused());
            return status(*o, io, app);
          }
          if (o->retreatCmd->parsed()) {
            check(app.expeditionStore().retreat(app.now()));
            return status(*o, io, app);
          }
          if (o->returnCmd->parsed()) return comeBack(io, app);
          if (o->watchCmd->parsed()) return watch(io, app);
          return status(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
