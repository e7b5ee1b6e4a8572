// Reading a calendar occurrence: text normalisation, the archetype of a title, the biome of a
// location, the band of an hour and the threat of a quest.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/archetypes.hpp"
#include "game/enums.hpp"
#include "game/quest.hpp"
#include "support/date.hpp"

namespace talewick::Classifier {

inline constexpr double intensityHotThreshold = 0.5;

// Folded (case and diacritics), every character outside "a"–"z" and "0"–"9" made a space, runs
// of spaces collapsed, ends trimmed. "Réunion d'équipe (Zoom)!" → "reunion d equipe zoom".
std::string normalize(std::string_view text);
// The same for a text already folded by text::fold.
std::string normalizeFolded(std::string_view folded);

// The best-scoring archetype for the title (a keyword found as a substring scores 2, or 3 when it
// holds a space; ties go to the earlier row); the fallback when nothing matches.
const Archetype& classify(std::string_view title);

// The same, for a title already normalised.
const Archetype& classifyNormalized(std::string_view normalizedTitle);

// aube 5:00–8:59, jour 9:00–17:59, soir 18:00–21:59, nuit 22:00–4:59, on the local clock.
TimeOfDay timeOfDay(Date start);
TimeOfDay timeOfDayForHour(int hour);

struct BiomeEntry {
  std::vector<std::string> kw;  // normalised
  std::string key;
  std::string biome;  // French display name
};

// The 14 biomes in table order (the first match wins).
const std::vector<BiomeEntry>& biomes();

// The first biome row matching the location, nullptr for none.
const BiomeEntry* matchBiome(const std::optional<std::string>& location);

// The biome's display name in `mode` (the pack's, else the localised default); nullopt without a
// location or a match.
std::optional<std::string> biomeFor(const std::optional<std::string>& location, RPGMode mode);
std::optional<std::string> biomeKey(const std::optional<std::string>& location);
std::string biomeDisplayName(const BiomeEntry& entry, RPGMode mode);

// Tier 1 up to 22, 2 up to 38, 3 up to 58, 4 up to 85, 5 above.
int64_t threatTier(double score);

// The parts of a threat score, kept for the quest breakdown.
struct ThreatParts {
  double score = 0;
  std::optional<double> intensityMult;
  int64_t attendeesBonus = 0;
  bool isNight = false;
  double nightMult = 1.0;
};
ThreatParts threatParts(int64_t xp, int64_t attendees, TimeOfDay band,
                        std::optional<double> intensity);

double threatScore(int64_t baseXp, int64_t attendees, Date start, std::optional<double> intensity);

// Tier, label and emoji of a score, from the mode's bestiary.
Threat threatFor(double score, std::optional<std::string_view> archetypeId, RPGMode mode);

}  // namespace talewick::Classifier
