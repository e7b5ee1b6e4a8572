#include "text/invite_lore.hpp"

#include <array>
#include <utility>

#include "game/classifier.hpp"
#include "support/loc.hpp"

namespace talewick::InviteLore {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kLines{{
    {"reunion", "On te convoque à la table ronde — le conseil n'attend que toi."},
    {"repas_cuisine", "Un festin se prépare : ta place est dressée à la grande table."},
    {"social_amis", "La compagnie se rassemble — l'aventure est meilleure à plusieurs."},
    {"sport", "L'arène t'attend : viens éprouver ta vaillance à nos côtés."},
    {"transport", "La route s'annonce longue : embarque, le voyage sera plus doux ensemble."},
    {"rdv_medical", "Une étape sur le chemin — on compte sur ta présence."},
    {"administratif",
     "Une quête d'intendance nous réunit : à plusieurs, le dragon de paperasse tombe plus vite."},
    {"ecole_creche", "Le petit royaume nous appelle — réponds présent·e."},
    {"temps_pour_soi", "Un moment hors du temps se prépare : joins-toi à la trêve."},
    {"jeu_avec_enfant", "L'heure du jeu va sonner — rejoins la partie."},
    {"courses", "Expédition aux mille rayons : la compagnie est la bienvenue."},
    {"menage", "Grand nettoyage du château en vue — toute aide vaillante est honorée."},
}};

}  // namespace

std::string line(std::string_view forTitle) {
  const std::string& archetype = Classifier::classify(forTitle).id;
  for (const auto& [id, text] : kLines) {
    if (id == archetype) return Loc::string("invitelore." + archetype, text);
  }
  return Loc::string("invitelore.fallback",
                     "Une nouvelle page de l'épopée s'ouvre — et ton nom y figure.");
}

}  // namespace talewick::InviteLore
