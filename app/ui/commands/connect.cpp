// `talewick connect PROVIDER`: asks the backend for the provider's authorization page and opens
// it in the browser; the browser comes back through `talewick handle-url`.
#include <memory>

#include "support/loc.hpp"
#include "ui/browser.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/provider_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

int connectProvider(const std::string& name, Io& io, AppContext& app) {
  const backend::BackendProvider& provider = providerArgument(name);
  backend::ProviderConnectionStore& store = *app.providerConnections().find(provider.segment);
  store.beginOAuth([&io](const std::string& url) { openInBrowser(io, url); });
  app.runLoop().settle();
  printOutcome(io.out, store);
  return EXIT_DONE;
}

}  // namespace

Command connectCommand() {
  return Command{"connect",
                 Loc::string("cli.connect.help",
                             "Connecte un fournisseur (Asana, Linear…) via le Backend Talewick"),
                 [](CLI::App& cmd) -> Handler {
                   auto name = std::make_shared<std::string>();
                   cmd.add_option("PROVIDER", *name,
                                  Loc::string("cli.provider.name",
                                              "asana, google-calendar, linear, microsoft, "
                                              "notion ou todoist"))
                       ->required();
                   return
                       [name](Io& io, AppContext& app) { return connectProvider(*name, io, app); };
                 }};
}

}  // namespace talewick::ui
