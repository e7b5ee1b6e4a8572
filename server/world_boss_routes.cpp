#include "server/world_boss_routes.hpp"

#include <algorithm>
#include <map>
#include <set>

#include "kingdom/weekly_boss.hpp"
#include "server/attempts.hpp"
#include "server/crypto.hpp"
#include "server/display_name.hpp"
#include "server/request_parts.hpp"
#include "server/responses.hpp"
#include "server/week_days.hpp"
#include "server/world_boss_storage.hpp"
#include "support/day_keys.hpp"
#include "support/text.hpp"
#include "together/world_boss.hpp"
#include "together/world_boss_contribution.hpp"
#include "together/world_boss_wire.hpp"

namespace talewick::server {

namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

struct BannerName {
  const char* fr;
  const char* en;
};

constexpr BannerName BANNER_NAMES[] = {
    {"La Bannière du Loup", "The Wolf Banner"},
    {"La Bannière du Phénix", "The Phoenix Banner"},
    {"La Bannière du Cerf", "The Stag Banner"},
    {"La Bannière de l'Ours", "The Bear Banner"},
    {"La Bannière du Griffon", "The Griffin Banner"},
    {"La Bannière du Corbeau", "The Raven Banner"},
    {"La Bannière de la Licorne", "The Unicorn Banner"},
    {"La Bannière du Dragon", "The Dragon Banner"},
};

// A short optional text field of a body: nullopt when absent or null; a refusal when it is not a
// string of at most `maxBytes` bytes without control characters.
bool optionalText(const json& body, const char* key, std::size_t maxBytes,
                  std::optional<std::string>& out) {
  if (!body.contains(key) || body[key].is_null()) return true;
  if (!body[key].is_string()) return false;
  const std::string& value = body[key].get_ref<const std::string&>();
  if (value.size() > maxBytes || text::hasControlCharacters(value)) return false;
  out = value;
  return true;
}

std::optional<raiders::Raider> callerOf(Storage& storage, const Request& request,
                                        Response& response) {
  std::optional<raiders::Raider> raider;
  if (const auto key = bearerKey(request)) {
    raider = raiders::raiderWithKeyHash(storage, keyHash(*key));
  }
  if (!raider) sendError(response, 401, "not_enlisted");
  return raider;
}

}  // namespace

WorldBossRoutes::WorldBossRoutes(const Config& config, Storage& storage, Log& log, Clock now)
    : config_(config), storage_(storage), log_(log), now_(std::move(now)) {}

std::pair<std::string, std::string> WorldBossRoutes::bannerName(std::int64_t index) {
  constexpr auto count = static_cast<std::int64_t>(std::size(BANNER_NAMES));
  const BannerName& name = BANNER_NAMES[index % count];
  const std::string round = index < count ? "" : " " + std::to_string(index / count + 1);
  return {name.fr + round, name.en + round};
}

void WorldBossRoutes::mount(httplib::Server& server) const {
  server.Post("/api/worldboss/enlist",
              [this](const Request& request, Response& response) { enlist(request, response); });
  server.Get("/api/worldboss/board",
             [this](const Request& request, Response& response) { board(request, response); });
  server.Post("/api/worldboss/stats",
              [this](const Request& request, Response& response) { stats(request, response); });
}

void WorldBossRoutes::enlist(const Request& request, Response& response) const {
  if (!crypto::sameSecret(request.get_header_value("x-signup-secret"), config_.signupSecret)) {
    return sendError(response, 401, "Secret d'inscription refusé.");
  }
  const std::int64_t now = now_();
  if (!tryAttempt(storage_, "worldboss-enlist-client:" + request.remote_addr, now,
                  {ENLISTS_PER_CLIENT_PER_HOUR, 3600})) {
    return sendError(response, 429, "rate_limited");
  }
  const std::optional<json> body = jsonBody(request);
  if (!body) return sendError(response, 400, "invalid_json");
  const std::optional<std::string> heroName = displayName(*body, "heroName", 2, 32);
  if (!heroName) return sendError(response, 400, "invalid_hero_name");
  raiders::Raider raider{crypto::randomUuid(), *heroName, std::nullopt, std::nullopt, 0, now};
  if (!optionalText(*body, "avatar", 64, raider.avatar) ||
      !optionalText(*body, "vocation", 40, raider.vocation)) {
    return sendError(response, 400, "invalid_enlistment");
  }
  const std::string apiKey = crypto::randomHex(32);
  raider = raiders::enlist(storage_, raider, keyHash(apiKey));
  const auto [nameFR, nameEN] = bannerName(raider.banner);
  sendJson(response, 200,
           {{"apiKey", apiKey},
            {"raiderId", raider.id},
            {"banner", {{"nameFR", nameFR}, {"nameEN", nameEN}}}});
}

void WorldBossRoutes::board(const Request& request, Response& response) const {
  const std::optional<raiders::Raider> caller = callerOf(storage_, request, response);
  if (!caller) return;
  const std::int64_t now = now_();
  const std::string todayKey = request.get_param_value("today");
  if (!weeks::isNearToday(todayKey, now, DAY_SLACK)) {
    return sendError(response, 400, "invalid_day");
  }
  const std::int64_t today = DayKeys::dayNumber(todayKey).value();
  const std::int64_t monday = weeks::mondayOf(today);
  const std::string week = WeeklyBoss::weekKeyOfDay(todayKey);

  // Damage by day and raider, from last week's Monday to today.
  std::map<std::int64_t, std::map<std::string, std::int64_t>> byDay;
  for (const raiders::RaiderDay& day :
       raiders::days(storage_, DayKeys::key(monday - 7), DayKeys::key(today))) {
    byDay[DayKeys::dayNumber(day.day).value()][day.raiderId] = day.damage;
  }
  const auto rageOn = [&](std::int64_t day) {
    std::set<std::string> active;
    for (std::int64_t d = day - 6; d <= day; ++d) {
      for (const auto& [id, damage] : byDay[d]) active.insert(id);
    }
    const auto activeCount = static_cast<std::int64_t>(active.size());
    const auto pushers = static_cast<std::int64_t>(byDay[day].size());
    return WorldBoss::effectiveRage(WorldBoss::rage(pushers, activeCount), activeCount);
  };
  const auto sumOver = [&](std::int64_t from, std::int64_t to, const std::string* raider) {
    std::int64_t sum = 0;
    for (std::int64_t d = from; d <= to; ++d) {
      for (const auto& [id, damage] : byDay[d]) {
        if (!raider || id == *raider) sum += damage;
      }
    }
    return sum;
  };

  WorldBossWire::Board out;
  out.week = week;
  const WorldBoss::Form form = WorldBoss::form(week);
  const std::int64_t enlisted = raiders::enlistedBefore(storage_, now + 1);
  const std::int64_t hp = WorldBoss::hp(enlisted, false);
  const std::int64_t dealt = sumOver(monday, today, nullptr);
  out.boss = WorldBossWire::Boss{std::string(form.key),
                                 std::string(form.emoji),
                                 std::string(form.nameFR),
                                 std::string(form.nameEN),
                                 hp,
                                 dealt,
                                 rageOn(today),
                                 enlisted,
                                 dealt >= hp ? "defeated" : "alive"};

  WorldBossWire::Banner banner;
  std::tie(banner.nameFR, banner.nameEN) = bannerName(caller->banner);
  for (const raiders::Raider& raider : raiders::banner(storage_, caller->banner)) {
    banner.roster.push_back(
        WorldBossWire::RosterMember{raider.heroName, raider.avatar, raider.vocation,
                                    sumOver(monday, today, &raider.id), raider.id == caller->id});
  }
  out.banner = std::move(banner);

  for (std::int64_t day = monday; day <= today; ++day) {
    for (const WorldBoss::RageEvent& event : WorldBoss::triggeredRageEvents(rageOn(day))) {
      out.chronicle.push_back(WorldBossWire::ChronicleEntry{
          std::string(event.key), DayKeys::key(day), event.threshold, std::string(event.messageFR),
          std::string(event.messageEN)});
    }
  }

  const std::int64_t weekStart = monday * 86400;
  if (caller->enlistedAt < weekStart) {
    const std::int64_t lastHp = WorldBoss::hp(raiders::enlistedBefore(storage_, weekStart), false);
    out.prevResult = WorldBossWire::PrevResult{WeeklyBoss::weekKeyOfDay(DayKeys::key(monday - 7)),
                                               sumOver(monday - 7, monday - 1, nullptr) >= lastHp,
                                               sumOver(monday - 7, monday - 1, &caller->id)};
  }
  sendRecord(response, 200, Json(out));
}

void WorldBossRoutes::stats(const Request& request, Response& response) const {
  const std::optional<raiders::Raider> caller = callerOf(storage_, request, response);
  if (!caller) return;
  const std::optional<json> body = jsonBody(request);
  if (!body) return sendError(response, 400, "invalid_json");
  if (!body->is_object()) return sendError(response, 400, "invalid_stats");
  const auto& allowed = WorldBossContribution::allowedNetworkPayloadKeys;
  for (const auto& [key, value] : body->items()) {
    if (std::find(allowed.begin(), allowed.end(), key) == allowed.end()) {
      return sendError(response, 400, "unknown_key");
    }
  }
  WorldBossContribution::DailyAggregate aggregate;
  try {
    aggregate = body->get<WorldBossContribution::DailyAggregate>();
  } catch (const std::exception&) {
    return sendError(response, 400, "invalid_stats");
  }
  if (!weeks::isNearToday(aggregate.day, now_(), DAY_SLACK)) {
    return sendError(response, 400, "invalid_day");
  }
  const std::int64_t damage =
      WorldBoss::damage(aggregate.xp, aggregate.questsDone, aggregate.streak);
  raiders::saveDay(storage_, raiders::RaiderDay{caller->id, aggregate.day, damage});
  sendJson(response, 200, {{"day", aggregate.day}, {"damage", damage}});
}

}  // namespace talewick::server
