#include "server/sqlite_storage.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
