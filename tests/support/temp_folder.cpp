#include "tests/support/temp_folder.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace talewick::testing {

namespace fs = std::filesystem;

namespace {

// Memory-backed when the system has it: tests write files atomically (with fsync) thousands of
// times, which a real disk makes slow.
fs::path baseFolder() {
  std::error_code ec;
  if (::access("/dev/shm", W_OK) == 0 && fs::is_directory("/dev/shm", ec)) return "/dev/shm";
  return ::testing::TempDir();
}

}  // namespace

TempFolder::TempFolder(const std::string& prefix) {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string test =
      info ? std::string(info->test_suite_name()) + "-" + info->name() : std::string("hors-test");
  // Parameterised tests are named "Values/Suite.case/param": one folder, not a tree of them.
  std::replace(test.begin(), test.end(), '/', '_');
  path_ = baseFolder() / ("talewick-" + prefix + "-" + test + "-" + std::to_string(::getpid()));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
  fs::remove_all(path_, ec);
}

fs::path TempFolder::write(const std::string& relative, const std::string& bytes) const {
  const fs::path file = path_ / relative;
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  return file;
}

std::string TempFolder::read(const std::string& relative) const {
  std::ifstream in(path_ / relative, std::ios::binary);
  if (!in) return "<absent>";
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace talewick::testing
