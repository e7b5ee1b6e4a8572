#include "linear/linear_tickets.hpp"

#include <gtest/gtest.h>

#include "support/local_calendar.hpp"

namespace talewick {
namespace {

Linear::Issue issue(const std::string& id, double priority, std::optional<std::string> due,
                    const std::string& stateType = "unstarted") {
  Linear::Issue made;
  made.id = id;
  made.identifier = "ENG-" + id;
  made.title = "Ticket " + id;
  made.priority = priority;
  made.dueDate = std::move(due);
  made.state = Linear::WorkflowState{"s", stateType == "started" ? "En cours" : "Todo", stateType,
                                     std::nullopt};
  return made;
}

TEST(LinearTickets, becomeThePipelinesTicketsOnceWithItsRewards) {
  LocalCalendar::setTimeZone("Europe/Paris");
  const Date now = decodeJsonText<Date>(R"("2026-12-07T12:00:00+01:00")");
  const std::vector<Linear::Issue> issues = {
      issue("1", 1, "2026-12-08", "started"),  // urgent, due tomorrow: 4 + 1 → high
      issue("2", 4, std::nullopt),             // low, no date: low
      issue("3", 0, "2026-12-01"),             // overdue: medium
      issue("4", 2, std::nullopt),             // brought by the pipeline already
      issue("5", 2, std::nullopt),             // completed here
      issue("1", 1, "2026-12-08"),             // listed twice by Linear
  };
  const std::vector<TrackerTicket> tickets =
      LinearTickets::trackerTickets(issues, {"linear:5"}, {"linear:4"}, now);
  ASSERT_EQ(tickets.size(), 3u);
  EXPECT_EQ(tickets[0], (TrackerTicket{"linear:1",
                                       "Ticket 1",
                                       decodeJsonText<Date>(R"("2026-12-08T00:00:00+01:00")"),
                                       true,
                                       true,
                                       50,
                                       25,
                                       "linear",
                                       "",
                                       {}}));
  EXPECT_EQ(
      tickets[1],
      (TrackerTicket{"linear:2", "Ticket 2", std::nullopt, false, false, 10, 5, "linear", "", {}}));
  EXPECT_EQ(tickets[2].xp, 25);
  EXPECT_TRUE(tickets[2].deadline);
  // A campaign finds an issue by its project, and by a label's name or id.
  Linear::Issue filed = issue("7", 2, std::nullopt);
  filed.project = Linear::Named{"Site"};
  filed.labels = Linear::Nodes<Linear::Label>{{{"l1", "bug", std::nullopt}}};
  const TrackerTicket t = LinearTickets::trackerTickets({filed}, {}, {}, now).at(0);
  EXPECT_EQ(t.project, "Site");
  EXPECT_EQ(t.labels, (std::vector<std::string>{"bug", "l1"}));
  // A day Linear writes otherwise is no due day.
  EXPECT_EQ(LinearTickets::dueDay(issue("6", 0, "bientôt")), std::nullopt);
}

}  // namespace
}  // namespace talewick
