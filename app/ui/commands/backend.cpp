// `talewick backend [URL] [--secret HEX]`: where the backend is and whether this device is
// registered with it; with URL, the backend to use from now on; with --secret, the sign-up
// secret its deployment gave (kept with the other secrets, never shown).
#include <algorithm>
#include <cctype>
#include <memory>

#include "services/backend/backend_url.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"
#include "ui/commands/commands.hpp"
#include "ui/context.hpp"
#include "ui/render.hpp"

namespace talewick::ui {
namespace {

struct BackendOptions {
  std::string url;
  std::string secret;
  bool json = false;
};

// The secret as the backend compares it: 64 hexadecimal digits, lower-case.
std::string signupSecret(std::string secret) {
  const bool hex = secret.size() == 64 && std::all_of(secret.begin(), secret.end(), [](char c) {
                     return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                   });
  if (!hex) {
    throw UsageError(Loc::string("cli.backend.badSecret",
                                 "secret d'inscription invalide : 64 chiffres hexadécimaux "
                                 "attendus"));
  }
  std::transform(secret.begin(), secret.end(), secret.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return secret;
}

int showBackend(const BackendOptions& o, Io& io, AppContext& app) {
  backend::BackendConnection& connection = app.backend();
  const std::optional<std::string> key = connection.knownAPIKey();
  const std::optional<std::string> user = connection.userId();
  if (o.json) {
    const std::string url = connection.baseURL();
    printJson(io.out, {{"baseURL", url.empty() ? Json(nullptr) : Json(url)},
                       {"configured", connection.configured()},
                       {"signupSecret", connection.hasSignupSecret()},
                       {"registered", key.has_value()},
                       {"userId", user ? Json(*user) : Json(nullptr)}});
    return EXIT_DONE;
  }
  if (const std::optional<std::string> root = connection.root()) {
    io.out << Loc::format(Loc::string("cli.backend.url", "Backend Talewick : %@"), {shown(*root)})
           << "\n";
  } else {
    io.out << Loc::string("cli.backend.none",
                          "Backend Talewick non configuré (talewick backend URL --secret SECRET)")
           << "\n";
  }
  io.out << (connection.hasSignupSecret()
                 ? Loc::string("cli.backend.secret", "Secret d'inscription enregistré.")
                 : Loc::string("cli.backend.noSecret", "Aucun secret d'inscription."))
         << "\n";
  if (key) {
    io.out << Loc::format(
                  Loc::string("cli.backend.registered", "Appareil inscrit (utilisateur %@)."),
                  {shown(user.value_or("?"))})
           << "\n";
  } else {
    io.out << Loc::string("cli.backend.notRegistered",
                          "Appareil pas encore inscrit : il le sera au premier appel.")
           << "\n";
  }
  return EXIT_DONE;
}

int backendSettings(const BackendOptions& o, Io& io, AppContext& app) {
  if (!o.url.empty() && !backend::backendRoot(o.url)) {
    throw UsageError(Loc::format(
        Loc::string("cli.backend.badURL",
                    "adresse de backend invalide : « %@ » (attendu : http:// ou https:// suivi "
                    "de l'hôte, sans ? ni #)"),
        {o.url}));
  }
  // Checked before anything is written: a bad secret leaves the address as it was too.
  const std::string secret = o.secret.empty() ? "" : signupSecret(o.secret);
  if (!o.url.empty()) app.backend().setBaseURL(std::string(text::trim(o.url)));
  if (!secret.empty()) app.backend().setSignupSecret(secret);
  return showBackend(o, io, app);
}

}  // namespace

Command backendCommand() {
  return Command{
      "backend",
      Loc::string("cli.backend.help", "Le Backend Talewick : son adresse, l'inscription"),
      [](CLI::App& cmd) -> Handler {
        auto o = std::make_shared<BackendOptions>();
        cmd.add_option("URL", o->url,
                       Loc::string("cli.backend.urlHelp", "L'adresse du backend à utiliser"));
        cmd.add_option("--secret", o->secret,
                       Loc::string("cli.backend.secretHelp",
                                   "Le secret d'inscription du déploiement (64 hexadécimaux)"));
        cmd.add_flag("--json", o->json, Loc::string("cli.json", "Sortie JSON"));
        return [o](Io& io, AppContext& app) {
          if (o->url.empty() && o->secret.empty()) return showBackend(*o, io, app);
          return backendSettings(*o, io, app);
        };
      }};
}

}  // namespace talewick::ui
