#include "ui/together_text.hpp"

#include "game/xp.hpp"
#include "support/local_calendar.hpp"
#include "ui/render.hpp"

namespace talewick::ui {

std::unique_ptr<together::GuildService> makeGuild(AppContext& app) {
  return std::make_unique<together::GuildService>(
      app.backend(), app.httpClient(), app.preferences(), app.secrets(), app.runLoop(),
      [&app] { return app.now(); }, [&app] { return app.identityEmails(); });
}

std::unique_ptr<together::WorldBossService> makeWorldBoss(AppContext& app) {
  return std::make_unique<together::WorldBossService>(
      app.backend(), app.httpClient(), app.preferences(), app.secrets(), app.cloudStore(),
      app.heroStore(), app.runLoop(), [&app] { return app.now(); });
}

std::unique_ptr<together::VigilService> makeVigil(AppContext& app, together::TickTimer& timer) {
  return std::make_unique<together::VigilService>(
      app.backend(), app.httpClient(), app.preferences(), app.secrets(), app.heroStore(),
      app.runLoop(), timer, [&app] { return app.now(); });
}

int sayFailure(std::ostream& err, const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    err << "talewick : " << shown(e.what()) << "\n";
  }
  return EXIT_FAILED;
}

int64_t questsDoneToday(AppContext& app, Date now) {
  const std::string today = LocalCalendar::dayKey(now);
  int64_t done = 0;
  for (const Quest& quest : app.questStore().quests()) {
    const Date end = quest.startDate.adding(double(quest.durationMin) * 60);
    if (LocalCalendar::dayKey(quest.startDate) == today && end <= now) ++done;
  }
  return done;
}

std::optional<together::GuildDailyStats> guildStats(AppContext& app, Date now) {
  const std::optional<HeroSyncPayload>& hero = app.heroStore().payload();
  if (!hero) return std::nullopt;
  together::GuildDailyStats stats;
  stats.heroName = hero->name;
  stats.mode = std::string(rawValue(app.narrativeMode()));
  stats.vocation = hero->vocation;
  stats.avatar = hero->avatar;
  stats.totalXp = hero->totalXp;
  stats.level = app.heroStore().level().value_or(LevelInfo{}).level;
  stats.streak = hero->streak;
  stats.questsDoneToday = questsDoneToday(app, now);
  return stats;
}

std::optional<together::WorldBossDailyStats> worldBossStats(AppContext& app, Date now) {
  const std::optional<HeroSyncPayload>& hero = app.heroStore().payload();
  if (!hero) return std::nullopt;
  return together::WorldBossDailyStats{hero->name,    hero->avatar, hero->vocation,
                                       hero->totalXp, hero->streak, questsDoneToday(app, now)};
}

}  // namespace talewick::ui
