#include "platform/desktop_entries.hpp"

#include <cstdlib>
#include <stdexcept>

#include "platform/atomic_file.hpp"
#include "platform/programs.hpp"
#include "support/loc.hpp"

namespace talewick::desktop_entries {
namespace {

namespace fs = std::filesystem;

fs::path xdgFolder(const char* variable, const char* fallbackUnderHome) {
  const char* value = std::getenv(variable);
  if (value && fs::path(value).is_absolute()) return value;
  const char* home = std::getenv("HOME");
  return fs::path(home ? home : "/") / fallbackUnderHome;
}

// A string value of the file: backslashes and line breaks escaped, so that a translated comment
// can never add a line of its own.
std::string value(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\t') {
      escaped += "\\t";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// `path` as one argument of an Exec line: quoted when it holds a reserved character, with the
// escapes of the quotes and then those of the file's string values.
std::string execArgument(const std::string& path) {
  if (path.find_first_of("\n\r") != std::string::npos) {
    throw std::runtime_error(Loc::format(
        Loc::string("cli.desktop.badPath", "chemin du programme inutilisable : %@"), {path}));
  }
  if (path.find_first_of(" \t\"'\\><~|&;$*?#()`=%") == std::string::npos) return path;
  std::string quoted = "\"";
  for (const char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c == '%' ? std::string("%%") : std::string(1, c);
  }
  quoted += '"';
  return value(quoted);
}

std::string list(const std::vector<std::string>& items) {
  std::string joined;
  for (const std::string& item : items) joined += value(item) + ";";
  return joined;
}

}  // namespace

fs::path applicationsFolder() {
  return xdgFolder("XDG_DATA_HOME", ".local/share") / "applications";
}

fs::path autostartFolder() { return xdgFolder("XDG_CONFIG_HOME", ".config") / "autostart"; }

fs::path thisProgram() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) {
    throw std::runtime_error(Loc::string("cli.desktop.noSelf", "chemin du programme introuvable"));
  }
  return self;
}

std::string text(const Entry& entry) {
  std::string exec = execArgument(entry.program.string());
  if (!entry.arguments.empty()) exec += " " + entry.arguments;
  std::string out = "[Desktop Entry]\nType=Application\nName=" + value(entry.name) + "\n";
  if (!entry.comment.empty()) out += "Comment=" + value(entry.comment) + "\n";
  out += "Exec=" + exec + "\nTerminal=false\n";
  if (entry.noDisplay) out += "NoDisplay=true\n";
  if (!entry.categories.empty()) out += "Categories=" + list(entry.categories) + "\n";
  if (!entry.mimeTypes.empty()) out += "MimeType=" + list(entry.mimeTypes) + "\n";
  return out;
}

Outcome write(const fs::path& file, const Entry& entry) {
  const std::string wanted = text(entry);
  if (files::read(file) == wanted) return Outcome::unchanged;
  files::writeAtomically(file, wanted);
  return Outcome::written;
}

bool remove(const fs::path& file) { return fs::remove(file); }

Default makeDefault(const std::string& fileName, const std::string& mimeType) {
  const std::optional<fs::path> xdgMime = programs::findOnPath("xdg-mime");
  if (!xdgMime) return Default::noXdgMime;
  return programs::runForOutput({xdgMime->string(), "default", fileName, mimeType})
             ? Default::made
             : Default::failed;
}

}  // namespace talewick::desktop_entries
