#include "linear/linear_graphql.hpp"

#include <gtest/gtest.h>

namespace talewick {
namespace {

using namespace LinearGraphQLClient;

Linear::Issue issueIn(const std::string& id, const std::string& stateName,
                      const std::string& stateType, const std::string& assignee = "me") {
  Linear::Issue issue;
  issue.id = id;
  issue.identifier = "ENG-" + id;
  issue.title = "Ticket " + id;
  issue.state = Linear::WorkflowState{"s-" + id, stateName, stateType, std::nullopt};
  if (!assignee.empty()) issue.assignee = Linear::User{assignee, {}, {}, {}};
  return issue;
}

TEST(LinearGraphQLClient, tellsDoneIssuesByStateTypeOrName) {
  const struct {
    const char* name;
    const char* type;
    bool done;
  } cases[] = {{"Livré", "started", true},     {"LIVRÉ", "started", true},
               {" Terminé ", "started", true}, {"Annule", "unstarted", true},
               {"Cancelled", "backlog", true}, {"Resolved", "started", true},
               {"Merged", "completed", true},  {"Abandon", "canceled", true},
               {"En revue", "started", false}, {"Livraison", "started", false},
               {"Todo", "unstarted", false}};
  for (const auto& each : cases) {
    EXPECT_EQ(isDone(issueIn("1", each.name, each.type)), each.done) << each.name;
  }
  Linear::Issue stateless = issueIn("2", "", "");
  stateless.state.reset();
  EXPECT_FALSE(isDone(stateless));
}

TEST(LinearGraphQLClient, decodesEnvelopesAndTheirErrors) {
  EXPECT_EQ(dataOf(envelopeOf(200, R"({"data":{"viewer":{"id":"u"}}})")),
            (Json{{"viewer", {{"id", "u"}}}}));
  const auto failure = [](int status, std::string_view body) -> LinearGraphQLError {
    try {
      dataOf(envelopeOf(status, body));
    } catch (const LinearGraphQLError& e) {
      return e;
    }
    ADD_FAILURE() << body;
    return LinearGraphQLError::graphQL("");
  };
  const LinearGraphQLError http = failure(401, R"({"errors":[{"message":"nope"}]})");
  EXPECT_EQ(http.kind(), LinearGraphQLError::Kind::http);
  EXPECT_EQ(http.status(), 401);
  // Data beside errors is an error all the same, with the first message.
  const LinearGraphQLError both = failure(
      200, R"({"data":{"issue":null},"errors":[{"message":"Entity not found"},{"message":"x"}]})");
  EXPECT_EQ(both.kind(), LinearGraphQLError::Kind::graphQL);
  EXPECT_EQ(both.message(), "Entity not found");
  EXPECT_EQ(failure(200, "<html>").message(), "Linear a répondu un document illisible.");
  EXPECT_EQ(failure(200, R"({"data":null})").message(), "Linear n'a renvoyé aucune donnée.");
}

TEST(LinearGraphQLClient, pagesWordsRefusalsAndFindsTheCompletedState) {
  EXPECT_EQ(nextCursor({{"hasNextPage", true}, {"endCursor", "c2"}}), "c2");
  EXPECT_EQ(nextCursor({{"hasNextPage", false}, {"endCursor", "c2"}}), std::nullopt);
  EXPECT_EQ(nextCursor({{"hasNextPage", true}, {"endCursor", nullptr}}), std::nullopt);

  EXPECT_EQ(writeErrorMessage(LinearGraphQLError::graphQL("Invalid scope: write required.")),
            "Invalid scope: write required. Reconnecte OAuth avec le scope write si nécessaire.");
  EXPECT_EQ(writeErrorMessage(LinearGraphQLError::http(403)),
            "Linear a répondu HTTP 403. Reconnecte OAuth avec le scope write si nécessaire.");
  EXPECT_EQ(writeErrorMessage(LinearGraphQLError::graphQL("Entity not found")), "Entity not found");

  const std::vector<Linear::WorkflowState> states = {{"a", "Todo", "unstarted", 0},
                                                     {"b", "Shipped", "completed", 3},
                                                     {"c", "Done", "completed", 2},
                                                     {"d", "Duplicate", "canceled", 1}};
  EXPECT_EQ(completedState(states)->id, "c");
  EXPECT_EQ(completedState({states[0]}), std::nullopt);
}

TEST(LinearGraphQLClient, readsTheViewersIssuesAcrossTeamsAndPages) {
  std::vector<Json> sent;
  const Send send = [&](const Json& body) -> Json {
    sent.push_back(body);
    const std::string query = body["query"];
    if (query.starts_with("query TalewickLinearIssueTeams")) {
      return {
          {"data",
           {{"viewer",
             {{"id", "me"},
              {"name", "Ada"},
              {"organization", {{"teams", {{"nodes", {{{"id", "t1"}, {"name", "Eng"}}}}}}}}}}}}};
    }
    const Json after = body["variables"]["after"];
    const int page = after.is_null() ? 1 : after == "c1" ? 2 : 3;
    Json nodes = Json::array();
    if (page == 1) {
      nodes.push_back(Json(issueIn("1", "Todo", "unstarted")));
      nodes.push_back(Json(issueIn("2", "Todo", "unstarted", "someone")));
      nodes.push_back({{"id", "broken"}});
    } else if (page == 2) {
      nodes.push_back(Json(issueIn("3", "Livré", "started")));
    } else {
      nodes.push_back(Json(issueIn("4", "In Progress", "started")));
    }
    return {{"data",
             {{"team",
               {{"issues",
                 {{"nodes", nodes},
                  {"pageInfo",
                   {{"hasNextPage", page < 3}, {"endCursor", "c" + std::to_string(page)}}}}}}}}}};
  };
  const Linear::FetchResult result = assignedIssues(send);

  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0]["variables"], (Json{{"teamFirst", 10}}));
  for (int page = 1; page <= 3; ++page) {
    const Json& variables = sent[page]["variables"];
    EXPECT_TRUE(sent[page]["query"].get<std::string>().starts_with(
        "query TalewickLinearTeamOpenIssues($teamID: String!, $issueFirst: Int!, $after: String)"));
    EXPECT_EQ(variables["teamID"], "t1");
    EXPECT_EQ(variables["issueFirst"], 50);
    EXPECT_EQ(variables["after"], page == 1 ? Json(nullptr) : Json("c" + std::to_string(page - 1)));
  }
  EXPECT_EQ(result.viewerName, "Ada");
  ASSERT_EQ(result.issues.size(), 2u);
  EXPECT_EQ(result.issues[0].id, "1");
  EXPECT_EQ(result.issues[1].id, "4");
  ASSERT_EQ(result.recentDoneIssues.size(), 1u);
  EXPECT_EQ(result.recentDoneIssues[0].id, "3");
  ASSERT_EQ(result.teamIssues.size(), 1u);
  EXPECT_EQ(result.teamIssues[0].id, "2");

  // The fetch result travels from the backend with the same records.
  EXPECT_EQ(decodeJsonText<Linear::FetchResult>(Json(result).dump()), result);
}

TEST(LinearGraphQLClient, sendsMutationsAndRequiresTheirSuccess) {
  Json answer = {{"data", {{"commentCreate", {{"success", true}}}}}};
  Json sentBody;
  const Send send = [&](const Json& body) {
    sentBody = body;
    return answer;
  };
  addComment(send, "i1", "Fait ✅");
  EXPECT_TRUE(sentBody["query"].get<std::string>().starts_with(
      "mutation TalewickCreateComment($input: CommentCreateInput!)"));
  EXPECT_EQ(sentBody["variables"], (Json{{"input", {{"issueId", "i1"}, {"body", "Fait ✅"}}}}));

  answer = {{"data", {{"commentCreate", {{"success", false}}}}}};
  EXPECT_THROW(
      {
        try {
          addComment(send, "i1", "x");
        } catch (const LinearGraphQLError& e) {
          EXPECT_TRUE(e.message().starts_with("Linear n'a pas confirmé le commentaire."));
          throw;
        }
      },
      LinearGraphQLError);

  answer = {
      {"data",
       {{"issueUpdate", {{"success", true}, {"issue", Json(issueIn("1", "Done", "completed"))}}}}}};
  EXPECT_TRUE(isDone(updateIssueState(send, "1", "s-done")));
  EXPECT_EQ(sentBody["variables"], (Json{{"id", "1"}, {"stateID", "s-done"}}));
  updateIssueAssignee(send, "1", std::nullopt);
  EXPECT_EQ(sentBody["variables"], (Json{{"id", "1"}, {"assigneeID", nullptr}}));
}

}  // namespace
}  // namespace talewick
