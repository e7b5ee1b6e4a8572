#include "core/cloud_store_port.hpp"

#include "core/file_port.hpp"

namespace talewick {

void mergeIntoCloud(
    KeyValueCloudStore& store, const std::string& key,
    const std::function<std::optional<std::string>(const std::optional<std::string>& stored)>&
        merge) {
  // Another writer has to land between our read and our rename on every try to keep us out;
  // one that does so this often will be read again at its own announcement.
  constexpr int kTries = 5;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    const std::optional<std::string> stored = store.data(key);
    const std::optional<std::string> next = merge(stored);
    if (!next || next == stored || store.replaceData(key, stored, *next)) return;
  }
  throw FileError(FileAction::write, key,
                  std::make_error_code(std::errc::resource_unavailable_try_again));
}

}  // namespace talewick
