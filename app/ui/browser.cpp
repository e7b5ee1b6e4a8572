#include "ui/browser.hpp"

#include <filesystem>
#include <optional>

#include "platform/programs.hpp"
#include "support/loc.hpp"

namespace talewick::ui {

void openInBrowser(Io& io, const std::string& url) {
  io.out << url << "\n";
  const std::optional<std::filesystem::path> opener = programs::findOnPath("xdg-open");
  // The address is an http(s) URL (the stores check it): xdg-open cannot take it for an option.
  if (!opener || programs::spawn({opener->string(), url}, nullptr) < 0) {
    io.err << "talewick : "
           << Loc::string("cli.connect.noBrowser",
                          "xdg-open introuvable : ouvre l'adresse ci-dessus dans ton navigateur")
           << "\n";
  }
}

}  // namespace talewick::ui
