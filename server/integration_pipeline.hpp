// The integration pipeline: every open item of every provider a user connected, in one answer,
// and the completion or deletion of one of them.
//
// Answers are kept per user for CACHE_SECONDS (a refresh of the desktop program after each change
// of screen must not call six providers); "force" reads the providers again, but at most once per
// FORCE_INTERVAL_SECONDS per user, the answer kept serving in between. Completing or deleting an
// item drops the user's kept answers. The providers of one answer are read concurrently (one thread
// each), and one user's refreshes and actions run one at a time, so that two refreshes at once
// read the providers once and a token is renewed once.
//
// What is kept of a user nobody is being served for, with nothing fresh in it, is forgotten at the
// next sweep (at most one per CACHE_SECONDS): a long-running server holds recent users' items only.
//
// An item can be acted on only when it was listed to that same user: its id is looked up in the
// user's kept answers (read again when absent), never taken at its word.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "server/log.hpp"
#include "server/pipeline_item.hpp"
#include "server/provider_session.hpp"

namespace talewick::server {

class IntegrationPipeline {
 public:
  static constexpr std::int64_t CACHE_SECONDS = 90;
  static constexpr std::int64_t FORCE_INTERVAL_SECONDS = 10;

  struct Query {
    bool force = false;
    std::vector<std::string> providers;  // segments; empty: every provider
    std::string workspaceId;
  };

  enum class Action { complete, remove };
  struct Outcome {
    int status = 200;     // 200 done, 404 not an item listed to the user, 502 provider failure
    std::string message;  // French, for a refusal
  };

  // `context` (its references) and `log` outlive the pipeline.
  IntegrationPipeline(SessionContext context, Log& log);

  // The answer's record: providers, items, errors, summary, syncedAt.
  nlohmann::ordered_json answer(const std::string& userId, const Query& query);

  Outcome act(const std::string& userId, const std::string& itemId, Action action);

  // Runs `work` with a session on the user's connection `connectionId` to `provider` (a
  // workspace the user picked), else on the latest one, one at a time with the user's other
  // calls, then forgets the user's kept answers when `changes` says so. False, without running
  // it, when the user has no such connection. ProviderFailure passes through.
  bool withSession(const std::string& userId, const Provider& provider, bool changes,
                   const std::function<void(ProviderSession&)>& work,
                   const std::string& connectionId = "");

  // What a provider route keeps for the user under `key` (Todoist's lists), while the user's
  // answers are kept; nullopt when absent or older than CACHE_SECONDS.
  std::optional<nlohmann::json> kept(const std::string& userId, const std::string& key);
  void keep(const std::string& userId, const std::string& key, nlohmann::json value);

  // Forgets what is kept for the user (after a disconnection, a change made elsewhere).
  void forget(const std::string& userId);

  // How many users have answers or lists kept.
  std::size_t usersKept();

 private:
  struct Listing {
    nlohmann::ordered_json answer;
    std::vector<PipelineItem> items;
    std::int64_t fetchedAt = 0;
  };
  struct UserState {
    std::mutex mutex;                         // one refresh or action of the user at a time
    std::map<std::string, Listing> listings;  // by query (providers and workspace)
    std::map<std::string, std::pair<std::int64_t, nlohmann::json>> extras;
    std::optional<std::int64_t> lastForcedAt;
  };

  std::shared_ptr<UserState> stateOf(const std::string& userId);
  // Drops the users nobody holds whose kept answers and lists are stale. Called with usersMutex_.
  void sweep(std::int64_t now);
  Listing fetch(const std::string& userId, const Query& query);
  const PipelineItem* findListed(UserState& state, const std::string& itemId) const;

  SessionContext context_;
  Log& log_;
  std::mutex usersMutex_;
  std::map<std::string, std::shared_ptr<UserState>> users_;
  std::int64_t sweptAt_ = 0;
};

}  // namespace talewick::server
