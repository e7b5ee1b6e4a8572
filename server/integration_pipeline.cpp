#include "server/integration_pipeline.hpp"

#include <algorithm>
#include <future>

#include "server/pipeline_adapter.hpp"
#include "server/pipeline_rules.hpp"
#include "server/provider_json.hpp"
#include "server/providers.hpp"
#include "server/time_text.hpp"

namespace talewick::server {

namespace {

using nlohmann::ordered_json;

// What the desktop program learns of the provider's nature in its status line.
std::string kindOf(const Provider& provider) {
  if (provider.segment == "google-calendar") return "calendar";
  if (provider.segment == "microsoft") return "calendar+tasks";
  if (provider.segment == "linear") return "issues";
  return "tasks";
}

std::string queryKey(const IntegrationPipeline::Query& query) {
  std::vector<std::string> providers = query.providers;
  std::sort(providers.begin(), providers.end());
  std::string key;
  for (const std::string& segment : providers) key += segment + ",";
  return key + "|" + query.workspaceId;
}

bool wanted(const IntegrationPipeline::Query& query, const Provider& provider) {
  return query.providers.empty() || std::find(query.providers.begin(), query.providers.end(),
                                              provider.segment) != query.providers.end();
}

// What one provider gave: its items, or why it gave none.
struct ProviderHarvest {
  std::vector<PipelineItem> items;
  std::string error;
};

ProviderHarvest harvest(const SessionContext& context, const Provider& provider,
                        const PipelineAdapter& adapter, const std::string& userId,
                        const std::vector<ProviderConnection>& connections,
                        const std::string& workspaceId) {
  // A workspace the user picked narrows a provider of several accounts to it.
  std::vector<ProviderConnection> chosen;
  for (const ProviderConnection& connection : connections) {
    if (connection.id == workspaceId) chosen.push_back(connection);
  }
  if (chosen.empty()) chosen = connections;
  ProviderHarvest harvest;
  try {
    for (const ProviderConnection& connection : chosen) {
      ProviderSession session(context, provider, userId, connection);
      for (PipelineItem& item : adapter.openItems(session, {workspaceId})) {
        item.connectionId = connection.id;
        harvest.items.push_back(std::move(item));
      }
    }
  } catch (const ProviderFailure& e) {
    harvest.items.clear();
    harvest.error = e.what();
  }
  return harvest;
}

}  // namespace

IntegrationPipeline::IntegrationPipeline(SessionContext context, Log& log)
    : context_(std::move(context)), log_(log) {}

std::shared_ptr<IntegrationPipeline::UserState> IntegrationPipeline::stateOf(
    const std::string& userId) {
  const std::lock_guard lock(usersMutex_);
  const std::int64_t now = context_.now();
  if (now - sweptAt_ >= CACHE_SECONDS) sweep(now);
  std::shared_ptr<UserState>& state = users_[userId];
  if (!state) state = std::make_shared<UserState>();
  return state;
}

void IntegrationPipeline::sweep(std::int64_t now) {
  sweptAt_ = now;
  const auto stale = [now](std::int64_t at) { return now - at >= CACHE_SECONDS; };
  std::erase_if(users_, [&](const auto& entry) {
    // Held only by the map: nobody can reach it while usersMutex_ is ours, so it needs no lock.
    const UserState& state = *entry.second;
    if (entry.second.use_count() > 1) return false;
    if (state.lastForcedAt && !stale(*state.lastForcedAt)) return false;
    for (const auto& [key, listing] : state.listings) {
      if (!stale(listing.fetchedAt)) return false;
    }
    for (const auto& [key, extra] : state.extras) {
      if (!stale(extra.first)) return false;
    }
    return true;
  });
}

std::size_t IntegrationPipeline::usersKept() {
  const std::lock_guard lock(usersMutex_);
  return users_.size();
}

IntegrationPipeline::Listing IntegrationPipeline::fetch(const std::string& userId,
                                                        const Query& query) {
  const std::int64_t now = context_.now();
  struct Pending {
    const Provider* provider;
    std::future<ProviderHarvest> harvest;
  };
  ordered_json statuses = ordered_json::array();
  ordered_json errors = ordered_json::array();
  std::vector<Pending> pending;
  std::map<std::string, std::size_t> statusIndex;
  for (const Provider& provider : allProviders()) {
    if (!wanted(query, provider)) continue;
    const std::string segment(provider.segment);
    std::vector<ProviderConnection> connections = context_.storage.connections(userId, segment);
    ordered_json status = {{"id", segment},
                           {"label", std::string(provider.name)},
                           {"kind", kindOf(provider)},
                           {"connected", !connections.empty()}};
    if (!connections.empty()) {
      const nlohmann::json& profile = connections.front().profile;
      std::optional<std::string> label = pjson::text(profile, "accountLabel");
      if (!label) label = pjson::text(profile, "name");
      if (label) status["accountLabel"] = *label;
      status["connectionCount"] = connections.size();
      if (const PipelineAdapter* adapter = pipelineAdapter(segment)) {
        pending.push_back({&provider, std::async(std::launch::async, harvest, std::cref(context_),
                                                 std::cref(provider), std::cref(*adapter), userId,
                                                 std::move(connections), query.workspaceId)});
      } else {
        errors.push_back({{"provider", segment},
                          {"error", std::string(provider.name) +
                                        " n'est pas encore relié au pipeline de ce serveur."}});
      }
    }
    statusIndex[segment] = statuses.size();
    statuses.push_back(std::move(status));
  }

  Listing listing;
  listing.fetchedAt = now;
  for (Pending& each : pending) {
    const std::string segment(each.provider->segment);
    ProviderHarvest result;
    try {
      result = each.harvest.get();
    } catch (const std::exception& e) {
      // A fault of ours (storage, a bug) costs this provider's items, not the answer.
      log_.write("error", "pipeline provider failed", {{"provider", segment}, {"error", e.what()}});
      result.error =
          "Erreur interne du serveur en lisant " + std::string(each.provider->name) + ".";
    }
    if (!result.error.empty()) {
      errors.push_back({{"provider", segment}, {"error", result.error}});
      continue;
    }
    statuses[statusIndex[segment]]["syncedAt"] = isoSeconds(now);
    for (PipelineItem& item : result.items) listing.items.push_back(std::move(item));
  }

  ordered_json items = ordered_json::array();
  std::int64_t open = 0, dueSoon = 0, overdue = 0, highThreat = 0;
  for (const PipelineItem& item : listing.items) {
    items.push_back(itemRecord(item, now));
    if (item.status == "open") ++open;
    if (isDueSoon(item, now)) ++dueSoon;
    if (isOverdue(item, now)) ++overdue;
    const std::string threat = rpgOf(item, now).threat;
    if (threat == "high" || threat == "deadly") ++highThreat;
  }
  listing.answer = {{"providers", std::move(statuses)},
                    {"items", std::move(items)},
                    {"errors", std::move(errors)},
                    {"summary",
                     {{"total", listing.items.size()},
                      {"open", open},
                      {"dueSoon", dueSoon},
                      {"overdue", overdue},
                      {"highThreat", highThreat}}},
                    {"syncedAt", isoSeconds(now)}};
  return listing;
}

nlohmann::ordered_json IntegrationPipeline::answer(const std::string& userId, const Query& query) {
  const std::shared_ptr<UserState> state = stateOf(userId);
  const std::lock_guard lock(state->mutex);
  const std::int64_t now = context_.now();
  std::erase_if(state->listings,
                [now](const auto& entry) { return now - entry.second.fetchedAt >= CACHE_SECONDS; });
  const std::string key = queryKey(query);
  const bool forceAllowed =
      query.force && (!state->lastForcedAt || now - *state->lastForcedAt >= FORCE_INTERVAL_SECONDS);
  const auto kept = state->listings.find(key);
  if (kept != state->listings.end() && !forceAllowed) return kept->second.answer;
  if (forceAllowed) state->lastForcedAt = now;
  Listing listing = fetch(userId, query);
  ordered_json answer = listing.answer;
  state->listings[key] = std::move(listing);
  return answer;
}

const PipelineItem* IntegrationPipeline::findListed(UserState& state,
                                                    const std::string& itemId) const {
  for (const auto& [key, listing] : state.listings) {
    for (const PipelineItem& item : listing.items) {
      if (item.id() == itemId) return &item;
    }
  }
  return nullptr;
}

IntegrationPipeline::Outcome IntegrationPipeline::act(const std::string& userId,
                                                      const std::string& itemId, Action action) {
  const std::shared_ptr<UserState> state = stateOf(userId);
  const std::lock_guard lock(state->mutex);
  const PipelineItem* listed = findListed(*state, itemId);
  const Query everything;
  const auto whole = state->listings.find(queryKey(everything));
  const bool wholeIsFresh =
      whole != state->listings.end() && context_.now() - whole->second.fetchedAt < CACHE_SECONDS;
  if (!listed && !wholeIsFresh) {
    // Listed before the answers were dropped, or in an answer of another query: read again. A
    // fresh whole answer that lacks the id settles it without calling anybody.
    state->listings[queryKey(everything)] = fetch(userId, everything);
    listed = findListed(*state, itemId);
  }
  const PipelineAdapter* adapter = listed ? pipelineAdapter(listed->segment) : nullptr;
  const Provider* provider = listed ? findProvider(listed->segment) : nullptr;
  if (!adapter || !provider) return {404, "Élément inconnu."};
  const PipelineItem item = *listed;
  std::optional<ProviderConnection> connection;
  for (ProviderConnection& each : context_.storage.connections(userId, item.segment)) {
    if (each.id == item.connectionId) connection = std::move(each);
  }
  if (!connection) return {404, "Élément inconnu."};
  try {
    ProviderSession session(context_, *provider, userId, std::move(*connection));
    if (action == Action::complete) {
      adapter->complete(session, item);
    } else {
      adapter->remove(session, item);
    }
  } catch (const ProviderFailure& e) {
    return {502, e.what()};
  }
  state->listings.clear();
  state->extras.clear();
  return {};
}

bool IntegrationPipeline::withSession(const std::string& userId, const Provider& provider,
                                      bool changes,
                                      const std::function<void(ProviderSession&)>& work,
                                      const std::string& connectionId) {
  const std::shared_ptr<UserState> state = stateOf(userId);
  const std::lock_guard lock(state->mutex);
  std::vector<ProviderConnection> connections =
      context_.storage.connections(userId, std::string(provider.segment));
  if (connections.empty()) return false;
  // Only the user's own connections are looked at: another user's workspace id picks nothing.
  const auto picked = std::find_if(connections.begin(), connections.end(),
                                   [&](const auto& each) { return each.id == connectionId; });
  ProviderSession session(context_, provider, userId,
                          std::move(picked != connections.end() ? *picked : connections.front()));
  work(session);
  if (changes) {
    state->listings.clear();
    state->extras.clear();
  }
  return true;
}

std::optional<nlohmann::json> IntegrationPipeline::kept(const std::string& userId,
                                                        const std::string& key) {
  const std::shared_ptr<UserState> state = stateOf(userId);
  const std::lock_guard lock(state->mutex);
  const auto found = state->extras.find(key);
  if (found == state->extras.end() || context_.now() - found->second.first >= CACHE_SECONDS) {
    return std::nullopt;
  }
  return found->second.second;
}

void IntegrationPipeline::keep(const std::string& userId, const std::string& key,
                               nlohmann::json value) {
  const std::shared_ptr<UserState> state = stateOf(userId);
  const std::lock_guard lock(state->mutex);
  state->extras[key] = {context_.now(), std::move(value)};
}

void IntegrationPipeline::forget(const std::string& userId) {
  const std::shared_ptr<UserState> state = stateOf(userId);
  const std::lock_guard lock(state->mutex);
  state->listings.clear();
  state->extras.clear();
}

}  // namespace talewick::server
