#include "linear/linear_graphql.hpp"

#include <algorithm>
#include <array>
#include <set>

#include "support/text.hpp"

namespace talewick {

LinearGraphQLError::LinearGraphQLError(Kind kind, int status, std::string message)
    : std::runtime_error(message), kind_(kind), status_(status), message_(std::move(message)) {}

LinearGraphQLError LinearGraphQLError::http(int status) {
  return {Kind::http, status, "Linear a répondu HTTP " + std::to_string(status) + "."};
}

LinearGraphQLError LinearGraphQLError::graphQL(std::string message) {
  return {Kind::graphQL, 0, std::move(message)};
}

namespace LinearGraphQLClient {

namespace {

const std::string USER = "id name displayName email";
const std::string ISSUE_NODE = "id identifier title url priority updatedAt dueDate assignee { " +
                               USER + " } state { id name type }";
const std::string STATES = "states { nodes { id name type position } }";

// An issue with everything the detail view shows; `comments` and `members` say how many.
std::string fullIssue(int comments, int members) {
  return ISSUE_NODE + " description creator { " + USER +
         " } project { name } cycle { name } labels { nodes { id name color } } "
         "attachments(first: 10) { nodes { id title url } } comments(first: " +
         std::to_string(comments) +
         ") { nodes { id body createdAt user { name } } } team { id name " + STATES +
         " members(first: " + std::to_string(members) + ") { nodes { " + USER + " } } }";
}

template <class T>
T decodeAs(const Json& value, const char* what) {
  try {
    T decoded{};
    json_coding::decode(value, decoded);
    return decoded;
  } catch (const DecodeError& e) {
    throw LinearGraphQLError::graphQL(std::string("Linear a répondu ") + what +
                                      " illisible : " + e.path() + " " + e.reason());
  }
}

const Json& at(const Json& value, std::initializer_list<const char*> path) {
  static const Json null;
  const Json* current = &value;
  for (const char* key : path) {
    if (!current->is_object()) return null;
    const auto found = current->find(key);
    if (found == current->end()) return null;
    current = &*found;
  }
  return *current;
}

// A mutation's payload must say it succeeded.
const Json& confirmed(const Json& data, const char* root, const std::string& refusal) {
  const Json& payload = at(data, {root});
  const Json& success = at(payload, {"success"});
  if (!success.is_boolean() || !success.get<bool>()) throw LinearGraphQLError::graphQL(refusal);
  return payload;
}

}  // namespace

const std::string& issueTeamsDocument() {
  static const std::string document =
      "query TalewickLinearIssueTeams($teamFirst: Int!) { viewer { id name organization { "
      "teams(first: $teamFirst) { nodes { id name } } } } }";
  return document;
}

const std::string& teamOpenIssuesDocument() {
  // Completed and canceled issues are left at Linear: a team's history would be paged for
  // nothing. Done states of other types are told apart by isDone.
  static const std::string document =
      "query TalewickLinearTeamOpenIssues($teamID: String!, $issueFirst: Int!, $after: String) { "
      "team(id: $teamID) { issues(first: $issueFirst, after: $after, filter: { state: { type: { "
      "nin: [\"completed\", \"canceled\"] } } }) { nodes { " +
      ISSUE_NODE + " team { id name } } pageInfo { hasNextPage endCursor } } } }";
  return document;
}

const std::string& teamsDocument() {
  static const std::string document =
      "query TalewickLinearTeams { viewer { organization { teams(first: 10) { nodes { id key name "
      "members(first: 30) { nodes { " +
      USER + " } } " + STATES +
      " projects(first: 15) { nodes { id name } } labels(first: 20) { nodes { id name color } } } "
      "} } } }";
  return document;
}

const std::string& issueDetailDocument() {
  static const std::string document =
      "query TalewickLinearIssueDetail($id: String!) { issue(id: $id) { " + fullIssue(10, 50) +
      " } }";
  return document;
}

const std::string& updateAssigneeDocument() {
  static const std::string document =
      "mutation TalewickUpdateIssueAssignee($id: String!, $assigneeID: String) { issueUpdate(id: "
      "$id, input: { assigneeId: $assigneeID }) { success issue { " +
      fullIssue(5, 50) + " } } }";
  return document;
}

const std::string& updateStateDocument() {
  static const std::string document =
      "mutation TalewickUpdateIssueState($id: String!, $stateID: String!) { issueUpdate(id: $id, "
      "input: { stateId: $stateID }) { success issue { " +
      fullIssue(5, 50) + " } } }";
  return document;
}

const std::string& createCommentDocument() {
  static const std::string document =
      "mutation TalewickCreateComment($input: CommentCreateInput!) { commentCreate(input: $input) "
      "{ success } }";
  return document;
}

const std::string& archiveIssueDocument() {
  static const std::string document =
      "mutation TalewickArchiveIssue($id: String!) { issueArchive(id: $id) { success } }";
  return document;
}

Json requestBody(std::string_view document, Json variables) {
  Json body = Json::object();
  body["query"] = std::string(document);
  body["variables"] = variables.is_null() ? Json::object() : std::move(variables);
  return body;
}

Json envelopeOf(int status, std::string_view body) {
  if (status < 200 || status > 299) throw LinearGraphQLError::http(status);
  Json envelope = Json::parse(body, nullptr, false);
  if (!envelope.is_object()) {
    throw LinearGraphQLError::graphQL("Linear a répondu un document illisible.");
  }
  return envelope;
}

Json dataOf(const Json& envelope) {
  const Json& errors = at(envelope, {"errors"});
  if (errors.is_array() && !errors.empty()) {
    const Json& message = at(errors.front(), {"message"});
    throw LinearGraphQLError::graphQL(message.is_string() ? message.get<std::string>()
                                                          : "Linear a refusé la requête.");
  }
  const Json& data = at(envelope, {"data"});
  if (!data.is_object()) throw LinearGraphQLError::graphQL("Linear n'a renvoyé aucune donnée.");
  return data;
}

bool isDone(const Linear::Issue& issue) {
  if (!issue.state) return false;
  const std::string type = text::lower(issue.state->type);
  if (type == "completed" || type == "canceled") return true;
  static const std::set<std::string> doneNames = {"done",      "termine",  "terminé", "livre",
                                                  "livré",     "resolved", "closed",  "canceled",
                                                  "cancelled", "annule",   "annulé"};
  return doneNames.contains(text::lower(text::trim(issue.state->name)));
}

std::optional<std::string> nextCursor(const Json& pageInfo) {
  const Json& more = at(pageInfo, {"hasNextPage"});
  const Json& cursor = at(pageInfo, {"endCursor"});
  if (!more.is_boolean() || !more.get<bool>() || !cursor.is_string()) return std::nullopt;
  std::string next = cursor.get<std::string>();
  if (next.empty()) return std::nullopt;
  return next;
}

std::string writeErrorMessage(const LinearGraphQLError& error) {
  static constexpr std::string_view SCOPE_HINT =
      ". Reconnecte OAuth avec le scope write si nécessaire.";
  bool forScope = error.kind() == LinearGraphQLError::Kind::http &&
                  (error.status() == 401 || error.status() == 403);
  if (error.kind() == LinearGraphQLError::Kind::graphQL) {
    const std::string words = text::fold(error.message());
    for (const char* sign :
         {"scope", "permission", "forbidden", "not authorized", "unauthorized"}) {
      forScope = forScope || words.find(sign) != std::string::npos;
    }
  }
  if (!forScope) return error.message();
  std::string message = error.message();
  while (message.ends_with('.') || message.ends_with(' ')) message.pop_back();
  return message + std::string(SCOPE_HINT);
}

std::optional<Linear::WorkflowState> completedState(
    const std::vector<Linear::WorkflowState>& states) {
  std::optional<Linear::WorkflowState> first;
  for (const Linear::WorkflowState& state : states) {
    if (state.type != "completed") continue;
    if (!first || state.position.value_or(0) < first->position.value_or(0)) first = state;
  }
  return first;
}

std::vector<Linear::Issue> teamOpenIssues(const Send& send, const std::string& teamID) {
  std::vector<Linear::Issue> issues;
  std::optional<std::string> after;
  std::set<std::string> seen;
  for (int page = 0; page < MAX_ISSUE_PAGES; ++page) {
    Json variables = {{"teamID", teamID}, {"issueFirst", ISSUE_PAGE_SIZE}};
    variables["after"] = after ? Json(*after) : Json(nullptr);
    const Json data = dataOf(send(requestBody(teamOpenIssuesDocument(), std::move(variables))));
    const Json& connection = at(data, {"team", "issues"});
    if (!connection.is_object()) {
      throw LinearGraphQLError::graphQL("Linear ne connaît pas l'équipe " + teamID + ".");
    }
    for (const Json& node : at(connection, {"nodes"})) {
      // One malformed issue is left out rather than costing the others.
      try {
        Linear::Issue issue{};
        json_coding::decode(node, issue);
        issues.push_back(std::move(issue));
      } catch (const DecodeError&) {
      }
    }
    after = nextCursor(at(connection, {"pageInfo"}));
    // A cursor handed out twice would page forever.
    if (!after || !seen.insert(*after).second) break;
  }
  return issues;
}

Linear::FetchResult selectIssues(const std::optional<std::string>& viewerID,
                                 std::optional<std::string> viewerName,
                                 const std::vector<Linear::Issue>& teamIssues) {
  Linear::FetchResult result;
  result.viewerName = std::move(viewerName);
  std::set<std::string> listed;
  for (const Linear::Issue& issue : teamIssues) {
    if (!listed.insert(issue.id).second) continue;
    const bool mine = viewerID && issue.assignee && issue.assignee->id == *viewerID;
    if (mine && isDone(issue)) {
      if (result.recentDoneIssues.size() < RECENT_DONE_LIMIT) {
        result.recentDoneIssues.push_back(issue);
      }
    } else if (mine) {
      result.issues.push_back(issue);
    } else if (!isDone(issue) && result.teamIssues.size() < TEAM_ISSUE_LIMIT) {
      result.teamIssues.push_back(issue);
    }
  }
  return result;
}

Linear::FetchResult assignedIssues(const Send& send) {
  const Json data = dataOf(send(requestBody(issueTeamsDocument(), {{"teamFirst", TEAM_LIMIT}})));
  const Json& viewer = at(data, {"viewer"});
  const Json& id = at(viewer, {"id"});
  const Json& name = at(viewer, {"name"});
  std::vector<Linear::Issue> issues;
  for (const Json& team : at(viewer, {"organization", "teams", "nodes"})) {
    const Json& teamID = at(team, {"id"});
    if (!teamID.is_string()) continue;
    for (Linear::Issue& issue : teamOpenIssues(send, teamID.get<std::string>())) {
      issues.push_back(std::move(issue));
    }
  }
  return selectIssues(id.is_string() ? std::optional(id.get<std::string>()) : std::nullopt,
                      name.is_string() ? std::optional(name.get<std::string>()) : std::nullopt,
                      issues);
}

std::vector<Linear::TeamContext> teamContexts(const Send& send) {
  const Json data = dataOf(send(requestBody(teamsDocument(), Json::object())));
  std::vector<Linear::TeamContext> contexts;
  for (const Json& team : at(data, {"viewer", "organization", "teams", "nodes"})) {
    Json flat = Json::object();
    for (const char* key : {"id", "key", "name"}) flat[key] = at(team, {key});
    flat["members"] = at(team, {"members", "nodes"});
    flat["workflowStates"] = at(team, {"states", "nodes"});
    flat["projects"] = at(team, {"projects", "nodes"});
    flat["labels"] = at(team, {"labels", "nodes"});
    for (const char* list : {"members", "workflowStates", "projects", "labels"}) {
      if (flat[list].is_null()) flat[list] = Json::array();
    }
    contexts.push_back(decodeAs<Linear::TeamContext>(flat, "une équipe"));
  }
  return contexts;
}

Linear::Issue issueDetail(const Send& send, const std::string& issueID) {
  const Json data = dataOf(send(requestBody(issueDetailDocument(), {{"id", issueID}})));
  const Json& issue = at(data, {"issue"});
  if (issue.is_null()) throw LinearGraphQLError::graphQL("Ticket Linear introuvable.");
  return decodeAs<Linear::Issue>(issue, "un ticket");
}

Linear::Issue updateIssueAssignee(const Send& send, const std::string& issueID,
                                  const std::optional<std::string>& assigneeID) {
  const Json variables = {{"id", issueID},
                          {"assigneeID", assigneeID ? Json(*assigneeID) : Json(nullptr)}};
  const Json data = dataOf(send(requestBody(updateAssigneeDocument(), variables)));
  const Json& payload = confirmed(data, "issueUpdate", "Linear n'a pas confirmé la modification.");
  return decodeAs<Linear::Issue>(at(payload, {"issue"}), "un ticket");
}

Linear::Issue updateIssueState(const Send& send, const std::string& issueID,
                               const std::string& stateID) {
  const Json data =
      dataOf(send(requestBody(updateStateDocument(), {{"id", issueID}, {"stateID", stateID}})));
  const Json& payload = confirmed(data, "issueUpdate", "Linear n'a pas confirmé la modification.");
  return decodeAs<Linear::Issue>(at(payload, {"issue"}), "un ticket");
}

void addComment(const Send& send, const std::string& issueID, const std::string& body) {
  const Json variables = {{"input", {{"issueId", issueID}, {"body", body}}}};
  const Json data = dataOf(send(requestBody(createCommentDocument(), variables)));
  confirmed(data, "commentCreate", "Linear n'a pas confirmé le commentaire.");
}

void archiveIssue(const Send& send, const std::string& issueID) {
  const Json data = dataOf(send(requestBody(archiveIssueDocument(), {{"id", issueID}})));
  confirmed(data, "issueArchive", "Linear n'a pas confirmé l'archivage.");
}

}  // namespace LinearGraphQLClient
}  // namespace talewick
