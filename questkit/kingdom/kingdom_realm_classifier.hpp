// Which realms of the kingdom a calendar quest belongs to. Each quest gets one searchable text
// (its titles, biome, and the place, notes, link and calendar title of its occurrence), folded
// case- and diacritic-insensitively; keywords match as plain substrings of it, without word
// boundaries. A realm forced by a territory override wins over every heuristic.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/day_event.hpp"
#include "game/quest.hpp"
#include "kingdom/kingdom_realm.hpp"

namespace talewick::KingdomRealmClassifier {

// The realms one quest is listed in; several may be set at once (a family deadline is both).
struct Membership {
  bool family = false;
  bool personal = false;
  bool ticket = false;
  bool deadline = false;
  bool operator==(const Membership&) const = default;
};

// The realm a stored override names, when it may be forced: nullopt for no override, for a text
// that is no realm, and for factions and reminders.
std::optional<KingdomRealm> validatedForcedRealm(std::optional<std::string_view> raw);

// With a forced realm, whether it is `realm`; otherwise the heuristic's answer.
bool belongs(KingdomRealm realm, std::optional<KingdomRealm> forced, bool heuristicMatch);

// quest.rawTitle, quest.name, quest.biome and, when the occurrence is known (non-null), its
// location, notes, link and the title of its calendar (looked up by calendarID), each when
// present, joined with one space, folded and lower-cased.
std::string searchableText(const Quest& quest, const DayEvent* event,
                           const std::map<std::string, std::string>& calendarTitlesByID);

// The four flags. With a forced realm (validated again here) exactly that flag is set. Without
// one, personal is only set when ticket, deadline and family are all false.
Membership membership(const Quest& quest, const DayEvent* event, std::string_view searchText,
                      std::optional<KingdomRealm> forcedRealm);

// The single heuristics, over a text made by searchableText.
// Family: a family archetype, a family word, or the biome "home" or "school".
bool isFamilyQuest(const Quest& quest, std::string_view searchText);
// Ticket: a tracker word ("linear", "ticket", "bug", "pull request"…).
bool isTicketQuest(std::string_view searchText);
// Deadline: threat tier 4 or more, or a delivery word ("rendu", "release", "demo"…).
bool isDeadlineQuest(const Quest& quest, std::string_view searchText);
// The delivery words alone, for obligations that are not quests (reminders, tasks).
bool hasDeadlineWord(std::string_view searchText);
// Personal, on its own: never a ticket, a deadline, an occurrence with attendees or a text with a
// work word; otherwise a personal word, the archetype "sport" or "temps_pour_soi", or the biome
// "gym", "spa" or "park".
bool isPersonalQuest(const Quest& quest, const DayEvent* event, std::string_view searchText,
                     bool isTicket, bool isDeadline);

// The quests, in order, that take part in deadline detection: those not forced at all and those
// forced to deadlines. A quest pinned elsewhere is never treated as a deadline.
std::vector<Quest> deadlineResolverQuests(
    const std::vector<Quest>& quests,
    const std::function<std::optional<KingdomRealm>(const Quest&)>& forcedRealm);

// The key of one quest occurrence in the forced-realm lookup of a realm snapshot: the quest id,
// "|", and its start as seconds since 2001-01-01 UTC in the shortest decimal form that reads back
// exactly, always with a fraction ("quest_a|786297600.0", "quest_b|786297600.5").
std::string occurrenceKey(const Quest& quest);

}  // namespace talewick::KingdomRealmClassifier
