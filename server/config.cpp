#include "server/config.hpp"

#include <charconv>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <system_error>

#include "server/crypto.hpp"
#include "server/new_file.hpp"
#include "server/providers.hpp"

namespace talewick::server {

namespace {

using nlohmann::json;

// Reads one JSON object of the configuration, naming every key by its dotted path in messages,
// and refuses the keys it was not asked for.
class ObjectReader {
 public:
  ObjectReader(const json& value, std::string path) : value_(value), path_(std::move(path)) {
    if (!value_.is_object()) throw ConfigError(name() + " must be an object");
  }

  std::optional<std::string> string(const std::string& key) {
    const json* value = take(key);
    if (!value) return std::nullopt;
    if (!value->is_string()) throw ConfigError(name(key) + " must be a string");
    return value->get<std::string>();
  }

  std::optional<std::int64_t> integer(const std::string& key) {
    const json* value = take(key);
    if (!value) return std::nullopt;
    if (!value->is_number_integer()) throw ConfigError(name(key) + " must be a whole number");
    return value->get<std::int64_t>();
  }

  std::optional<std::vector<std::string>> strings(const std::string& key) {
    const json* value = take(key);
    if (!value) return std::nullopt;
    std::vector<std::string> items;
    if (value->is_array()) {
      for (const json& item : *value) {
        if (!item.is_string()) break;
        items.push_back(item.get<std::string>());
      }
    }
    if (!value->is_array() || items.size() != value->size()) {
      throw ConfigError(name(key) + " must be a list of strings");
    }
    return items;
  }

  std::optional<ObjectReader> object(const std::string& key) {
    const json* value = take(key);
    if (!value) return std::nullopt;
    return ObjectReader(*value, path_.empty() ? key : path_ + "." + key);
  }

  // Refuses the keys nobody read.
  void finish() const {
    for (const auto& [key, value] : value_.items()) {
      if (!read_.contains(key)) throw ConfigError("unknown key " + name(key));
    }
  }

  [[noreturn]] void refuse(const std::string& key, const std::string& expected) const {
    throw ConfigError(name(key) + " must be " + expected);
  }

 private:
  const json* take(const std::string& key) {
    read_.insert(key);
    const auto found = value_.find(key);
    return found == value_.end() ? nullptr : &*found;
  }

  std::string name(const std::string& key = "") const {
    const std::string dotted = path_.empty() ? key : key.empty() ? path_ : path_ + "." + key;
    return dotted.empty() ? "the configuration" : "\"" + dotted + "\"";
  }

  const json& value_;
  std::string path_;
  std::set<std::string> read_;
};

bool isHttpUrl(std::string_view text) {
  for (const std::string_view scheme : {"http://", "https://"}) {
    if (text.starts_with(scheme) && text.size() > scheme.size()) return true;
  }
  return false;
}

// An optional URL setting: empty, or an http(s) URL.
std::string urlSetting(ObjectReader& reader, const std::string& key) {
  std::string url = reader.string(key).value_or("");
  if (!url.empty() && !isHttpUrl(url)) reader.refuse(key, "an http:// or https:// URL");
  return url;
}

ProviderSettings readProvider(ObjectReader reader) {
  ProviderSettings settings;
  settings.authorizationURL = urlSetting(reader, "authorizationURL");
  settings.tokenURL = urlSetting(reader, "tokenURL");
  settings.clientID = reader.string("clientID").value_or("");
  settings.clientSecret = reader.string("clientSecret").value_or("");
  settings.scopes = reader.strings("scopes").value_or(std::vector<std::string>{});
  settings.apiBaseURL = urlSetting(reader, "apiBaseURL");
  settings.uploadsBaseURL = urlSetting(reader, "uploadsBaseURL");
  reader.finish();
  return settings;
}

SmtpSettings readSmtp(ObjectReader reader) {
  SmtpSettings smtp;
  smtp.host = reader.string("host").value_or("");
  const std::int64_t port = reader.integer("port").value_or(smtp.port);
  if (port < 1 || port > 65535) reader.refuse("port", "a port number (1 to 65535)");
  smtp.port = static_cast<int>(port);
  smtp.user = reader.string("user").value_or("");
  smtp.password = reader.string("password").value_or("");
  smtp.from = reader.string("from").value_or("");
  smtp.mailDomain = reader.string("mailDomain").value_or("");
  if (smtp.mailDomain.find_first_of("@ <>\r\n\t") != std::string::npos) {
    reader.refuse("mailDomain", "a domain name, such as \"talewick.example.org\"");
  }
  const std::string security = reader.string("security").value_or("starttls");
  if (security == "none") {
    smtp.security = SmtpSecurity::none;
  } else if (security == "starttls") {
    smtp.security = SmtpSecurity::starttls;
  } else if (security == "tls") {
    smtp.security = SmtpSecurity::tls;
  } else {
    reader.refuse("security", "\"none\", \"starttls\" or \"tls\"");
  }
  reader.finish();
  return smtp;
}

std::string requiredString(ObjectReader& reader, const std::string& key) {
  std::optional<std::string> value = reader.string(key);
  if (!value) throw ConfigError("missing key \"" + key + "\"");
  return *value;
}

std::string smtpSecurityName(SmtpSecurity security) {
  switch (security) {
    case SmtpSecurity::none:
      return "none";
    case SmtpSecurity::tls:
      return "tls";
    case SmtpSecurity::starttls:
      break;
  }
  return "starttls";
}

nlohmann::ordered_json providerJson(const ProviderSettings& settings) {
  return {{"authorizationURL", settings.authorizationURL},
          {"tokenURL", settings.tokenURL},
          {"clientID", settings.clientID},
          {"clientSecret", settings.clientSecret},
          {"scopes", settings.scopes},
          {"apiBaseURL", settings.apiBaseURL},
          {"uploadsBaseURL", settings.uploadsBaseURL}};
}

}  // namespace

std::optional<ListenAddress> ListenAddress::parse(std::string_view text) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  std::string_view host = text.substr(0, colon);
  const std::string_view portText = text.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string_view::npos) {
    return std::nullopt;  // an IPv6 host needs its brackets
  }
  int port = -1;
  const auto [end, error] =
      std::from_chars(portText.data(), portText.data() + portText.size(), port);
  if (host.empty() || portText.empty() || error != std::errc() ||
      end != portText.data() + portText.size() || port < 0 || port > 65535) {
    return std::nullopt;
  }
  return ListenAddress{std::string(host), port};
}

std::string ListenAddress::text() const {
  const std::string shown = host.find(':') == std::string::npos ? host : "[" + host + "]";
  return shown + ":" + std::to_string(port);
}

std::optional<DatabaseLocation> DatabaseLocation::parse(std::string_view text) {
  if (text.starts_with("sqlite:") && text.size() > 7) {
    return DatabaseLocation{Engine::sqlite, std::string(text)};
  }
  for (const std::string_view scheme : {"postgresql://", "postgres://"}) {
    if (text.starts_with(scheme) && text.size() > scheme.size()) {
      return DatabaseLocation{Engine::postgresql, std::string(text)};
    }
  }
  return std::nullopt;
}

std::filesystem::path DatabaseLocation::sqlitePath() const { return url.substr(7); }

const ProviderSettings& Config::providerSettings(std::string_view segment) const {
  static const ProviderSettings none;
  const auto found = providers.find(segment);
  return found == providers.end() ? none : found->second;
}

Config parseConfig(std::string_view text) {
  json document;
  try {
    document = json::parse(text);
  } catch (const json::parse_error& e) {
    throw ConfigError("not valid JSON (near byte " + std::to_string(e.byte) + ")");
  }
  ObjectReader reader(document, "");
  Config config;

  config.publicBaseURL = urlSetting(reader, "publicBaseURL");
  while (config.publicBaseURL.ends_with('/')) config.publicBaseURL.pop_back();

  if (const std::optional<std::string> listen = reader.string("listen")) {
    const std::optional<ListenAddress> address = ListenAddress::parse(*listen);
    if (!address) reader.refuse("listen", "HOST:PORT, such as \"127.0.0.1:8787\"");
    config.listen = *address;
  }

  const std::optional<DatabaseLocation> database =
      DatabaseLocation::parse(requiredString(reader, "database"));
  if (!database) reader.refuse("database", "\"sqlite:/path/file.db\" or a postgresql:// URL");
  config.database = *database;

  config.signupSecret = requiredString(reader, "signupSecret");
  if (!crypto::isHex(config.signupSecret, 64, true)) {
    reader.refuse("signupSecret", "64 lower-case hexadecimal digits");
  }
  config.tokenKey = requiredString(reader, "tokenKey");
  if (!crypto::isHex(config.tokenKey, 64, false)) {
    reader.refuse("tokenKey", "64 hexadecimal digits");
  }

  if (std::optional<ObjectReader> smtp = reader.object("smtp")) config.smtp = readSmtp(*smtp);

  std::optional<ObjectReader> providers = reader.object("providers");
  for (const Provider& provider : allProviders()) {
    const std::string segment(provider.segment);
    std::optional<ObjectReader> settings = providers ? providers->object(segment) : std::nullopt;
    config.providers[segment] = settings ? readProvider(*settings) : ProviderSettings{};
  }
  if (providers) providers->finish();
  reader.finish();
  return config;
}

std::string configText(const Config& config) {
  nlohmann::ordered_json providers = nlohmann::ordered_json::object();
  for (const Provider& provider : allProviders()) {
    providers[std::string(provider.segment)] =
        providerJson(config.providerSettings(provider.segment));
  }
  const nlohmann::ordered_json document = {
      {"publicBaseURL", config.publicBaseURL},
      {"listen", config.listen.text()},
      {"database", config.database.url},
      {"signupSecret", config.signupSecret},
      {"tokenKey", config.tokenKey},
      {"smtp",
       {{"host", config.smtp.host},
        {"port", config.smtp.port},
        {"user", config.smtp.user},
        {"password", config.smtp.password},
        {"from", config.smtp.from},
        {"mailDomain", config.smtp.mailDomain},
        {"security", smtpSecurityName(config.smtp.security)}}},
      {"providers", providers},
  };
  return document.dump(2) + "\n";
}

Config loadConfig(const std::filesystem::path& path) {
  const std::string shown = path.string();
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) {
    const std::error_code error(errno, std::generic_category());
    throw ConfigError(shown + ": cannot read it (" + error.message() + ")");
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  try {
    return parseConfig(bytes.str());
  } catch (const ConfigError& e) {
    throw ConfigError(shown + ": " + e.what());
  }
}

Config freshConfig(const std::filesystem::path& path) {
  Config config;
  const std::filesystem::path folder = std::filesystem::absolute(path).parent_path();
  config.database = {DatabaseLocation::Engine::sqlite,
                     "sqlite:" + (folder / "talewick.db").string()};
  config.signupSecret = crypto::randomHex(32);
  config.tokenKey = crypto::randomHex(32);
  for (const Provider& provider : allProviders()) config.providers[std::string(provider.segment)];
  return config;
}

void writeNewConfig(const std::filesystem::path& path, const Config& config) {
  const std::string shown = path.string();
  try {
    createNewFile(path, configText(config), 0600);
  } catch (const std::system_error& e) {
    if (e.code() == std::errc::file_exists) {
      throw ConfigError(shown + ": a file is already there; it was left as it was");
    }
    throw ConfigError(shown + ": cannot write it (" + e.code().message() + ")");
  }
}

}  // namespace talewick::server
