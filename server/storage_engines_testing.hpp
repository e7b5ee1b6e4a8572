// The storage engines the server's tests run on: SQLite in the test's folder, and PostgreSQL in
// a cluster the test program starts for itself (once, at the first test that needs it; stopped
// when the program ends).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/postgres_cluster.hpp"

namespace talewick::server::testing {

enum class Engine { sqlite, postgresql };

inline const auto kEngines = ::testing::Values(Engine::sqlite, Engine::postgresql);

inline std::string engineName(const ::testing::TestParamInfo<Engine>& info) {
  return info.param == Engine::sqlite ? "sqlite" : "postgresql";
}

// The "database" setting of a new, empty database of `engine`.
inline std::string newDatabaseUrl(Engine engine, const std::filesystem::path& folder) {
  if (engine == Engine::sqlite) return "sqlite:" + (folder / "talewick.db").string();
  static talewick::testing::PostgresCluster cluster;
  return cluster.newDatabase();
}

}  // namespace talewick::server::testing
