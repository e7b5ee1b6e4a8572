// The .desktop files through which the desktop knows this project's programs: the handler of
// "talewick://" addresses, the window's launcher, its autostart entry. One writer for all of
// them, so that each is quoted, escaped and written the same way.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace talewick::desktop_entries {

struct Entry {
  std::string name;                     // Name=
  std::string comment;                  // Comment=
  std::filesystem::path program;        // the program of Exec=, quoted when it needs to be
  std::string arguments;                // after the program, verbatim: "handle-url %u"
  std::vector<std::string> mimeTypes;   // MimeType=, e.g. "x-scheme-handler/talewick"
  std::vector<std::string> categories;  // Categories=
  bool noDisplay = false;               // NoDisplay=true: kept out of the menus
};

// $XDG_DATA_HOME/applications, else ~/.local/share/applications.
std::filesystem::path applicationsFolder();
// $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
std::filesystem::path autostartFolder();

// The running program (/proc/self/exe). Throws std::runtime_error when it cannot be found.
std::filesystem::path thisProgram();

// The file's text. Throws std::runtime_error when the program's path holds a line break (no Exec
// line can say it).
std::string text(const Entry& entry);

enum class Outcome { unchanged, written };
// Writes `entry` at `file` atomically, creating its folder; leaves a file that already holds it
// alone. Throws std::runtime_error (see text) or std::system_error.
Outcome write(const std::filesystem::path& file, const Entry& entry);

// Removes `file`; whether there was one. Throws std::filesystem::filesystem_error.
bool remove(const std::filesystem::path& file);

enum class Default { made, noXdgMime, failed };
// Asks xdg-mime to make the entry `fileName` (in applicationsFolder()) the default handler of
// `mimeType`.
Default makeDefault(const std::string& fileName, const std::string& mimeType);

}  // namespace talewick::desktop_entries
