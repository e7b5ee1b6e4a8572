#include "game/hero_identity.hpp"

#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick::HeroIdentity {

namespace {

std::optional<std::string> problem(std::string_view text, int maxLength, std::string_view what) {
  if (text::hasControlCharacters(text)) {
    return Loc::format(Loc::string("hero.text.control",
                                   "%@ : pas de retour à la ligne ni de caractère de contrôle"),
                       {what});
  }
  if (const int length = text::perceivedLength(text); length > maxLength) {
    return Loc::format(Loc::string("hero.text.tooLong", "%@ : %@ caractères au plus (%@ donnés)"),
                       {what, std::to_string(maxLength), std::to_string(length)});
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> nameProblem(std::string_view name) {
  return problem(name, MAX_NAME_LENGTH, Loc::string("hero.text.name", "nom du héros"));
}

std::optional<std::string> taglineProblem(std::string_view tagline) {
  return problem(tagline, MAX_TAGLINE_LENGTH, Loc::string("hero.text.tagline", "devise"));
}

}  // namespace talewick::HeroIdentity
