// Linear issues read by the program itself (a personal key, its own OAuth token) as the kingdom's
// tracker tickets: the same records, ids and rewards as the tickets the backend's pipeline lists,
// so that one issue is one ticket whichever way it came.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "kingdom/kingdom_snapshot.hpp"
#include "linear/linear_records.hpp"
#include "support/date.hpp"

namespace talewick::LinearTickets {

// The pipeline's id of an issue: "linear:" + Linear's id.
std::string itemID(const std::string& issueID);

// The issue's due day as an instant: its local midnight; nullopt without one (or unreadable).
std::optional<Date> dueDay(const Linear::Issue& issue);

// The issue as a ticket: TaskThreat's reward for its priority (Linear's 1 urgent … 4 low) and due
// day (falling due at its end), with the deadlines when that is overdue or within 48 hours, in
// progress when its state is of type "started".
TrackerTicket ticket(const Linear::Issue& issue, Date now);

// The open issues as tickets: done ones (isDone), those of `hidden` (completed here) and those
// whose id is in `listed` (already brought by the pipeline) left out.
std::vector<TrackerTicket> trackerTickets(const std::vector<Linear::Issue>& issues,
                                          const std::set<std::string>& hidden,
                                          const std::set<std::string>& listed, Date now);

}  // namespace talewick::LinearTickets
