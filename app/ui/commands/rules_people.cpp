// Buildings and cosmetics, inhabitants and reputation, quest offers as `talewick rules` reaches
// them. An operation that changes a list in place answers the changed list under its argument's
// name beside its own answer; a set leaves as a sorted array.
#include <array>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "kingdom/inhabitants.hpp"
#include "kingdom/kingdom_building_progression.hpp"
#include "kingdom/kingdom_cosmetics.hpp"
#include "kingdom/quest_offers.hpp"
#include "kingdom/reputation.hpp"
#include "ui/commands/rule_arguments.hpp"
#include "ui/commands/rule_table.hpp"

namespace talewick::ui {
namespace {

using namespace rule_arguments;
namespace Cosmetics = KingdomCosmetics;

Json nullable(const std::optional<std::string>& s) { return s ? Json(*s) : Json(nullptr); }

template <class T>
std::set<T> setOf(const Json& j, const char* key) {
  const auto items = required<std::vector<T>>(j, key);
  return std::set<T>(items.begin(), items.end());
}

Json stage(const Json& j) {
  return static_cast<int64_t>(KingdomBuildingProgression::stage(required<KingdomBuilding>(j, "for"),
                                                                required<int64_t>(j, "heroLevel")));
}

// An item is given as its record or by its id.
Cosmetics::Item item(const Json& j) {
  if (j.is_object() && j.contains("item") && j["item"].is_string()) {
    const auto found = Cosmetics::item(j["item"].get<std::string>());
    if (!found) throw DecodeError("item", "unknown cosmetic");
    return *found;
  }
  return required<Cosmetics::Item>(j, "item");
}
Cosmetics::Progress progress(const Json& j, const char* key = "progress") {
  return required<Cosmetics::Progress>(j, key);
}

Json catalog(const Json& j) {
  const auto kind = optional<Cosmetics::Kind>(j, "kind");
  return json_coding::encode(kind ? Cosmetics::catalog(*kind) : Cosmetics::catalog());
}
Json cosmeticItem(const Json& j) {
  const auto found = Cosmetics::item(required<std::string>(j, "id"));
  return found ? json_coding::encode(*found) : Json(nullptr);
}
Json isUnlocked(const Json& j) { return Cosmetics::isUnlocked(item(j), progress(j)); }
Json fraction(const Json& j) { return Cosmetics::fraction(item(j), progress(j)); }
Json unlocked(const Json& j) { return json_coding::encode(Cosmetics::unlocked(progress(j))); }
Json newlyUnlocked(const Json& j) {
  return json_coding::encode(Cosmetics::newlyUnlocked(progress(j, "before"), progress(j, "now")));
}
Json unlockReceiptID(const Json& j) {
  return Cosmetics::unlockReceiptID(required<std::string>(j, "itemID"));
}

// The constructors take one unlabelled text, read as "value".
template <std::optional<AliasKey> (*make)(std::string_view)>
Json aliasKey(const Json& j) {
  const auto key = make(required<std::string>(j, "value"));
  return key ? json_coding::encode(*key) : Json(nullptr);
}

std::vector<AliasKey> keys(const Json& j, const char* key = "keys") {
  return required<std::vector<AliasKey>>(j, key);
}
std::vector<Inhabitant> inhabitants(const Json& j, const char* key) {
  return required<std::vector<Inhabitant>>(j, key);
}

Json normalizeKeys(const Json& j) {
  return json_coding::encode(InhabitantRegistry::normalizeKeys(keys(j)));
}
Json derivedID(const Json& j) { return nullable(InhabitantRegistry::derivedID(keys(j, "from"))); }
Json resolveInhabitant(const Json& j) {
  const auto found = InhabitantRegistry::resolve(keys(j), inhabitants(j, "in"));
  return found ? json_coding::encode(*found) : Json(nullptr);
}
Json upsert(const Json& j) {
  auto into = inhabitants(j, "into");
  const auto id = InhabitantRegistry::upsert(keys(j), required<std::string>(j, "displayName"),
                                             required<Inhabitant::Kind>(j, "kind"),
                                             required<std::string>(j, "now"), into);
  return Json{{"id", nullable(id)}, {"into", json_coding::encode(into)}};
}
Json link(const Json& j) {
  auto in = inhabitants(j, "in");
  const bool linked = InhabitantRegistry::link(keys(j), required<std::string>(j, "to"), in);
  return Json{{"linked", linked}, {"in", json_coding::encode(in)}};
}

Json points(const Json& j) { return Reputation::points(required<LienTally>(j, "tally")); }
Json tier(const Json& j) {
  return json_coding::encode(Reputation::tier(required<int64_t>(j, "forPoints")));
}
// progress(forPoints:) and progress(_ tally), told apart by their argument.
Json reputationProgress(const Json& j) {
  if (j.is_object() && j.contains("tally")) {
    return json_coding::encode(Reputation::progress(required<LienTally>(j, "tally")));
  }
  return json_coding::encode(Reputation::progress(required<int64_t>(j, "forPoints")));
}
Json applyContributions(const Json& j) {
  auto into = inhabitants(j, "into");
  auto counted = setOf<std::string>(j, "counted");
  ReputationLedger::apply(required<std::vector<ReputationLedger::Contribution>>(j, "contributions"),
                          into, counted);
  return Json{{"into", json_coding::encode(into)},
              {"counted", std::vector<std::string>(counted.begin(), counted.end())}};
}

Json pending(const Json& j) {
  return json_coding::encode(
      QuestOffers::pending(required<std::vector<QuestOffers::InviteCandidate>>(j, "invites"),
                           required<std::vector<QuestOffers::TicketCandidate>>(j, "tickets"),
                           setOf<std::string>(j, "seen")));
}
Json ticketReward(const Json& j) {
  return json_coding::encode(QuestOffers::ticketReward(required<int64_t>(j, "priority")));
}
Json assign(const Json& j) {
  return QuestOfferGivers::assign(required<std::vector<QuestOffers::Offer>>(j, "offers"),
                                  required<std::vector<QuestOfferGivers::Actor>>(j, "actors"),
                                  required<std::map<std::string, std::string>>(j, "aliases"));
}

constexpr std::array kRules{
    Rule{"KingdomBuildingProgression.stage", stage},
    Rule{"KingdomCosmetics.catalog", catalog},
    Rule{"KingdomCosmetics.item", cosmeticItem},
    Rule{"KingdomCosmetics.isUnlocked", isUnlocked},
    Rule{"KingdomCosmetics.fraction", fraction},
    Rule{"KingdomCosmetics.unlocked", unlocked},
    Rule{"KingdomCosmetics.newlyUnlocked", newlyUnlocked},
    Rule{"KingdomCosmetics.unlockReceiptID", unlockReceiptID},
    Rule{"AliasKey.email", aliasKey<AliasKey::email>},
    Rule{"AliasKey.linearMember", aliasKey<AliasKey::linearMember>},
    Rule{"AliasKey.familyProfile", aliasKey<AliasKey::familyProfile>},
    Rule{"AliasKey.todoistAssignee", aliasKey<AliasKey::todoistAssignee>},
    Rule{"AliasKey.name", aliasKey<AliasKey::name>},
    Rule{"InhabitantRegistry.normalizeKeys", normalizeKeys},
    Rule{"InhabitantRegistry.derivedID", derivedID},
    Rule{"InhabitantRegistry.resolve", resolveInhabitant},
    Rule{"InhabitantRegistry.upsert", upsert},
    Rule{"InhabitantRegistry.link", link},
    Rule{"Reputation.points", points},
    Rule{"Reputation.tier", tier},
    Rule{"Reputation.progress", reputationProgress},
    Rule{"ReputationLedger.apply", applyContributions},
    Rule{"QuestOffers.pending", pending},
    Rule{"QuestOffers.ticketReward", ticketReward},
    Rule{"QuestOfferGivers.assign", assign},
};

}  // namespace

std::span<const Rule> peopleRules() { return kRules; }

}  // namespace talewick::ui
