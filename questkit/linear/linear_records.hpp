// What Linear's GraphQL API answers, as the program and the backend read it. The issue records
// keep the API's own shape ({"nodes": […]} around lists), so that the direct client decodes the
// API's data and the backend forwards it with the same records. A team context is flattened: it
// is the backend's answer to "api/linear/teams" and the program's picker, not the API's shape.
//
// Every field but the identifiers may be absent: Linear leaves out what a workspace does not use
// (no cycle, no due date), and a user who left the workspace has no e-mail.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/json.hpp"

namespace talewick::Linear {

// A GraphQL connection as selected here: its nodes only (paging is asked for apart).
template <class T>
struct Nodes {
  std::vector<T> nodes;
  bool operator==(const Nodes&) const = default;
};
template <class T>
void to_json(Json& j, const Nodes<T>& v) {
  j = Json::object();
  j["nodes"] = json_coding::encode(v.nodes);
}
template <class T>
void from_json(const Json& j, Nodes<T>& v) {
  json_coding::readFields(j, v, std::tuple{json_coding::Field{"nodes", &Nodes<T>::nodes}});
}

struct User {
  std::string id;
  std::optional<std::string> name, displayName, email;
  bool operator==(const User&) const = default;
};

struct WorkflowState {
  std::string id;
  std::string name;
  std::string type;  // "triage", "backlog", "unstarted", "started", "completed", "canceled"
  std::optional<double> position;
  bool operator==(const WorkflowState&) const = default;
};

struct Named {
  std::string name;
  bool operator==(const Named&) const = default;
};

struct Label {
  std::string id, name;
  std::optional<std::string> color;
  bool operator==(const Label&) const = default;
};

struct Attachment {
  std::string id;
  std::optional<std::string> title, url;
  bool operator==(const Attachment&) const = default;
};

struct Comment {
  std::string id, body;
  std::optional<std::string> createdAt;
  std::optional<Named> user;
  bool operator==(const Comment&) const = default;
};

// The issue's team: id and name in a list, with its states and members in an issue's detail.
struct IssueTeam {
  std::string id, name;
  std::optional<Nodes<WorkflowState>> states;
  std::optional<Nodes<User>> members;
  bool operator==(const IssueTeam&) const = default;
};

// An issue node of a list; its detail (the document of one issue, or a mutation's answer) fills
// the fields from `description` on.
struct Issue {
  std::string id;
  std::string identifier;  // the human key: "ENG-42"
  std::string title;
  std::optional<std::string> url;
  std::optional<double> priority;  // 0 none, 1 urgent … 4 low
  std::optional<std::string> updatedAt;
  std::optional<std::string> dueDate;  // "yyyy-MM-dd"
  std::optional<User> assignee;
  std::optional<WorkflowState> state;
  std::optional<IssueTeam> team;
  std::optional<std::string> description;
  std::optional<User> creator;
  std::optional<Named> project, cycle;
  std::optional<Nodes<Label>> labels;
  std::optional<Nodes<Attachment>> attachments;
  std::optional<Nodes<Comment>> comments;
  bool operator==(const Issue&) const = default;
};

struct Project {
  std::string id, name;
  bool operator==(const Project&) const = default;
};

struct TeamContext {
  std::string id, key, name;
  std::vector<User> members;
  std::vector<WorkflowState> workflowStates;
  std::vector<Project> projects;
  std::vector<Label> labels;
  bool operator==(const TeamContext&) const = default;
};

// The issues of the user's workspace: assigned and open, assigned and done under a state name
// the done rule reads (a "Livré" step of type started), and open in the user's teams for others.
struct FetchResult {
  std::optional<std::string> viewerName;
  std::vector<Issue> issues;
  std::vector<Issue> recentDoneIssues;
  std::vector<Issue> teamIssues;
  std::optional<std::string> workspaceID, workspaceName;
  bool operator==(const FetchResult&) const = default;
};

// A workspace connected through the backend (GET "api/linear/connections").
struct Workspace {
  std::string id;
  std::optional<std::string> name, viewerName, connectedAt;
  std::optional<bool> selected;
  bool operator==(const Workspace&) const = default;
};

void to_json(Json& j, const User& v);
void from_json(const Json& j, User& v);
void to_json(Json& j, const WorkflowState& v);
void from_json(const Json& j, WorkflowState& v);
void to_json(Json& j, const Named& v);
void from_json(const Json& j, Named& v);
void to_json(Json& j, const Label& v);
void from_json(const Json& j, Label& v);
void to_json(Json& j, const Attachment& v);
void from_json(const Json& j, Attachment& v);
void to_json(Json& j, const Comment& v);
void from_json(const Json& j, Comment& v);
void to_json(Json& j, const IssueTeam& v);
void from_json(const Json& j, IssueTeam& v);
void to_json(Json& j, const Issue& v);
void from_json(const Json& j, Issue& v);
void to_json(Json& j, const Project& v);
void from_json(const Json& j, Project& v);
void to_json(Json& j, const TeamContext& v);
void from_json(const Json& j, TeamContext& v);
void to_json(Json& j, const FetchResult& v);
void from_json(const Json& j, FetchResult& v);
void to_json(Json& j, const Workspace& v);
void from_json(const Json& j, Workspace& v);

}  // namespace talewick::Linear
