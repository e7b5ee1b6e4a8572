// The Linear adapter against a stand-in of Linear's GraphQL endpoint (linear_fake_testing.hpp).
#include "server/linear_adapter.hpp"

#include <gtest/gtest.h>

#include "server/linear_fake_testing.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;
using testing::ConnectedUser;
using testing::FakeProvider;
using testing::linearIssue;

struct LinearAdapterTest : ::testing::Test {
  LinearAdapterTest() {
    // Seven open issues over three pages: the viewer's, a colleague's, and one "Livré" that
    // Linear counts as started.
    linear.workspaces["access-2"] = {
        "me",
        {linearIssue("1", "me"), linearIssue("2", "someone"), linearIssue("3", "me"),
         linearIssue("4", "me", "Livré", "started"), linearIssue("5", "someone"),
         linearIssue("6", "me", "In Progress", "started"), linearIssue("7", "someone")}};
  }
  testing::LinearStandIn linear;
  FakeProvider fake{linear.routes()};
  // The token expired a minute ago: the first call renews it.
  ConnectedUser user{"linear", fake, ConnectedUser::NOW - 60};
};

TEST_F(LinearAdapterTest, readsTheViewersOpenIssuesOverCursorPagesWithARenewedToken) {
  ProviderSession session = user.session();
  const std::vector<PipelineItem> items = LinearAdapter().openItems(session, {});
  EXPECT_EQ(fake.renewals, 1);

  std::vector<std::string> ids;
  for (const PipelineItem& item : items) ids.push_back(item.id());
  EXPECT_EQ(ids, (std::vector<std::string>{"linear:1", "linear:3", "linear:6"}));
  const PipelineItem& first = items[0];
  EXPECT_EQ(first.kind, "task");
  EXPECT_EQ(first.title, "Ticket 1");
  EXPECT_EQ(first.priority, 4);  // Linear's urgent
  EXPECT_EQ(first.teamName, "Eng");
  EXPECT_EQ(first.sectionName, "Todo");
  EXPECT_EQ(first.url, "https://linear.app/acme/issue/ENG-1");

  const std::vector<testing::SeenRequest> seen = fake.seen();
  ASSERT_EQ(seen.size(), 4u);  // the teams, then three pages
  for (const testing::SeenRequest& request : seen) {
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.authorization, "Bearer access-2");
  }
  EXPECT_TRUE(seen[0].json()["query"].get<std::string>().starts_with(
      "query TalewickLinearIssueTeams($teamFirst: Int!)"));
  EXPECT_EQ(seen[0].json()["variables"], (json{{"teamFirst", 10}}));
  EXPECT_EQ(seen[1].json()["variables"],
            (json{{"teamID", "t1"}, {"issueFirst", 50}, {"after", nullptr}}));
  EXPECT_EQ(seen[2].json()["variables"]["after"], "1");
  EXPECT_EQ(seen[3].json()["variables"]["after"], "2");
}

TEST_F(LinearAdapterTest, completesToTheFirstCompletedStateArchivesAndReportsErrors) {
  ProviderSession session = user.session();
  PipelineItem item;
  item.providerItemId = "3";
  LinearAdapter().complete(session, item);
  LinearAdapter().remove(session, item);
  const std::vector<testing::SeenRequest> seen = fake.seen();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].json()["variables"], (json{{"id", "3"}}));
  EXPECT_TRUE(seen[1].json()["query"].get<std::string>().starts_with(
      "mutation TalewickUpdateIssueState($id: String!, $stateID: String!)"));
  EXPECT_EQ(seen[1].json()["variables"], (json{{"id", "3"}, {"stateID", "s-done"}}));
  EXPECT_TRUE(
      seen[2].json()["query"].get<std::string>().starts_with("mutation TalewickArchiveIssue"));

  // An issue of another workspace is unknown, and an errors envelope is Linear's refusal.
  item.providerItemId = "elsewhere";
  EXPECT_THROW(LinearAdapter().complete(session, item), ProviderFailure);
  linear.errorsEnvelope = true;
  try {
    LinearAdapter().openItems(session, {});
    ADD_FAILURE();
  } catch (const ProviderFailure& e) {
    EXPECT_STREQ(e.what(), "Linear : Rate limited");
  }
}

}  // namespace
}  // namespace talewick::server
