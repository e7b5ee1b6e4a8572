// A PostgreSQL server of a test's own: a cluster in a temporary folder, reached only through a
// Unix socket inside that folder (no TCP port at all), started when made and stopped when gone.
// The server's programs come from the Debian package (postgresql); as root, they run as the
// package's "postgres" user, which initdb requires.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/temp_folder.hpp"

namespace talewick::testing {

class PostgresCluster {
 public:
  // The folder of initdb and pg_ctl; nullopt when PostgreSQL is not installed.
  static std::optional<std::filesystem::path> programs();

  // Throws std::runtime_error, with what the programs printed, when the cluster cannot start.
  PostgresCluster();
  ~PostgresCluster();
  PostgresCluster(const PostgresCluster&) = delete;
  PostgresCluster& operator=(const PostgresCluster&) = delete;

  // A new empty database, as the URL a client connects with.
  std::string newDatabase();

 private:
  void start();
  std::vector<std::string> asServerUser(std::vector<std::string> argv) const;
  void run(const std::vector<std::string>& argv) const;

  std::filesystem::path programs_;
  TempFolder folder_{"postgres"};
  std::filesystem::path data_, socket_;
  int databases_ = 0;
};

}  // namespace talewick::testing
