#include "kingdom/kingdom_realm_classifier.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "support/text.hpp"

namespace talewick::KingdomRealmClassifier {
namespace {

// The searchable text is folded, so only the plain spellings below can match; the accented ones
// are kept beside them so that each list reads as users write the words.
constexpr std::array<std::string_view, 11> kTicketWords{"linear", "ticket", "issue",        "jira",
                                                        "github", "bug",    "pull request", "merge",
                                                        "prd",    "spec",   "backlog"};
constexpr std::array<std::string_view, 11> kDeadlineWords{
    "deadline", "deadlines", "rendu",  "livraison", "ship",  "release",
    "démo",     "demo",      "review", "soumettre", "submit"};
constexpr std::array<std::string_view, 12> kFamilyWords{"famille", "family",  "enfant", "enfants",
                                                        "ecole",   "école",   "creche", "crèche",
                                                        "maison",  "courses", "repas",  "nounou"};
constexpr std::array<std::string_view, 7> kFamilyArchetypes{
    "bain_rituel_coucher", "couche_bebe", "courses",      "ecole_creche",
    "jeu_avec_enfant",     "menage",      "repas_cuisine"};
constexpr std::array<std::string_view, 6> kWorkWords{"client",  "meeting", "réunion",
                                                     "reunion", "sync",    "standup"};
constexpr std::array<std::string_view, 11> kPersonalWords{
    "sport",      "run",     "course", "perso", "personal", "meditation",
    "méditation", "lecture", "soin",   "solo",  "focus"};
constexpr std::array<std::string_view, 2> kPersonalArchetypes{"sport", "temps_pour_soi"};
constexpr std::array<std::string_view, 3> kPersonalBiomes{"gym", "spa", "park"};
constexpr std::array<std::string_view, 2> kFamilyBiomes{"home", "school"};

template <size_t N>
bool containsAny(std::string_view text, const std::array<std::string_view, N>& words) {
  return std::any_of(words.begin(), words.end(),
                     [&](std::string_view w) { return text.find(w) != std::string_view::npos; });
}

template <size_t N>
bool isOneOf(std::string_view value, const std::array<std::string_view, N>& values) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

template <size_t N>
bool isOneOfOptional(const std::optional<std::string>& value,
                     const std::array<std::string_view, N>& values) {
  return value && isOneOf(*value, values);
}

bool hasAttendees(const DayEvent* event) { return event && event->attendees > 0; }

// The positive signals of the personal heuristic, once the exclusions have been checked.
bool hasPersonalSignal(const Quest& quest, std::string_view searchText) {
  return containsAny(searchText, kPersonalWords) ||
         isOneOf(quest.archetypeId, kPersonalArchetypes) ||
         isOneOfOptional(quest.biomeKey, kPersonalBiomes);
}

}  // namespace

std::optional<KingdomRealm> validatedForcedRealm(std::optional<std::string_view> raw) {
  if (!raw) return std::nullopt;
  const auto realm = fromRaw<KingdomRealm>(*raw);
  if (!realm || !KingdomRealms::isForcible(*realm)) return std::nullopt;
  return realm;
}

bool belongs(KingdomRealm realm, std::optional<KingdomRealm> forced, bool heuristicMatch) {
  return forced ? *forced == realm : heuristicMatch;
}

std::string searchableText(const Quest& quest, const DayEvent* event,
                           const std::map<std::string, std::string>& calendarTitlesByID) {
  std::string joined = quest.rawTitle;
  auto add = [&](const std::optional<std::string>& part) {
    if (!part) return;
    joined += ' ';
    joined += *part;
  };
  joined += ' ';
  joined += quest.name;
  add(quest.biome);
  if (event) {
    add(event->location);
    add(event->notes);
    add(event->url);
    if (event->calendarID) {
      if (auto it = calendarTitlesByID.find(*event->calendarID); it != calendarTitlesByID.end()) {
        add(it->second);
      }
    }
  }
  return text::lower(text::fold(joined));
}

bool isFamilyQuest(const Quest& quest, std::string_view searchText) {
  return isOneOf(quest.archetypeId, kFamilyArchetypes) || containsAny(searchText, kFamilyWords) ||
         isOneOfOptional(quest.biomeKey, kFamilyBiomes);
}

bool isTicketQuest(std::string_view searchText) { return containsAny(searchText, kTicketWords); }

bool isDeadlineQuest(const Quest& quest, std::string_view searchText) {
  return quest.threat.tier > 3 || hasDeadlineWord(searchText);
}

bool hasDeadlineWord(std::string_view searchText) {
  return containsAny(searchText, kDeadlineWords);
}

bool isPersonalQuest(const Quest& quest, const DayEvent* event, std::string_view searchText,
                     bool isTicket, bool isDeadline) {
  if (isTicket || isDeadline || hasAttendees(event)) return false;
  if (containsAny(searchText, kWorkWords)) return false;
  return hasPersonalSignal(quest, searchText);
}

Membership membership(const Quest& quest, const DayEvent* event, std::string_view searchText,
                      std::optional<KingdomRealm> forcedRealm) {
  const auto forced = forcedRealm && KingdomRealms::isForcible(*forcedRealm)
                          ? forcedRealm
                          : std::optional<KingdomRealm>{};
  Membership m;
  m.family = belongs(KingdomRealm::family, forced, isFamilyQuest(quest, searchText));
  m.ticket = belongs(KingdomRealm::tickets, forced, isTicketQuest(searchText));
  m.deadline = belongs(KingdomRealm::deadlines, forced, isDeadlineQuest(quest, searchText));
  // Unlike the standalone heuristic, this one sees the final flags, so that a family quest never
  // doubles as a personal one.
  bool personal = false;
  if (!m.ticket && !m.deadline && !hasAttendees(event) && !containsAny(searchText, kWorkWords) &&
      hasPersonalSignal(quest, searchText)) {
    personal = !m.family;
  }
  m.personal = belongs(KingdomRealm::personal, forced, personal);
  return m;
}

std::vector<Quest> deadlineResolverQuests(
    const std::vector<Quest>& quests,
    const std::function<std::optional<KingdomRealm>(const Quest&)>& forcedRealm) {
  std::vector<Quest> kept;
  for (const Quest& q : quests) {
    const auto forced = forcedRealm(q);
    if (!forced || *forced == KingdomRealm::deadlines) kept.push_back(q);
  }
  return kept;
}

std::string occurrenceKey(const Quest& quest) {
  char buf[64];
  const double s = quest.startDate.seconds;
  const auto result = std::to_chars(buf, buf + sizeof buf, s);
  std::string number(buf, result.ptr);
  // Whole numbers print without a fraction ("786297600"); the key always carries one.
  if (std::isfinite(s) && number.find_first_of(".e") == std::string::npos) number += ".0";
  return quest.id + "|" + number;
}

}  // namespace talewick::KingdomRealmClassifier
