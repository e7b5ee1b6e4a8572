#include "server/sqlite_storage.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/support/temp_folder.hpp"

namespace talewick::server {
namespace {

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

TEST_F(SqliteStorageTest, readersSeeEachCommitAndCannotWrite) {
  SqliteStorage storage(path_);
  std::vector<std::thread> readers;
  std::atomic<int> found = 0;
  for (int i = 0; i < 12; ++i) {  // more than the pool holds: the others wait their turn
    storage.addUser("u" + std::to_string(i), "hash" + std::to_string(i), i);
    readers.emplace_back([&, i] {
      if (storage.userWithKeyHash("hash" + std::to_string(i)) == "u" + std::to_string(i)) ++found;
    });
  }
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(found, 12);

  EXPECT_THROW(storage.inSqlReading([](SqlSession& sql) {
    sql.execute("INSERT INTO users (id, key_hash, created_at) VALUES ('x', 'y', 0)", {});
  }),
               StorageError);
  EXPECT_FALSE(storage.userWithKeyHash("y"));
  // A statement kept prepared runs again with new values.
  EXPECT_EQ(storage.userWithKeyHash("hash3"), "u3");
  EXPECT_FALSE(storage.userWithKeyHash("hash3 "));
}

TEST_F(SqliteStorageTest, refusesADatabaseOfANewerProgram) {
  { SqliteStorage storage(path_); }
  {
    sqlite::Database db(path_);
    sqlite::Statement(db, "UPDATE schema_version SET version = ?1").bind(1, std::int64_t{99}).run();
  }
  EXPECT_THROW(SqliteStorage{path_}, StorageError);
}

}  // namespace
}  // namespace talewick::server
