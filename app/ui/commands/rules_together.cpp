// Playing together as `talewick rules` reaches it: the guild, its weekly boss, contributions and
// roles, the world boss, its vigil, and the pure pieces of the three connected services (the
// texts of their failures, the pledge). An unlabelled argument is read under its parameter's name
// (`xpForLevel(_ level)` reads {"level"}, `capXp(_ xp)` reads {"value"}); a failure reads the
// answer's body text as "from" and its "status".
#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "together/guild.hpp"
#include "together/guild_boss.hpp"
#include "together/guild_contribution.hpp"
#include "together/guild_roles.hpp"
#include "together/guild_wire.hpp"
#include "together/vigil_wire.hpp"
#include "together/world_boss.hpp"
#include "together/world_boss_contribution.hpp"
#include "together/world_boss_sync.hpp"
#include "together/world_boss_vigil.hpp"
#include "together/world_boss_wire.hpp"
#include "ui/commands/rule_arguments.hpp"
#include "ui/commands/rule_table.hpp"

namespace talewick::ui {
namespace {

using namespace rule_arguments;

int64_t integer(const Json& j, const char* key) { return required<int64_t>(j, key); }
bool flag(const Json& j, const char* key) { return required<bool>(j, key); }
std::string str(const Json& j, const char* key) { return required<std::string>(j, key); }
Json nullable(const std::optional<std::string>& s) { return s ? Json(*s) : Json(nullptr); }

// --- The guild ---

Json xpForLevel(const Json& j) { return Guild::xpForLevel(integer(j, "level")); }
Json levelFromTotalXp(const Json& j) {
  return json_coding::encode(Guild::levelFromTotalXp(integer(j, "xp")));
}
Json rankTitle(const Json& j) { return Guild::rankTitle(integer(j, "level")); }
Json domainOf(const Json& j) { return nullable(Guild::domainOf(str(j, "email"))); }
Json isPublicDomain(const Json& j) { return Guild::isPublicDomain(str(j, "domain")); }

Json guildBossForm(const GuildBoss::Form& f) { return Json{{"key", f.key}, {"emoji", f.emoji}}; }
Json calibrate(const Json& j) {
  return GuildBoss::calibrate(required<std::vector<int64_t>>(j, "history"),
                              integer(j, "activeMembers"), flag(j, "lastEscaped"));
}
Json guildForm(const Json& j) {
  return guildBossForm(GuildBoss::form(str(j, "domain"), str(j, "week")));
}
Json guildForms(const Json&) {
  Json out = Json::array();
  for (const GuildBoss::Form& f : GuildBoss::forms) out.push_back(guildBossForm(f));
  return out;
}

template <int64_t (*cap)(int64_t)>
Json capped(const Json& j) {
  return cap(integer(j, "value"));
}
template <Json (*sanitize)(const Json&)>
Json sanitized(const Json& j) {
  if (!j.is_object() || !j.contains("payload")) throw DecodeError("payload", "missing");
  return sanitize(j["payload"]);
}
Json guildNetworkBody(const Json& j) {
  const GuildContribution::Extras extras{integer(j, "totalXp"), integer(j, "level"),
                                         optional<std::string>(j, "avatar"),
                                         optional<std::vector<std::string>>(j, "identityKeys")};
  return GuildContribution::networkBody(required<GuildContribution::DailyAggregate>(j, "aggregate"),
                                        extras);
}

Json assignRoles(const Json& j) {
  return json_coding::encode(
      GuildRoles::assign(required<std::vector<GuildRoles::MemberProfile>>(j, "members")));
}
// synergy(of:) takes an assignment (an object) or the members (an array).
Json synergy(const Json& j) {
  const bool ofMembers = j.is_object() && j.contains("of") && j["of"].is_array();
  const auto s =
      ofMembers ? GuildRoles::synergy(required<std::vector<GuildRoles::MemberProfile>>(j, "of"))
                : GuildRoles::synergy(required<GuildRoles::Assignment>(j, "of"));
  return static_cast<int64_t>(s);
}

Json guildError(const Json& j) {
  return GuildWire::description(GuildWire::error(str(j, "from"), integer(j, "status")));
}

// --- The world boss ---

Json damage(const Json& j) {
  return WorldBoss::damage(integer(j, "xp"), integer(j, "questsDone"), integer(j, "streak"));
}
Json hp(const Json& j) { return WorldBoss::hp(integer(j, "enlisted"), flag(j, "rivalry")); }
Json rage(const Json& j) {
  return WorldBoss::rage(integer(j, "pushersToday"), integer(j, "activeEnlisted"));
}
Json effectiveRage(const Json& j) {
  return WorldBoss::effectiveRage(integer(j, "rage"), integer(j, "activeEnlisted"));
}
Json rageLevel(const Json& j) { return WorldBoss::rageLevel(integer(j, "share")); }
Json scourgeEffects(const Json& j) {
  return json_coding::encode(WorldBoss::scourgeEffects(integer(j, "rageLevel")));
}
Json triggeredRageEvents(const Json& j) {
  return Json(WorldBoss::triggeredRageEvents(integer(j, "rage")));
}
Json worldForm(const Json& j) { return Json(WorldBoss::form(str(j, "week"))); }
Json worldForms(const Json&) { return Json(WorldBoss::forms); }
Json worldReward(const Json& j) {
  return Json(WorldBoss::reward(integer(j, "dealt"), flag(j, "victory")));
}
Json victoryReceiptID(const Json& j) { return WorldBoss::victoryReceiptID(str(j, "week")); }

Json worldNetworkBody(const Json& j) {
  return WorldBossContribution::networkBody(
      str(j, "day"), integer(j, "xp"), integer(j, "questsDone"), integer(j, "streak"),
      str(j, "heroName"), str(j, "avatar"), optional<std::string>(j, "vocation"));
}

Json needsPublish(const Json& j) {
  return WorldBossSync::needsPublish(optional<WorldBossSync::Enrollment>(j, "local"),
                                     optional<std::string>(j, "cloud"));
}
Json damageOn(const Json& j) {
  const auto dealt = WorldBossSync::damageOn(optional<std::string>(j, "stored"), str(j, "today"));
  return dealt ? Json(*dealt) : Json(nullptr);
}

Json worldBossError(const Json& j) {
  return WorldBossWire::description(WorldBossWire::error(str(j, "from"), integer(j, "status")));
}
// The refusal's text, or null for a pseudonym that may be sent.
Json checkPseudo(const Json& j) {
  const auto refused = WorldBossWire::checkPseudo(str(j, "pseudo"));
  return refused ? Json(WorldBossWire::description(*refused)) : Json(nullptr);
}

// --- The vigil ---

Json dateOrNull(const std::optional<Date>& d) {
  return d ? json_coding::encode(*d) : Json(nullptr);
}
// An instant no identifier can spell is refused rather than answered with an empty slot.
std::string slotOf(const std::string& slot, const char* key) {
  if (slot.empty()) throw DecodeError(key, "instant outside the years 1 … 9999");
  return slot;
}
// slotStart(for:) and slotStart(from:), told apart by their argument.
Json slotStart(const Json& j) {
  if (j.is_object() && j.contains("from")) {
    return dateOrNull(WorldBossVigil::slotStart(str(j, "from")));
  }
  return json_coding::encode(WorldBossVigil::slotStart(required<Date>(j, "for")));
}
Json slot(const Json& j) { return slotOf(WorldBossVigil::slot(required<Date>(j, "for")), "for"); }
Json nextSlot(const Json& j) {
  return slotOf(WorldBossVigil::nextSlot(required<Date>(j, "after")), "after");
}
template <std::optional<Date> (*instant)(std::string_view)>
Json slotInstant(const Json& j) {
  return dateOrNull(instant(str(j, "slot")));
}
Json holds(const Json& j) {
  return WorldBossVigil::holds(integer(j, "beatWindows"), integer(j, "sessionMinutes"));
}
// reward(held:othersHeld:questsDone:) and reward(held:othersHeld:), told apart by "questsDone".
Json vigilReward(const Json& j) {
  const auto quests = optional<int64_t>(j, "questsDone");
  return quests ? WorldBossVigil::reward(flag(j, "held"), integer(j, "othersHeld"), *quests)
                : WorldBossVigil::reward(flag(j, "held"), integer(j, "othersHeld"));
}
Json vigilReceiptID(const Json& j) {
  return WorldBossVigil::receiptID(str(j, "slot"), integer(j, "room"));
}
Json cry(const Json& j) {
  const auto found = WorldBossVigil::cry(str(j, "key"));
  return found ? Json(*found) : Json(nullptr);
}
Json cries(const Json&) { return Json(WorldBossVigil::cries); }

Json vigilError(const Json& j) {
  return VigilWire::description(VigilWire::error(str(j, "from"), integer(j, "status")));
}
Json pledgeCount(const Json& j) {
  return VigilWire::pledgeCount(required<std::vector<std::string>>(j, "lines"));
}
Json joinBody(const Json& j) { return VigilWire::joinBody(str(j, "slot"), integer(j, "pledged")); }

constexpr std::array kRules{
    Rule{"Guild.xpForLevel", xpForLevel},
    Rule{"Guild.levelFromTotalXp", levelFromTotalXp},
    Rule{"Guild.rankTitle", rankTitle},
    Rule{"Guild.domainOf", domainOf},
    Rule{"Guild.isPublicDomain", isPublicDomain},
    Rule{"GuildBoss.calibrate", calibrate},
    Rule{"GuildBoss.form", guildForm},
    Rule{"GuildBoss.forms", guildForms},
    Rule{"GuildContribution.capXp", capped<GuildContribution::capXp>},
    Rule{"GuildContribution.capQuests", capped<GuildContribution::capQuests>},
    Rule{"GuildContribution.capStreak", capped<GuildContribution::capStreak>},
    Rule{"GuildContribution.sanitizedNetworkPayload",
         sanitized<GuildContribution::sanitizedNetworkPayload>},
    Rule{"GuildContribution.networkBody", guildNetworkBody},
    Rule{"GuildRoles.assign", assignRoles},
    Rule{"GuildRoles.synergy", synergy},
    Rule{"GuildService.error", guildError},
    Rule{"WorldBoss.damage", damage},
    Rule{"WorldBoss.hp", hp},
    Rule{"WorldBoss.rage", rage},
    Rule{"WorldBoss.effectiveRage", effectiveRage},
    Rule{"WorldBoss.rageLevel", rageLevel},
    Rule{"WorldBoss.scourgeEffects", scourgeEffects},
    Rule{"WorldBoss.triggeredRageEvents", triggeredRageEvents},
    Rule{"WorldBoss.form", worldForm},
    Rule{"WorldBoss.forms", worldForms},
    Rule{"WorldBoss.reward", worldReward},
    Rule{"WorldBoss.victoryReceiptID", victoryReceiptID},
    Rule{"WorldBossContribution.capXp", capped<WorldBossContribution::capXp>},
    Rule{"WorldBossContribution.capQuests", capped<WorldBossContribution::capQuests>},
    Rule{"WorldBossContribution.capStreak", capped<WorldBossContribution::capStreak>},
    Rule{"WorldBossContribution.sanitizedNetworkPayload",
         sanitized<WorldBossContribution::sanitizedNetworkPayload>},
    Rule{"WorldBossContribution.networkBody", worldNetworkBody},
    Rule{"WorldBossSync.needsPublish", needsPublish},
    Rule{"WorldBossSync.damageOn", damageOn},
    Rule{"WorldBossService.error", worldBossError},
    Rule{"WorldBossService.checkPseudo", checkPseudo},
    Rule{"WorldBossVigil.slotStart", slotStart},
    Rule{"WorldBossVigil.slot", slot},
    Rule{"WorldBossVigil.nextSlot", nextSlot},
    Rule{"WorldBossVigil.lobbyOpens", slotInstant<WorldBossVigil::lobbyOpens>},
    Rule{"WorldBossVigil.sessionEnd", slotInstant<WorldBossVigil::sessionEnd>},
    Rule{"WorldBossVigil.slotClose", slotInstant<WorldBossVigil::slotClose>},
    Rule{"WorldBossVigil.holds", holds},
    Rule{"WorldBossVigil.reward", vigilReward},
    Rule{"WorldBossVigil.receiptID", vigilReceiptID},
    Rule{"WorldBossVigil.cry", cry},
    Rule{"WorldBossVigil.cries", cries},
    Rule{"VigilService.error", vigilError},
    Rule{"VigilService.pledgeCount", pledgeCount},
    Rule{"VigilService.joinBody", joinBody},
};

}  // namespace

std::span<const Rule> togetherRules() { return kRules; }

}  // namespace talewick::ui
