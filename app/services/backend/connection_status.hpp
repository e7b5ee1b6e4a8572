// What the backend says of one provider's connection, decoded leniently: unknown keys are
// skipped and an optional field of the wrong type counts as absent, so that a newer backend
// still reads. Only what cannot be a status at all (not JSON, a connection without its id) is
// refused.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/json.hpp"

namespace talewick::backend {

// The connection record of any provider; each fills the names it knows.
struct ProviderAccount {
  std::string id;
  std::optional<std::string> accountLabel;              // Asana, Microsoft, Google Calendar
  std::optional<std::string> workspaceName, ownerName;  // Notion
  std::optional<std::string> userName, userEmail;       // Todoist
  std::optional<std::string> connectedAt;               // ISO 8601, as the backend wrote it

  // The name the status line gives the account: the first of the names above; "" when none.
  std::string label() const;
  bool operator==(const ProviderAccount&) const = default;
};

struct ProviderConfigStatus {
  bool configured = false;
  std::vector<std::string> missing;       // names of backend settings not yet provided
  std::vector<std::string> scopes;        // Google Calendar
  std::optional<bool> publicEnabled;      // Google Calendar: false while in test access
  std::optional<std::string> apiVersion;  // Notion
  bool operator==(const ProviderConfigStatus&) const = default;
};

struct LinearWorkspace {
  std::string id;
  std::optional<std::string> name, viewerName, connectedAt;
  std::optional<bool> selected;
  bool operator==(const LinearWorkspace&) const = default;
};

struct ProviderStatus {
  std::optional<ProviderAccount> connection;
  std::optional<ProviderConfigStatus> config;
  std::vector<LinearWorkspace> workspaces;  // Linear only
  Json answer;                              // the answer as received, for scripts (--json)

  bool connected() const { return connection.has_value() || !workspaces.empty(); }
};

// The status in `body`: a {"connection", "config"} object, or for a provider whose status is a
// workspace list, an array of workspaces. Throws BackendError::unreadableAnswer for anything
// else.
ProviderStatus decodeProviderStatus(std::string_view body, bool workspaceList);

// The "authorizationUrl" of an OAuth start answer, an http(s) URL (nothing else is handed to
// the browser). Throws BackendError::unreadableAnswer.
std::string decodeAuthorizationURL(std::string_view body);

}  // namespace talewick::backend
