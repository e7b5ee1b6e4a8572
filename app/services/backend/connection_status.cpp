#include "services/backend/connection_status.hpp"

#include "services/backend/backend_error.hpp"
#include "services/backend/backend_url.hpp"

namespace talewick::backend {
namespace {

std::optional<std::string> text(const Json& object, const char* key) {
  const auto found = object.find(key);
  if (found == object.end() || !found->is_string()) return std::nullopt;
  return found->get<std::string>();
}

std::optional<bool> flag(const Json& object, const char* key) {
  const auto found = object.find(key);
  if (found == object.end() || !found->is_boolean()) return std::nullopt;
  return found->get<bool>();
}

std::vector<std::string> texts(const Json& object, const char* key) {
  std::vector<std::string> out;
  const auto found = object.find(key);
  if (found == object.end() || !found->is_array()) return out;
  for (const Json& item : *found) {
    if (item.is_string()) out.push_back(item.get<std::string>());
  }
  return out;
}

// The record's id; a record without one cannot be told from garbage.
std::string requiredId(const Json& record) {
  if (!record.is_object()) throw BackendError::unreadableAnswer();
  std::optional<std::string> id = text(record, "id");
  if (!id) throw BackendError::unreadableAnswer();
  return *id;
}

ProviderAccount account(const Json& record) {
  ProviderAccount out;
  out.id = requiredId(record);
  out.accountLabel = text(record, "accountLabel");
  out.workspaceName = text(record, "workspaceName");
  out.ownerName = text(record, "ownerName");
  out.userName = text(record, "userName");
  out.userEmail = text(record, "userEmail");
  out.connectedAt = text(record, "connectedAt");
  return out;
}

LinearWorkspace workspace(const Json& record) {
  LinearWorkspace out;
  out.id = requiredId(record);
  out.name = text(record, "name");
  out.viewerName = text(record, "viewerName");
  out.connectedAt = text(record, "connectedAt");
  out.selected = flag(record, "selected");
  return out;
}

ProviderConfigStatus configStatus(const Json& record) {
  ProviderConfigStatus out;
  out.configured = flag(record, "configured").value_or(false);
  out.missing = texts(record, "missing");
  out.scopes = texts(record, "scopes");
  out.publicEnabled = flag(record, "publicEnabled");
  out.apiVersion = text(record, "apiVersion");
  return out;
}

}  // namespace

std::string ProviderAccount::label() const {
  for (const auto* name : {&accountLabel, &workspaceName, &userName, &userEmail}) {
    if (*name && !(*name)->empty()) return **name;
  }
  return "";
}

ProviderStatus decodeProviderStatus(std::string_view body, bool workspaceList) {
  ProviderStatus status;
  status.answer = Json::parse(body, nullptr, false);
  const Json& answer = status.answer;
  if (workspaceList) {
    if (!answer.is_array()) throw BackendError::unreadableAnswer();
    for (const Json& record : answer) status.workspaces.push_back(workspace(record));
    return status;
  }
  if (!answer.is_object()) throw BackendError::unreadableAnswer();
  if (const auto found = answer.find("connection"); found != answer.end() && !found->is_null()) {
    status.connection = account(*found);
  }
  if (const auto found = answer.find("config"); found != answer.end() && found->is_object()) {
    status.config = configStatus(*found);
  }
  return status;
}

std::string decodeAuthorizationURL(std::string_view body) {
  const Json answer = Json::parse(body, nullptr, false);
  std::optional<std::string> url =
      answer.is_object() ? text(answer, "authorizationUrl") : std::nullopt;
  if (!url || !isHttpURL(*url)) throw BackendError::unreadableAnswer();
  return *url;
}

}  // namespace talewick::backend
