// What the guild, world boss and room commands (and the daemon) share: waiting for a service's
// completion, saying its failure, and the hero's day as the daily pushes send it.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <ostream>

#include "services/guild/guild_service.hpp"
#include "services/vigil/vigil_service.hpp"
#include "services/worldboss/world_boss_service.hpp"
#include "ui/command.hpp"
#include "ui/context.hpp"

namespace talewick::ui {

// Runs `start` and the main loop until its completion has run; the outcome it handed back.
template <class T>
backend::Outcome<T> waitFor(
    AppContext& app, const std::function<void(std::function<void(backend::Outcome<T>)>)>& start) {
  backend::Outcome<T> result;
  start([&result](backend::Outcome<T> outcome) { result = std::move(outcome); });
  app.runLoop().settle();
  return result;
}

// The services over the program's stores, for as long as the caller keeps them (never beyond
// `app`). `timer` drives the vigil: a NoTickTimer for a command, the main loop's for the daemon.
std::unique_ptr<together::GuildService> makeGuild(AppContext& app);
std::unique_ptr<together::WorldBossService> makeWorldBoss(AppContext& app);
std::unique_ptr<together::VigilService> makeVigil(AppContext& app, together::TickTimer& timer);

// "talewick : " + the failure's message (cleaned for the terminal) on `err`; EXIT_FAILED.
int sayFailure(std::ostream& err, const std::exception_ptr& failure);

// Timed quests of today already over, from the quest store's loaded window.
int64_t questsDoneToday(AppContext& app, Date now);

// The hero's day for each push; nullopt before the hero document exists.
std::optional<together::GuildDailyStats> guildStats(AppContext& app, Date now);
std::optional<together::WorldBossDailyStats> worldBossStats(AppContext& app, Date now);

}  // namespace talewick::ui
