// Linear's pure rules as `talewick rules` reaches them: which issues count as done, how an
// answer's envelope reads, the next page's cursor, the team's completed state and the words of a
// refused write, the OAuth challenge of a verifier and the token of a token answer. An issue and
// states are given as Linear's API writes them.
#include <array>
#include <string>
#include <vector>

#include "linear/linear_graphql.hpp"
#include "linear/linear_oauth.hpp"
#include "support/digest.hpp"
#include "ui/commands/rule_arguments.hpp"
#include "ui/commands/rule_table.hpp"

namespace talewick::ui {
namespace {

using namespace rule_arguments;

Json isDone(const Json& j) {
  return LinearGraphQLClient::isDone(required<Linear::Issue>(j, "issue"));
}

Json errorRecord(const LinearGraphQLError& e) {
  if (e.kind() == LinearGraphQLError::Kind::http) return {{"http", e.status()}};
  return {{"graphQL", e.message()}};
}

// {"status", "body"}: {"data"} or {"error": {"http": status} | {"graphQL": message}}.
Json decodeEnvelope(const Json& j) {
  try {
    return {{"data", LinearGraphQLClient::dataOf(LinearGraphQLClient::envelopeOf(
                         int(required<int64_t>(j, "status")), required<std::string>(j, "body")))}};
  } catch (const LinearGraphQLError& e) {
    return {{"error", errorRecord(e)}};
  }
}

Json nextCursor(const Json& j) {
  const auto pageInfo = j.find("pageInfo");
  if (pageInfo == j.end()) throw DecodeError("pageInfo", "missing");
  const std::optional<std::string> cursor = LinearGraphQLClient::nextCursor(*pageInfo);
  return cursor ? Json(*cursor) : Json(nullptr);
}

Json completedState(const Json& j) {
  const std::optional<Linear::WorkflowState> state = LinearGraphQLClient::completedState(
      required<std::vector<Linear::WorkflowState>>(j, "states"));
  return state ? Json(*state) : Json(nullptr);
}

// `error` as {"http": status} or {"graphQL": message}.
Json writeErrorMessage(const Json& j) {
  const auto error = j.find("error");
  if (error == j.end() || !error->is_object()) {
    throw DecodeError("error", "expected {\"http\": status} or {\"graphQL\": message}");
  }
  if (error->contains("http")) {
    return LinearGraphQLClient::writeErrorMessage(
        LinearGraphQLError::http(int(required<int64_t>(*error, "http"))));
  }
  return LinearGraphQLClient::writeErrorMessage(
      LinearGraphQLError::graphQL(required<std::string>(*error, "graphQL")));
}

Json codeChallenge(const Json& j) {
  return digest::pkceChallenge(required<std::string>(j, "verifier"));
}

// {"status", "body"}: {"token"} or {"error": message}.
Json accessToken(const Json& j) {
  try {
    return {{"token", LinearOAuth::accessToken(int(required<int64_t>(j, "status")),
                                               required<std::string>(j, "body"))}};
  } catch (const LinearOAuthError& e) {
    return {{"error", e.what()}};
  }
}

constexpr std::array kRules{
    Rule{"LinearGraphQLClient.isDone", isDone},
    Rule{"LinearGraphQLClient.decodeEnvelope", decodeEnvelope},
    Rule{"LinearGraphQLClient.nextCursor", nextCursor},
    Rule{"LinearGraphQLClient.completedState", completedState},
    Rule{"LinearGraphQLClient.writeErrorMessage", writeErrorMessage},
    Rule{"LinearOAuth.codeChallenge", codeChallenge},
    Rule{"LinearOAuth.accessToken", accessToken},
};

}  // namespace

std::span<const Rule> linearRules() { return kRules; }

}  // namespace talewick::ui
