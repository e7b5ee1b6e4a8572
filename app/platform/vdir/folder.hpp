// What a vdir folder shows: every name starting with "." is left out (hidden files, and the
// temporary files of atomic writes), and listings come sorted by name so that every read gives
// the same order. A folder that cannot be read lists nothing.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace talewick::vdir {

// Whether a folder entry named `name` is left out ("" included).
bool isHidden(std::string_view name);

// The names of the visible folders inside `folder`, sorted.
std::vector<std::string> subfolders(const std::filesystem::path& folder);

// The visible regular files inside `folder` whose extension is `extension` (".ics"), sorted.
std::vector<std::filesystem::path> files(const std::filesystem::path& folder,
                                         std::string_view extension);

}  // namespace talewick::vdir
