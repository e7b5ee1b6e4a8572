// `talewick install-desktop`: the scheme handler's .desktop file, written once, and xdg-mime
// asked to make it the default.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

TEST(InstallDesktopCommand, WritesTheHandlerOnceAndMakesItTheDefault) {
  testing::TempFolder home{"install-desktop"};
  testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
  const char* path = std::getenv("PATH");
  const std::string savedPath = path ? path : "";
  const char* data = std::getenv("XDG_DATA_HOME");
  const std::string savedData = data ? data : "";
  // A stand-in xdg-mime that notes how it was called.
  const auto tool = home.write("bin/xdg-mime", "#!/bin/sh\necho \"$@\" >> \"$0.calls\"\n");
  ::chmod(tool.c_str(), 0755);
  ::setenv("PATH", (home / "bin").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);

  const testing::CliResult first = testing::runCli({"install-desktop"});
  const std::string entry = home.read("data/applications/talewick.desktop");
  const testing::CliResult second = testing::runCli({"install-desktop"});
  const std::string calls = home.read("bin/xdg-mime.calls");
  ::setenv("PATH", savedPath.c_str(), 1);
  ::setenv("XDG_DATA_HOME", savedData.c_str(), 1);
  testing::forgetCommandHome();

  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_NE(entry.find("\nMimeType=x-scheme-handler/talewick;\n"), std::string::npos) << entry;
  EXPECT_NE(entry.find(" handle-url %u\n"), std::string::npos) << entry;
  EXPECT_TRUE(entry.starts_with("[Desktop Entry]\n")) << entry;
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_NE(second.out.find("Déjà installé"), std::string::npos) << second.out;
  EXPECT_EQ(home.read("data/applications/talewick.desktop"), entry);
  EXPECT_EQ(calls,
            "default talewick.desktop x-scheme-handler/talewick\n"
            "default talewick.desktop x-scheme-handler/talewick\n");
}

}  // namespace
}  // namespace talewick::ui
