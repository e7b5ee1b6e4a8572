#include "linear/linear_tickets.hpp"

#include "linear/linear_graphql.hpp"
#include "pipeline/task_threat.hpp"
#include "support/local_calendar.hpp"

namespace talewick::LinearTickets {

std::string itemID(const std::string& issueID) { return "linear:" + issueID; }

std::optional<Date> dueDay(const Linear::Issue& issue) {
  if (!issue.dueDate) return std::nullopt;
  const std::optional<iso8601::Parsed> parsed = iso8601::parse(*issue.dueDate);
  if (!parsed || parsed->offsetSeconds) return std::nullopt;
  return LocalCalendar::dateFrom(parsed->civil);
}

TrackerTicket ticket(const Linear::Issue& issue, Date now) {
  const int linearPriority = int(issue.priority.value_or(0));
  const int64_t priority = linearPriority >= 1 && linearPriority <= 4 ? 5 - linearPriority : 0;
  const std::optional<Date> due = dueDay(issue);
  std::optional<int64_t> dueEnd;
  if (due) dueEnd = int64_t(LocalCalendar::addingDays(*due, 1).unix()) - 1;
  const int64_t nowUnix = int64_t(now.unix());
  const int level = TaskThreat::level(priority, dueEnd, nowUnix);
  TrackerTicket t{itemID(issue.id),
                  issue.title,
                  due,
                  TaskThreat::urgent(dueEnd, nowUnix),
                  issue.state && issue.state->type == "started",
                  TaskThreat::xp(level),
                  TaskThreat::gold(level),
                  "linear",
                  issue.project ? issue.project->name : "",
                  {}};
  // A label is named by people and by its id in the shared campaigns: both find it.
  if (issue.labels) {
    for (const Linear::Label& label : issue.labels->nodes) {
      t.labels.push_back(label.name);
      t.labels.push_back(label.id);
    }
  }
  return t;
}

std::vector<TrackerTicket> trackerTickets(const std::vector<Linear::Issue>& issues,
                                          const std::set<std::string>& hidden,
                                          const std::set<std::string>& listed, Date now) {
  std::vector<TrackerTicket> out;
  std::set<std::string> seen;
  for (const Linear::Issue& issue : issues) {
    const std::string id = itemID(issue.id);
    if (LinearGraphQLClient::isDone(issue) || hidden.contains(id) || listed.contains(id)) continue;
    if (seen.insert(id).second) out.push_back(ticket(issue, now));
  }
  return out;
}

}  // namespace talewick::LinearTickets
