#include "game/classifier.hpp"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <unordered_map>

#include "game/bestiary.hpp"
#include "game/keyword_automaton.hpp"
#include "game/lore.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"

namespace talewick::Classifier {

std::string normalize(std::string_view input) { return normalizeFolded(text::fold(input)); }

std::string normalizeFolded(std::string_view folded) {
  std::string out;
  out.reserve(folded.size());
  bool pendingSpace = false;
  for (char c : folded) {
    // Multi-byte characters (letters outside a–z included) become spaces, as any punctuation.
    const bool kept = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (!kept) {
      pendingSpace = !out.empty();
      continue;
    }
    if (pendingSpace) out.push_back(' ');
    pendingSpace = false;
    out.push_back(c);
  }
  return out;
}

namespace {

// Every archetype keyword, normalised, with the (archetype, score) pairs it adds to. A keyword
// listed twice in one row counts twice, as the sum over the row's keywords does.
struct ClassifierTables {
  std::vector<std::string> keywords;
  std::vector<std::vector<std::pair<int, int>>> contributions;
  KeywordAutomaton automaton;

  static ClassifierTables build() {
    std::vector<std::string> keywords;
    std::vector<std::vector<std::pair<int, int>>> contributions;
    const auto& all = Archetypes::all();
    for (size_t a = 0; a < all.size(); ++a) {
      for (const std::string& raw : all[a].keywords) {
        const std::string kw = normalize(raw);
        if (kw.empty()) continue;
        const int score = kw.find(' ') == std::string::npos ? 2 : 3;
        auto it = std::find(keywords.begin(), keywords.end(), kw);
        size_t index = static_cast<size_t>(it - keywords.begin());
        if (it == keywords.end()) {
          keywords.push_back(kw);
          contributions.emplace_back();
        }
        contributions[index].emplace_back(static_cast<int>(a), score);
      }
    }
    KeywordAutomaton automaton(keywords);
    return ClassifierTables{std::move(keywords), std::move(contributions), std::move(automaton)};
  }
};

const ClassifierTables& classifierTables() {
  static const ClassifierTables tables = ClassifierTables::build();
  return tables;
}

}  // namespace

const Archetype& classifyNormalized(std::string_view title) {
  if (title.empty()) return Archetypes::fallback();
  const ClassifierTables& t = classifierTables();
  const auto& all = Archetypes::all();
  std::array<int, 64> scores{};
  // A keyword scores once however often it occurs; titles are short, so a small list of the
  // keywords seen so far is cheaper than a set.
  std::array<int, 64> seen{};
  size_t seenCount = 0;
  std::vector<int> seenOverflow;
  t.automaton.forEachMatch(title, [&](int kw) {
    for (size_t i = 0; i < seenCount; ++i) {
      if (seen[i] == kw) return;
    }
    if (std::find(seenOverflow.begin(), seenOverflow.end(), kw) != seenOverflow.end()) return;
    if (seenCount < seen.size()) {
      seen[seenCount++] = kw;
    } else {
      seenOverflow.push_back(kw);
    }
    for (const auto& [archetype, score] : t.contributions[static_cast<size_t>(kw)]) {
      scores[static_cast<size_t>(archetype)] += score;
    }
  });
  int best = -1, bestScore = 0;
  for (size_t a = 0; a < all.size(); ++a) {
    if (scores[a] > bestScore) {
      bestScore = scores[a];
      best = static_cast<int>(a);
    }
  }
  return best < 0 ? Archetypes::fallback() : all[static_cast<size_t>(best)];
}

const Archetype& classify(std::string_view title) { return classifyNormalized(normalize(title)); }

TimeOfDay timeOfDayForHour(int hour) {
  if (hour >= 5 && hour <= 8) return TimeOfDay::aube;
  if (hour >= 9 && hour <= 17) return TimeOfDay::jour;
  if (hour >= 18 && hour <= 21) return TimeOfDay::soir;
  return TimeOfDay::nuit;
}

TimeOfDay timeOfDay(Date start) { return timeOfDayForHour(LocalCalendar::hour(start)); }

const std::vector<BiomeEntry>& biomes() {
  static const std::vector<BiomeEntry> table = [] {
    std::vector<BiomeEntry> rows = {
        {{"maison", "home", "domicile", "appart", "chez moi", "chez nous"}, "home", "le Foyer"},
        {{"ecole", "creche", "school", "college", "lycee", "fac", "universite", "campus"},
         "school",
         "le Préau"},
        {{"parc", "jardin", "square", "foret", "plage", "park", "montagne", "lac", "mer",
          "piscine"},
         "park",
         "la Clairière"},
        {{"bureau", "office", "travail", "work", "boulot", "agence", "coworking", "usine",
          "chantier"},
         "work",
         "la Citadelle de Labeur"},
        {{"hopital", "clinique", "cabinet", "medecin", "hospital", "dentiste", "pharmacie", "kine",
          "labo"},
         "medical",
         "le Sanctuaire des Soins"},
        {{"supermarche", "magasin", "courses", "centre commercial", "shop", "store", "marche",
          "boutique"},
         "supermarket",
         "le Bazar"},
        {{"restaurant", "cafe", "bar", "resto", "brasserie", "bistrot", "pub"},
         "restaurant",
         "la Taverne"},
        {{"gare", "aeroport", "station", "route", "autoroute", "metro", "train", "voiture",
          "peripherique"},
         "transport",
         "les Routes du Monde"},
        {{"gym", "salle de sport", "fitness", "muscu", "crossfit", "dojo", "stade", "gymnase",
          "basic fit"},
         "gym",
         "l'Arène"},
        {{"mamie", "papi", "grands-parents", "grand-mere", "grand-pere", "belle-mere", "beau-pere",
          "famille"},
         "family",
         "le Castel des Anciens"},
        {{"eglise", "temple", "mosquee", "mairie", "prefecture", "tribunal", "banque", "notaire"},
         "admin",
         "le Grand Hall"},
        {{"coiffeur", "spa", "massage", "institut", "barbier", "esthetique"}, "spa", "les Thermes"},
        {{"cinema", "theatre", "concert", "musee", "expo", "spectacle", "salle"},
         "entertainment",
         "le Théâtre des Merveilles"},
        {{"hotel", "airbnb", "camping", "gite", "vacances"},
         "vacation",
         "le Relais des Voyageurs"}};
    for (BiomeEntry& row : rows) {
      for (std::string& kw : row.kw) kw = normalize(kw);
    }
    return rows;
  }();
  return table;
}

namespace {

// The biome keywords split by how they match: single words by word, the others by substring.
// A location matches the earliest row any of its keywords belongs to.
struct BiomeIndex {
  std::unordered_map<std::string, size_t> firstRowOfWord;
  std::vector<std::pair<std::string, size_t>> phrases;

  BiomeIndex() {
    const auto& rows = biomes();
    for (size_t r = 0; r < rows.size(); ++r) {
      for (const std::string& kw : rows[r].kw) {
        if (kw.empty()) continue;
        if (kw.find(' ') == std::string::npos) {
          firstRowOfWord.emplace(kw, r);  // keeps the earliest row
        } else {
          phrases.emplace_back(kw, r);
        }
      }
    }
  }
};

}  // namespace

const BiomeEntry* matchBiome(const std::optional<std::string>& location) {
  if (!location || location->empty()) return nullptr;
  static const BiomeIndex index;
  const std::string normalized = normalize(*location);
  size_t best = SIZE_MAX;
  for (size_t pos = 0; pos < normalized.size();) {
    const size_t space = std::min(normalized.find(' ', pos), normalized.size());
    if (auto it = index.firstRowOfWord.find(normalized.substr(pos, space - pos));
        it != index.firstRowOfWord.end()) {
      best = std::min(best, it->second);
    }
    pos = space + 1;
  }
  for (const auto& [phrase, row] : index.phrases) {
    if (row < best && normalized.find(phrase) != std::string::npos) best = row;
  }
  return best == SIZE_MAX ? nullptr : &biomes()[best];
}

std::string biomeDisplayName(const BiomeEntry& entry, RPGMode mode) {
  if (auto fromPack = Lore::biome(mode, entry.key)) return *fromPack;
  return Loc::string("classifier.biome." + entry.key, entry.biome);
}

std::optional<std::string> biomeFor(const std::optional<std::string>& location, RPGMode mode) {
  const BiomeEntry* entry = matchBiome(location);
  if (!entry) return std::nullopt;
  return biomeDisplayName(*entry, mode);
}

std::optional<std::string> biomeKey(const std::optional<std::string>& location) {
  const BiomeEntry* entry = matchBiome(location);
  if (!entry) return std::nullopt;
  return entry->key;
}

int64_t threatTier(double score) {
  if (score <= 22) return 1;
  if (score <= 38) return 2;
  if (score <= 58) return 3;
  if (score <= 85) return 4;
  return 5;
}

ThreatParts threatParts(int64_t xp, int64_t attendees, TimeOfDay band,
                        std::optional<double> intensity) {
  ThreatParts p;
  p.score = static_cast<double>(xp);
  if (intensity && std::isfinite(*intensity)) {
    p.intensityMult = *intensity < 1.0 ? 0.7 + 0.9 * std::max(0.0, *intensity) : 1.6;
    p.score *= *p.intensityMult;
  }
  if (attendees > 0) {
    p.attendeesBonus = std::min<int64_t>(4 * attendees, 20);
    p.score += static_cast<double>(p.attendeesBonus);
  }
  if (band == TimeOfDay::nuit) {
    p.isNight = true;
    p.nightMult = 1.25;
    p.score *= p.nightMult;
  }
  return p;
}

double threatScore(int64_t baseXp, int64_t attendees, Date start, std::optional<double> intensity) {
  return threatParts(baseXp, attendees, timeOfDay(start), intensity).score;
}

Threat threatFor(double score, std::optional<std::string_view> archetypeId, RPGMode mode) {
  const int64_t tier = threatTier(score);
  Bestiary::Menace m = Bestiary::menace(mode, archetypeId, tier);
  return Threat{tier, std::move(m.label), std::move(m.emoji)};
}

}  // namespace talewick::Classifier
