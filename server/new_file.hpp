// Creating a file that must not replace another: written whole to a temporary beside it, then
// linked into place, so that a reader never sees half of it and an existing file is never lost.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string_view>

namespace talewick::server {

// Writes `data` to a new file at `path` with permissions `mode`, creating missing parent folders.
// Throws std::system_error, with the code EEXIST when something already stands at `path` (which is
// then left untouched).
void createNewFile(const std::filesystem::path& path, std::string_view data, mode_t mode);

}  // namespace talewick::server
