// `talewick connections [--json]`: the six providers, each asked for its status at once, each
// with its status line.
#include <memory>

#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/provider_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

int connections(bool json, Io& io, AppContext& app) {
  const auto& stores = app.providerConnections().all();
  for (const auto& store : stores) store->refresh();
  app.runLoop().settle();
  bool anyFailed = false;
  Json list = Json::array();
  for (const auto& store : stores) {
    anyFailed = anyFailed || store->failed();
    if (json) {
      list.push_back(providerJson(*store));
    } else {
      io.out << shown(store->statusLine()) << "\n";
    }
  }
  if (json) printJson(io.out, list);
  return anyFailed ? EXIT_FAILED : EXIT_DONE;
}

}  // namespace

Command connectionsCommand() {
  return Command{"connections",
                 Loc::string("cli.connections.help",
                             "L'état des fournisseurs connectés via le Backend Talewick"),
                 [](CLI::App& cmd) -> Handler {
                   auto json = std::make_shared<bool>(false);
                   cmd.add_flag("--json", *json, Loc::string("cli.json", "Sortie JSON"));
                   return [json](Io& io, AppContext& app) { return connections(*json, io, app); };
                 }};
}

}  // namespace talewick::ui
