// The window's place on the desktop: its launcher (which also makes it a handler of talewick://
// addresses) and, when the user wants it, its autostart entry. Both written by the platform's one
// writer of .desktop files; both idempotent.
#pragma once

#include <filesystem>

#include "platform/desktop_entries.hpp"

namespace talewick::integration::DesktopFiles {

inline constexpr const char* LAUNCHER = "talewick-desktop.desktop";
inline constexpr const char* SCHEME_TYPE = "x-scheme-handler/talewick";

// desktop_entries::applicationsFolder()/LAUNCHER: Exec=<program> %u, MimeType=x-scheme-handler/
// talewick;. Throws as desktop_entries::write.
desktop_entries::Outcome installLauncher(const std::filesystem::path& program);

// desktop_entries::autostartFolder()/LAUNCHER, written when `enabled`, removed otherwise.
void setAutostart(bool enabled, const std::filesystem::path& program);
bool autostartEnabled();

}  // namespace talewick::integration::DesktopFiles
