#include "tests/support/postgres_cluster.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/process.hpp"

namespace talewick::testing {

namespace fs = std::filesystem;

std::optional<fs::path> PostgresCluster::programs() {
  std::error_code ec;
  const fs::path versions = "/usr/lib/postgresql";
  std::optional<fs::path> newest;
  for (fs::directory_iterator it(versions, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path bin = it->path() / "bin";
    if (fs::exists(bin / "initdb") && fs::exists(bin / "pg_ctl") && (!newest || bin > *newest)) {
      newest = bin;
    }
  }
  return newest;
}

PostgresCluster::PostgresCluster() {
  const std::optional<fs::path> bin = programs();
  if (!bin) throw std::runtime_error("PostgreSQL is not installed (package postgresql)");
  programs_ = *bin;
  data_ = folder_ / "data";
  // A socket's path is limited to about a hundred bytes, which a folder named after a test may
  // pass: the socket gets a short folder of its own.
  std::string socket = "/tmp/talewick-pg-XXXXXX";
  if (!::mkdtemp(socket.data())) throw std::runtime_error("cannot make a socket folder");
  socket_ = socket;
  try {
    start();
  } catch (...) {
    std::error_code ignored;
    fs::remove_all(socket_, ignored);
    throw;
  }
}

void PostgresCluster::start() {
  if (::getuid() == 0) {
    const passwd* user = ::getpwnam("postgres");
    if (!user) throw std::runtime_error("no \"postgres\" user to run the cluster as");
    for (const fs::path& path : {folder_.path(), socket_}) {
      if (::chown(path.c_str(), user->pw_uid, user->pw_gid) != 0) {
        throw std::runtime_error("cannot give " + path.string() + " to postgres");
      }
    }
  }
  run(asServerUser({(programs_ / "initdb").string(), "-D", data_.string(), "-A", "trust", "-U",
                    "talewick", "-E", "UTF8", "--locale=C", "--no-sync"}));
  run(asServerUser({(programs_ / "pg_ctl").string(), "-D", data_.string(), "-w", "-l",
                    (folder_ / "server.log").string(), "-o",
                    "-c listen_addresses='' -k " + socket_.string() + " -c fsync=off", "start"}));
}

PostgresCluster::~PostgresCluster() {
  try {
    run(asServerUser(
        {(programs_ / "pg_ctl").string(), "-D", data_.string(), "-m", "immediate", "-w", "stop"}));
  } catch (const std::exception&) {
    // A cluster that did not stop dies with its folder's removal at the latest.
  }
  std::error_code ignored;
  fs::remove_all(socket_, ignored);
}

std::string PostgresCluster::newDatabase() {
  const std::string name = "test" + std::to_string(++databases_);
  run({(programs_ / "createdb").string(), "-h", socket_.string(), "-U", "talewick", name});
  return "postgresql://talewick@/" + name + "?host=" + socket_.string();
}

std::vector<std::string> PostgresCluster::asServerUser(std::vector<std::string> argv) const {
  if (::getuid() != 0) return argv;
  // In /usr/sbin, which a test's PATH may lack.
  const char* runuser = ::access("/usr/sbin/runuser", X_OK) == 0 ? "/usr/sbin/runuser" : "runuser";
  argv.insert(argv.begin(), {runuser, "-u", "postgres", "--"});
  return argv;
}

void PostgresCluster::run(const std::vector<std::string>& argv) const {
  const ProcessResult result = runProcess(argv, {{"LANG", "C"}}, folder_.path());
  if (result.status != 0) {
    throw std::runtime_error(argv.front() + " failed: " + result.err + result.out);
  }
}

}  // namespace talewick::testing
