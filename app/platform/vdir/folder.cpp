#include "platform/vdir/folder.hpp"

#include <algorithm>
#include <system_error>
#include <utility>

namespace talewick::vdir {

namespace fs = std::filesystem;

bool isHidden(std::string_view name) { return name.empty() || name.front() == '.'; }

std::vector<std::string> subfolders(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (isHidden(name)) continue;
    std::error_code typeError;
    if (!it->is_directory(typeError)) continue;
    names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<fs::path> files(const fs::path& folder, std::string_view extension) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& p = it->path();
    if (isHidden(p.filename().string())) continue;
    std::error_code typeError;
    if (it->is_regular_file(typeError) && p.extension() == fs::path(extension)) out.push_back(p);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace talewick::vdir
