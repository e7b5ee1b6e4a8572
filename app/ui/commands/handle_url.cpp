// `talewick handle-url URL`: what the desktop runs for a "talewick://" address, such as the
// browser's return from a provider's OAuth ("talewick://asana/backend/callback?connected=1").
#include <memory>

#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/provider_text.hpp"

namespace talewick::ui {

Command handleURLCommand() {
  return Command{
      "handle-url",
      Loc::string("cli.handleURL.help", "Traite une adresse talewick:// (retour d'OAuth)"),
      [](CLI::App& cmd) -> Handler {
        auto url = std::make_shared<std::string>();
        cmd.add_option("URL", *url, Loc::string("cli.handleURL.url", "L'adresse talewick://"))
            ->required();
        return [url](Io& io, AppContext& app) {
          backend::ProviderConnectionStore* store = nullptr;
          try {
            store = &app.providerConnections().handleURL(*url);
          } catch (const backend::UnhandledURL& e) {
            throw UsageError(e.what());
          }
          app.runLoop().settle();
          printOutcome(io.out, *store);
          return EXIT_DONE;
        };
      }};
}

}  // namespace talewick::ui
