// The metadata block Talewick writes into the notes of events it creates, to recognise them
// later: the real title behind an epic one, and the work item a time block was planned for.
//
//   <!-- TALEWICK-METADATA
//   kind=linear_time_block
//   block_id=…
//   TALEWICK-METADATA-END -->
//
// Values escape "\" as "\\" and a line feed as "\n". Readers return nullopt for missing markers,
// another kind or a missing required key; nothing here throws.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "text/calendar_linked_item.hpp"

namespace talewick {

struct LinearTimeBlockMetadata {
  std::string blockID, issueID, identifier;
  std::optional<std::string> url;
  bool operator==(const LinearTimeBlockMetadata&) const = default;
};

struct TodoistTimeBlockMetadata {
  std::string blockID, taskID, title;
  std::optional<std::string> url;
  bool operator==(const TodoistTimeBlockMetadata&) const = default;
};

struct CalendarDisplayTitleMetadata {
  std::string realTitle;
  bool eventTitleIsQuestName = false;
  bool operator==(const CalendarDisplayTitleMetadata&) const = default;
};

namespace TalewickEventMetadata {

inline constexpr std::string_view beginMarker = "<!-- TALEWICK-METADATA";
inline constexpr std::string_view endMarker = "TALEWICK-METADATA-END -->";

std::string linearTimeBlock(std::string_view blockID, std::string_view issueID,
                            std::string_view identifier, std::optional<std::string_view> url,
                            std::optional<std::string_view> title, bool eventTitleIsQuestName);
std::string todoistTimeBlock(std::string_view blockID, std::string_view taskID,
                             std::string_view title, std::optional<std::string_view> url,
                             bool eventTitleIsQuestName);
std::string externalTimeBlock(std::string_view provider, std::string_view itemID,
                              std::string_view title, std::optional<std::string_view> url,
                              bool eventTitleIsQuestName);

std::optional<LinearTimeBlockMetadata> linearTimeBlock(const std::optional<std::string>& notes);
std::optional<TodoistTimeBlockMetadata> todoistTimeBlock(const std::optional<std::string>& notes);
// The Linear block if there is one, else the Todoist block.
std::optional<CalendarLinkedItem> linkedItem(const std::optional<std::string>& notes);
std::optional<CalendarDisplayTitleMetadata> displayTitle(const std::optional<std::string>& notes);

// The key/value lines of the first complete block; nullopt when there is none.
std::optional<std::map<std::string, std::string>> metadataFields(
    const std::optional<std::string>& notes);

// The notes without any complete block, runs of three or more line feeds made two, trimmed.
std::string removingMetadataBlocks(std::string_view notes);

std::string escape(std::string_view value);
std::string unescape(std::string_view value);

}  // namespace TalewickEventMetadata
}  // namespace talewick
