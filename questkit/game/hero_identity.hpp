// What the user may call the hero: a name and a tagline are shown on one line of the hero's card
// and travel to every machine in the cloud document, so they hold no control characters and stay
// short. Lengths count user-perceived characters ("é" and "👩‍🚀" are one each).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace talewick::HeroIdentity {

inline constexpr int MAX_NAME_LENGTH = 40;
inline constexpr int MAX_TAGLINE_LENGTH = 100;

// Why `name` (already trimmed) cannot be the hero's name, in the user's language; nullopt when
// it can.
std::optional<std::string> nameProblem(std::string_view name);
// The same for a tagline.
std::optional<std::string> taglineProblem(std::string_view tagline);

}  // namespace talewick::HeroIdentity
