// The guild: everybody who proves an e-mail address of one company domain. This file holds what
// the guild is made of outside the board: the domain an address belongs to, the consumer domains
// that cannot found a guild, and the guild's level curve and rank titles.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "game/xp.hpp"

namespace talewick::Guild {

// The domain of `email`, lower-cased: the text after the one "@" of an address with a non-empty
// local part, trimmed of surrounding white space, whose domain holds at least two non-empty
// dot-separated labels of letters, digits and hyphens (a trailing dot dropped). nullopt for
// anything else, which the backend refuses as an invalid address.
std::optional<std::string> domainOf(std::string_view email);

// Whether `domain` (any case) is a consumer mail provider or one of its subdomains: a company
// proves itself with its own domain, never with a mailbox anyone can open. The list lives in
// content/public_email_domains.json.
bool isPublicDomain(std::string_view domain);

// round(level × 300 + level^1.8 × 500), half away from zero: what guild level `level` costs
// before the next one. 0 for a level below 1.
int64_t xpForLevel(int64_t level);

// The guild's level from its all-time total: level 1 at 0, then each level's cost in turn. A
// negative total counts as 0.
LevelInfo levelFromTotalXp(int64_t totalXp);

// The title of the highest rank whose first level is at most `level`; the first rank below 1.
std::string rankTitle(int64_t level);

}  // namespace talewick::Guild
