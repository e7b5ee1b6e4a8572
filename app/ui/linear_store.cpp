#include "ui/linear_store.hpp"

#include "platform/linux_files.hpp"
#include "platform/paths.hpp"

namespace talewick::ui {

linear::LinearAuthStore openLinearStore(AppContext& app, std::ostream& diagnostics) {
  return linear::LinearAuthStore(
      app.preferences(), app.secrets(), app.httpClient(), linuxFiles(),
      paths::dataFolder() / linear::LinearAuthStore::FILE_NAME,
      [&app]() -> backend::BackendConnection& { return app.backend(); }, app.runLoop(),
      diagnostics);
}

}  // namespace talewick::ui
