// `talewick disconnect PROVIDER`: deletes the provider's connection on the backend.
#include <memory>

#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/provider_text.hpp"

namespace talewick::ui {

Command disconnectCommand() {
  return Command{
      "disconnect",
      Loc::string("cli.disconnect.help", "Déconnecte un fournisseur du Backend Talewick"),
      [](CLI::App& cmd) -> Handler {
        auto name = std::make_shared<std::string>();
        cmd.add_option("PROVIDER", *name,
                       Loc::string("cli.provider.name",
                                   "asana, google-calendar, linear, microsoft, notion ou todoist"))
            ->required();
        return [name](Io& io, AppContext& app) {
          const backend::BackendProvider& provider = providerArgument(*name);
          backend::ProviderConnectionStore& store =
              *app.providerConnections().find(provider.segment);
          store.disconnect();
          app.runLoop().settle();
          printOutcome(io.out, store);
          return EXIT_DONE;
        };
      }};
}

}  // namespace talewick::ui
