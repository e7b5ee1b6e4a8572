#include "core/state_file.hpp"

#include <system_error>

namespace talewick::StateFile {

bool write(const std::filesystem::path& path, const Json& value) {
  try {
    // Invalid UTF-8 in a text is replaced rather than allowed to make the record unwritable.
    files::writeAtomically(
        path, value.dump(-1, ' ', false, Json::error_handler_t::replace),
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace talewick::StateFile
