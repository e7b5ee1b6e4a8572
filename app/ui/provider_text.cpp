#include "ui/provider_text.hpp"

#include <ostream>
#include <stdexcept>

#include "support/loc.hpp"
#include "support/text.hpp"
#include "ui/command.hpp"
#include "ui/render.hpp"

namespace talewick::ui {

const backend::BackendProvider& providerArgument(const std::string& name) {
  const std::string wanted = text::fold(name);
  std::string known;
  for (const backend::BackendProvider& provider : backend::backendProviders()) {
    if (wanted == provider.segment || wanted == text::fold(provider.name)) return provider;
    known += (known.empty() ? "" : ", ") + provider.segment;
  }
  throw UsageError(Loc::format(
      Loc::string("cli.provider.unknown", "fournisseur inconnu : « %@ » (fournisseurs : %@)"),
      {name, known}));
}

Json providerJson(const backend::ProviderConnectionStore& store) {
  const auto& status = store.status();
  return Json{{"provider", store.provider().segment},
              {"name", store.provider().name},
              {"connected", status && status->connected()},
              {"oauthConnected", store.oauthConnected()},
              {"statusLine", store.statusLine()},
              {"status", status ? status->answer : Json(nullptr)}};
}

void printOutcome(std::ostream& out, const backend::ProviderConnectionStore& store) {
  if (store.failed()) throw std::runtime_error(store.statusLine());
  out << shown(store.statusLine()) << "\n";
}

}  // namespace talewick::ui
