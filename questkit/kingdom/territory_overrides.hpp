// Territory overrides: the user's pins of one quest, or of a whole calendar, to a realm of the
// kingdom. A pin wins over the classifier's heuristics; a quest pin wins over a calendar pin. The
// list is kept in insertion order because the first matching pin wins.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "kingdom/kingdom_realm.hpp"
#include "support/json.hpp"

namespace talewick {

struct TerritoryOverride {
  // What a pin applies to: one quest (by Quest::id), one calendar (by DayEvent::calendarID), or a
  // kind written by another version, kept as read and never matching.
  struct Scope {
    enum class Case { quest, calendar, unknown };
    Case which = Case::quest;
    std::string kind;   // "quest", "calendar", or the stored kind of an unknown scope
    std::string value;  // the quest id, the calendar id, or the stored id

    static Scope quest(std::string questID);
    static Scope calendar(std::string calendarID);
    static Scope unknown(std::string kind, std::string id);
    // The scope a stored (kind, id) pair names: "quest" and "calendar" are known, anything else
    // is unknown.
    static Scope stored(std::string kind, std::string id);

    bool operator==(const Scope&) const = default;
  };

  Scope scope;
  std::string realm;  // a KingdomRealm raw value as stored; only a forcible realm has an effect

  // "quest:quest_abc", "calendar:Travail"…
  std::string id() const;
  bool operator==(const TerritoryOverride&) const = default;
};

struct TerritoryOverrides {
  std::vector<TerritoryOverride> overrides;

  // The pin that applies to a quest: its first quest pin, else (with a calendar id) the first pin
  // of its calendar, else none.
  std::optional<TerritoryOverride> resolve(const std::string& questID,
                                           const std::optional<std::string>& calendarID) const;

  // The realm forced on a quest: the resolved pin's realm when it is forcible; nullopt otherwise
  // (no pin, or a pin to factions, reminders or an unknown text, which the heuristics overrule).
  std::optional<KingdomRealm> forcedRealm(const std::string& questID,
                                          const std::optional<std::string>& calendarID) const;

  // Replaces every pin of `scope` with one pin to `realm`, placed at the end of the list.
  void set(const std::string& realm, const TerritoryOverride::Scope& scope);

  // Removes every pin of `scope`; true when at least one was removed.
  bool remove(const TerritoryOverride::Scope& scope);

  // Removes every pin of the scope that resolve() finds for the quest (so a quest pinned through
  // its calendar unpins the whole calendar); false when nothing applied to it.
  bool clearResolved(const std::string& questID, const std::optional<std::string>& calendarID);

  // The label of the action that pins a whole calendar.
  static std::string calendarPinLabel();

  bool operator==(const TerritoryOverrides&) const = default;
};

// JSON: {"overrides": [{"scope": {"kind": …, "id": …}, "realm": …}, …]}.
void to_json(Json& j, const TerritoryOverride::Scope& v);
void from_json(const Json& j, TerritoryOverride::Scope& v);
void to_json(Json& j, const TerritoryOverride& v);
void from_json(const Json& j, TerritoryOverride& v);
void to_json(Json& j, const TerritoryOverrides& v);
void from_json(const Json& j, TerritoryOverrides& v);

}  // namespace talewick
