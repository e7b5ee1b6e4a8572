#include "core/kingdom_territory_override_store.hpp"

#include "core/state_file.hpp"

namespace talewick {

KingdomTerritoryOverrideStore::KingdomTerritoryOverrideStore(std::filesystem::path saveURL)
    : saveURL_(std::move(saveURL)),
      overrides_(StateFile::load<TerritoryOverrides>(saveURL_).value_or(TerritoryOverrides{})) {}

void KingdomTerritoryOverrideStore::pinQuest(const std::string& questID, KingdomRealm realm) {
  overrides_.set(std::string(rawValue(realm)), TerritoryOverride::Scope::quest(questID));
  StateFile::persist(saveURL_, overrides_);
}

void KingdomTerritoryOverrideStore::pinCalendar(const std::string& calendarID, KingdomRealm realm) {
  overrides_.set(std::string(rawValue(realm)), TerritoryOverride::Scope::calendar(calendarID));
  StateFile::persist(saveURL_, overrides_);
}

bool KingdomTerritoryOverrideStore::unpin(const std::string& questID,
                                          const std::optional<std::string>& calendarID) {
  if (!overrides_.clearResolved(questID, calendarID)) return false;
  StateFile::persist(saveURL_, overrides_);
  return true;
}

bool KingdomTerritoryOverrideStore::unpinCalendar(const std::string& calendarID) {
  if (!overrides_.remove(TerritoryOverride::Scope::calendar(calendarID))) return false;
  StateFile::persist(saveURL_, overrides_);
  return true;
}

}  // namespace talewick
