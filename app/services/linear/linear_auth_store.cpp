#include "services/linear/linear_auth_store.hpp"

#include <utility>

#include "linear/linear_graphql.hpp"
#include "services/backend/backend_error.hpp"
#include "services/linear/linear_graphql_http.hpp"
#include "services/linear/linear_queue.hpp"

namespace talewick::linear {

namespace {

namespace client = LinearGraphQLClient;
using backend::Outcome;

// The words of a failure; a refused write says how to mend a missing scope.
std::string why(const std::exception_ptr& failure, bool write) {
  try {
    std::rethrow_exception(failure);
  } catch (const LinearGraphQLError& e) {
    return write ? client::writeErrorMessage(e) : e.message();
  } catch (const DecodeError&) {
    return backend::BackendError::unreadableAnswer().what();
  } catch (...) {
    return backend::failureText(failure);
  }
}

template <class T>
T decoded(const std::string& body) {
  return decodeJsonText<T>(body);
}

// Linear's ids and keys ("ENG-42", UUIDs) travel in paths as they are.
std::string issuePath(const std::string& issueID, const std::string& workspace) {
  return "api/linear/issues/" + issueID + (workspace.empty() ? "" : "?workspaceId=" + workspace);
}

std::set<std::string> stillListed(const std::set<std::string>& suppressed,
                                  const Linear::FetchResult& result) {
  std::set<std::string> kept;
  for (const Linear::Issue& issue : result.issues) {
    if (suppressed.contains(issue.id)) kept.insert(issue.id);
  }
  return kept;
}

Linear::Issue completedIssue(const client::Send& send, const std::string& issueID) {
  const Linear::Issue issue = client::issueDetail(send, issueID);
  const std::optional<Linear::WorkflowState> done = client::completedState(
      issue.team && issue.team->states ? issue.team->states->nodes
                                       : std::vector<Linear::WorkflowState>{});
  if (!done) throw LinearGraphQLError::graphQL("L'équipe de ce ticket n'a aucun état terminé.");
  return client::updateIssueState(send, issue.id, done->id);
}

}  // namespace

void to_json(Json& j, const LinearAuthStore::Saved& v) {
  j = Json::object();
  if (v.result) j["result"] = json_coding::encode(*v.result);
  j["suppressed"] = Json(std::vector<std::string>(v.suppressed.begin(), v.suppressed.end()));
}

void from_json(const Json& j, LinearAuthStore::Saved& v) {
  if (!j.is_object()) json_coding::fail(json_coding::reasonExpected("object"));
  v = {};
  if (const auto found = j.find("result"); found != j.end()) {
    Linear::FetchResult result;
    json_coding::decode(*found, result);
    v.result = std::move(result);
  }
  std::vector<std::string> suppressed;
  if (const auto found = j.find("suppressed"); found != j.end()) {
    json_coding::decode(*found, suppressed);
  }
  v.suppressed = {suppressed.begin(), suppressed.end()};
}

LinearAuthStore::LinearAuthStore(Preferences& preferences, SecretsStore& secrets, HttpClient& http,
                                 FilePort& files, std::filesystem::path file,
                                 std::function<backend::BackendConnection&()> backend,
                                 RunLoop& loop, std::ostream& diagnostics)
    : preferences_(preferences),
      secrets_(secrets),
      http_(http),
      file_(files, std::move(file), diagnostics),
      backend_(std::move(backend)),
      loop_(loop) {
  saved_ = file_.load<Saved>().value_or(Saved{});
}

bool LinearAuthStore::reload() {
  std::optional<Saved> next = file_.load<Saved>();
  if (!next || *next == saved_) return false;
  saved_ = std::move(*next);
  return true;
}

LinearMode LinearAuthStore::mode() const {
  const std::optional<std::string> chosen = preferences_.string(MODE_KEY);
  if (chosen == "oauth") return LinearMode::oauth;
  if (chosen == "personalAPIKey") return LinearMode::personalAPIKey;
  const std::optional<Json> connected = preferences_.value(BACKEND_CONNECTED_KEY);
  if (connected && connected->is_boolean() && connected->get<bool>()) return LinearMode::backend;
  return LinearMode::none;
}

void LinearAuthStore::setPersonalKey(const std::string& key) {
  secrets_.set(PERSONAL_KEY_ITEM, key);
  preferences_.set(MODE_KEY, "personalAPIKey");
}

void LinearAuthStore::selectWorkspace(const std::string& workspaceID) {
  preferences_.set(WORKSPACE_KEY, workspaceID);
}

std::optional<std::string> LinearAuthStore::authorization() const {
  if (mode() == LinearMode::personalAPIKey) {
    std::optional<std::string> key = secrets_.get(PERSONAL_KEY_ITEM);
    return key && !key->empty() ? key : std::nullopt;
  }
  const std::optional<std::string> token = secrets_.get(OAUTH_TOKEN_ITEM);
  if (!token || token->empty()) return std::nullopt;
  return "Bearer " + *token;
}

std::string LinearAuthStore::workspace() const {
  return preferences_.string(WORKSPACE_KEY).value_or("");
}

std::vector<Linear::Issue> LinearAuthStore::openIssues() const {
  std::vector<Linear::Issue> open;
  if (!saved_.result) return open;
  for (const Linear::Issue& issue : saved_.result->issues) {
    if (!saved_.suppressed.contains(issue.id) && !client::isDone(issue)) open.push_back(issue);
  }
  return open;
}

void LinearAuthStore::apply(Saved next) {
  if (next == saved_) return;
  // Saved first: a failure leaves the store as it was.
  file_.save(next);
  saved_ = std::move(next);
}

std::string LinearAuthStore::countLine(size_t open) const {
  const std::optional<std::string> where =
      mode() == LinearMode::backend && saved_.result ? saved_.result->workspaceName : std::nullopt;
  if (where) {
    return open == 0 ? "Aucune tâche Linear ouverte dans " + *where
                     : std::to_string(open) + " tâches Linear ouvertes dans " + *where;
  }
  return open == 0 ? "Aucune tâche Linear ouverte."
                   : std::to_string(open) + " tâches Linear ouvertes.";
}

std::optional<client::Send> LinearAuthStore::directSend() const {
  const LinearMode current = mode();
  const std::optional<std::string> credential = authorization();
  if (current == LinearMode::none || current == LinearMode::backend || !credential) {
    return std::nullopt;
  }
  return graphQLSend(http_, preferences_.string(ENDPOINT_KEY).value_or(DEFAULT_GRAPHQL_ENDPOINT),
                     *credential);
}

std::string LinearAuthStore::notConnectedLine() const {
  return mode() == LinearMode::oauth
             ? "Linear : aucun jeton OAuth « linear.oauth.token » dans le trousseau."
             : "Linear n'est pas connecté : talewick linear key, ou talewick connect linear.";
}

void LinearAuthStore::refresh(bool force, std::function<void()> done) {
  const LinearMode current = mode();
  const auto finish = [this, done](Outcome<Linear::FetchResult> outcome, const char* prefix) {
    try {
      const Linear::FetchResult& result = outcome.get();
      apply({result, stillListed(saved_.suppressed, result)});
      failed_ = false;
      statusLine_ = countLine(openIssues().size());
    } catch (...) {
      failed_ = true;
      statusLine_ = prefix + why(std::current_exception(), false);
    }
    if (done) done();
  };
  if (current == LinearMode::backend) {
    backend::BackendConnection& backend = backend_();
    std::string path = "api/linear/issues?force=" + std::string(force ? "1" : "0");
    if (!workspace().empty()) path += "&workspaceId=" + workspace();
    return backend.perform({"GET", path, "", GRAPHQL_TIMEOUT}, loop_.serialQueue(QUEUE),
                           [finish](Outcome<std::string> answer) {
                             Outcome<Linear::FetchResult> outcome{std::nullopt, answer.failure};
                             if (answer.ok()) {
                               try {
                                 outcome.value = decoded<Linear::FetchResult>(*answer.value);
                               } catch (...) {
                                 outcome.failure = std::current_exception();
                               }
                             }
                             finish(outcome, "Backend Linear : ");
                           });
  }
  const std::optional<client::Send> send = directSend();
  if (!send) {
    failed_ = true;
    statusLine_ = notConnectedLine();
    if (done) done();
    return;
  }
  offMainLoop<Linear::FetchResult>(
      loop_, [send = *send] { return client::assignedIssues(send); },
      [finish](Outcome<Linear::FetchResult> outcome) { finish(outcome, "Linear : "); });
}

void LinearAuthStore::complete(const std::string& issueID,
                               std::function<void(std::optional<Linear::Issue>)> done) {
  const auto finish = [this, issueID, done](Outcome<Linear::Issue> outcome, const char* prefix) {
    try {
      const Linear::Issue& issue = outcome.get();
      Saved next = saved_;
      next.suppressed.insert(issueID);
      next.suppressed.insert(issue.id);
      apply(std::move(next));
      failed_ = false;
      statusLine_ = issue.identifier + " terminé dans Linear.";
      done(issue);
    } catch (...) {
      failed_ = true;
      statusLine_ = prefix + why(std::current_exception(), true);
      done(std::nullopt);
    }
  };
  if (mode() == LinearMode::backend) {
    backend::BackendConnection& backend = backend_();
    const std::string ws = workspace();
    SerialQueue& queue = loop_.serialQueue(QUEUE);
    return backend.perform(
        {"GET", issuePath(issueID, ws), "", GRAPHQL_TIMEOUT}, queue,
        [&backend, &queue, issueID, ws, finish](Outcome<std::string> answer) {
          std::optional<Linear::WorkflowState> state;
          try {
            const Linear::Issue issue = decoded<Linear::Issue>(answer.get());
            state = client::completedState(issue.team && issue.team->states
                                               ? issue.team->states->nodes
                                               : std::vector<Linear::WorkflowState>{});
            if (!state) {
              throw LinearGraphQLError::graphQL("L'équipe de ce ticket n'a aucun état terminé.");
            }
          } catch (...) {
            return finish({std::nullopt, std::current_exception()}, "Backend Linear : ");
          }
          const Json body = {{"input", {{"stateId", state->id}}}, {"workspaceId", ws}};
          backend.perform({"PATCH", issuePath(issueID, ""), body.dump(), GRAPHQL_TIMEOUT}, queue,
                          [finish](Outcome<std::string> updated) {
                            Outcome<Linear::Issue> outcome{std::nullopt, updated.failure};
                            try {
                              if (updated.ok())
                                outcome.value = decoded<Linear::Issue>(*updated.value);
                            } catch (...) {
                              outcome.failure = std::current_exception();
                            }
                            finish(outcome, "Backend Linear : ");
                          });
        });
  }
  const std::optional<client::Send> send = directSend();
  if (!send) {
    return finish({std::nullopt, std::make_exception_ptr(std::runtime_error(notConnectedLine()))},
                  "");
  }
  offMainLoop<Linear::Issue>(
      loop_, [send = *send, issueID] { return completedIssue(send, issueID); },
      [finish](Outcome<Linear::Issue> outcome) { finish(outcome, "Linear : "); });
}

void LinearAuthStore::addComment(const std::string& issueID, const std::string& body,
                                 std::function<void(bool)> done) {
  const auto finish = [this, issueID, done](Outcome<bool> outcome, const char* prefix) {
    try {
      outcome.get();
      failed_ = false;
      statusLine_ = "Commentaire ajouté sur " + issueID + ".";
      done(true);
    } catch (...) {
      failed_ = true;
      statusLine_ = prefix + why(std::current_exception(), true);
      done(false);
    }
  };
  if (mode() == LinearMode::backend) {
    const Json payload = {{"body", body}, {"workspaceId", workspace()}};
    return backend_().perform(
        {"POST", issuePath(issueID, "") + "/comments", payload.dump(), GRAPHQL_TIMEOUT},
        loop_.serialQueue(QUEUE), [finish](Outcome<std::string> answer) {
          finish({answer.ok() ? std::optional(true) : std::nullopt, answer.failure},
                 "Backend Linear : ");
        });
  }
  const std::optional<client::Send> send = directSend();
  if (!send) {
    return finish({std::nullopt, std::make_exception_ptr(std::runtime_error(notConnectedLine()))},
                  "");
  }
  offMainLoop<bool>(
      loop_,
      [send = *send, issueID, body] {
        client::addComment(send, issueID, body);
        return true;
      },
      [finish](Outcome<bool> outcome) { finish(outcome, "Linear : "); });
}

}  // namespace talewick::linear
