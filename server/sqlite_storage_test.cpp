#include "server/sqlite_storage.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/temp_folder.hpp"

namespace talewick::server {
namespace {

ProviderConnection connection(const std::string& provider, const std::string& id,
                              std::optional<std::int64_t> connectedAt,
                              nlohmann::json profile = nlohmann::json::object()) {
  return {provider, id, std::move(profile), connectedAt, ""};
}

class SqliteStorageTest : public ::testing::Test {
 protected:
  testing::TempFolder folder_{"sqlite-storage"};
  std::filesystem::path path_ = folder_ / "data/talewick.db";
};

TEST_F(SqliteStorageTest, createsAPrivateDatabaseInWalMode) {
  { SqliteStorage storage(path_); }
  struct stat info {};
  ASSERT_EQ(::stat(path_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  sqlite::Database db(path_);
  sqlite::Statement mode(db, "PRAGMA journal_mode");
  ASSERT_TRUE(mode.step());
  EXPECT_EQ(mode.text(0), "wal");
}

TEST_F(SqliteStorageTest, keepsItsDataWhenOpenedAgain) {
  {
    SqliteStorage storage(path_);
    storage.addUser("u1", "hash-1", 100);
    storage.saveConnection("u1", connection("asana", "a1", 200, {{"accountLabel", "Ana"}}));
  }
  SqliteStorage storage(path_);
  EXPECT_EQ(storage.userWithKeyHash("hash-1"), "u1");
  EXPECT_EQ(storage.connections("u1", "asana"),
            std::vector{connection("asana", "a1", 200, {{"accountLabel", "Ana"}})});
}

TEST_F(SqliteStorageTest, refusesADatabaseOfANewerProgram) {
  { SqliteStorage storage(path_); }
  {
    sqlite::Database db(path_);
    sqlite::Statement(db, "UPDATE schema_version SET version = ?1").bind(1, std::int64_t{99}).run();
  }
  EXPECT_THROW(SqliteStorage{path_}, StorageError);
}

TEST_F(SqliteStorageTest, findsUsersOnlyByTheirKeyHash) {
  SqliteStorage storage(path_);
  storage.addUser("u1", "hash-1", 100);
  storage.addUser("u2", "hash-2", 100);
  EXPECT_EQ(storage.userWithKeyHash("hash-2"), "u2");
  EXPECT_EQ(storage.userWithKeyHash("u1"), std::nullopt);
  EXPECT_EQ(storage.userWithKeyHash("hash-3"), std::nullopt);
  // Two users never share a key.
  EXPECT_THROW(storage.addUser("u3", "hash-1", 100), StorageError);
}

TEST_F(SqliteStorageTest, keepsEachUsersConnectionsApart) {
  SqliteStorage storage(path_);
  storage.addUser("u1", "hash-1", 100);
  storage.addUser("u2", "hash-2", 100);
  storage.saveConnection("u1", connection("linear", "w1", 100, {{"name", "Atelier"}}));
  storage.saveConnection("u1", connection("linear", "w2", 300));
  storage.saveConnection("u1", connection("linear", "w0", std::nullopt));
  storage.saveConnection("u1", connection("todoist", "t1", 100));
  storage.saveConnection("u2", connection("linear", "w1", 200, {{"name", "Forge"}}));

  // The latest connected first; one without a date last.
  EXPECT_EQ(storage.connections("u1", "linear"),
            (std::vector{connection("linear", "w2", 300),
                         connection("linear", "w1", 100, {{"name", "Atelier"}}),
                         connection("linear", "w0", std::nullopt)}));
  EXPECT_EQ(storage.connections("u2", "linear"),
            std::vector{connection("linear", "w1", 200, {{"name", "Forge"}})});

  // Saving the same account again replaces it.
  storage.saveConnection("u2", connection("linear", "w1", 400, {{"name", "Forge 2"}}));
  EXPECT_EQ(storage.connections("u2", "linear"),
            std::vector{connection("linear", "w1", 400, {{"name", "Forge 2"}})});

  // Disconnecting touches one user's one provider.
  storage.removeConnections("u1", "linear");
  EXPECT_TRUE(storage.connections("u1", "linear").empty());
  EXPECT_EQ(storage.connections("u1", "todoist").size(), 1u);
  EXPECT_EQ(storage.connections("u2", "linear").size(), 1u);
  storage.removeConnections("u1", "linear");  // nothing left: not an error
}

TEST_F(SqliteStorageTest, servesEachOAuthStateOnceAndKeepsOnlyTheLatestAttempt) {
  SqliteStorage storage(path_);
  storage.addUser("u1", "hash-1", 100);
  const OAuthState first{"state-1", "u1", "notion", "verifier-1", 100};
  const OAuthState second{"state-2", "u1", "notion", "verifier-2", 160};
  const OAuthState other{"state-3", "u1", "asana", "verifier-3", 170};
  storage.saveOAuthState(first);
  storage.saveOAuthState(second);
  storage.saveOAuthState(other);

  EXPECT_EQ(storage.takeOAuthState("state-1"), std::nullopt);  // abandoned for the second
  EXPECT_EQ(storage.takeOAuthState("state-2"), second);
  EXPECT_EQ(storage.takeOAuthState("state-2"), std::nullopt);  // already used
  EXPECT_EQ(storage.takeOAuthState("state-3"), other);
}

}  // namespace
}  // namespace talewick::server
