// The literal texts of the game (archetype texts, lore packs, bestiary, translations) are JSON
// files under questkit/content/, embedded into the library at build time.
#pragma once

#include <span>
#include <string_view>

#include "support/json.hpp"

namespace talewick::content {

struct ContentFile {
  std::string_view path;  // relative to questkit/content, e.g. "lore/comic.json"
  std::string_view text;
};

// Every embedded file, sorted by path.
std::span<const ContentFile> files();

// The parsed file at `path`. Embedded content is part of the program: a missing or malformed
// file is a build defect and throws std::logic_error.
Json json(std::string_view path);

}  // namespace talewick::content
