#include "text/title_composer.hpp"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>

#include "game/lore.hpp"
#include "support/hashes.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick::TitleComposer {
namespace {

bool contains(const std::vector<std::string>& list, std::string_view word) {
  return std::find(list.begin(), list.end(), word) != list.end();
}

// The first `count` user-perceived characters of `s` (code points, which is what matters for
// the short subjects this clips).
std::string prefixCodePoints(std::string_view s, int count) {
  int32_t i = 0;
  const auto length = static_cast<int32_t>(s.size());
  for (int n = 0; n < count && i < length; ++n) U8_FWD_1(s.data(), i, length);
  return std::string(s.substr(0, static_cast<size_t>(i)));
}

}  // namespace

std::string normalize(std::string_view t) { return text::fold(t); }

const std::vector<std::string>& stopWords() {
  static const std::vector<std::string> words = {
      "le",   "la",   "les", "un",   "une", "des",    "de",   "du",   "d",   "l",
      "a",    "au",   "aux", "et",   "ou",  "avec",   "chez", "pour", "par", "sur",
      "sous", "dans", "en",  "vers", "rdv", "rendez", "vous", "mr",   "mme", "dr",
      "the",  "my",   "at",  "to",   "of",  "and",    "with", "for"};
  return words;
}

const std::vector<std::string>& weakSubjects() {
  static const std::vector<std::string> words = {
      "produit", "point",   "client",  "projet",  "dossier", "suivi", "sujet",   "sync",   "call",
      "meeting", "reunion", "reu",     "truc",    "chose",   "brief", "debrief", "divers", "appel",
      "visio",   "atelier", "session", "tache",   "todo",    "note",  "info",    "infos",  "update",
      "review",  "demo",    "ticket",  "bug",     "compte",  "rendu", "equipe",  "team",   "perso",
      "boulot",  "travail", "taf",     "courses", "course"};
  return words;
}

std::vector<Cand> candidates(std::string_view title) {
  std::vector<Cand> out;
  const auto length = static_cast<int32_t>(title.size());
  int position = 0;
  int32_t i = 0;
  while (i < length) {
    // Skip separators, then take a run of letters and digits.
    int32_t start = i;
    UChar32 cp = 0;
    while (start < length) {
      int32_t next = start;
      U8_NEXT(title.data(), next, length, cp);
      if (cp >= 0 && (u_isalnum(cp) || u_charType(cp) == U_NON_SPACING_MARK)) break;
      start = next;
    }
    int32_t end = start;
    int letters = 0;  // combining marks belong to the letter before them
    while (end < length) {
      int32_t next = end;
      UChar32 c;
      U8_NEXT(title.data(), next, length, c);
      if (c < 0) break;
      const bool mark = u_charType(c) == U_NON_SPACING_MARK;
      if (!u_isalnum(c) && !mark) break;
      letters += mark ? 0 : 1;
      end = next;
    }
    i = end;
    if (end == start) break;
    const std::string_view word =
        title.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
    const int index = position++;
    std::string norm = text::fold(word);
    UChar32 first;
    int32_t f = 0;
    U8_NEXT(word.data(), f, static_cast<int32_t>(word.size()), first);
    if (u_isdigit(first) || letters < 3 || contains(stopWords(), norm) ||
        contains(weakSubjects(), norm)) {
      continue;
    }
    out.push_back(Cand{std::string(word), std::move(norm), index, u_isupper(first) != 0});
  }
  return out;
}

std::optional<std::string> extractSubject(std::string_view title) {
  const std::vector<Cand> cands = candidates(title);
  if (cands.empty()) return std::nullopt;
  const Cand* chosen = nullptr;
  for (const Cand& c : cands) {
    if (c.isCap && c.i > 0) {
      chosen = &c;
      break;
    }
  }
  if (!chosen && cands.front().isCap) chosen = &cands.front();
  if (!chosen) {
    chosen = &*std::max_element(cands.begin(), cands.end(), [](const Cand& a, const Cand& b) {
      return text::perceivedLength(a.clean) < text::perceivedLength(b.clean);
    });
  }
  return clip(text::capitalizeFirst(chosen->clean));
}

const std::vector<std::string>& subjectTemplates() {
  static const std::vector<std::string> templates = [] {
    static constexpr std::array<std::string_view, 8> kFrench{
        "Le Donjon {x}",    "L'Épreuve dite {x}", "La Quête de {x}",        "{x} : le Duel",
        "Le Sortilège {x}", "La Légende de {x}",  "{x}, l'Heure du Destin", "Le Pacte {x}"};
    std::vector<std::string> out;
    for (size_t i = 0; i < kFrench.size(); ++i) {
      out.push_back(Loc::string("title.subjectTemplate." + std::to_string(i), kFrench[i]));
    }
    return out;
  }();
  return templates;
}

int64_t hash(std::string_view t) { return hashes::fnv1aUtf16Abs(t); }

std::string stripLeadingArticle(std::string_view name) {
  std::string_view s = text::trim(name);
  if (s.starts_with("L'")) {
    s.remove_prefix(2);
  } else if (s.starts_with("L\u2019")) {
    s.remove_prefix(std::string_view("L\u2019").size());
  } else {
    static const std::array<std::string_view, 7> kArticles{"le",  "la",  "les", "un",
                                                           "une", "des", "the"};
    const size_t space = s.find(' ');
    if (space != std::string_view::npos) {
      const std::string first = text::fold(s.substr(0, space));
      if (std::find(kArticles.begin(), kArticles.end(), first) != kArticles.end()) {
        s.remove_prefix(space);
      }
    }
  }
  return std::string(text::trim(s));
}

std::string clip(std::string_view t) {
  if (text::perceivedLength(t) < 25) return std::string(t);
  return std::string(text::trim(prefixCodePoints(t, 23))) + "…";
}

std::string composeQuestName(std::string_view rawTitle, const Archetype& archetype,
                             std::string_view seed, RPGMode mode) {
  const std::optional<std::string> subject = extractSubject(rawTitle);
  std::string key(seed);
  key += archetype.id;
  if (!subject) {
    const std::vector<std::string>* names = Lore::questNames(mode, archetype.id);
    if (!names) names = &archetype.questNames;
    if (names->empty()) return archetype.id;
    const auto index = static_cast<size_t>(hash(key) % static_cast<int64_t>(names->size()));
    return stripLeadingArticle((*names)[index]);
  }
  const std::vector<std::string>* templates = Lore::subjectTemplates(mode);
  if (!templates) templates = &subjectTemplates();
  key += "subj";
  const size_t count = templates->size();
  const auto start = static_cast<size_t>(hash(key) % static_cast<int64_t>(count));
  std::string shortest;
  int shortestLength = 0;
  for (size_t k = 0; k < count; ++k) {
    std::string name = (*templates)[(start + k) % count];
    if (const size_t at = name.find("{x}"); at != std::string::npos) {
      name.replace(at, 3, *subject);
    }
    name = stripLeadingArticle(name);
    const int length = text::perceivedLength(name);
    if (length <= lengthBudget) return name;
    if (shortest.empty() || length < shortestLength) {
      shortest = std::move(name);
      shortestLength = length;
    }
  }
  return shortest;
}

std::string variantQuestName(std::string_view rawTitle, const Archetype& archetype,
                             std::string_view seed, RPGMode mode, int64_t variant) {
  return composeQuestName(rawTitle, archetype,
                          std::string(seed) + "#reroll" + std::to_string(variant), mode);
}

}  // namespace talewick::TitleComposer
