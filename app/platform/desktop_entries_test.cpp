// The one writer of this project's .desktop files.
#include "platform/desktop_entries.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

desktop_entries::Entry windowEntry(const std::filesystem::path& program) {
  desktop_entries::Entry entry;
  entry.name = "Talewick";
  entry.comment = "Le royaume\nExec=rm -rf ~";
  entry.program = program;
  entry.arguments = "%u";
  entry.mimeTypes = {"x-scheme-handler/talewick"};
  entry.categories = {"Office", "Calendar"};
  return entry;
}

TEST(DesktopEntries, TheTextQuotesTheProgramAndEscapesEveryValue) {
  const std::string plain = desktop_entries::text(windowEntry("/usr/bin/talewick-desktop"));
  EXPECT_EQ(plain,
            "[Desktop Entry]\nType=Application\nName=Talewick\n"
            "Comment=Le royaume\\nExec=rm -rf ~\nExec=/usr/bin/talewick-desktop %u\n"
            "Terminal=false\nCategories=Office;Calendar;\n"
            "MimeType=x-scheme-handler/talewick;\n");
  // A path with a space, a quote, a dollar and a percent sign stays one argument, and the %
  // is no field code.
  const std::string odd = desktop_entries::text(windowEntry("/opt/my apps/$x\"50%/tw"));
  EXPECT_NE(odd.find("\nExec=\"/opt/my apps/\\\\$x\\\\\"50%%/tw\" %u\n"), std::string::npos) << odd;
  EXPECT_THROW(desktop_entries::text(windowEntry("/opt/a\nb/tw")), std::runtime_error);
}

TEST(DesktopEntries, WritesOnceAndRemoves) {
  testing::TempFolder home("desktop-entries");
  const auto file = home / "applications" / "talewick-desktop.desktop";
  const auto entry = windowEntry("/usr/bin/talewick-desktop");

  EXPECT_EQ(desktop_entries::write(file, entry), desktop_entries::Outcome::written);
  EXPECT_EQ(home.read("applications/talewick-desktop.desktop"), desktop_entries::text(entry));
  EXPECT_EQ(desktop_entries::write(file, entry), desktop_entries::Outcome::unchanged);
  // Only the entry is in the folder: no temporary left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home / "applications"),
                          std::filesystem::directory_iterator()),
            1);
  auto moved = entry;
  moved.program = "/opt/talewick/talewick-desktop";
  EXPECT_EQ(desktop_entries::write(file, moved), desktop_entries::Outcome::written);
  EXPECT_NE(home.read("applications/talewick-desktop.desktop").find("/opt/talewick/"),
            std::string::npos);

  EXPECT_TRUE(desktop_entries::remove(file));
  EXPECT_FALSE(desktop_entries::remove(file));
}

TEST(DesktopEntries, FoldersFollowTheXdgVariables) {
  const auto keep = [](const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  };
  const auto data = keep("XDG_DATA_HOME"), config = keep("XDG_CONFIG_HOME"), home = keep("HOME");
  ::setenv("HOME", "/home/lea", 1);
  ::setenv("XDG_DATA_HOME", "/data", 1);
  ::setenv("XDG_CONFIG_HOME", "/config", 1);
  const auto applications = desktop_entries::applicationsFolder();
  const auto autostart = desktop_entries::autostartFolder();
  // A relative value is no XDG folder: the default is taken instead.
  ::setenv("XDG_DATA_HOME", "relative", 1);
  ::unsetenv("XDG_CONFIG_HOME");
  const auto defaultApplications = desktop_entries::applicationsFolder();
  const auto defaultAutostart = desktop_entries::autostartFolder();
  const auto restore = [](const char* name, const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  };
  restore("XDG_DATA_HOME", data);
  restore("XDG_CONFIG_HOME", config);
  restore("HOME", home);

  EXPECT_EQ(applications, "/data/applications");
  EXPECT_EQ(autostart, "/config/autostart");
  EXPECT_EQ(defaultApplications, "/home/lea/.local/share/applications");
  EXPECT_EQ(defaultAutostart, "/home/lea/.config/autostart");
}

}  // namespace
}  // namespace talewick
