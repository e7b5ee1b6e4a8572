// The inhabitants' words: the name of a reputation tier and the order people are listed in.
// Shared by `talewick people` and the window's map.
#pragma once

#include <string>
#include <vector>

#include "kingdom/inhabitants.hpp"
#include "kingdom/reputation.hpp"

namespace talewick::ui {

// "Camarade", "Allié"…, in the program's language.
std::string tierName(const Reputation::Tier& tier);

// The highest reputation first; the id settles ties.
std::vector<Inhabitant> byReputation(std::vector<Inhabitant> people);

}  // namespace talewick::ui
