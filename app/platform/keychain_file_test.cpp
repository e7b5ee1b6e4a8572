// Secrets on disk: private, atomic, shared between processes, and never lost to a damaged file.
#include "platform/keychain_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <sstream>

#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

using testing::TempFolder;

mode_t modeOf(const std::filesystem::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 0777;
}

TEST(KeychainFile, SecretsAreReadableByTheUserOnly) {
  TempFolder home("keychain");
  std::filesystem::create_directories(home / "conf");
  std::filesystem::permissions(home / "conf", std::filesystem::perms::all);
  KeychainFile keychain(home / "conf" / "keychain.json");
  EXPECT_FALSE(keychain.get("guild.token"));
  keychain.set("guild.token", "s3cr3t");
  EXPECT_EQ(keychain.get("guild.token"), "s3cr3t");
  EXPECT_EQ(modeOf(home / "conf" / "keychain.json"), 0600u);
  EXPECT_EQ(modeOf(home / "conf"), 0700u);
  keychain.remove("guild.token");
  EXPECT_FALSE(keychain.get("guild.token"));
  EXPECT_THROW(keychain.set("bad", std::string("\xff\xfe")), std::system_error);
}

TEST(KeychainFile, TwoProcessesKeepEachOthersItems) {
  TempFolder home("keychain");
  KeychainFile mine(home / "keychain.json"), theirs(home / "keychain.json");
  mine.set("a", "1");
  theirs.set("b", "2");
  mine.set("c", "3");
  EXPECT_EQ(theirs.get("a"), "1");
  EXPECT_EQ(mine.get("b"), "2");
  EXPECT_EQ(theirs.get("c"), "3");
}

TEST(KeychainFile, ADamagedFileIsSetAsideAtTheNextWrite) {
  TempFolder home("keychain");
  home.write("keychain.json", R"({"token": "abc", "broken": )");
  std::ostringstream diagnostics;
  KeychainFile keychain(home / "keychain.json", diagnostics);
  EXPECT_FALSE(keychain.get("token"));
  EXPECT_FALSE(keychain.get("token"));
  EXPECT_EQ(diagnostics.str(),
            "talewick : trousseau illisible, ignoré : " + (home / "keychain.json").string() + "\n");
  keychain.set("token", "new");
  EXPECT_EQ(keychain.get("token"), "new");
  EXPECT_EQ(home.read("keychain.json.damaged"), R"({"token": "abc", "broken": )");
  EXPECT_EQ(modeOf(home / "keychain.json.damaged"), 0600u);
}

}  // namespace
}  // namespace talewick
