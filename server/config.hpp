// The server's configuration: one JSON file, written by `talewick-server init` and edited by the
// person who runs the server.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace talewick::server {

// A configuration that cannot be used; the message is one line naming the file and the key.
struct ConfigError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct ListenAddress {
  std::string host = "127.0.0.1";
  int port = 8787;  // 0: any free port, chosen when the server starts

  // "HOST:PORT", an IPv6 host in brackets ("[::1]:8787"); nullopt for anything else.
  static std::optional<ListenAddress> parse(std::string_view text);
  std::string text() const;
  bool operator==(const ListenAddress&) const = default;
};

struct DatabaseLocation {
  enum class Engine { sqlite, postgresql };
  Engine engine = Engine::sqlite;
  std::string url;  // as written: "sqlite:/srv/talewick/talewick.db", "postgresql://…"

  // "sqlite:PATH", or a "postgresql://" (or "postgres://") URL; nullopt for anything else.
  static std::optional<DatabaseLocation> parse(std::string_view text);
  // The file of a SQLite database (the URL after "sqlite:").
  std::filesystem::path sqlitePath() const;
  bool operator==(const DatabaseLocation&) const = default;
};

// How the connection to the SMTP server is protected: not at all (a relay on the same machine),
// STARTTLS after connecting (port 587), or TLS from the first byte (port 465).
enum class SmtpSecurity { none, starttls, tls };

struct SmtpSettings {
  std::string host;  // empty: the server sends no mail, and refuses invitations
  int port = 587;
  std::string user, password, from;
  // The domain of the answer addresses ("rsvp+TOKEN@" + mailDomain), whose mail the mail server
  // hands to `talewick-server mail-in`.
  std::string mailDomain;
  SmtpSecurity security = SmtpSecurity::starttls;
  bool operator==(const SmtpSettings&) const = default;
};

// What the server needs to run one provider's OAuth; every field empty until the person who runs
// the server registers an application with the provider.
struct ProviderSettings {
  std::string authorizationURL, tokenURL, clientID, clientSecret;
  std::vector<std::string> scopes;
  // The root of the provider's REST API; empty: its public one (Provider::defaultApiBaseURL). Set
  // it to reach a proxy, a regional endpoint, or a stand-in during tests.
  std::string apiBaseURL;
  // Where the provider hosts the files its users upload, when that is not its API (Linear's
  // images); empty: its public host. Only files there are fetched with the user's token.
  std::string uploadsBaseURL;
  bool operator==(const ProviderSettings&) const = default;
};

struct Config {
  std::string publicBaseURL;  // where browsers reach the server, without a final "/"; may be empty
  ListenAddress listen;
  DatabaseLocation database;
  std::string signupSecret;  // 64 lower-case hexadecimal digits
  std::string tokenKey;      // 64 hexadecimal digits: the key of provider tokens at rest
  SmtpSettings smtp;
  std::map<std::string, ProviderSettings, std::less<>> providers;  // by provider segment

  // The settings of the provider of `segment`; empty ones when the map lacks it.
  const ProviderSettings& providerSettings(std::string_view segment) const;
  bool operator==(const Config&) const = default;
};

// The configuration written in `text`. Throws ConfigError naming the first wrong key (an unknown
// key is one: it is most often a misspelt one). Absent keys take their defaults, but for
// "database", "signupSecret" and "tokenKey", which are required.
Config parseConfig(std::string_view text);

// The JSON text of `config`, read back by parseConfig as the same configuration.
std::string configText(const Config& config);

// The configuration in the file at `path`; ConfigError when it cannot be read or used.
Config loadConfig(const std::filesystem::path& path);

// A new configuration with fresh random secrets, its SQLite database beside `path`.
Config freshConfig(const std::filesystem::path& path);

// Writes `config` to a new file at `path` (mode 0600, whole or not at all). Throws ConfigError
// when a file already stands there (it is left alone) or the file cannot be written.
void writeNewConfig(const std::filesystem::path& path, const Config& config);

}  // namespace talewick::server
