#include "services/backend/oauth_callback.hpp"

#include <cctype>
#include <optional>

#include "services/backend/backend_provider.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick::backend {
namespace {

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A query item's value: "+" is a space and "%XX" a byte; a "%" that starts no escape stays.
std::string decoded(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '+') {
      out += ' ';
    } else if (value[i] == '%' && i + 2 < value.size() && hexValue(value[i + 1]) >= 0 &&
               hexValue(value[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(value[i + 1]) * 16 + hexValue(value[i + 2]));
      i += 2;
    } else {
      out += value[i];
    }
  }
  return out;
}

[[noreturn]] void refuse(std::string_view url) {
  throw UnhandledURL(
      Loc::format(Loc::string("backend.url.unhandled", "adresse talewick:// inconnue : %@"),
                  {text::terminalSafe(url)}));
}

}  // namespace

std::optional<std::string> queryItem(std::string_view query, std::string_view name) {
  while (!query.empty()) {
    const std::size_t end = std::min(query.find('&'), query.size());
    const std::string_view item = query.substr(0, end);
    const std::size_t equals = item.find('=');
    if (decoded(item.substr(0, equals)) == name) {
      return equals == std::string_view::npos ? "" : decoded(item.substr(equals + 1));
    }
    query.remove_prefix(std::min(end + 1, query.size()));
  }
  return std::nullopt;
}

TalewickURL splitTalewickURL(std::string_view url) {
  static constexpr std::string_view SCHEME = "talewick://";
  if (lowered(url.substr(0, SCHEME.size())) != SCHEME) refuse(url);
  std::string_view rest = url.substr(SCHEME.size());
  if (const std::size_t fragment = rest.find('#'); fragment != std::string_view::npos) {
    rest = rest.substr(0, fragment);
  }
  const std::size_t query = std::min(rest.find('?'), rest.size());
  const std::size_t path = std::min(rest.find('/'), query);
  return {lowered(rest.substr(0, path)), std::string(rest.substr(path, query - path)),
          std::string(rest.substr(std::min(query + 1, rest.size())))};
}

OAuthCallback parseOAuthCallback(std::string_view url) {
  const TalewickURL parts = splitTalewickURL(url);
  const BackendProvider* provider = findBackendProvider(parts.host);
  if (!provider || parts.path != "/backend/callback") refuse(url);

  const std::string_view items = parts.query;
  OAuthCallback callback{provider->segment, false, ""};
  // A refusal wins over a contradictory "connected": nothing is marked connected on doubt.
  if (std::optional<std::string> error = queryItem(items, "error")) {
    callback.error = text::terminalSafe(*error);
    if (text::trim(callback.error).empty()) {
      callback.error = Loc::string("backend.url.noReason", "sans précision");
    }
    return callback;
  }
  if (queryItem(items, "connected") == "1") {
    callback.connected = true;
    return callback;
  }
  refuse(url);
}

}  // namespace talewick::backend
