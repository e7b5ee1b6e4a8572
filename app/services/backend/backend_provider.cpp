#include "services/backend/backend_provider.hpp"

#include "support/loc.hpp"

namespace talewick::backend {

const std::vector<BackendProvider>& backendProviders() {
  static const std::vector<BackendProvider> providers = {
      {"asana", "Asana", false},   {"google-calendar", "Google Calendar", false},
      {"linear", "Linear", true},  {"microsoft", "Microsoft", false},
      {"notion", "Notion", false}, {"todoist", "Todoist", false},
  };
  return providers;
}

const BackendProvider* findBackendProvider(std::string_view segment) {
  for (const BackendProvider& provider : backendProviders()) {
    if (provider.segment == segment) return &provider;
  }
  return nullptr;
}

namespace lines {
namespace {

std::string named(const char* key, const char* french, const BackendProvider& p) {
  return Loc::format(Loc::string(key, french), {p.name});
}

std::string named(const char* key, const char* french, const BackendProvider& p,
                  const std::string& detail) {
  return Loc::format(Loc::string(key, french), {p.name, detail});
}

}  // namespace

// Linear has texts of its own where its store speaks of workspaces.

std::string connected(const BackendProvider& p, const std::string& label) {
  if (p.workspaceList) return oauthConnected(p);
  if (!label.empty()) {
    return named("backend.line.connectedAs", "%@ connecté : %@", p, label);
  }
  return named("backend.line.connected", "%@ connecté via Backend Talewick", p);
}

std::string notConnected(const BackendProvider& p) {
  return named("backend.line.notConnected", "%@ non connecté", p);
}

std::string notConfigured(const BackendProvider& p) {
  return named("backend.line.notConfigured", "Backend %@ non configuré.", p);
}

std::string disconnected(const BackendProvider& p) {
  return named("backend.line.disconnected", "%@ déconnecté", p);
}

std::string failed(const BackendProvider& p, const std::string& error, bool statusFetch) {
  if (p.workspaceList) {
    return statusFetch
               ? named("backend.line.workspacesFailed", "Backend %@ workspaces : %@", p, error)
               : named("backend.line.linearFailed", "Backend %@ : %@", p, error);
  }
  return named("backend.line.failed", "Backend %@ impossible : %@", p, error);
}

std::string oauthOpened(const BackendProvider& p, bool testAccess) {
  return testAccess ? named("backend.line.oauthOpenedTest", "OAuth %@ ouvert (accès test).", p)
                    : named("backend.line.oauthOpened", "OAuth %@ ouvert via Backend Talewick.", p);
}

std::string oauthRefused(const BackendProvider& p, const std::string& message) {
  if (p.workspaceList) {
    return named("backend.line.linearOAuthRefused", "OAuth %@ backend refusé : %@", p, message);
  }
  return named("backend.line.oauthRefused", "OAuth %@ refusé : %@", p, message);
}

std::string oauthConnected(const BackendProvider& p) {
  return named("backend.line.oauthConnected", "%@ connecté via Backend Talewick.", p);
}

}  // namespace lines
}  // namespace talewick::backend
