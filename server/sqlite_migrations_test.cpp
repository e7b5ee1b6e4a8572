#include "server/sqlite_migrations.hpp"

#include <gtest/gtest.h>

#include "server/schema_steps.hpp"
#include "server/storage.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server::sqlite {
namespace {

bool hasTable(Database& db, const std::string& name) {
  Statement find(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
  find.bind(1, name);
  return find.step();
}

// 0 for a database that never had a step.
int versionOf(Database& db) {
  if (!hasTable(db, "schema_version")) return 0;
  Statement read(db, "SELECT version FROM schema_version");
  return read.step() ? static_cast<int>(read.integer(0)) : 0;
}

TEST(SqliteMigrations, bringAFreshDatabaseToTheLatestVersionAndRunOnlyOnce) {
  testing::TempFolder folder{"migrations"};
  Database db(folder / "fresh.db");
  EXPECT_EQ(migrate(db, schemaSteps()), 0);
  EXPECT_EQ(versionOf(db), static_cast<int>(schemaSteps().size()));
  for (const char* table : {"users", "connections", "oauth_states"}) {
    EXPECT_TRUE(hasTable(db, table)) << table;
  }
  // A second run finds nothing to do (re-running a step would fail on its CREATE TABLE).
  EXPECT_EQ(migrate(db, schemaSteps()), static_cast<int>(schemaSteps().size()));
}

TEST(SqliteMigrations, applyOnlyTheMissingStepsInOrder) {
  testing::TempFolder folder{"migrations"};
  Database db(folder / "older.db");
  const std::vector<std::string_view> first = {"CREATE TABLE a (x INTEGER)"};
  EXPECT_EQ(migrate(db, first), 0);
  Statement(db, "INSERT INTO a (x) VALUES (?1)").bind(1, std::int64_t{7}).run();

  // The later steps depend on the earlier ones: run in another order they would fail.
  const std::vector<std::string_view> later = {"CREATE TABLE a (x INTEGER)",
                                               "ALTER TABLE a ADD COLUMN y INTEGER DEFAULT 1",
                                               "UPDATE a SET y = x * 2"};
  EXPECT_EQ(migrate(db, later), 1);
  EXPECT_EQ(versionOf(db), 3);
  Statement row(db, "SELECT x, y FROM a");
  ASSERT_TRUE(row.step());
  EXPECT_EQ(row.integer(0), 7);
  EXPECT_EQ(row.integer(1), 14);
}

TEST(SqliteMigrations, aFailingStepLeavesTheDatabaseAsItWas) {
  testing::TempFolder folder{"migrations"};
  Database db(folder / "failing.db");
  const std::vector<std::string_view> steps = {"CREATE TABLE kept (x INTEGER)",
                                               "CREATE TABLE b (x INTEGER); SELECT nonsense FROM"};
  try {
    migrate(db, steps);
    ADD_FAILURE() << "a broken step was accepted";
  } catch (const StorageError& e) {
    EXPECT_NE(std::string(e.what()).find("schema step 2"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(hasTable(db, "kept"));
  EXPECT_FALSE(hasTable(db, "b"));
  EXPECT_EQ(versionOf(db), 0);
}

TEST(SqliteMigrations, refuseADatabaseOfANewerProgram) {
  testing::TempFolder folder{"migrations"};
  Database db(folder / "newer.db");
  const std::vector<std::string_view> steps = {"CREATE TABLE a (x INTEGER)",
                                               "CREATE TABLE b (x INTEGER)"};
  migrate(db, steps);
  try {
    migrate(db, std::span(steps).first(1));
    ADD_FAILURE() << "a newer database was accepted";
  } catch (const StorageError& e) {
    EXPECT_NE(std::string(e.what()).find("newer"), std::string::npos) << e.what();
  }
  EXPECT_EQ(versionOf(db), 2);
  EXPECT_TRUE(hasTable(db, "b"));
}

}  // namespace
}  // namespace talewick::server::sqlite
