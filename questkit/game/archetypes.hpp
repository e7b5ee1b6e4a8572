// The archetypes: the kinds of real-life activity a calendar title is classified into.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/enums.hpp"
#include "game/quest.hpp"
#include "game/stats.hpp"

namespace talewick {

struct Archetype {
  std::string id;
  std::vector<std::string> keywords;    // normalised
  std::vector<std::string> questNames;  // name templates (localised)
  std::string intro;
  int64_t baseXp = 0;
  Rarity rarity = Rarity::common;
  std::string emoji;
  StatDelta statDelta;
  std::vector<ArchetypeChoice> choices;  // exactly two
  std::vector<std::string> subjectTemplates;
};

namespace Archetypes {

// The 29 archetypes in table order, texts localised in the language of the first call.
const std::vector<Archetype>& all();

// The archetype with that id (the fallback included); nullptr when unknown.
const Archetype* byId(std::string_view id);

// "inconnu", used when nothing matches.
const Archetype& fallback();

// The short type label ("Échéance / deadline"); nullopt for an id without one.
std::optional<std::string> typeLabel(std::string_view id);

// The type label, or for an id without one the id with "_" as spaces, capitalised.
std::string label(std::string_view id);

}  // namespace Archetypes
}  // namespace talewick
