// `talewick hero`: the hero's card; `hero name`, `hero tagline`, `hero title` change it.
#include <memory>

#include "game/achievements.hpp"
#include "game/hero_identity.hpp"
#include "game/xp.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct HeroOptions {
  bool json = false;
  std::vector<std::string> words;
  std::string titleID;
  bool clearTitle = false;
  CLI::App* name = nullptr;
  CLI::App* tagline = nullptr;
  CLI::App* title = nullptr;
};

std::string joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& word : words) out += (out.empty() ? "" : " ") + word;
  return out;
}

void printCard(const HeroSyncPayload& hero, RPGMode mode, Io& io) {
  const LevelInfo level = Xp::levelFromTotalXp(hero.totalXp);
  io.out << shown(hero.avatar) << " " << shown(hero.name) << " — "
         << Xp::titleForLevel(level.level, mode) << "\n";
  if (hero.equippedTitleID) {
    io.out << "   "
           << Achievements::titleLabel(*hero.equippedTitleID, mode)
                  .value_or(shown(*hero.equippedTitleID))
           << "\n";
  }
  if (hero.tagline) io.out << "   « " << shown(*hero.tagline) << " »\n";
  io.out << Loc::format(Loc::string("cli.hero.level", "Niveau %@"), {std::to_string(level.level)})
         << "  " << progressBar(level.progress, 20) << " " << level.xpIntoLevel << " / "
         << level.xpForNext << " XP\n";
  io.out << goldAndStreak(hero.gold, hero.streak) << "\n";
  if (hero.vocationName) {
    io.out << Loc::format(Loc::string("cli.hero.vocation", "Vocation : %@"),
                          {hero.vocationEmoji.value_or("") + " " + *hero.vocationName})
           << "\n";
  }
}

int show(const HeroOptions& o, Io& io, AppContext& app) {
  const HeroSyncPayload& hero = *app.heroStore().payload();
  const RPGMode mode = app.narrativeMode();
  if (o.json) {
    const LevelInfo level = Xp::levelFromTotalXp(hero.totalXp);
    Json out = {{"hero", json_coding::encode(hero)},
                {"level", json_coding::encode(level)},
                {"title", Xp::titleForLevel(level.level, mode)},
                {"mode", std::string(rawValue(mode))}};
    printJson(io.out, out);
    return EXIT_DONE;
  }
  printCard(hero, mode, io);
  return EXIT_DONE;
}

int rename(const HeroOptions& o, Io& io, AppContext& app) {
  const std::string name(text::trim(joined(o.words)));
  if (name.empty()) {
    throw UsageError(Loc::string("cli.hero.emptyName", "le nom du héros ne peut pas être vide"));
  }
  if (auto problem = HeroIdentity::nameProblem(name)) throw UsageError(*problem);
  app.heroStore().setName(name);
  printCard(*app.heroStore().payload(), app.narrativeMode(), io);
  return EXIT_DONE;
}

int setTagline(const HeroOptions& o, Io& io, AppContext& app) {
  const std::string tagline(text::trim(joined(o.words)));
  if (auto problem = HeroIdentity::taglineProblem(tagline)) throw UsageError(*problem);
  app.heroStore().setTagline(tagline);
  printCard(*app.heroStore().payload(), app.narrativeMode(), io);
  return EXIT_DONE;
}

int setTitle(const HeroOptions& o, Io& io, AppContext& app) {
  HeroStore& store = app.heroStore();
  if (o.clearTitle) {
    store.setEquippedTitle(std::nullopt);
  } else {
    const auto& unlocked = store.payload()->unlockedTitleIDs;
    if (std::find(unlocked.begin(), unlocked.end(), o.titleID) == unlocked.end()) {
      std::string known;
      for (const std::string& id : unlocked) known += (known.empty() ? "" : ", ") + id;
      throw UsageError(
          unlocked.empty()
              ? Loc::format(Loc::string("cli.hero.noTitles",
                                        "titre non débloqué : %@ (aucun titre débloqué pour "
                                        "l'instant)"),
                            {o.titleID})
              : Loc::format(Loc::string("cli.hero.lockedTitle",
                                        "titre non débloqué : %@ (titres débloqués : %@)"),
                            {o.titleID, known}));
    }
    store.setEquippedTitle(o.titleID);
  }
  printCard(*store.payload(), app.narrativeMode(), io);
  return EXIT_DONE;
}

}  // namespace

Command heroCommand() {
  return Command{
      "hero", Loc::string("cli.hero.help", "Le héros : niveau, or, série, titre et devise"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<HeroOptions>();
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        o->name = cmd.add_subcommand("name", Loc::string("cli.hero.nameHelp", "Renomme le héros"));
        o->name->add_option("name", o->words, Loc::string("cli.hero.nameArg", "Nouveau nom"))
            ->required();
        o->tagline = cmd.add_subcommand(
            "tagline",
            Loc::string("cli.hero.taglineHelp", "Change la devise (un texte vide la retire)"));
        o->tagline->add_option("text", o->words, Loc::string("cli.hero.taglineArg", "Devise"))
            ->required();
        o->title = cmd.add_subcommand(
            "title", Loc::string("cli.hero.titleHelp", "Arbore un titre débloqué"));
        auto* id =
            o->title->add_option("id", o->titleID, Loc::string("cli.hero.titleArg", "Titre"));
        auto* clear = o->title->add_flag("--clear", o->clearTitle,
                                         Loc::string("cli.hero.clearTitle", "Retire le titre"));
        id->excludes(clear);
        o->title->require_option(1);
        return [o](Io& io, AppContext& app) {
          if (o->name->parsed()) return rename(*o, io, app);
          if (o->tagline->parsed()) return setTagline(*o, io, app);
          if (o->title->parsed()) return setTitle(*o, io, app);
          return show(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
