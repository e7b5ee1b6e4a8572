// `talewick kingdom [--json]`: the realms and what lies ahead in each, the weight of the day, the
// day's board of world quests, the main quest of the journey, the campaigns, the week's boss and
// the hero's mount. Refreshing the kingdom also pays the hero for the work done since the last
// refresh.
#include <cstdio>
#include <memory>

#include "kingdom/kingdom_realm.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/kingdom_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

// A realm lists the whole window; the view shows what is still ahead (and open reminders).
constexpr size_t kItemsShown = 3;

struct KingdomOptions {
  bool json = false;
};

// The campaigns under way: each one's chapter in progress.
void printCampaigns(std::ostream& out, const std::vector<Campaigns::Campaign>& campaigns) {
  bool heading = false;
  for (const Campaigns::Campaign& c : campaigns) {
    if (c.status != Campaigns::Status::active) continue;
    if (!heading) out << "\n" << Loc::string("cli.kingdom.campaigns", "Campagnes :") << "\n";
    heading = true;
    out << "  " << campaignLine(c) << "\n";
  }
}

void printText(const KingdomRefresh& refresh, const std::vector<Campaigns::Campaign>& campaigns,
               const std::optional<WeeklyBoss::Boss>& boss,
               const std::optional<KingdomCosmetics::Item>& mount, Date now, Io& io) {
  const KingdomCoordinator::View& v = *refresh.view;
  const DayLoad& load = v.snapshot.dayLoad;
  io.out << Loc::format(Loc::string("cli.kingdom.heading", "Royaume — %@"), {dayHeading(now)})
         << "\n"
         << dayVerdict(load, v.capacity) << " "
         << Loc::format(
                Loc::string("cli.kingdom.dayLoad", "(%@ min occupées sur %@, %@, score %@ : %@)"),
                {std::to_string(load.busyMinutes), std::to_string(load.windowMinutes),
                 Loc::counted(v.capacity.load.eventCount, "cli.kingdom.events", "%@ événement",
                              "%@ événements"),
                 std::to_string(v.capacity.score),
                 Loc::string("kingdom.level." + std::string(rawValue(v.capacity.level)),
                             v.capacity.level == Capacity::Level::steady   ? "serein"
                             : v.capacity.level == Capacity::Level::loaded ? "chargé"
                                                                           : "débordé")})
         << "\n";
  if (load.advice) io.out << "  " << *load.advice << "\n";

  io.out << "\n" << Loc::string("cli.kingdom.main", "Quête principale : ");
  if (const auto& main = v.journey.main) {
    io.out << shown(main->title) << " (" << candidateKindLabel(main->kind)
           << (v.journey.isChosen ? Loc::string("cli.kingdom.chosen", ", ton choix") : "") << ") · "
           << rewardText(main->xpReward, main->goldReward) << "  [" << shown(main->id) << "]\n";
  } else {
    io.out << Loc::string("cli.kingdom.noMain", "aucune pour l'instant") << "\n";
  }
  for (const WorldQuests::Objective& o : v.secondaries)
    io.out << "  ↳ " << objectiveLabel(o) << "\n";

  if (v.board && v.board->objectives.empty()) {
    io.out << "\n"
           << Loc::string("cli.kingdom.noBoard", "Quêtes du monde : aucune aujourd'hui.") << "\n";
  } else if (v.board) {
    const WorldQuests::DailyBoard& board = *v.board;
    io.out << "\n"
           << Loc::format(
                  Loc::string("cli.kingdom.board", "Quêtes du monde (%@/%@) :"),
                  {std::to_string(board.completedCount()), std::to_string(board.objectives.size())})
           << "\n";
    for (const WorldQuests::Objective& o : board.objectives) {
      io.out << "  " << (o.completed ? "[x] " : "[ ] ") << objectiveLabel(o) << " — "
             << rewardText(o.xpReward, o.goldReward) << "\n";
    }
    const WorldQuests::Reward chest = WorldQuests::chestReward(board);
    io.out << "  " << Loc::string("kingdom.chest", "Coffre du jour") << " — "
           << rewardText(chest.xp, chest.gold) << " "
           << (board.chestCredited ? Loc::string("cli.kingdom.chestOpen", "(ouvert)")
                                   : Loc::string("cli.kingdom.chestShut", "(fermé)"))
           << "\n";
  }
  printCampaigns(io.out, campaigns);
  if (boss || mount) io.out << "\n";
  if (boss) {
    io.out << Loc::string("cli.kingdom.weekBoss", "Boss de la semaine : ") << weeklyBossLine(*boss)
           << "\n";
  }
  if (mount) io.out << Loc::string("cli.kingdom.mount", "Monture : ") << mount->name << "\n";
  printPayments(io.out, refresh);

  io.out << "\n";
  for (size_t i = 0; i < v.snapshot.realms.size(); ++i) {
    const auto realm = static_cast<KingdomRealm>(i);
    const std::vector<KingdomItem> items = itemsAhead(v.snapshot.realms[i], now);
    io.out << realmName(realm) << " (" << items.size() << ")\n";
    for (size_t k = 0; k < items.size() && k < kItemsShown; ++k) {
      const KingdomItem& item = items[k];
      io.out << "  " << padded(itemDate(item), 11) << " " << shown(item.title)
             << (item.overdue ? Loc::string("cli.kingdom.overdue", " (en retard)") : "")
             << (item.pinned ? " 📌" : "") << "\n";
    }
    if (items.size() > kItemsShown) {
      io.out << "  "
             << Loc::format(Loc::string("cli.kingdom.more", "… et %@ de plus"),
                            {std::to_string(items.size() - kItemsShown)})
             << "\n";
    }
  }
}

Json viewJson(const KingdomCoordinator::View& v,
              const std::vector<KingdomCoordinator::Payment>& paid,
              const std::vector<Campaigns::Campaign>& campaigns,
              const std::optional<WeeklyBoss::Boss>& boss,
              const std::optional<KingdomCosmetics::Item>& mount, Date now) {
  DateStyleScope iso(DateStyle::iso8601);
  Json realms = Json::object();
  for (size_t i = 0; i < v.snapshot.realms.size(); ++i) {
    realms[std::string(rawValue(static_cast<KingdomRealm>(i)))] =
        json_coding::encode(itemsAhead(v.snapshot.realms[i], now));
  }
  Json payments = Json::array();
  for (const auto& p : paid) {
    payments.push_back({{"receiptID", p.receiptID}, {"xp", p.xp}, {"gold", p.gold}});
    if (!p.what.empty()) payments.back()["what"] = p.what;
  }
  return Json{{"dayKey", v.snapshot.dayKey},
              {"realms", realms},
              {"dayLoad", json_coding::encode(v.snapshot.dayLoad)},
              {"capacity", json_coding::encode(v.capacity)},
              {"board", v.board ? json_coding::encode(*v.board) : Json()},
              {"journey", json_coding::encode(v.journey)},
              {"candidates", json_coding::encode(v.snapshot.journeyCandidates)},
              {"secondaries", json_coding::encode(v.secondaries)},
              {"campaigns", json_coding::encode(campaigns)},
              {"weeklyBoss", boss ? json_coding::encode(*boss) : Json()},
              {"equippedMountID", mount ? Json(mount->id) : Json()},
              {"payments", payments}};
}

int kingdom(const KingdomOptions& o, Io& io, AppContext& app) {
  const KingdomRefresh refresh = refreshKingdom(app);
  const std::vector<Campaigns::Campaign>& campaigns = app.kingdom().campaigns().campaigns();
  // The refresh has archived the boss of a week gone by: this one is the week's.
  const std::optional<WeeklyBoss::Boss>& boss = app.kingdom().weeklyBoss().boss();
  const std::optional<KingdomCosmetics::Item> mount = app.kingdom().cosmetics().equippedMount();
  if (o.json) {
    printJson(io.out, viewJson(*refresh.view, refresh.payments, campaigns, boss, mount, app.now()));
    return EXIT_DONE;
  }
  printText(refresh, campaigns, boss, mount, app.now(), io);
  return EXIT_DONE;
}

}  // namespace

Command kingdomCommand() {
  return Command{"kingdom",
                 Loc::string("cli.kingdom.help",
                             "Le royaume : les six royaumes, la charge du jour, les quêtes du "
                             "monde et la quête principale"),
                 [](CLI::App& cmd) -> Handler {
                   auto o = std::make_shared<KingdomOptions>();
                   cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
                   return [o](Io& io, AppContext& app) { return kingdom(*o, io, app); };
                 }};
}

}  // namespace talewick::ui
