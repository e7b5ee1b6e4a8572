#include "game/xp.hpp"

#include <array>
#include <cmath>
#include <string_view>

#include "support/loc.hpp"

namespace talewick {

using json_coding::Field;
static const auto kLevelInfoFields =
    std::tuple{Field{"level", &LevelInfo::level}, Field{"xpIntoLevel", &LevelInfo::xpIntoLevel},
               Field{"xpForNext", &LevelInfo::xpForNext}, Field{"progress", &LevelInfo::progress}};
TALEWICK_JSON_CODING(LevelInfo, kLevelInfoFields)

namespace Xp {

int64_t xpForLevel(int64_t level) {
  const double l = static_cast<double>(level);
  return static_cast<int64_t>(std::round(40.0 * l + 80.0 * std::pow(l, 1.5)));
}

int64_t totalXpToReach(int64_t level) {
  int64_t total = 0;
  for (int64_t l = 1; l < level; ++l) total += xpForLevel(l);
  return total;
}

LevelInfo levelFromTotalXp(int64_t totalXp) {
  int64_t remaining = std::max<int64_t>(0, totalXp);
  int64_t level = 1;
  if (remaining >= xpForLevel(1)) {
    do {
      remaining -= xpForLevel(level);
      ++level;
    } while (xpForLevel(level) <= remaining);
  }
  const int64_t next = xpForLevel(level);
  return LevelInfo{level, remaining, next,
                   static_cast<double>(remaining) / static_cast<double>(next)};
}

std::string titleForLevel(int64_t level, RPGMode mode) {
  static constexpr std::array<int64_t, 8> kThresholds{1, 3, 5, 8, 12, 16, 20, 30};
  static constexpr std::array<std::array<std::string_view, 8>, 6> kTitles{{
      {"Apprenti du Foyer", "Veilleur des Nuits", "Chevalier du Quotidien", "Gardien du Foyer",
       "Sage de la Tribu", "Héraut du Quotidien", "Champion Légendaire", "Mythe Vivant"},
      {"Âme Éveillée", "Veilleur des Cendres", "Lame des Damnés", "Rempart des Ténèbres",
       "Seigneur des Veilles", "Héraut Funeste", "Légende Maudite", "Immortel des Ombres"},
      {"Bleu du Quotidien", "Rescapé du Matin", "Pro de la Débrouille", "Boss du Canapé",
       "Cerveau Sur-Caféiné", "Demi-Dieu du Multitâche", "Légende du Salon", "GOAT du Quotidien"},
      {"Mortel Prometteur", "Élu des Oracles", "Demi-Dieu", "Héros d'Olympe", "Favori des Dieux",
       "Titan du Quotidien", "Légende de l'Olympe", "Immortel"},
      {"Apprenti Conteur", "Protégé des Fées", "Chevalier du Royaume", "Gardien du Château",
       "Sage du Royaume", "Héraut Enchanté", "Légende du Conte", "Étoile Éternelle"},
      {"PNJ de Niveau 1", "Aventurier Débutant", "Tueur de Gobelins", "Pilier du Groupe",
       "Vétéran de Taverne", "Héros Patenté", "Boss de Campagne", "Légende du MJ"},
  }};
  size_t chosen = 0;
  for (size_t i = 0; i < kThresholds.size(); ++i) {
    if (kThresholds[i] <= level) chosen = i;
  }
  const std::string key =
      "xp.title." + std::string(rawValue(mode)) + "." + std::to_string(kThresholds[chosen]);
  return Loc::string(key, kTitles[static_cast<size_t>(mode)][chosen]);
}

}  // namespace Xp
}  // namespace talewick
