// Linear's GraphQL endpoint as a stand-in for the server's tests, written from Linear's API
// documentation: one POST endpoint, the operation told by the document's name, {"data"} or
// {"errors": [{"message"}]} envelopes, cursor pages. The bearer token says whose workspace it is:
// each token's viewer has the team "t1", whose open issues come in three pages of the issues
// `issuesOf` gives; an issue id of another workspace is "Entity not found".
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "server/provider_fake_testing.hpp"

namespace talewick::server::testing {

inline nlohmann::json linearIssue(const std::string& id, const std::string& assignee,
                                  const std::string& stateName = "Todo",
                                  const std::string& stateType = "unstarted") {
  return {{"id", id},
          {"identifier", "ENG-" + id},
          {"title", "Ticket " + id},
          {"url", "https://linear.app/acme/issue/ENG-" + id},
          {"priority", 1},
          {"updatedAt", "2026-12-06T10:00:00.000Z"},
          {"dueDate", nullptr},
          {"assignee", {{"id", assignee}, {"name", assignee}, {"displayName", assignee}}},
          {"state", {{"id", "s-" + id}, {"name", stateName}, {"type", stateType}}},
          {"team", {{"id", "t1"}, {"name", "Eng"}}}};
}

struct LinearStandIn {
  // Each token's workspace: its viewer id and the open issues of its team, in page order.
  std::map<std::string, std::pair<std::string, std::vector<nlohmann::json>>> workspaces;
  std::atomic<bool> errorsEnvelope{false};

  FakeProvider::Routes routes() {
    return [this](httplib::Server& server) {
      server.Post("/", [this](const httplib::Request& request, httplib::Response& res) {
        answerJson(res, answer(request));
      });
    };
  }

  nlohmann::json answer(const httplib::Request& request) {
    using nlohmann::json;
    const std::string authorization = request.get_header_value("authorization");
    const auto found = workspaces.find(authorization.substr(std::string("Bearer ").size()));
    const json body = json::parse(request.body, nullptr, false);
    if (found == workspaces.end() || !body.is_object()) {
      return {{"errors", {{{"message", "Authentication required"}}}}};
    }
    if (errorsEnvelope) return {{"data", nullptr}, {"errors", {{{"message", "Rate limited"}}}}};
    const auto& [viewer, issues] = found->second;
    const std::string query = body.value("query", "");
    const json& variables = body["variables"];
    const auto names = [&](const char* name) {
      return query.find(std::string(" ") + name + "(") != std::string::npos ||
             query.find(std::string(" ") + name + " {") != std::string::npos;
    };
    if (names("TalewickLinearIssueTeams")) {
      return {
          {"data",
           {{"viewer",
             {{"id", viewer},
              {"name", viewer},
              {"organization", {{"teams", {{"nodes", {{{"id", "t1"}, {"name", "Eng"}}}}}}}}}}}}};
    }
    if (names("TalewickLinearTeamOpenIssues")) {
      const int page =
          variables["after"].is_null() ? 0 : std::stoi(variables["after"].get<std::string>());
      json nodes = json::array();
      for (std::size_t i = 0; i < issues.size(); ++i) {
        if (int(i * 3 / issues.size()) == page) nodes.push_back(issues[i]);
      }
      return {{"data",
               {{"team",
                 {{"issues",
                   {{"nodes", nodes},
                    {"pageInfo",
                     {{"hasNextPage", page < 2}, {"endCursor", std::to_string(page + 1)}}}}}}}}}};
    }
    const std::string id = variables.contains("input") ? variables["input"].value("issueId", "")
                                                       : variables.value("id", "");
    json issue;
    for (const json& each : issues) {
      if (each["id"] == id) issue = each;
    }
    if (issue.is_null())
      return {{"data", nullptr}, {"errors", {{{"message", "Entity not found"}}}}};
    issue["team"]["states"] = {
        {"nodes",
         {{{"id", "s-todo"}, {"name", "Todo"}, {"type", "unstarted"}, {"position", 0}},
          {{"id", "s-shipped"}, {"name", "Shipped"}, {"type", "completed"}, {"position", 4}},
          {{"id", "s-done"}, {"name", "Done"}, {"type", "completed"}, {"position", 3}}}}};
    if (names("TalewickLinearIssueDetail")) return {{"data", {{"issue", issue}}}};
    if (names("TalewickUpdateIssueState")) {
      issue["state"] = {{"id", variables["stateID"]}, {"name", "Done"}, {"type", "completed"}};
      return {{"data", {{"issueUpdate", {{"success", true}, {"issue", issue}}}}}};
    }
    if (names("TalewickCreateComment")) return {{"data", {{"commentCreate", {{"success", true}}}}}};
    if (names("TalewickArchiveIssue")) return {{"data", {{"issueArchive", {{"success", true}}}}}};
    return {{"errors", {{{"message", "Unknown operation"}}}}};
  }
};

}  // namespace talewick::server::testing
