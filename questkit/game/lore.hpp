// The narrative packs of the modes: names, intros, biomes and flavour texts that replace the
// default texts when a mode has its own. heroicPapa has no pack.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/enums.hpp"

namespace talewick::Lore {

struct Pack {
  std::vector<std::string> subjectTemplates;
  std::map<std::string, std::string, std::less<>> intros;  // archetype id → intro
  std::map<std::string, std::vector<std::string>, std::less<>> questNames;
  std::vector<std::string> heroicLabels;        // tier 1..5
  std::vector<std::string> heroicConsequences;  // two "%@": threat emoji, threat label
  std::map<TimeOfDay, std::string> todFlavor;
  std::map<std::string, std::string, std::less<>> biomes;  // biome key → display name
  std::map<std::string, std::string, std::less<>> moveNames;
  std::map<std::string, std::string, std::less<>> moveFlavors;
  std::string nemesisName;
  std::string nemesisEmoji;
  std::vector<std::string> forms;
};

// The pack of `mode`, localised in the language of the first call; nullptr for heroicPapa.
const Pack* pack(RPGMode mode);

// djb2 over the UTF-8 bytes, low 31 bits; the source of every deterministic pick.
int64_t stableHash(std::string_view text);

// The pack's entry, absent when the mode has no pack or the pack no entry.
std::optional<std::string> intro(RPGMode mode, std::string_view archetypeId);
std::optional<std::string> biome(RPGMode mode, std::string_view biomeKey);
std::optional<std::string> todFlavor(RPGMode mode, TimeOfDay band);
std::optional<std::string> heroicLabel(RPGMode mode, int64_t tier);
const std::vector<std::string>* questNames(RPGMode mode, std::string_view archetypeId);
const std::vector<std::string>* subjectTemplates(RPGMode mode);
std::optional<std::string> moveName(RPGMode mode, std::string_view move);
std::optional<std::string> moveFlavor(RPGMode mode, std::string_view move);
std::optional<std::string> form(RPGMode mode, int64_t index);

// The heroic option's consequence: a template picked by stableHash(seed), the mode's own or the
// five defaults, with the threat emoji and label put in.
std::string heroicConsequence(RPGMode mode, std::string_view seed, std::string_view emoji,
                              std::string_view label);

// The default heroic consequence templates, localised.
const std::vector<std::string>& defaultHeroicConsequences();

}  // namespace talewick::Lore
