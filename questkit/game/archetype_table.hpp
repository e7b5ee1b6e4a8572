// The numbers and keywords of the 29 archetypes, in table order (the tie-break of
// classification). The texts that go with them are content, joined in archetypes.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "game/enums.hpp"
#include "game/stats.hpp"

namespace talewick {

struct ChoiceRow {
  int64_t xpDelta;
  StatDelta statDelta;
  std::optional<int64_t> realQuestReward;  // the option suggests a real action worth this XP
};

struct ArchetypeRow {
  const char* id;
  const char* emoji;
  int64_t baseXp;
  Rarity rarity;
  StatDelta statDelta;
  ChoiceRow choices[2];
  std::vector<const char*> keywords;  // normalised
};

const std::vector<ArchetypeRow>& archetypeRows();

}  // namespace talewick
