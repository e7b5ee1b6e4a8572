#include "kingdom/territory_overrides.hpp"

#include <algorithm>
#include <utility>

#include "kingdom/kingdom_realm_classifier.hpp"
#include "support/loc.hpp"

namespace talewick {

using json_coding::Field;
using Scope = TerritoryOverride::Scope;

Scope Scope::quest(std::string questID) { return {Case::quest, "quest", std::move(questID)}; }

Scope Scope::calendar(std::string calendarID) {
  return {Case::calendar, "calendar", std::move(calendarID)};
}

Scope Scope::unknown(std::string kind, std::string id) {
  return {Case::unknown, std::move(kind), std::move(id)};
}

Scope Scope::stored(std::string kind, std::string id) {
  if (kind == "quest") return quest(std::move(id));
  if (kind == "calendar") return calendar(std::move(id));
  return unknown(std::move(kind), std::move(id));
}

std::string TerritoryOverride::id() const { return scope.kind + ":" + scope.value; }

namespace {

const TerritoryOverride* firstMatch(const std::vector<TerritoryOverride>& overrides,
                                    Scope::Case which, const std::string& value) {
  for (const auto& o : overrides) {
    if (o.scope.which == which && o.scope.value == value) return &o;
  }
  return nullptr;
}

}  // namespace

std::optional<TerritoryOverride> TerritoryOverrides::resolve(
    const std::string& questID, const std::optional<std::string>& calendarID) const {
  if (const auto* o = firstMatch(overrides, Scope::Case::quest, questID)) return *o;
  if (calendarID) {
    if (const auto* o = firstMatch(overrides, Scope::Case::calendar, *calendarID)) return *o;
  }
  return std::nullopt;
}

std::optional<KingdomRealm> TerritoryOverrides::forcedRealm(
    const std::string& questID, const std::optional<std::string>& calendarID) const {
  const auto found = resolve(questID, calendarID);
  if (!found) return std::nullopt;
  return KingdomRealmClassifier::validatedForcedRealm(found->realm);
}

void TerritoryOverrides::set(const std::string& realm, const Scope& scope) {
  remove(scope);
  overrides.push_back(TerritoryOverride{scope, realm});
}

bool TerritoryOverrides::remove(const Scope& scope) {
  const auto before = overrides.size();
  std::erase_if(overrides, [&](const TerritoryOverride& o) { return o.scope == scope; });
  return overrides.size() != before;
}

bool TerritoryOverrides::clearResolved(const std::string& questID,
                                       const std::optional<std::string>& calendarID) {
  const auto found = resolve(questID, calendarID);
  if (!found) return false;
  remove(found->scope);
  return true;
}

std::string TerritoryOverrides::calendarPinLabel() {
  return Loc::string("kingdom.territory.pinCalendar", "Toujours ce calendrier");
}

namespace {

// The stored form of a scope: its kind and its value, whatever the case.
struct StoredScope {
  std::string kind;
  std::string id;
};

const auto kStoredScopeFields =
    std::tuple{Field{"kind", &StoredScope::kind}, Field{"id", &StoredScope::id}};

}  // namespace

void to_json(Json& j, const Scope& v) {
  json_coding::writeFields(j, StoredScope{v.kind, v.value}, kStoredScopeFields);
}

void from_json(const Json& j, Scope& v) {
  StoredScope stored;
  json_coding::readFields(j, stored, kStoredScopeFields);
  v = Scope::stored(std::move(stored.kind), std::move(stored.id));
}

static const auto kTerritoryOverrideFields = std::tuple{Field{"scope", &TerritoryOverride::scope},
                                                        Field{"realm", &TerritoryOverride::realm}};
TALEWICK_JSON_CODING(TerritoryOverride, kTerritoryOverrideFields)

static const auto kTerritoryOverridesFields =
    std::tuple{Field{"overrides", &TerritoryOverrides::overrides}};
TALEWICK_JSON_CODING(TerritoryOverrides, kTerritoryOverridesFields)

}  // namespace talewick
