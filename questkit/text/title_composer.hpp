// Composes the epic name of a quest from its real title: a subject word of the title set into a
// template ("La Quête de {x}"), or, when the title has no usable word, one of the archetype's
// names. Picks are hashes of the quest's seed, so the same title on the same day keeps its name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/archetypes.hpp"
#include "game/enums.hpp"

namespace talewick::TitleComposer {

inline constexpr int lengthBudget = 30;  // user-perceived characters

// A candidate subject word of a title.
struct Cand {
  std::string clean;   // the word as shown
  std::string norm;    // folded
  int i = 0;           // position among the title's words
  bool isCap = false;  // begins with an upper-case letter
};

// Case- and diacritic-folded text (punctuation kept): the form seeds are built from.
std::string normalize(std::string_view text);

// The word lists, normalised.
const std::vector<std::string>& stopWords();
const std::vector<std::string>& weakSubjects();

// The title's words that can name the quest: letters and digits split at any other character,
// without stop words, weak subjects, words under three characters or starting with a digit.
std::vector<Cand> candidates(std::string_view rawTitle);

// The subject of the title, as shown in a name: a capitalised word after the first (a name, a
// place), else a capitalised first word, else the longest word; its first letter upper-cased and
// clipped. nullopt when no word is usable.
std::optional<std::string> extractSubject(std::string_view rawTitle);

// The eight default subject templates, localised.
const std::vector<std::string>& subjectTemplates();

std::string composeQuestName(std::string_view rawTitle, const Archetype& archetype,
                             std::string_view seed, RPGMode mode);
std::string variantQuestName(std::string_view rawTitle, const Archetype& archetype,
                             std::string_view seed, RPGMode mode, int64_t variant);

// Without a leading "L'"/"L’" or a leading article word (le, la, les, un, une, des, the).
std::string stripLeadingArticle(std::string_view name);

// Texts under 25 characters unchanged; longer ones cut to 23 characters, trimmed, and "…".
std::string clip(std::string_view text);

// 32-bit FNV-1a over UTF-16 code units, as a non-negative number.
int64_t hash(std::string_view text);

}  // namespace talewick::TitleComposer
