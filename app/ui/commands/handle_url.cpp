// `talewick handle-url URL`: what the desktop runs for a "talewick://" address, such as the
// browser's return from a provider's OAuth through the backend
// ("talewick://asana/backend/callback?connected=1"), or from Linear's own OAuth
// ("talewick://linear/oauth/callback?code=…&state=…").
#include <memory>
#include <optional>

#include "services/backend/oauth_callback.hpp"
#include "support/loc.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/provider_text.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

bool isLinearCallback(const std::string& url) {
  try {
    const backend::TalewickURL parts = backend::splitTalewickURL(url);
    return parts.host == "linear" && parts.path == "/oauth/callback";
  } catch (const backend::UnhandledURL&) {
    return false;
  }
}

int linearCallback(const std::string& url, Io& io, AppContext& app) {
  linear::LinearAuthStore& store = app.linear();
  std::optional<bool> connected;
  store.handleOAuthCallback(url, [&connected](bool ok) { connected = ok; });
  app.runLoop().settle();
  if (!connected.value_or(false)) {
    io.err << "talewick : " << shown(store.statusLine()) << "\n";
    return EXIT_FAILED;
  }
  io.out << Loc::string("linear.oauth.connected", "Linear connecté en OAuth.") << "\n"
         << shown(store.statusLine()) << "\n";
  return EXIT_DONE;
}

}  // namespace

Command handleURLCommand() {
  return Command{
      "handle-url",
      Loc::string("cli.handleURL.help", "Traite une adresse talewick:// (retour d'OAuth)"),
      [](CLI::App& cmd) -> Handler {
        auto url = std::make_shared<std::string>();
        cmd.add_option("URL", *url, Loc::string("cli.handleURL.url", "L'adresse talewick://"))
            ->required();
        return [url](Io& io, AppContext& app) -> int {
          if (isLinearCallback(*url)) return linearCallback(*url, io, app);
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
