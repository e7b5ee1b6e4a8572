// The defaults.json store: persistence, damaged files, changes made by another process.
#include "platform/file_preferences.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <system_error>

#include "platform/atomic_file.hpp"
#include "tests/support/memory_files.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

namespace fs = std::filesystem;

class FilePreferencesTest : public ::testing::Test {
 protected:
  fs::path file() const { return folder_ / "defaults.json"; }
  static void put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string onDisk() const { return files::read(file()).value_or("<missing>"); }

  talewick::testing::TempFolder temp_{"file_prefs"};
  const fs::path folder_ = temp_.path();
};

struct Recorder {
  std::vector<std::vector<std::string>> calls;
  FilePreferences::Observer observer() {
    return [this](const std::vector<std::string>& keys) { calls.push_back(keys); };
  }
};

TEST_F(FilePreferencesTest, SetAndRemovePersistInAnOwnerOnlyFile) {
  {
    FilePreferences prefs(file());
    EXPECT_FALSE(prefs.value("hiddenCalendars"));
    EXPECT_FALSE(fs::exists(file())) << "reading alone must not create the file";

    prefs.set("narrativeMode", "épique");
    prefs.set("hiddenCalendars", Json::array({"Travail", "Anniversaires"}));
    prefs.set("volume", 7);
    prefs.set("transient", true);
    prefs.set("volume", 8);
    prefs.remove("transient");
    EXPECT_EQ(prefs.value("volume"), Json(8));
    EXPECT_FALSE(prefs.value("transient"));
  }
  FilePreferences again(file());
  EXPECT_EQ(again.string("narrativeMode"), "épique");
  EXPECT_EQ(again.stringList("hiddenCalendars"),
            (std::vector<std::string>{"Travail", "Anniversaires"}));
  EXPECT_EQ(again.value("volume"), Json(8));
  EXPECT_EQ(Json::parse(onDisk()).size(), 3u);

  // A file left readable by all is owner-only again after our next write, with no temporary
  // file left beside it.
  ::chmod(file().c_str(), 0644);
  again.set("volume", 9);
  struct stat info {};
  ASSERT_EQ(::stat(file().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder_)) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"defaults.json"});
}

TEST_F(FilePreferencesTest, ADamagedFileReadsEmptyIsSaidOnceAndIsNeverWrittenOver) {
  // A hand edit that left a trailing comma: the user's calendar folder, addresses and hidden
  // calendars must survive the next write of a mirrored preference.
  const std::string edited =
      "{\"calendar.vdir\": \"~/cal\", \"identity.emails\": [\"lea@example.com\"],\n"
      " \"hiddenCalendars\": [\"travail\"],}\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {edited, "JSON invalide à l'octet 100"},
      {"[1, 2]", "ce n'est pas un objet JSON"},
      {"\"texte\"", "ce n'est pas un objet JSON"},
      {"", "JSON invalide à l'octet 1"},
      {"\xff\xfe{}", "JSON invalide à l'octet 1"}};
  for (const auto& [damaged, why] : cases) {
    SCOPED_TRACE(damaged);
    put(file(), damaged);
    const std::string notice = "talewick : préférences illisibles (" + file().string() + " : " +
                               why +
                               "), ignorées ; rien n'y sera écrit tant qu'il n'est pas corrigé\n";
    std::ostringstream diagnostics;
    FilePreferences prefs(file(), diagnostics);
    EXPECT_FALSE(prefs.value("calendar.vdir"));
    EXPECT_EQ(diagnostics.str(), notice);

    // Looking again does not repeat the notice.
    EXPECT_TRUE(prefs.reload().empty());
    EXPECT_FALSE(prefs.reloadIfChanged());
    EXPECT_EQ(diagnostics.str(), notice);

    try {
      prefs.set("rpg_mode", "comic");  // a mirrored preference, as `mode comic` writes it
      ADD_FAILURE() << "a damaged file was written over";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), "préférence non enregistrée : " + file().string() +
                                           " est illisible (" + why +
                                           ") ; corrige-le ou supprime-le d'abord");
    }
    prefs.remove("calendar.vdir");  // nothing read, nothing to remove: nothing written
    EXPECT_EQ(onDisk(), damaged);
    EXPECT_FALSE(prefs.value("rpg_mode"));

    // Once the user repairs it, writes go through and keep every setting.
    put(file(), "{\"calendar.vdir\": \"~/cal\"}");
    prefs.set("rpg_mode", "comic");
    EXPECT_EQ(Json::parse(onDisk()), (Json{{"calendar.vdir", "~/cal"}, {"rpg_mode", "comic"}}));
  }
}

TEST(FilePreferencesPort, AFileThatCannotBeReadIsNeverWrittenOver) {
  // Through the port: a file mode cannot stop root, who runs the tests in CI.
  testing::MemoryFiles files;
  const fs::path path = "/config/defaults.json";
  files.put(path, "{\"calendar.vdir\": \"~/cal\"}");
  files.refuseReads(path, EACCES);
  std::ostringstream diagnostics;
  FilePreferences prefs(path, diagnostics, files);
  EXPECT_EQ(diagnostics.str(),
            "talewick : préférences illisibles (/config/defaults.json : permission refusée), "
            "ignorées ; rien n'y sera écrit tant qu'il n'est pas corrigé\n");
  EXPECT_THROW(prefs.set("rpg_mode", "comic"), FileError);
  EXPECT_EQ(files.contents(path), "{\"calendar.vdir\": \"~/cal\"}");
  EXPECT_EQ(files.writes(), 0);

  // A read-only folder: the write fails, in the user's language, and changes nothing.
  testing::MemoryFiles readOnly;
  readOnly.refuseWrites("/config", EROFS);
  FilePreferences fresh(path, diagnostics, readOnly);
  try {
    fresh.set("rpg_mode", "comic");
    ADD_FAILURE() << "the write went through";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "impossible d'enregistrer /config/defaults.json : système de fichiers en lecture "
              "seule");
  }
  EXPECT_FALSE(fresh.value("rpg_mode"));
}

TEST_F(FilePreferencesTest, ReloadAnnouncesTheKeysAnotherProcessChangedAndOutlivesItsDamage) {
  {
    FilePreferences seed(file());
    seed.set("same", "inchangé");
    seed.set("changed", 1);
    seed.set("removed", Json::array({1, 2}));
  }
  std::ostringstream diagnostics;
  FilePreferences mine(file(), diagnostics);
  Recorder heard;
  mine.observe(heard.observer());
  EXPECT_FALSE(mine.reloadIfChanged());

  FilePreferences theirs(file());
  theirs.set("changed", 2);
  theirs.remove("removed");
  theirs.set("added", Json{{"x", 1}});
  theirs.set("same", "inchangé");

  EXPECT_TRUE(mine.reloadIfChanged());
  ASSERT_EQ(heard.calls.size(), 1u);
  EXPECT_EQ(heard.calls[0], (std::vector<std::string>{"added", "changed", "removed"}));
  EXPECT_EQ(mine.value("changed"), Json(2));
  EXPECT_FALSE(mine.value("removed"));
  EXPECT_EQ(mine.value("added"), (Json{{"x", 1}}));
  EXPECT_FALSE(mine.reloadIfChanged());
  EXPECT_TRUE(mine.reload().empty());
  EXPECT_EQ(heard.calls.size(), 1u) << "nothing new, nothing announced";

  // An in-place edit of the same length within the same timestamp tick (inode, size and
  // modification time all unchanged) is noticed too.
  const auto modified = fs::last_write_time(file());
  std::string text = onDisk();
  text.replace(text.find("inchangé"), std::string("inchangé").size(), "modifié!");
  put(file(), text);
  fs::last_write_time(file(), modified);
  EXPECT_TRUE(mine.reloadIfChanged());
  EXPECT_EQ(heard.calls.back(), std::vector<std::string>{"same"});

  // Damaged by another process (an editor half-way through saving), the file leaves the values
  // as they were, and is reported.
  put(file(), "{\"a\": ");
  EXPECT_FALSE(mine.reloadIfChanged());
  EXPECT_EQ(mine.value("same"), Json("modifié!"));
  EXPECT_EQ(heard.calls.size(), 2u);
  EXPECT_NE(diagnostics.str().find("préférences illisibles"), std::string::npos);
  EXPECT_THROW(mine.set("other", 1), FileError);  // an editor's half-saved file is not replaced

  fs::remove(file());
  EXPECT_EQ(mine.reload(), (std::vector<std::string>{"added", "changed", "same"}));
  EXPECT_FALSE(mine.value("same"));
}

TEST_F(FilePreferencesTest, LocalWritesKeepWhatAnotherProcessWroteAndAreAnnounced) {
  FilePreferences mine(file());
  FilePreferences theirs(file());
  Recorder heard;
  const int token = mine.observe(heard.observer());

  theirs.set("theirs", "b");
  mine.set("mine", "a");  // no reload in between
  EXPECT_EQ(heard.calls, (std::vector<std::vector<std::string>>{{"theirs"}, {"mine"}}));
  EXPECT_EQ(FilePreferences(file()).value("theirs"), Json("b"));

  mine.set("mine", "a");   // same value
  mine.remove("nowhere");  // absent key
  EXPECT_EQ(heard.calls.size(), 2u);
  mine.remove("mine");
  EXPECT_EQ(heard.calls.back(), std::vector<std::string>{"mine"});

  mine.unobserve(token);
  mine.set("mine", "c");
  EXPECT_EQ(heard.calls.size(), 3u);

  // An observer may leave, or send a later one away, while being told.
  Recorder stays, sentAway;
  int leaving = 0, dismissed = 0;
  leaving = mine.observe([&](const std::vector<std::string>&) {
    mine.unobserve(leaving);
    mine.unobserve(dismissed);
  });
  dismissed = mine.observe(sentAway.observer());
  mine.observe(stays.observer());
  mine.set("mine", "d");
  mine.set("mine", "e");
  EXPECT_EQ(stays.calls.size(), 2u);
  EXPECT_TRUE(sentAway.calls.empty());
}

TEST_F(FilePreferencesTest, FailedWriteThrowsAndChangesNothing) {
  put(folder_ / "blocker", "a file where a folder should be");
  FilePreferences prefs(folder_ / "blocker" / "defaults.json");
  Recorder heard;
  prefs.observe(heard.observer());
  EXPECT_THROW(prefs.set("a", 1), std::system_error);
  EXPECT_FALSE(prefs.value("a"));
  EXPECT_TRUE(heard.calls.empty());
}

// Sets (or, for a null value, unsets) environment variables until it goes.
class EnvironmentGuard {
 public:
  explicit EnvironmentGuard(const std::vector<std::pair<std::string, const char*>>& values) {
    for (const auto& [name, value] : values) {
      const char* old = std::getenv(name.c_str());
      saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
      put(name, value);
    }
  }
  ~EnvironmentGuard() {
    for (const auto& [name, value] : saved_) put(name, value ? value->c_str() : nullptr);
  }

 private:
  static void put(const std::string& name, const char* value) {
    value ? ::setenv(name.c_str(), value, 1) : ::unsetenv(name.c_str());
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(FilePreferencesPath, TalewickHomeThenXdgConfigThenHome) {
  const struct {
    const char *talewickHome, *xdgConfigHome, *expected;
  } cases[] = {
      {"/data/tw", "/cfg", "/data/tw/defaults.json"},
      {"", "/cfg", "/cfg/talewick/defaults.json"},
      {nullptr, nullptr, "/home/ada/.config/talewick/defaults.json"},
      // A relative XDG_CONFIG_HOME is not to be used.
      {nullptr, "relative/cfg", "/home/ada/.config/talewick/defaults.json"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EnvironmentGuard env({{"TALEWICK_HOME", c.talewickHome},
                          {"XDG_CONFIG_HOME", c.xdgConfigHome},
                          {"HOME", "/home/ada"}});
    EXPECT_EQ(defaultPreferencesPath(), fs::path(c.expected));
  }
}

}  // namespace
}  // namespace talewick
