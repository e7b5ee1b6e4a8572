// `talewick install-desktop`: registers this program as the desktop's handler of "talewick://"
// addresses (the browser's return from OAuth): a .desktop file under
// $XDG_DATA_HOME/applications, made the default for the scheme through xdg-mime when present.
// Running it again changes nothing that is already right.
#include <filesystem>
#include <stdexcept>

#include "platform/desktop_entries.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

namespace fs = std::filesystem;

constexpr const char* DESKTOP_FILE = "talewick.desktop";
constexpr const char* SCHEME_TYPE = "x-scheme-handler/talewick";

desktop_entries::Entry handlerEntry() {
  desktop_entries::Entry entry;
  entry.name = "Talewick";
  entry.comment = Loc::string("cli.desktop.comment", "Retour des connexions OAuth de Talewick");
  entry.program = desktop_entries::thisProgram();
  entry.arguments = "handle-url %u";
  entry.mimeTypes = {SCHEME_TYPE};
  entry.noDisplay = true;
  return entry;
}

int installDesktop(Io& io) {
  const fs::path file = desktop_entries::applicationsFolder() / DESKTOP_FILE;
  if (desktop_entries::write(file, handlerEntry()) == desktop_entries::Outcome::unchanged) {
    io.out << Loc::format(Loc::string("cli.desktop.same", "Déjà installé : %@"),
                          {shown(file.string())})
           << "\n";
  } else {
    io.out << Loc::format(Loc::string("cli.desktop.written", "Installé : %@"),
                          {shown(file.string())})
           << "\n";
  }
  switch (desktop_entries::makeDefault(DESKTOP_FILE, SCHEME_TYPE)) {
    case desktop_entries::Default::noXdgMime:
      io.out << Loc::string("cli.desktop.noXdgMime",
                            "xdg-mime introuvable : le bureau lira le fichier à sa prochaine "
                            "mise à jour.")
             << "\n";
      return EXIT_DONE;
    case desktop_entries::Default::failed:
      throw std::runtime_error(Loc::format(
          Loc::string("cli.desktop.xdgMimeFailed", "xdg-mime n'a pas pu associer %@ à %@"),
          {SCHEME_TYPE, DESKTOP_FILE}));
    case desktop_entries::Default::made:
      break;
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
