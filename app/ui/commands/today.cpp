// `talewick` alone, or `talewick today`: the day's quests from the calendar (the demonstration
// day when the calendar is out of reach or empty), then the hero. The very first time, a short
// welcome says where the calendar is read from.
#include <cstdlib>
#include <memory>
#include <system_error>

#include "game/quest_engine.hpp"
#include "game/xp.hpp"
#include "platform/file_preferences.hpp"
#include "platform/paths.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/day_grid.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

constexpr const char* kOnboardedKey = "quillonOnboardedV1";

struct TodayOptions {
  std::string mode;  // empty: the store's narrative mode
  bool json = false;
};

void welcomeOnce(Io& io, AppContext& app) {
  if (const char* skip = std::getenv("TALEWICK_SKIP_ONBOARDING"); skip && std::string(skip) == "1")
    return;
  Preferences& preferences = app.preferences();
  if (preferences.value(kOnboardedKey) == Json(true)) return;
  const paths::Folder folder = paths::calendarFolder(preferences);
  io.out << Loc::string("cli.welcome.hello",
                        "Bienvenue dans Talewick ! Ici, chaque rendez-vous de ton agenda devient "
                        "une quête.")
         << "\n"
         << Loc::format(Loc::string("cli.welcome.folder", "Ton agenda est lu dans : %@"),
                        {shown(folder.path.string())})
         << "\n"
         << Loc::string("cli.welcome.existing",
                        "Tu ranges déjà tes calendriers avec khal ou vdirsyncer ? Donne leur "
                        "dossier dans TALEWICK_CALENDAR_DIR,")
         << "\n"
         << Loc::format(Loc::string("cli.welcome.preference",
                                    "ou pour de bon dans la préférence « calendar.vdir » de %@."),
                        {defaultPreferencesPath().string()})
         << "\n"
         << Loc::string("cli.welcome.help",
                        "« talewick --help » te montre toutes les commandes. Bonne aventure !")
         << "\n\n";
  try {
    preferences.set(kOnboardedKey, true);
  } catch (const std::system_error&) {
    // Unwritable preferences: the welcome simply shows again next time.
  }
}

std::string heroLine(const HeroSyncPayload& hero) {
  const LevelInfo level = Xp::levelFromTotalXp(hero.totalXp);
  return shown(hero.avatar) + " " + shown(hero.name) + " — " +
         Loc::format(Loc::string("cli.hero.level", "Niveau %@"), {std::to_string(level.level)}) +
         " · " + goldAndStreak(hero.gold, hero.streak);
}

int today(const TodayOptions& o, Io& io, AppContext& app) {
  std::optional<RPGMode> mode;
  if (!o.mode.empty()) mode = parseMode(o.mode);
  if (!o.json) welcomeOnce(io, app);

  const Date now = app.now();
  QuestStore& store = loadWeek(app, now);
  std::vector<Quest> timed, allDay;
  for (const QuestStore::AgendaItem& item : store.agenda(now, 1)) {
    Quest quest = item.quest;
    if (mode) {
      if (auto event = eventBehind(store, quest, now))
        quest = QuestEngine::eventToQuest(*event, *mode);
    }
    (item.allDay ? allDay : timed).push_back(std::move(quest));
  }
  const HeroSyncPayload& hero = *app.heroStore().payload();

  if (o.json) {
    Json out = storeJson(store);
    DateStyleScope iso(DateStyle::iso8601);
    out["quests"] = json_coding::encode(timed);
    out["allDayQuests"] = json_coding::encode(allDay);
    out["hero"] = json_coding::encode(hero);
    printJson(io.out, out);
    return EXIT_DONE;
  }

  const CalendarTitleMode titles = titleMode(app);
  io.out << shown(store.statusLine()) << "\n\n" << dayHeading(now) << "\n";
  int64_t xp = 0;
  const std::vector<bool> clash = clashes(timed);
  for (size_t i = 0; i < timed.size(); ++i) {
    io.out << (clash[i] ? "⚠ " : "") << questLine(timed[i], titles, false);
    xp += timed[i].baseXp;
  }
  if (!allDay.empty()) {
    io.out << "\n" << Loc::string("cli.today.allDay", "Toute la journée") << "\n";
    for (const Quest& quest : allDay) io.out << questLine(quest, titles, true);
  }
  if (timed.empty() && allDay.empty()) {
    io.out << Loc::string("cli.today.none",
                          "Aucune quête aujourd'hui : le royaume te laisse souffler.")
           << "\n";
  } else if (xp > 0) {
    io.out << "\n"
           << Loc::format(Loc::string("cli.today.total", "%@ XP à gagner aujourd'hui."),
                          {std::to_string(xp)})
           << "\n";
  }
  io.out << "\n" << heroLine(hero) << "\n";
  return EXIT_DONE;
}

}  // namespace

Command todayCommand(std::string name) {
  const std::string help =
      name.empty() ? "" : Loc::string("cli.today.help", "Les quêtes du jour et ton héros");
  return Command{std::move(name), help, [](CLI::App& cmd) -> Handler {
                   auto o = std::make_shared<TodayOptions>();
                   cmd.add_option("--mode", o->mode,
                                  Loc::string("cli.today.mode",
                                              "Mode narratif pour cette fois (heroicPapa…)"));
                   cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
                   return [o](Io& io, AppContext& app) { return today(*o, io, app); };
                 }};
}

}  // namespace talewick::ui
