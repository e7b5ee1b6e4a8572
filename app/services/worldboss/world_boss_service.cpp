#include "services/worldboss/world_boss_service.hpp"

#include "services/backend/mapped_call.hpp"
#include "services/worldboss/world_boss_credit.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "together/world_boss.hpp"
#include "together/world_boss_contribution.hpp"
#include "together/world_boss_sync.hpp"

namespace talewick::together {
namespace {

using WorldBossWire::Err;

template <class T>
Outcome<T> failed(Err err) {
  return {std::nullopt, std::make_exception_ptr(WorldBossFailure(std::move(err)))};
}

const char* const UNREADABLE = "réponse illisible";

std::optional<std::string> textAt(const Json& object, const char* key) {
  const auto found = object.find(key);
  if (found == object.end() || !found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

int64_t intOr(const Preferences& preferences, const std::string& key, int64_t fallback) {
  const std::optional<Json> value = preferences.value(key);
  return value && value->is_number_integer() ? value->get<int64_t>() : fallback;
}

}  // namespace

WorldBossService::WorldBossService(backend::BackendConnection& backend, HttpClient& http,
                                   Preferences& preferences, SecretsStore& secrets,
                                   KeyValueCloudStore& cloud, HeroStore& hero, RunLoop& loop,
                                   Clock clock)
    : backend_(backend),
      http_(http),
      preferences_(preferences),
      secrets_(secrets),
      cloud_(cloud),
      hero_(hero),
      loop_(loop),
      clock_(std::move(clock)),
      ledger_(preferences, "worldboss") {}

std::optional<std::string> WorldBossService::apiKey() {
  std::optional<std::string> key = secrets_.get(API_KEY_ITEM);
  if (key && !key->empty()) return key;
  // Another machine of the user enlisted: fight as that raider rather than raise a second banner.
  const std::optional<std::string> stored = cloud_.data(std::string(WorldBossSync::enrollmentKey));
  const std::optional<WorldBossSync::Enrollment> shared =
      stored ? WorldBossSync::decodeEnrollment(*stored) : std::nullopt;
  if (!shared) return std::nullopt;
  try {
    secrets_.set(API_KEY_ITEM, shared->apiKey);
    preferences_.set(RAIDER_ID_KEY, shared->raiderId);
  } catch (const std::exception&) {
    // Not kept here: the cloud's copy serves this call and the next ones.
  }
  return shared->apiKey;
}

bool WorldBossService::isEnlisted() { return apiKey().has_value(); }

int64_t WorldBossService::myDealtToday() const {
  if (preferences_.string(DEALT_DAY_KEY) != LocalCalendar::dayKey(clock_())) return 0;
  return intOr(preferences_, DEALT_TODAY_KEY, 0);
}

bool WorldBossService::publishEnrollmentIfNeeded() {
  const std::optional<std::string> key = secrets_.get(API_KEY_ITEM);
  const std::optional<std::string> raider = preferences_.string(RAIDER_ID_KEY);
  std::optional<WorldBossSync::Enrollment> local;
  if (key && raider) local = WorldBossSync::Enrollment{*raider, *key};
  const std::optional<std::string> cloud = cloud_.data(std::string(WorldBossSync::enrollmentKey));
  if (!WorldBossSync::needsPublish(
          local, cloud ? std::optional<std::string_view>(*cloud) : std::nullopt)) {
    return false;
  }
  try {
    cloud_.setData(std::string(WorldBossSync::enrollmentKey), WorldBossSync::encoded(*local));
  } catch (const std::exception&) {
    return false;  // tried again at the next push
  }
  return true;
}

void WorldBossService::call(const std::string& method, const std::string& path,
                            const std::optional<Json>& body, bool withSignup,
                            std::function<void(Outcome<std::string>)> done) {
  backend::credentialedCall<WorldBossFailure, Err>(
      backend_, secrets_, http_, loop_, QUEUE, {method, path, body, withSignup, CALL_TIMEOUT},
      withSignup ? std::nullopt : apiKey(), Err::Kind::notEnlisted,
      [](std::string_view answer, int64_t status) { return WorldBossWire::error(answer, status); },
      std::move(done));
}

void WorldBossService::enlist(const std::string& pseudo, const WorldBossDailyStats& hero,
                              std::function<void(Outcome<std::string>)> done) {
  if (std::optional<Err> refused = WorldBossWire::checkPseudo(pseudo)) {
    return done(failed<std::string>(*refused));
  }
  Json body{{"heroName", std::string(text::trim(pseudo))}, {"avatar", hero.avatar}};
  if (hero.vocation) body["vocation"] = *hero.vocation;
  call("POST", "api/worldboss/enlist", body, true,
       [this, done = std::move(done)](Outcome<std::string> answer) {
         if (!answer.ok()) return done({std::nullopt, answer.failure});
         Outcome<std::string> outcome;
         try {
           const Json object = Json::parse(*answer.value, nullptr, false);
           if (!object.is_object()) throw WorldBossFailure(Err::server(UNREADABLE));
           const std::optional<std::string> key = textAt(object, "apiKey");
           const std::optional<std::string> raider = textAt(object, "raiderId");
           if (!key || key->empty() || !raider) throw WorldBossFailure(Err::server(UNREADABLE));
           std::string banner;
           if (auto found = object.find("banner"); found != object.end() && found->is_object()) {
             banner = textAt(*found, "nameFR").value_or(textAt(*found, "nameEN").value_or(""));
           }
           secrets_.set(API_KEY_ITEM, *key);
           preferences_.set(RAIDER_ID_KEY, *raider);
           preferences_.set(BANNER_NAME_KEY, banner);
           publishEnrollmentIfNeeded();
           outcome.value = banner;
         } catch (const WorldBossFailure&) {
           outcome.failure = std::current_exception();
         } catch (const std::exception& e) {
           outcome = failed<std::string>(Err::server(e.what()));
         }
         done(std::move(outcome));
       });
}

void WorldBossService::creditVictory(const WorldBossWire::Board& board) {
  lastVictoryGold_ = 0;
  if (!board.prevResult) return;
  const WorldBoss::Reward reward =
      WorldBoss::reward(board.prevResult->dealt, board.prevResult->victory);
  if (reward.gold < 1) return;
  if (creditWorldBossReward(hero_, WorldBoss::victoryReceiptID(board.prevResult->week), reward.gold,
                            reward.deed.has_value())) {
    lastVictoryGold_ = reward.gold;
  }
}

void WorldBossService::fetchBoard(std::function<void(Outcome<WorldBossWire::Board>)> done) {
  call("GET", "api/worldboss/board?today=" + LocalCalendar::dayKey(clock_()), std::nullopt, false,
       [this, done = std::move(done)](Outcome<std::string> answer) {
         if (!answer.ok()) return done({std::nullopt, answer.failure});
         Outcome<WorldBossWire::Board> outcome;
         try {
           const Json object = Json::parse(*answer.value, nullptr, false);
           if (!object.is_object()) throw std::runtime_error(UNREADABLE);
           outcome.value = object.get<WorldBossWire::Board>();
         } catch (const std::exception&) {
           return done(failed<WorldBossWire::Board>(Err::server(UNREADABLE)));
         }
         latestBoard_ = outcome.value;
         fetchedAt_ = clock_();
         try {
           creditVictory(*outcome.value);
         } catch (const std::exception& e) {
           return done(failed<WorldBossWire::Board>(Err::server(e.what())));
         }
         done(std::move(outcome));
       });
}

void WorldBossService::refreshBoardIfStale(std::function<void(Outcome<bool>)> done) {
  if (fetchedAt_ && clock_() - *fetchedAt_ < BOARD_STALE_SECONDS) return done({false, nullptr});
  fetchBoard([done = std::move(done)](Outcome<WorldBossWire::Board> board) {
    if (!board.ok()) return done({std::nullopt, board.failure});
    done({true, nullptr});
  });
}

void WorldBossService::pushDailyStatsIfNeeded(const WorldBossDailyStats& stats,
                                              std::function<void(Outcome<bool>)> done) {
  if (!isEnlisted()) return done({false, nullptr});
  publishEnrollmentIfNeeded();
  const Date now = clock_();
  const std::string day = LocalCalendar::dayKey(now);
  int64_t xp = 0;
  try {
    xp = WorldBossContribution::capXp(ledger_.dayXp(now, stats.totalXp));
  } catch (const std::exception& e) {
    return done(failed<bool>(Err::server(e.what())));
  }
  const int64_t quests = WorldBossContribution::capQuests(stats.questsDoneToday);
  const int64_t streak = WorldBossContribution::capStreak(stats.streak);
  if (ledger_.pushedOn(day) && ledger_.pushedXp(day) == xp &&
      intOr(preferences_, PUSHED_QUESTS_KEY, -1) == quests) {
    return done({false, nullptr});
  }
  const Json body = WorldBossContribution::networkBody(day, xp, quests, streak, stats.heroName,
                                                       stats.avatar, stats.vocation);
  call("POST", "api/worldboss/stats", body, false,
       [this, day, xp, quests, streak, done = std::move(done)](Outcome<std::string> answer) {
         if (!answer.ok()) return done({std::nullopt, answer.failure});
         const int64_t damage = WorldBoss::damage(xp, quests, streak);
         try {
           ledger_.recordPush(day, xp);
           preferences_.set(PUSHED_QUESTS_KEY, quests);
           preferences_.set(DEALT_DAY_KEY, day);
           preferences_.set(DEALT_TODAY_KEY, damage);
         } catch (const std::exception& e) {
           return done(failed<bool>(Err::server(e.what())));
         }
         try {
           cloud_.setData(std::string(WorldBossSync::selfPushKey),
                          WorldBossSync::encoded(WorldBossSync::SelfPush{day, damage}));
         } catch (const std::exception&) {
           // The other machines show today's damage a push later.
         }
         done({true, nullptr});
       });
}

}  // namespace talewick::together
