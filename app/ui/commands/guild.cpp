// `talewick guild`: the company guild. `guild join EMAIL` asks for a code at a work address,
// `guild verify CODE` proves it (the address of the last join), `guild [--json]` shows the week's
// board (ranking, daily chart, the season's boss, chronicle, titles), `guild leave [--yes]`,
// `guild rename NAME…` (the founder only) and `guild share-identity on|off`.
#include <algorithm>
#include <memory>

#include "support/loc.hpp"
#include "support/text.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"
#include "ui/together_text.hpp"

namespace talewick::ui {
namespace {

using together::GuildService;
using together::Outcome;

struct GuildOptions {
  bool json = false;
  bool yes = false;
  CLI::App* join = nullptr;
  CLI::App* verify = nullptr;
  CLI::App* leave = nullptr;
  CLI::App* rename = nullptr;
  CLI::App* share = nullptr;
  std::string value;
  std::vector<std::string> words;
};

int join(const GuildOptions& o, Io& io, AppContext& app) {
  auto guild = makeGuild(app);
  const auto sent = waitFor<bool>(app, [&](auto done) { guild->join(o.value, std::move(done)); });
  if (!sent.ok()) return sayFailure(io.err, sent.failure);
  io.out << Loc::string("cli.guild.codeSent",
                        "Code envoyé : talewick guild verify CODE (le code à 6 chiffres reçu par "
                        "email, valable 15 minutes).")
         << "\n";
  return EXIT_DONE;
}

int verify(const GuildOptions& o, Io& io, AppContext& app) {
  auto guild = makeGuild(app);
  const auto member = waitFor<together::GuildMembership>(
      app, [&](auto done) { guild->verify(o.value, std::move(done)); });
  if (!member.ok()) return sayFailure(io.err, member.failure);
  io.out << Loc::string("cli.guild.joined", "Bienvenue dans la guilde") << " "
         << shown(member.value->emblem.value_or("")) << (member.value->emblem ? " " : "")
         << shown(member.value->name) << " (" << shown(member.value->domain) << ").\n";
  return EXIT_DONE;
}

int leave(const GuildOptions& o, Io& io, AppContext& app) {
  if (!o.yes) {
    if (!io.terminal) {
      throw UsageError(Loc::string("cli.guild.leaveNeedsYes",
                                   "Quitter la guilde est irréversible : ajoute --yes pour "
                                   "confirmer."));
    }
    if (!askedYes(io.in, io.out,
                  Loc::string("cli.guild.leaveWarning",
                              "Quitter la guilde ? Ton héros et tes stats sont effacés du roster "
                              "(irréversible)."))) {
      return EXIT_DONE;
    }
  }
  auto guild = makeGuild(app);
  const auto left = waitFor<bool>(app, [&](auto done) { guild->leave(std::move(done)); });
  if (!left.ok()) return sayFailure(io.err, left.failure);
  io.out << Loc::string("cli.guild.left", "Tu as quitté la guilde.") << "\n";
  return EXIT_DONE;
}

int rename(const GuildOptions& o, Io& io, AppContext& app) {
  std::string name;
  for (const std::string& word : o.words) name += (name.empty() ? "" : " ") + word;
  if (text::trim(name).empty()) {
    throw UsageError(Loc::string("cli.guild.noName", "il faut un nom"));
  }
  auto guild = makeGuild(app);
  const auto kept =
      waitFor<std::string>(app, [&](auto done) { guild->rename(name, std::move(done)); });
  if (!kept.ok()) return sayFailure(io.err, kept.failure);
  io.out << Loc::string("cli.guild.renamed", "La guilde s'appelle désormais") << " "
         << shown(*kept.value) << ".\n";
  return EXIT_DONE;
}

int share(const GuildOptions& o, Io& io, AppContext& app) {
  if (o.value != "on" && o.value != "off") {
    throw UsageError(Loc::string("cli.guild.onOff", "on ou off"));
  }
  makeGuild(app)->setShareIdentity(o.value == "on");
  io.out << (o.value == "on"
                 ? Loc::string("cli.guild.shareOn",
                               "Tes collègues te reconnaîtront (adresses du domaine de la guilde).")
                 : Loc::string("cli.guild.shareOff",
                               "Tes adresses ne sont plus envoyées à la guilde."))
         << "\n";
  return EXIT_DONE;
}

void printBoard(std::ostream& out, const GuildWire::Board& b) {
  out << shown(b.guild.emblem.value_or("")) << (b.guild.emblem ? " " : "") << shown(b.guild.name)
      << " — " << b.guild.memberCount << " " << Loc::string("cli.guild.members", "membres") << " — "
      << Loc::string("cli.guild.week", "semaine") << " " << shown(b.week) << " : " << b.totalXp
      << " XP (" << Loc::string("cli.guild.lastWeek", "semaine passée") << " " << b.lastWeekXp
      << ")\n";
  if (b.season) {
    const auto& boss = b.season->boss;
    const double left =
        boss.hp > 0 ? double(std::clamp<int64_t>(boss.hpLeft, 0, boss.hp)) / boss.hp : 0;
    out << "\n"
        << shown(boss.emoji) << " " << shown(boss.nameFR) << " " << progressBar(left, 20) << " "
        << boss.hpLeft << "/" << boss.hp << " PV — "
        << Loc::string("cli.guild.yourDealt", "tes coups") << " " << b.season->yourDealt << ", "
        << b.season->daysLeft << " " << Loc::string("cli.guild.daysLeft", "jours restants") << "\n";
  }
  std::vector<GuildWire::Entry> ranking = b.board;
  std::stable_sort(ranking.begin(), ranking.end(),
                   [](const auto& a, const auto& c) { return a.weekXp > c.weekXp; });
  out << "\n" << Loc::string("cli.guild.ranking", "Classement") << "\n";
  int rank = 0;
  for (const GuildWire::Entry& e : ranking) {
    out << (e.isYou ? "→ " : "  ") << ++rank << ". " << shown(e.heroName) << " — " << e.weekXp
        << " XP, " << e.weekQuests << " " << Loc::string("cli.guild.quests", "quêtes") << ", "
        << Loc::string("cli.guild.streak", "série") << " " << e.streak << "\n";
  }
  int64_t best = 1;
  for (const GuildWire::DayPoint& d : b.days) best = std::max(best, d.xp);
  if (!b.days.empty()) out << "\n" << Loc::string("cli.guild.chart", "Jour par jour") << "\n";
  for (const GuildWire::DayPoint& d : b.days) {
    out << "  " << shown(d.day) << " " << progressBar(double(std::max<int64_t>(d.xp, 0)) / best, 20)
        << " " << d.xp << " XP, " << d.active << " " << Loc::string("cli.guild.active", "actifs")
        << "\n";
  }
  if (!b.chronicle.empty()) out << "\n" << Loc::string("cli.guild.chronicle", "Chronique") << "\n";
  for (const GuildWire::ChronicleItem& c : b.chronicle) {
    out << "  " << shown(c.week) << " " << shown(c.boss.emoji) << " " << shown(c.boss.nameFR)
        << " — " << c.dealt << "/" << c.hp << " "
        << (c.slain ? Loc::string("cli.guild.slain", "terrassé")
                    : Loc::string("cli.guild.escaped", "échappé"))
        << "\n";
  }
  if (!b.titles.empty()) out << "\n" << Loc::string("cli.guild.titles", "Titres") << "\n";
  for (const auto& [title, holders] : b.titles) {
    std::string names;
    for (const std::string& h : holders) names += (names.empty() ? "" : ", ") + shown(h);
    out << "  " << shown(title) << " : " << names << "\n";
  }
}

int showBoard(const GuildOptions& o, Io& io, AppContext& app) {
  auto guild = makeGuild(app);
  const auto board =
      waitFor<GuildWire::Board>(app, [&](auto done) { guild->fetchBoard(std::move(done)); });
  if (!board.ok()) return sayFailure(io.err, board.failure);
  if (o.json) {
    printJson(io.out, Json(*board.value));
  } else {
    printBoard(io.out, *board.value);
  }
  return EXIT_DONE;
}

}  // namespace

Command guildCommand() {
  return Command{
      "guild",
      Loc::string("cli.guild.help",
                  "La guilde de ton entreprise : classement et boss de la semaine"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<GuildOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        o->join = cmd.add_subcommand(
            "join", Loc::string("cli.guild.joinHelp", "Demande un code à ton adresse pro"));
        o->join->add_option("email", o->value, "email")->required();
        o->verify = cmd.add_subcommand(
            "verify", Loc::string("cli.guild.verifyHelp", "Code à 6 chiffres (reçu par email)"));
        o->verify->add_option("code", o->value, "code")->required();
        o->leave =
            cmd.add_subcommand("leave", Loc::string("cli.guild.leaveHelp", "Quitte la guilde"));
        o->leave->add_flag("--yes", o->yes, Loc::string("cli.guild.yes", "Sans confirmation"));
        o->rename = cmd.add_subcommand(
            "rename", Loc::string("cli.guild.renameHelp", "Renomme la guilde (fondateur)"));
        o->rename->add_option("name", o->words, Loc::string("cli.guild.name", "Nouveau nom"))
            ->required();
        o->share = cmd.add_subcommand(
            "share-identity",
            Loc::string("cli.guild.shareHelp", "Apparaître pour mes collègues (on/off)"));
        o->share->add_option("state", o->value, "on|off")->required();
        return [o](Io& io, AppContext& app) {
          if (o->join->parsed()) return join(*o, io, app);
          if (o->verify->parsed()) return verify(*o, io, app);
          if (o->leave->parsed()) return leave(*o, io, app);
          if (o->rename->parsed()) return rename(*o, io, app);
          if (o->share->parsed()) return share(*o, io, app);
          return showBoard(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
