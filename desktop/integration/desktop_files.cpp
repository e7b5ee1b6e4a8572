#include "integration/desktop_files.hpp"

#include "support/loc.hpp"

namespace talewick::integration::DesktopFiles {
namespace {

desktop_entries::Entry windowEntry(const std::filesystem::path& program) {
  desktop_entries::Entry entry;
  entry.name = "Talewick";
  entry.comment = Loc::string("desktop.launcher.comment", "Ton agenda en royaume");
  entry.program = program;
  entry.categories = {"Office", "Calendar"};
  return entry;
}

}  // namespace

desktop_entries::Outcome installLauncher(const std::filesystem::path& program) {
  desktop_entries::Entry entry = windowEntry(program);
  entry.arguments = "%u";
  entry.mimeTypes = {SCHEME_TYPE};
  return desktop_entries::write(desktop_entries::applicationsFolder() / LAUNCHER, entry);
}

void setAutostart(bool enabled, const std::filesystem::path& program) {
  const std::filesystem::path file = desktop_entries::autostartFolder() / LAUNCHER;
  if (enabled) {
    desktop_entries::write(file, windowEntry(program));
  } else {
    desktop_entries::remove(file);
  }
}

bool autostartEnabled() {
  return std::filesystem::exists(desktop_entries::autostartFolder() / LAUNCHER);
}

}  // namespace talewick::integration::DesktopFiles
