#include "server/guild_routes.hpp"

#include <algorithm>

#include "kingdom/weekly_boss.hpp"
#include "server/attempts.hpp"
#include "server/crypto.hpp"
#include "server/display_name.hpp"
#include "server/guild_board.hpp"
#include "server/guild_mail.hpp"
#include "server/guild_storage.hpp"
#include "server/mail_header.hpp"
#include "server/mime.hpp"
#include "server/request_parts.hpp"
#include "server/responses.hpp"
#include "server/smtp.hpp"
#include "server/week_days.hpp"
#include "support/day_keys.hpp"
#include "support/text.hpp"
#include "together/guild.hpp"
#include "together/guild_contribution.hpp"

namespace talewick::server {

namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

constexpr std::int64_t HOUR = 3600;

// The address as the guild knows it: trimmed and in lower case, so that one mailbox is one member.
std::optional<std::string> normalizedEmail(const json& body) {
  if (!body.is_object() || !body.contains("email") || !body["email"].is_string()) {
    return std::nullopt;
  }
  const std::string& raw = body["email"].get_ref<const std::string&>();
  if (raw.size() > 320) return std::nullopt;
  std::string email(text::trim(raw));
  std::transform(email.begin(), email.end(), email.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (!mail::isAddress(email) || !Guild::domainOf(email)) return std::nullopt;
  return email;
}

std::string codeHash(const std::string& email, const std::string& code) {
  return keyHash(email + "|" + code);
}

bool signedUp(const Request& request, const Config& config, Response& response) {
  if (crypto::sameSecret(request.get_header_value("x-signup-secret"), config.signupSecret)) {
    return true;
  }
  sendError(response, 401, "Secret d'inscription refusé.");
  return false;
}

// The member of the request's key; answers 401 when there is none.
std::optional<guilds::Member> callerOf(Storage& storage, const Request& request,
                                       Response& response) {
  std::optional<guilds::Member> member;
  if (const auto key = bearerKey(request))
    member = guilds::memberWithKeyHash(storage, keyHash(*key));
  if (!member) sendError(response, 401, "not_member");
  return member;
}

std::optional<json> bodyOf(const Request& request, Response& response) {
  std::optional<json> body = jsonBody(request);
  if (!body) sendError(response, 400, "invalid_json");
  return body;
}

// The extras of a push ("totalXp", "level", "avatar", "identityKeys"), checked; nullopt when one
// has the wrong shape.
std::optional<json> extrasOf(const json& body) {
  json extras = json::object();
  for (const char* key : {"totalXp", "level"}) {
    if (!body.contains(key)) continue;
    if (!body[key].is_number_integer() || body[key].get<std::int64_t>() < 0) return std::nullopt;
    extras[key] = body[key];
  }
  if (body.contains("avatar")) {
    if (!body["avatar"].is_string() || body["avatar"].get_ref<const std::string&>().size() > 64 ||
        text::hasControlCharacters(body["avatar"].get_ref<const std::string&>())) {
      return std::nullopt;
    }
    extras["avatar"] = body["avatar"];
  }
  if (body.contains("identityKeys")) {
    const json& keys = body["identityKeys"];
    if (!keys.is_array() || keys.size() > 20) return std::nullopt;
    for (const json& key : keys) {
      if (!key.is_string() || key.get_ref<const std::string&>().size() > 200 ||
          text::hasControlCharacters(key.get_ref<const std::string&>())) {
        return std::nullopt;
      }
    }
    extras["identityKeys"] = keys;
  }
  return extras;
}

}  // namespace

GuildRoutes::GuildRoutes(const Config& config, Storage& storage, Log& log, Clock now)
    : config_(config), storage_(storage), log_(log), now_(std::move(now)) {}

void GuildRoutes::mount(httplib::Server& server) const {
  server.Post("/api/guilds/join",
              [this](const Request& request, Response& response) { join(request, response); });
  server.Post("/api/guilds/verify",
              [this](const Request& request, Response& response) { verify(request, response); });
  server.Get("/api/guilds/board",
             [this](const Request& request, Response& response) { board(request, response); });
  server.Post("/api/guilds/stats",
              [this](const Request& request, Response& response) { stats(request, response); });
  server.Delete("/api/guilds/member",
                [this](const Request& request, Response& response) { leave(request, response); });
  server.Patch("/api/guilds/name",
               [this](const Request& request, Response& response) { rename(request, response); });
}

void GuildRoutes::join(const Request& request, Response& response) const {
  if (!signedUp(request, config_, response)) return;
  const std::int64_t now = now_();
  if (!tryAttempt(storage_, "guild-join-client:" + request.remote_addr, now,
                  {JOINS_PER_CLIENT_PER_HOUR, HOUR})) {
    return sendError(response, 429, "rate_limited");
  }
  const std::optional<json> body = bodyOf(request, response);
  if (!body) return;
  const std::optional<std::string> email = normalizedEmail(*body);
  if (!email) return sendError(response, 400, "invalid_email");
  if (Guild::isPublicDomain(*Guild::domainOf(*email))) {
    return sendError(response, 400, "public_domain");
  }
  const std::vector<std::string> from = mime::addresses(config_.smtp.from);
  if (config_.smtp.host.empty() || from.empty()) {
    return sendError(response, 503,
                     "Ce serveur n'envoie pas de courrier : réglages smtp.host et smtp.from à "
                     "remplir.");
  }
  if (!tryAttempt(storage_, "guild-join-email:" + *email, now,
                  {JOINS_PER_ADDRESS_PER_HOUR, HOUR})) {
    return sendError(response, 429, "rate_limited");
  }
  const std::string code = guildCode();
  guilds::saveCode(storage_, *email, codeHash(*email, code), now + CODE_MINUTES * 60);
  try {
    sendMails(config_.smtp, from.front(),
              {{*email, guildCodeMail(from.front(), *email, code, CODE_MINUTES, now,
                                      crypto::randomHex(16))}});
  } catch (const MailError& e) {
    log_.write("warning", "guild code not mailed", {{"error", e.what()}});
    return sendError(response, 502, std::string("Envoi du code impossible : ") + e.what());
  }
  sendJson(response, 200, {{"sent", true}});
}

void GuildRoutes::verify(const Request& request, Response& response) const {
  if (!signedUp(request, config_, response)) return;
  const std::optional<json> body = bodyOf(request, response);
  if (!body) return;
  const std::optional<std::string> email = normalizedEmail(*body);
  if (!email) return sendError(response, 400, "invalid_email");
  const std::string domain = *Guild::domainOf(*email);
  if (Guild::isPublicDomain(domain)) return sendError(response, 400, "public_domain");
  const json& code = (*body)["code"];
  if (!code.is_string() || code.get_ref<const std::string&>().size() != 6 ||
      code.get_ref<const std::string&>().find_first_not_of("0123456789") != std::string::npos) {
    return sendError(response, 400, "bad_or_expired_code");
  }
  const std::int64_t now = now_();
  if (guilds::checkCode(storage_, *email, codeHash(*email, code.get<std::string>()), now,
                        MAX_WRONG_TRIES) != guilds::CodeCheck::accepted) {
    return sendError(response, 400, "bad_or_expired_code");
  }
  const std::string apiKey = crypto::randomHex(32);
  const guilds::Admission admission =
      guilds::admit(storage_, *email, domain, crypto::randomUuid(), keyHash(apiKey), now,
                    guilds::foundingOf(domain));
  sendJson(response, 200,
           {{"memberId", admission.member.id},
            {"apiKey", apiKey},
            {"guild",
             {{"domain", admission.guild.domain},
              {"name", admission.guild.name},
              {"emblem", admission.guild.emblem}}}});
}

void GuildRoutes::board(const Request& request, Response& response) const {
  const std::optional<guilds::Member> member = callerOf(storage_, request, response);
  if (!member) return;
  const std::int64_t now = now_();
  const std::string today = request.get_param_value("today");
  if (!weeks::isNearToday(today, now, DAY_SLACK)) return sendError(response, 400, "invalid_day");
  const std::string& domain = member->domain;
  const std::string week = WeeklyBoss::weekKeyOfDay(today);

  const std::int64_t monday = weeks::mondayOf(DayKeys::dayNumber(today).value());
  const auto look = [&] {
    return guilds::view(storage_, domain, DayKeys::key(monday - 7), DayKeys::key(monday + 6))
        .value();
  };
  guilds::GuildView view = look();

  // Past weeks are settled the first time a member looks at a later one; settleWeek writes a
  // week once, whoever else settles it at the same moment. A board that finds every past week
  // settled and this week's hit points fixed writes nothing.
  bool settled = false;
  for (const guilds::Week& past : view.weeks) {
    if (past.dealt || past.week >= week) continue;
    const std::optional<std::int64_t> pastMonday = weeks::mondayOfWeek(past.week);
    if (!pastMonday) continue;
    std::int64_t dealt = 0;
    for (const guilds::Day& day :
         guilds::days(storage_, domain, DayKeys::key(*pastMonday), DayKeys::key(*pastMonday + 6))) {
      dealt += day.xp;
    }
    if (guilds::settleWeek(storage_, domain, past.week, dealt, dealt >= past.hp)) {
      log_.write("info", "guild week settled", {{"week", past.week}, {"slain", dealt >= past.hp}});
    }
    settled = true;
  }
  if (settled) view = look();

  guilds::BoardInput input;
  std::optional<std::int64_t> thisWeekHp;
  for (guilds::Week& w : view.weeks) {
    if (w.week == week) thisWeekHp = w.hp;
    if (w.week < week) input.weeks.push_back(std::move(w));
  }
  // The week's hit points are fixed by its first board, from the guild as it is then.
  input.hp = thisWeekHp
                 ? *thisWeekHp
                 : guilds::fixWeekHp(
                       storage_, domain, week,
                       guilds::weekHp(input.weeks, static_cast<std::int64_t>(view.members.size())));
  input.members = std::move(view.members);
  input.guild = std::move(view.guild);
  input.totalXpAllTime = view.totalXp;
  input.days = std::move(view.days);
  input.latestDays = std::move(view.latestDays);
  input.callerId = member->id;
  input.today = today;
  sendRecord(response, 200, Json(guilds::board(input)));
}

void GuildRoutes::stats(const Request& request, Response& response) const {
  const std::optional<guilds::Member> member = callerOf(storage_, request, response);
  if (!member) return;
  const std::optional<json> body = bodyOf(request, response);
  if (!body) return;
  if (!body->is_object()) return sendError(response, 400, "invalid_stats");
  for (const auto& [key, value] : body->items()) {
    const auto& allowed = GuildContribution::allowedNetworkPayloadKeys;
    if (std::find(allowed.begin(), allowed.end(), key) == allowed.end()) {
      return sendError(response, 400, "unknown_key");
    }
  }
  GuildContribution::DailyAggregate aggregate;
  try {
    json core = json::object();
    for (const auto& key : GuildContribution::allowedPayloadKeys) {
      if (body->contains(key)) core[std::string(key)] = (*body)[std::string(key)];
    }
    aggregate = GuildContribution::capped(core.get<GuildContribution::DailyAggregate>());
  } catch (const std::exception&) {
    return sendError(response, 400, "invalid_stats");
  }
  if (!weeks::isNearToday(aggregate.day, now_(), DAY_SLACK)) {
    return sendError(response, 400, "invalid_day");
  }
  const std::optional<std::string> heroName = displayName(*body, "heroName", 0, 40);
  const std::optional<json> extras = extrasOf(*body);
  if (!heroName || !extras || aggregate.mode.size() > 40 ||
      text::hasControlCharacters(aggregate.mode) ||
      (aggregate.vocation &&
       (aggregate.vocation->size() > 40 || text::hasControlCharacters(*aggregate.vocation)))) {
    return sendError(response, 400, "invalid_stats");
  }
  guilds::saveDay(
      storage_, member->domain,
      guilds::Day{member->id, aggregate.day, aggregate.xp, aggregate.questsDone, aggregate.streak,
                  *heroName, aggregate.mode, aggregate.vocation, *extras});
  sendJson(response, 200, {{"day", aggregate.day}, {"xp", aggregate.xp}});
}

void GuildRoutes::leave(const Request& request, Response& response) const {
  const std::optional<guilds::Member> member = callerOf(storage_, request, response);
  if (!member) return;
  guilds::removeMember(storage_, *member);
  sendJson(response, 200, json::object());
}

void GuildRoutes::rename(const Request& request, Response& response) const {
  const std::optional<guilds::Member> member = callerOf(storage_, request, response);
  if (!member) return;
  const std::optional<json> body = bodyOf(request, response);
  if (!body) return;
  const std::optional<std::string> name = displayName(*body, "name", 1, 40);
  if (!name) return sendError(response, 400, "invalid_name");
  if (!guilds::rename(storage_, member->domain, member->id, *name)) {
    return sendError(response, 403, "founder_only");
  }
  sendJson(response, 200, {{"name", *name}});
}

}  // namespace talewick::server
