#include "server/storage.hpp"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.hpp"

namespace talewick::server {
namespace {

TEST(OpenStorage, opensSqliteAndRefusesPostgresqlForNow) {
  testing::TempFolder folder{"open-storage"};
  const std::unique_ptr<Storage> storage =
      openStorage(*DatabaseLocation::parse("sqlite:" + (folder / "talewick.db").string()));
  storage->addUser("u1", "hash-1", 1);
  EXPECT_EQ(storage->userWithKeyHash("hash-1"), "u1");

  try {
    openStorage(*DatabaseLocation::parse("postgresql://talewick@localhost/talewick"));
    ADD_FAILURE() << "PostgreSQL was accepted";
  } catch (const StorageError& e) {
    EXPECT_NE(std::string(e.what()).find("PostgreSQL"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace talewick::server
