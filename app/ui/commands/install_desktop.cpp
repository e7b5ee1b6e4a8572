// `talewick install-desktop`: registers this program as the desktop's handler of "talewick://"
// addresses (the browser's return from OAuth): a .desktop file under
// $XDG_DATA_HOME/applications, made the default for the scheme through xdg-mime when present.
// Running it again changes nothing that is already right.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/atomic_file.hpp"
#include "platform/programs.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

namespace fs = std::filesystem;

constexpr const char* DESKTOP_FILE = "talewick.desktop";
constexpr const char* SCHEME_TYPE = "x-scheme-handler/talewick";

fs::path applicationsFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && fs::path(data).is_absolute()) return fs::path(data) / "applications";
  const char* home = std::getenv("HOME");
  return fs::path(home ? home : "/") / ".local/share/applications";
}

fs::path thisProgram() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error)
    throw std::runtime_error(Loc::string("cli.desktop.noSelf", "chemin du programme introuvable"));
  return self;
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
  std::string escaped;
  for (const char c : quoted) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return escaped;
}

std::string desktopEntry(const fs::path& program) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Talewick\n"
         "Comment=" +
         Loc::string("cli.desktop.comment", "Retour des connexions OAuth de Talewick") +
         "\n"
         "Exec=" +
         execArgument(program.string()) +
         " handle-url %u\n"
         "Terminal=false\n"
         "NoDisplay=true\n"
         "MimeType=" +
         SCHEME_TYPE + ";\n";
}

int installDesktop(Io& io) {
  const fs::path file = applicationsFolder() / DESKTOP_FILE;
  const std::string entry = desktopEntry(thisProgram());
  if (files::read(file) == entry) {
    io.out << Loc::format(Loc::string("cli.desktop.same", "Déjà installé : %@"),
                          {shown(file.string())})
           << "\n";
  } else {
    files::writeAtomically(file, entry);
    io.out << Loc::format(Loc::string("cli.desktop.written", "Installé : %@"),
                          {shown(file.string())})
           << "\n";
  }
  const std::optional<fs::path> xdgMime = programs::findOnPath("xdg-mime");
  if (!xdgMime) {
    io.out << Loc::string("cli.desktop.noXdgMime",
                          "xdg-mime introuvable : le bureau lira le fichier à sa prochaine "
                          "mise à jour.")
           << "\n";
    return EXIT_DONE;
  }
  if (!programs::runForOutput({xdgMime->string(), "default", DESKTOP_FILE, SCHEME_TYPE})) {
    throw std::runtime_error(Loc::format(
        Loc::string("cli.desktop.xdgMimeFailed", "xdg-mime n'a pas pu associer %@ à %@"),
        {SCHEME_TYPE, DESKTOP_FILE}));
  }
  io.out << Loc::format(Loc::string("cli.desktop.default", "Gestionnaire par défaut de %@."),
                        {"talewick://"})
         << "\n";
  return EXIT_DONE;
}

}  // namespace

Command installDesktopCommand() {
  return Command{
      "install-desktop",
      Loc::string("cli.desktop.help", "Fait de talewick le gestionnaire des adresses talewick://"),
      [](CLI::App&) -> Handler { return [](Io& io, AppContext&) { return installDesktop(io); }; }};
}

}  // namespace talewick::ui
