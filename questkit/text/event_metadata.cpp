#include "text/event_metadata.hpp"

#include <vector>

#include "support/text.hpp"

namespace talewick::TalewickEventMetadata {
namespace {

class BlockWriter {
 public:
  explicit BlockWriter(std::string_view kind) {
    text_ = std::string(beginMarker) + "\nkind=" + std::string(kind) + "\n";
  }
  BlockWriter& line(std::string_view key, std::string_view value) {
    text_ += std::string(key) + "=" + escape(value) + "\n";
    return *this;
  }
  BlockWriter& lineIfGiven(std::string_view key, std::optional<std::string_view> value) {
    return value && !value->empty() ? line(key, *value) : *this;
  }
  BlockWriter& questNameRole(bool eventTitleIsQuestName) {
    return eventTitleIsQuestName ? line("event_title_role", "quest_name") : *this;
  }
  std::string finish() { return text_ + std::string(endMarker); }

 private:
  std::string text_;
};

const std::string* find(const std::map<std::string, std::string>& fields, const char* key) {
  auto it = fields.find(key);
  return it == fields.end() ? nullptr : &it->second;
}

std::optional<std::string> optionalField(const std::map<std::string, std::string>& fields,
                                         const char* key) {
  const std::string* value = find(fields, key);
  return value ? std::optional<std::string>(*value) : std::nullopt;
}

}  // namespace

std::string escape(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string unescape(std::string_view value) {
  std::string out;
  bool escaping = false;
  for (char c : value) {
    if (escaping) {
      out += c == 'n' ? '\n' : c;
      escaping = false;
    } else if (c == '\\') {
      escaping = true;
    } else {
      out += c;
    }
  }
  if (escaping) out += '\\';
  return out;
}

std::string linearTimeBlock(std::string_view blockID, std::string_view issueID,
                            std::string_view identifier, std::optional<std::string_view> url,
                            std::optional<std::string_view> title, bool eventTitleIsQuestName) {
  return BlockWriter("linear_time_block")
      .line("block_id", blockID)
      .line("linear_issue_id", issueID)
      .line("linear_identifier", identifier)
      .lineIfGiven("source_title", title)
      .questNameRole(eventTitleIsQuestName)
      .lineIfGiven("linear_url", url)
      .finish();
}

std::string todoistTimeBlock(std::string_view blockID, std::string_view taskID,
                             std::string_view title, std::optional<std::string_view> url,
                             bool eventTitleIsQuestName) {
  return BlockWriter("todoist_time_block")
      .line("block_id", blockID)
      .line("todoist_task_id", taskID)
      .line("todoist_title", title)
      .line("source_title", title)
      .questNameRole(eventTitleIsQuestName)
      .lineIfGiven("todoist_url", url)
      .finish();
}

std::string externalTimeBlock(std::string_view provider, std::string_view itemID,
                              std::string_view title, std::optional<std::string_view> url,
                              bool eventTitleIsQuestName) {
  return BlockWriter("external_time_block")
      .line("provider", provider)
      .line("item_id", itemID)
      .line("source_title", title)
      .questNameRole(eventTitleIsQuestName)
      .lineIfGiven("url", url)
      .finish();
}

std::optional<std::map<std::string, std::string>> metadataFields(
    const std::optional<std::string>& notes) {
  if (!notes) return std::nullopt;
  const size_t begin = notes->find(beginMarker);
  if (begin == std::string::npos) return std::nullopt;
  const size_t bodyStart = begin + beginMarker.size();
  const size_t end = notes->find(endMarker, bodyStart);
  if (end == std::string::npos) return std::nullopt;
  const std::string_view body = std::string_view(*notes).substr(bodyStart, end - bodyStart);
  std::map<std::string, std::string> fields;
  size_t pos = 0;
  while (pos <= body.size()) {
    const size_t lf = std::min(body.find('\n', pos), body.size());
    const std::string_view line = text::trim(body.substr(pos, lf - pos));
    pos = lf + 1;
    const size_t eq = line.find('=');
    if (line.empty() || eq == std::string_view::npos) continue;
    fields[std::string(line.substr(0, eq))] = unescape(line.substr(eq + 1));
  }
  return fields;
}

std::optional<LinearTimeBlockMetadata> linearTimeBlock(const std::optional<std::string>& notes) {
  auto fields = metadataFields(notes);
  if (!fields) return std::nullopt;
  const std::string* kind = find(*fields, "kind");
  const std::string* block = find(*fields, "block_id");
  const std::string* issue = find(*fields, "linear_issue_id");
  const std::string* identifier = find(*fields, "linear_identifier");
  if (!kind || *kind != "linear_time_block" || !block || !issue || !identifier) {
    return std::nullopt;
  }
  return LinearTimeBlockMetadata{*block, *issue, *identifier, optionalField(*fields, "linear_url")};
}

std::optional<TodoistTimeBlockMetadata> todoistTimeBlock(const std::optional<std::string>& notes) {
  auto fields = metadataFields(notes);
  if (!fields) return std::nullopt;
  const std::string* kind = find(*fields, "kind");
  const std::string* block = find(*fields, "block_id");
  const std::string* task = find(*fields, "todoist_task_id");
  const std::string* title = find(*fields, "todoist_title");
  if (!kind || *kind != "todoist_time_block" || !block || !task || !title) return std::nullopt;
  return TodoistTimeBlockMetadata{*block, *task, *title, optionalField(*fields, "todoist_url")};
}

std::optional<CalendarLinkedItem> linkedItem(const std::optional<std::string>& notes) {
  if (auto linear = linearTimeBlock(notes)) {
    return CalendarLinkedItem{
        LinearIssueLink{linear->blockID, linear->issueID, linear->identifier, linear->url}};
  }
  if (auto todoist = todoistTimeBlock(notes)) {
    return CalendarLinkedItem{
        TodoistTaskLink{todoist->blockID, todoist->taskID, todoist->title, todoist->url}};
  }
  return std::nullopt;
}

std::optional<CalendarDisplayTitleMetadata> displayTitle(const std::optional<std::string>& notes) {
  auto fields = metadataFields(notes);
  if (!fields) return std::nullopt;
  const std::string* real = nullptr;
  for (const char* key : {"source_title", "todoist_title", "linear_title"}) {
    if ((real = find(*fields, key))) break;
  }
  if (!real || real->empty()) return std::nullopt;
  const std::string* role = find(*fields, "event_title_role");
  return CalendarDisplayTitleMetadata{*real, role && *role == "quest_name"};
}

std::string removingMetadataBlocks(std::string_view notes) {
  std::string text(notes);
  for (;;) {
    const size_t begin = text.find(beginMarker);
    if (begin == std::string::npos) break;
    const size_t end = text.find(endMarker, begin + beginMarker.size());
    if (end == std::string::npos) break;
    text.erase(begin, end + endMarker.size() - begin);
  }
  std::string folded;
  folded.reserve(text.size());
  size_t run = 0;
  for (char c : text) {
    run = c == '\n' ? run + 1 : 0;
    if (run <= 2) folded += c;
  }
  return std::string(text::trim(folded));
}

}  // namespace talewick::TalewickEventMetadata
