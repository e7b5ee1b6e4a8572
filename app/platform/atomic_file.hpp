// Whole-file reads and atomic writes on Linux: a writer killed half-way never leaves a torn file
// behind. Stores reach them through FilePort (platform/linux_files).
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace talewick::files {

// The file's bytes; nullopt when it does not exist or cannot be read.
std::optional<std::string> read(const std::filesystem::path& path);

// The file's bytes; nullopt when nothing is at `path`. Throws std::system_error when something is
// there that cannot be read (a folder, no permission).
std::optional<std::string> readExisting(const std::filesystem::path& path);

// Writes `data` to a temporary file in the same folder, flushes it to disk and renames it over
// `path`, creating missing parent folders. `mode` applies to the new file. Throws
// std::system_error (the previous file is then untouched).
void writeAtomically(const std::filesystem::path& path, std::string_view data,
                     std::filesystem::perms mode = std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::owner_write |
                                                   std::filesystem::perms::group_read |
                                                   std::filesystem::perms::others_read);

// As writeAtomically, but the new file replaces `path` only when `stillWanted` (asked once the new
// bytes are on disk, just before the rename) returns true; otherwise nothing changes and the
// answer is false. A caller that read, merged and now writes checks there that nobody replaced
// the file meanwhile, which narrows the window for a lost update to the rename itself.
bool writeAtomicallyIf(const std::filesystem::path& path, std::string_view data,
                       std::filesystem::perms mode, const std::function<bool()>& stillWanted);

// The name of the file a temporary of writeAtomically was written for (".a.ics.123.tmp" →
// "a.ics"); nullopt for any other name. A writer killed half-way leaves such a file behind.
std::optional<std::string> temporaryTarget(std::string_view name);

}  // namespace talewick::files
