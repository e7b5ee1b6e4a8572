// The work item an event was planned for (a tracker issue or a to-do task), recovered from the
// event's metadata block.
#pragma once

#include <optional>
#include <string>
#include <variant>

#include "support/json.hpp"

namespace talewick {

struct LinearIssueLink {
  std::string blockID, issueID, identifier;
  std::optional<std::string> url;
  bool operator==(const LinearIssueLink&) const = default;
};

struct TodoistTaskLink {
  std::string blockID, taskID, title;
  std::optional<std::string> url;
  bool operator==(const TodoistTaskLink&) const = default;
};

// JSON: an object with exactly one key, "linearIssue" or "todoistTask", holding the link's fields
// ("url" left out when absent). Decoding anything else throws DecodeError.
struct CalendarLinkedItem {
  std::variant<LinearIssueLink, TodoistTaskLink> value;
  bool operator==(const CalendarLinkedItem&) const = default;
};

void to_json(Json& j, const CalendarLinkedItem& v);
void from_json(const Json& j, CalendarLinkedItem& v);

}  // namespace talewick
