// A quest and its parts: what one calendar occurrence becomes once forged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "game/enums.hpp"
#include "game/stats.hpp"
#include "support/date.hpp"
#include "support/json.hpp"
#include "text/calendar_linked_item.hpp"

namespace talewick {

struct Threat {
  int64_t tier = 1;  // 1 (lowest) to 5
  std::string label;
  std::string emoji;
  bool operator==(const Threat&) const = default;
};

// A concrete real-life action suggested by a choice, with its bonus XP.
struct RealQuest {
  std::string title;
  int64_t reward = 0;
  bool operator==(const RealQuest&) const = default;
};

struct ChoiceOption {
  std::string id;  // unique within its quest
  std::string label;
  std::string consequence;
  StatDelta statDelta;
  int64_t xpDelta = 0;  // added to the quest's XP when taken; may be negative
  std::optional<RealQuest> realQuest;
  bool operator==(const ChoiceOption&) const = default;
};

// The template form of an option kept in the archetype table; forging gives it an id.
struct ArchetypeChoice {
  std::string label;
  std::string consequence;
  StatDelta statDelta;
  int64_t xpDelta = 0;
  std::optional<RealQuest> realQuest;
  bool operator==(const ArchetypeChoice&) const = default;
};

struct Quest {
  std::string id;  // "quest_" + the occurrence id
  std::string name;
  std::string emoji;
  std::string intro;
  int64_t baseXp = 0;
  Rarity rarity = Rarity::common;
  Threat threat;
  std::optional<std::string> biome;
  std::optional<std::string> biomeKey;
  TimeOfDay timeOfDay = TimeOfDay::jour;
  std::string rawTitle;
  Date startDate;
  int64_t durationMin = 0;
  std::string archetypeId;
  std::vector<ChoiceOption> choices;
  bool intensityHot = false;
  bool needsResponse = false;
  std::optional<CalendarLinkedItem> linkedItem;
  bool operator==(const Quest&) const = default;
};

void to_json(Json& j, const Threat& v);
void from_json(const Json& j, Threat& v);
void to_json(Json& j, const RealQuest& v);
void from_json(const Json& j, RealQuest& v);
void to_json(Json& j, const ChoiceOption& v);
void from_json(const Json& j, ChoiceOption& v);
void to_json(Json& j, const Quest& v);
void from_json(const Json& j, Quest& v);

}  // namespace talewick
