// `talewick boss [--json]`: this week's boss — its hit points, what each objective is and what is
// left — after a kingdom refresh that deals the damage of the work done. `boss chronicle`: the
// weeks gone by. The text views mark the weeks they tell as seen.
#include <memory>

#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct BossOptions {
  CLI::App* chronicleCmd = nullptr;
  bool json = false;
};

// What the work behind an objective is: an overdue item, or a chapter of the boss's campaign.
std::string objectiveKind(const WeeklyBoss::Boss& boss, const WeeklyBoss::Objective& o) {
  if (o.id.rfind(KingdomWeeklyBossObservation::riskPrefix, 0) == 0) {
    return Loc::string("cli.boss.risk", "en retard");
  }
  return boss.source.kind == WeeklyBoss::Source::Kind::campaign
             ? Loc::string("cli.boss.chapter", "chapitre de campagne")
             : Loc::string("cli.boss.other", "objectif");
}

std::string outcomeText(const WeeklyBoss::Summary& s) {
  switch (s.outcome) {
    case WeeklyBoss::Outcome::defeated:
      return Loc::string("cli.boss.defeated", "terrassé");
    case WeeklyBoss::Outcome::progressed:
      return Loc::format(Loc::string("cli.boss.progressed", "tenu (%@/%@ PV infligés)"),
                         {std::to_string(s.damage), std::to_string(s.maxHP)});
    case WeeklyBoss::Outcome::calm:
      return Loc::string("cli.boss.calm", "semaine calme");
  }
  return "";
}

std::string weekLine(const WeeklyBossChronicleEntry& e) {
  return Loc::format(
      Loc::string("cli.boss.week", "Semaine %@ — %@ : %@"),
      {e.boss.weekKey, shown(e.boss.title), outcomeText(WeeklyBoss::summary(e.boss))});
}

// Tells the archived weeks not yet seen, and marks them seen.
void tellUnseen(std::ostream& out, KingdomWeeklyBossStore& store) {
  std::vector<std::string> told;
  for (const WeeklyBossChronicleEntry& e : store.chronicle()) {
    if (e.seen) continue;
    out << weekLine(e) << "\n";
    told.push_back(e.boss.id);
  }
  for (const std::string& id : told) store.markSeen(id);
  if (!told.empty()) out << "\n";
}

void printBoss(std::ostream& out, const WeeklyBoss::Boss& boss) {
  const WeeklyBoss::Summary s = WeeklyBoss::summary(boss);
  out << Loc::format(Loc::string("cli.boss.heading", "Boss de la semaine %@ : %@"),
                     {boss.weekKey, weeklyBossLine(boss)})
      << "  [" << realmName(*fromRaw<KingdomRealm>(rawValue(boss.realm))) << "]\n";
  for (const WeeklyBoss::Objective& o : boss.objectives) {
    out << "  " << (o.completed ? "[x] " : "[ ] ") << shown(o.title) << " ("
        << objectiveKind(boss, o) << ")\n";
  }
  const WorldQuests::Reward reward = WeeklyBoss::finalReward(boss);
  const std::string rewardText =
      Loc::format(Loc::string("kingdom.reward", "+%@ XP, +%@ or"),
                  {std::to_string(reward.xp), std::to_string(reward.gold)});
  if (boss.finalCredited) {
    out << Loc::format(Loc::string("cli.boss.won", "Terrassé : %@ gagnés."), {rewardText}) << "\n";
  } else {
    out << Loc::counted(s.objectivesTotal - s.objectivesDefeated, "cli.boss.left",
                        "Reste %@ objectif", "Restent %@ objectifs")
        << Loc::format(Loc::string("cli.boss.reward", " — récompense finale : %@"), {rewardText})
        << "\n";
  }
}

int showBoss(const BossOptions& o, Io& io, AppContext& app) {
  const KingdomRefresh refresh = refreshKingdom(app);
  KingdomWeeklyBossStore& store = app.kingdom().weeklyBoss();
  const std::optional<WeeklyBoss::Boss>& boss = store.boss();
  // The refresh has archived the boss of a week gone by: this one is the week's.
  if (o.json) {
    DateStyleScope iso(DateStyle::iso8601);
    Json out{{"weekKey", WeeklyBoss::weekKeyOfDay(refresh.view->snapshot.dayKey)},
             {"boss", boss ? json_coding::encode(*boss) : Json()}};
    if (boss) out["summary"] = json_coding::encode(WeeklyBoss::summary(*boss));
    printJson(io.out, out);
    return EXIT_DONE;
  }
  printPayments(io.out, refresh);
  tellUnseen(io.out, store);
  if (!boss) {
    io.out << Loc::string("cli.boss.none",
                          "Aucun boss cette semaine : rien en retard, aucune campagne en cours.")
           << "\n";
    return EXIT_DONE;
  }
  printBoss(io.out, *boss);
  return EXIT_DONE;
}

int chronicle(const BossOptions& o, Io& io, AppContext& app) {
  KingdomWeeklyBossStore& store = app.kingdom().weeklyBoss();
  if (o.json) {
    printJsonValue(io.out, store.chronicle());
    return EXIT_DONE;
  }
  if (store.chronicle().empty()) {
    io.out << Loc::string("cli.boss.noChronicle", "Aucune semaine passée dans la chronique.")
           << "\n";
  }
  for (const WeeklyBossChronicleEntry& e : store.chronicle()) io.out << weekLine(e) << "\n";
  for (const WeeklyBossChronicleEntry& e : std::vector(store.chronicle())) {
    store.markSeen(e.boss.id);
  }
  return EXIT_DONE;
}

}  // namespace

Command bossCommand() {
  return Command{
      "boss",
      Loc::string("cli.boss.help",
                  "Le boss de la semaine : ses points de vie, ses objectifs, ce qu'il reste"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<BossOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        o->chronicleCmd = cmd.add_subcommand(
            "chronicle", Loc::string("cli.boss.chronicleHelp", "Les boss des semaines passées"));
        o->chronicleCmd->add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        return [o](Io& io, AppContext& app) {
          if (o->chronicleCmd->parsed()) return chronicle(*o, io, app);
          return showBoss(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
