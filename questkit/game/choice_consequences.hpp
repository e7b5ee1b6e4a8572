// Alternative wordings of an option's consequence, so the same kind of quest does not always
// end the same way.
#pragma once

#include <string>
#include <string_view>

namespace talewick::ChoiceConsequences {

// One of the original and its alternatives, picked by stableHash(seed + "#c" + choiceIndex)
// modulo (alternatives + 1): 0 keeps the original. Archetypes without alternatives keep it.
std::string consequence(std::string_view archetypeId, int choiceIndex, std::string_view original,
                        std::string_view seed);

// Number of archetype rows that have alternatives.
size_t rowCount();

}  // namespace talewick::ChoiceConsequences
