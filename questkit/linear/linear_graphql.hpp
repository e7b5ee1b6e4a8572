// Linear's public GraphQL API as both the program (a personal key or its own OAuth token) and the
// backend (the user's connected workspace) speak it: the documents, the request body, the
// envelope of every answer, which issues count as done, the paging of a team's issues and how a
// refused write is worded.
//
// The operations take the transport as a function from a request body to the answer's envelope,
// so that the selection and paging rules are written once: the program sends through its HTTP
// port, the backend through the user's provider session.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "linear/linear_records.hpp"

namespace talewick {

// Why a call of Linear's API gave no data: an HTTP status outside 200–299, or the first message
// of the envelope's "errors" (also when "data" came with them, and for an answer that is no
// envelope at all).
class LinearGraphQLError : public std::runtime_error {
 public:
  enum class Kind { http, graphQL };
  static LinearGraphQLError http(int status);
  static LinearGraphQLError graphQL(std::string message);

  Kind kind() const { return kind_; }
  int status() const { return status_; }  // http only
  const std::string& message() const { return message_; }

 private:
  LinearGraphQLError(Kind kind, int status, std::string message);
  Kind kind_;
  int status_;
  std::string message_;
};

namespace LinearGraphQLClient {

// Sends one request body to the endpoint and gives back the answer's JSON envelope; throws
// LinearGraphQLError (or the transport's own failure).
using Send = std::function<Json(const Json& body)>;

// Issues of one team read per request, and the most requests one team may take: a workspace
// larger than that shows its first 500 open issues.
inline constexpr int64_t ISSUE_PAGE_SIZE = 50;
inline constexpr int MAX_ISSUE_PAGES = 10;
// Teams read for the user's issues (the teams document reads 10 as well).
inline constexpr int64_t TEAM_LIMIT = 10;
// How many of the lists beside the user's open issues a fetch result keeps.
inline constexpr std::size_t RECENT_DONE_LIMIT = 20;
inline constexpr std::size_t TEAM_ISSUE_LIMIT = 50;

// The documents, each named by its operation.
const std::string& issueTeamsDocument();      // TalewickLinearIssueTeams
const std::string& teamOpenIssuesDocument();  // TalewickLinearTeamOpenIssues
const std::string& teamsDocument();           // TalewickLinearTeams
const std::string& issueDetailDocument();     // TalewickLinearIssueDetail
const std::string& updateAssigneeDocument();  // TalewickUpdateIssueAssignee
const std::string& updateStateDocument();     // TalewickUpdateIssueState
const std::string& createCommentDocument();   // TalewickCreateComment
const std::string& archiveIssueDocument();    // TalewickArchiveIssue

// {"query": document, "variables": variables}.
Json requestBody(std::string_view document, Json variables);

// The envelope of an HTTP answer: http(status) outside 200–299, graphQL for a body that is not a
// JSON object.
Json envelopeOf(int status, std::string_view body);
// The "data" of an envelope; graphQL(first message) when it carries errors, even beside data.
Json dataOf(const Json& envelope);

// Done: a state of type "completed" or "canceled", or a state whose name, lower-cased, says so
// ("done", "terminé", "livré", "resolved", "closed", "annulé"… with or without accents).
bool isDone(const Linear::Issue& issue);

// The cursor of the next page: the page's "endCursor" while "hasNextPage" is true.
std::optional<std::string> nextCursor(const Json& pageInfo);

// The message shown for a failed write: a refusal for want of the write scope (HTTP 401 or 403,
// or a GraphQL message about scope or permission) gets the hint to reconnect with it.
std::string writeErrorMessage(const LinearGraphQLError& error);

// The team's first state of type "completed" (lowest position; list order breaks ties).
std::optional<Linear::WorkflowState> completedState(
    const std::vector<Linear::WorkflowState>& states);

// The operations.
Linear::FetchResult assignedIssues(const Send& send);
std::vector<Linear::Issue> teamOpenIssues(const Send& send, const std::string& teamID);
std::vector<Linear::TeamContext> teamContexts(const Send& send);
Linear::Issue issueDetail(const Send& send, const std::string& issueID);
Linear::Issue updateIssueAssignee(const Send& send, const std::string& issueID,
                                  const std::optional<std::string>& assigneeID);
Linear::Issue updateIssueState(const Send& send, const std::string& issueID,
                               const std::string& stateID);
void addComment(const Send& send, const std::string& issueID, const std::string& body);
// Archives the issue: what deleting it from the game does, since Linear lets its users undo it.
void archiveIssue(const Send& send, const std::string& issueID);

// The fetch result of the user's (viewer's) issues among the open issues of their teams.
Linear::FetchResult selectIssues(const std::optional<std::string>& viewerID,
                                 std::optional<std::string> viewerName,
                                 const std::vector<Linear::Issue>& teamIssues);

}  // namespace LinearGraphQLClient
}  // namespace talewick
