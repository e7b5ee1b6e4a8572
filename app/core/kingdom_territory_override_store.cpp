#include "core/kingdom_territory_override_store.hpp"

namespace talewick {

KingdomTerritoryOverrideStore::KingdomTerritoryOverrideStore(FilePort& files,
                                                             std::filesystem::path saveURL,
                                                             std::ostream& diagnostics)
    : file_(files, std::move(saveURL), diagnostics),
      overrides_(file_.load<TerritoryOverrides>().value_or(TerritoryOverrides{})) {}

void KingdomTerritoryOverrideStore::keep(TerritoryOverrides next) {
  file_.save(next);
  overrides_ = std::move(next);
}

void KingdomTerritoryOverrideStore::pinQuest(const std::string& questID, KingdomRealm realm) {
  TerritoryOverrides next = overrides_;
  next.set(std::string(rawValue(realm)), TerritoryOverride::Scope::quest(questID));
  keep(std::move(next));
}

void KingdomTerritoryOverrideStore::pinCalendar(const std::string& calendarID, KingdomRealm realm) {
  TerritoryOverrides next = overrides_;
  next.set(std::string(rawValue(realm)), TerritoryOverride::Scope::calendar(calendarID));
  keep(std::move(next));
}

bool KingdomTerritoryOverrideStore::unpin(const std::string& questID,
                                          const std::optional<std::string>& calendarID) {
  TerritoryOverrides next = overrides_;
  if (!next.clearResolved(questID, calendarID)) return false;
  keep(std::move(next));
  return true;
}

bool KingdomTerritoryOverrideStore::unpinCalendar(const std::string& calendarID) {
  TerritoryOverrides next = overrides_;
  if (!next.remove(TerritoryOverride::Scope::calendar(calendarID))) return false;
  keep(std::move(next));
  return true;
}

}  // namespace talewick
