// Linear's routes and its place in the pipeline through the whole server: two users, each with
// a workspace of their own at a stand-in of Linear's GraphQL endpoint.
#include "server/linear_routes.hpp"

#include <gtest/gtest.h>

#include "server/linear_fake_testing.hpp"
#include "server/route_testing.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::FakeProvider;
using testing::linearIssue;

const std::string kPng("\x89PNG\r\n\x1a\n\0\x01\x02", 11);

using Answer = testing::RouteAnswer;

class LinearRoutesTest : public ::testing::Test {
 protected:
  LinearRoutesTest() {
    linear_.workspaces["ada-token"] = {
        "ada", {linearIssue("a1", "ada"), linearIssue("a2", "ada"), linearIssue("a3", "lea")}};
    linear_.workspaces["bob-token"] = {"bob", {linearIssue("b1", "bob")}};
  }

  // A user whose Linear workspace `token` opens; the user's key.
  std::string connectedUser(const std::string& token) {
    const std::string name = token.substr(0, 3);
    return server_.connectedUser("linear", "workspace-" + name, token,
                                 {{"name", "Atelier " + name}});
  }
  Answer call(const std::string& key, const std::string& method, const std::string& path,
              const json& body = nullptr) {
    return server_.call(key, method, path, body);
  }

  testing::LinearStandIn linear_;
  FakeProvider fake_{linear_.routes()};
  // Linear's upload host: Ada's files, served to her token only.
  FakeProvider uploads_{[](httplib::Server& server) {
    server.Get(R"(/ada/(.+))", [](const httplib::Request& request, httplib::Response& res) {
      if (request.get_header_value("authorization") != "Bearer ada-token") {
        res.status = 401;
        return;
      }
      const std::string name = request.matches[1];
      if (name == "shot.png") res.set_content(kPng, "image/png");
      if (name == "page.html") res.set_content("<html></html>", "text/html");
      if (name == "huge.png") {
        res.set_content(std::string(LinearRoutes::MAX_IMAGE_BYTES + 1, 'x'), "image/png");
      }
    });
  }};
  testing::RouteServer server_{[this](Config& config) {
    config.providers["linear"].apiBaseURL = fake_.url();
    config.providers["linear"].uploadsBaseURL = uploads_.url();
  }};
  std::string ada_ = connectedUser("ada-token"), bob_ = connectedUser("bob-token"),
              carl_ = server_.registerUser().key;
};

TEST_F(LinearRoutesTest, listsTheUsersIssuesAndCompletesThemThroughThePipeline) {
  const Answer issues = call(ada_, "GET", "/api/linear/issues?workspaceId=workspace-ada");
  ASSERT_EQ(issues.status, 200) << issues.body;
  ASSERT_EQ(issues.body["issues"].size(), 2u);
  EXPECT_EQ(issues.body["issues"][0]["identifier"], "ENG-a1");
  EXPECT_EQ(issues.body["teamIssues"].size(), 1u);
  EXPECT_EQ(issues.body["viewerName"], "ada");
  EXPECT_EQ(issues.body["workspaceID"], "workspace-ada");
  EXPECT_EQ(issues.body["workspaceName"], "Atelier ada");
  // Kept: a second look calls nobody.
  const std::size_t calls = fake_.seen().size();
  EXPECT_EQ(call(ada_, "GET", "/api/linear/issues?workspaceId=workspace-ada").body, issues.body);
  EXPECT_EQ(fake_.seen().size(), calls);

  const Answer pipeline = call(ada_, "GET", "/api/integrations/pipeline?providers=linear");
  ASSERT_EQ(pipeline.status, 200);
  EXPECT_EQ(pipeline.body["errors"], json::array());
  ASSERT_EQ(pipeline.body["items"].size(), 2u);
  EXPECT_EQ(pipeline.body["items"][0]["id"], "linear:a1");
  EXPECT_EQ(pipeline.body["items"][0]["rpg"]["realm"], "tickets");
  EXPECT_EQ(call(ada_, "POST", "/api/integrations/items/linear:a1/complete").status, 200);
  EXPECT_EQ(fake_.seen().back().json()["variables"], (json{{"id", "a1"}, {"stateID", "s-done"}}));
  // Another user's issue is nobody's to complete.
  EXPECT_EQ(call(bob_, "POST", "/api/integrations/items/linear:a2/complete").status, 404);
}

TEST_F(LinearRoutesTest, readsUpdatesAndCommentsOneIssueWithTheCallersOwnToken) {
  const Answer detail = call(ada_, "GET", "/api/linear/issues/a2");
  ASSERT_EQ(detail.status, 200) << detail.body;
  EXPECT_EQ(detail.body["team"]["states"]["nodes"].size(), 3u);
  const Answer foreign = call(bob_, "GET", "/api/linear/issues/a2");
  EXPECT_EQ(foreign.status, 502);
  EXPECT_EQ(foreign.body["error"], "Linear : Entity not found");
  EXPECT_EQ(fake_.seen().back().authorization, "Bearer bob-token");

  const Answer moved =
      call(ada_, "PATCH", "/api/linear/issues/a2", {{"input", {{"stateId", "s-done"}}}});
  ASSERT_EQ(moved.status, 200) << moved.body;
  EXPECT_EQ(moved.body["state"]["type"], "completed");
  EXPECT_EQ(call(ada_, "PATCH", "/api/linear/issues/a2", {{"input", json::object()}}).status, 400);
  EXPECT_EQ(call(ada_, "POST", "/api/linear/issues/a2/comments", {{"body", "Relu"}}).status, 204);
  EXPECT_EQ(fake_.seen().back().json()["variables"],
            (json{{"input", {{"issueId", "a2"}, {"body", "Relu"}}}}));
}

TEST_F(LinearRoutesTest, passesOnImagesOfTheCallersWorkspaceOnlyFromLinearsUploadHost) {
  const std::string host = uploads_.url();
  struct Case {
    std::string key, url, workspace;
    int status;
    std::string error;  // part of the refusal's text
  };
  const std::vector<Case> cases = {
      {ada_, host + "/ada/page.html", "workspace-ada", 502, "pas renvoyé une image"},
      {ada_, host + "/ada/huge.png", "workspace-ada", 502, "plus de 10 Mo"},
      // Bob's own token cannot read Ada's file, even when he names Ada's workspace.
      {bob_, host + "/ada/shot.png", "", 502, "Linear a refusé l'accès"},
      {bob_, host + "/ada/shot.png", "workspace-ada", 502, "Linear a refusé l'accès"},
      {carl_, host + "/ada/shot.png", "", 409, "pas connecté"},
      // Anything but the upload host is refused before a request leaves.
      {ada_, "https://evil.example/ada/shot.png", "", 400, "seules les images"},
      {ada_, host + ".evil.example/ada/shot.png", "", 400, "seules les images"},
      {ada_, host + "@evil.example/ada/shot.png", "", 400, "seules les images"},
      {ada_, host, "", 400, "seules les images"},
      {ada_, host + "/ada/shot.png HTTP/1.1\r\nx-evil: 1", "", 400, "seules les images"},
      {ada_, "", "", 400, "seules les images"},
  };
  for (const Case& c : cases) {
    uploads_.clearSeen();
    const Answer refused =
        call(c.key, "GET",
             "/api/linear/image?url=" + httplib::detail::encode_query_param(c.url) +
                 "&workspaceId=" + c.workspace);
    EXPECT_EQ(refused.status, c.status) << c.url;
    EXPECT_NE(refused.body.value("error", "").find(c.error), std::string::npos) << refused.body;
    EXPECT_EQ(uploads_.seen().size(), c.status == 502 ? 1u : 0u) << c.url;
    for (const testing::SeenRequest& seen : uploads_.seen()) {
      EXPECT_EQ(seen.authorization, c.key == ada_ ? "Bearer ada-token" : "Bearer bob-token");
    }
  }

  const httplib::Result image =
      server_.client().Get("/api/linear/image?workspaceId=workspace-ada&url=" +
                               httplib::detail::encode_query_param(host + "/ada/shot.png"),
                           {{"authorization", "Bearer " + ada_}});
  ASSERT_TRUE(image);
  EXPECT_EQ(image->status, 200);
  EXPECT_EQ(image->body, kPng);
  EXPECT_EQ(image->get_header_value("content-type"), "image/png");
  EXPECT_EQ(image->get_header_value("x-content-type-options"), "nosniff");
}

}  // namespace
}  // namespace talewick::server
