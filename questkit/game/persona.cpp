// The option a persona picks for a quest the user left unanswered.
#include <array>

#include "game/engine.hpp"

namespace talewick::Persona {
namespace {

struct Weights {
  double first, second, heroic;
};

// By persona, then by the hero's energy: below 25, 25 to 70, 71 and above.
constexpr std::array<std::array<Weights, 3>, 3> kWeights{{
    {{{0.21, 0.6, 0.15}, {0.3, 0.2, 0.5}, {0.3, 0.12, 0.8}}},  // brave
    {{{0.28, 0.7, 0.09}, {0.4, 0.3, 0.3}, {0.4, 0.18, 0.6}}},  // balanced
    {{{0.35, 0.7, 0.06}, {0.5, 0.3, 0.2}, {0.5, 0.18, 0.5}}},  // caring
}};

}  // namespace

std::optional<std::string> chooseOption(const Quest& quest, const Hero& hero, PersonaKind persona,
                                        const Rng& rng) {
  if (quest.choices.empty()) return std::nullopt;
  if (quest.choices.size() == 1) return quest.choices.front().id;
  const int64_t energy = hero.stats.energy;
  const size_t band = energy < 25 ? 0 : energy < 71 ? 1 : 2;
  Weights w = kWeights[static_cast<size_t>(persona)][band];
  // Caring for a pregnant partner or playing with a child pulls toward the first, gentle option.
  if (quest.archetypeId == "femme_enceinte" || quest.archetypeId == "jeu_avec_enfant") {
    w.first += 0.4;
    w.second *= 0.5;
  }
  const double r = rng() * (w.first + w.second + w.heroic) - w.first;
  if (r < 0) return quest.choices.front().id;
  if (r < w.second) return quest.choices[1].id;
  return quest.choices.back().id;
}

}  // namespace talewick::Persona
