#include "text/vault_tasks.hpp"

#include <unicode/utf8.h>

#include <array>
#include <charconv>
#include <unordered_map>

#include "support/day_keys.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"

namespace talewick {

using json_coding::Field;

static const auto kVaultTaskFields = std::tuple{Field{"text", &VaultTask::text},
                                                Field{"done", &VaultTask::done},
                                                Field{"due", &VaultTask::due},
                                                Field{"completed", &VaultTask::completed},
                                                Field{"recurrence", &VaultTask::recurrence},
                                                Field{"xp", &VaultTask::xp}};
TALEWICK_JSON_CODING(VaultTask, kVaultTaskFields)

void to_json(Json& j, const VaultSideQuest& v) {
  j = Json{{"id", v.id},
           {"title", v.title},
           {"due", json_coding::encode(v.due)},
           {"xp", v.xp},
           {"gold", v.gold},
           {"sourceRel", v.sourceRel},
           {"star", json_coding::encode(v.star)}};
}

namespace VaultTasks {
namespace {

constexpr std::string_view PRESENTATION_SELECTOR = "\xEF\xB8\x8F";
constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

enum class Role { due, completed, recurrence, xp, dropped };

struct Marker {
  std::string_view emoji;
  Role role;
};

constexpr std::array<Marker, 9> kMarkers{{{DUE_MARKER, Role::due},
                                          {COMPLETED_MARKER, Role::completed},
                                          {RECURRENCE_MARKER, Role::recurrence},
                                          {XP_MARKER, Role::xp},
                                          {"➕", Role::dropped},
                                          {"⏳", Role::dropped},
                                          {"🛫", Role::dropped},
                                          {"⏰", Role::dropped},
                                          {"❌", Role::dropped}}};

struct Found {
  Role role;
  size_t length;
};

// The next byte from `pos` that may begin a marker (every marker's first byte is 0xE2 or 0xF0),
// or npos: the rest of a line is passed over without a closer look.
size_t nextMarkerLead(std::string_view text, size_t pos) {
  for (; pos < text.size(); ++pos) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte == 0xE2 || byte == 0xF0) return pos;
  }
  return std::string_view::npos;
}

std::optional<Found> markerStartingAt(std::string_view text, size_t pos) {
  for (const Marker& m : kMarkers) {
    if (const size_t n = markerAt(text, pos, m.emoji)) return Found{m.role, n};
  }
  return std::nullopt;
}

// The record must encode as JSON whatever bytes the file held.
std::string validUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t valid = 0;  // start of the run of well-formed text not yet copied
  for (size_t i = 0; i < s.size();) {
    const size_t start = i;
    UChar32 cp;
    U8_NEXT(s.data(), i, s.size(), cp);
    if (cp < 0) {
      out.append(s.substr(valid, start - valid));
      out += "\uFFFD";
      valid = i;
    }
  }
  out.append(s.substr(valid));
  return out;
}

std::optional<Date> readDate(std::string_view value) {
  const std::optional<int64_t> day = DayKeys::dayNumber(value);
  if (!day) return std::nullopt;
  const CivilFields c = civilFromUnix(static_cast<double>(*day) * 86400.0, 0);
  return LocalCalendar::dateFrom(CivilTime{c.year, c.month, c.day, 0, 0, 0});
}

std::optional<int64_t> readInteger(std::string_view value) {
  int64_t n = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
  if (error != std::errc() || end != value.data() + value.size()) return std::nullopt;
  return n;
}

void take(VaultTask& task, Role role, std::string_view rawValue) {
  const std::string_view value = text::trim(rawValue);
  switch (role) {
    case Role::due:
      if (!task.due) task.due = readDate(value);
      break;
    case Role::completed:
      if (!task.completed) task.completed = readDate(value);
      break;
    case Role::recurrence:
      if (!task.recurrence && !value.empty()) task.recurrence = validUtf8(value);
      break;
    case Role::xp:
      if (!task.xp) task.xp = readInteger(value);
      break;
    case Role::dropped:
      break;
  }
}

bool isIndent(char c) { return c == ' ' || c == '\t'; }

// FNV-1a, 64 bits: names only need to stay apart within one user's folder.
uint64_t fnv1a64(uint64_t h, std::string_view bytes) {
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ULL;
  }
  return h;
}

}  // namespace

size_t markerAt(std::string_view text, size_t pos, std::string_view marker) {
  if (text.substr(pos, marker.size()) != marker) return 0;
  const bool selected =
      text.substr(pos + marker.size(), PRESENTATION_SELECTOR.size()) == PRESENTATION_SELECTOR;
  return marker.size() + (selected ? PRESENTATION_SELECTOR.size() : 0);
}

std::optional<CheckBox> checkBox(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && isIndent(line[i])) ++i;
  if (line.size() - i < 5) return std::nullopt;  // "- [ ]" at the least
  if (line[i] != '-' && line[i] != '*' && line[i] != '+') return std::nullopt;
  if (line[i + 1] != ' ' || line[i + 2] != '[') return std::nullopt;
  const size_t stateBegin = i + 3;
  size_t stateEnd = stateBegin;
  UChar32 cp;
  U8_NEXT(line.data(), stateEnd, line.size(), cp);  // one character, whatever its bytes
  if (stateEnd >= line.size() || line[stateEnd] != ']') return std::nullopt;
  return CheckBox{stateBegin, stateEnd + 1, cp == 'x' || cp == 'X'};
}

std::optional<VaultTask> parse(std::string_view line) {
  const std::optional<CheckBox> box = checkBox(line);
  if (!box) return std::nullopt;
  const std::string_view body = line.substr(box->bodyBegin);
  VaultTask task;
  task.done = box->done;
  std::optional<size_t> textEnd;
  std::optional<Role> open;  // the marker whose value is being read
  size_t valueBegin = 0;
  const auto close = [&](size_t end) {
    if (open) {
      take(task, *open, body.substr(valueBegin, end - valueBegin));
    } else {
      textEnd = end;
    }
  };
  for (size_t i = nextMarkerLead(body, 0); i != std::string_view::npos;
       i = nextMarkerLead(body, i)) {
    if (const std::optional<Found> m = markerStartingAt(body, i)) {
      close(i);
      open = m->role;
      i += m->length;
      valueBegin = i;
    } else {
      ++i;
    }
  }
  close(body.size());
  task.text = validUtf8(text::trim(body.substr(0, *textEnd)));
  return task;
}

std::vector<std::string_view> lines(std::string_view contents) {
  std::vector<std::string_view> out;
  size_t start = contents.starts_with(BYTE_ORDER_MARK) ? BYTE_ORDER_MARK.size() : 0;
  while (start < contents.size()) {
    const size_t feed = contents.find('\n', start);
    size_t end = feed == std::string_view::npos ? contents.size() : feed;
    if (end > start && contents[end - 1] == '\r') --end;
    out.push_back(contents.substr(start, end - start));
    if (feed == std::string_view::npos) break;
    start = feed + 1;
  }
  return out;
}

std::vector<VaultTask> parseFile(std::string_view contents) {
  std::vector<VaultTask> tasks;
  for (const std::string_view line : lines(contents)) {
    if (auto task = parse(line)) tasks.push_back(std::move(*task));
  }
  return tasks;
}

std::vector<FileTask> tasksOfFile(std::string_view contents, std::string_view sourceRel) {
  std::vector<FileTask> tasks;
  std::unordered_map<std::string_view, int64_t> seen;  // trimmed task line → lines so far
  const std::vector<std::string_view> all = lines(contents);
  for (size_t index = 0; index < all.size(); ++index) {
    std::optional<VaultTask> task = parse(all[index]);
    if (!task) continue;
    const int64_t repeat = seen[text::trim(all[index])]++;
    tasks.push_back(FileTask{std::move(*task), static_cast<int64_t>(index),
                             taskID(sourceRel, all[index], repeat)});
  }
  return tasks;
}

std::string taskID(std::string_view sourceRel, std::string_view line, int64_t repeat) {
  uint64_t h = 14695981039346656037ULL;
  h = fnv1a64(h, sourceRel);
  h = fnv1a64(h, std::string_view("\0", 1));
  h = fnv1a64(h, text::trim(line));
  h = fnv1a64(h, std::string_view("\0", 1));
  h = fnv1a64(h, std::to_string(repeat));
  std::string id = "vault_";
  for (int shift = 60; shift >= 0; shift -= 4) id += "0123456789abcdef"[(h >> shift) & 0xF];
  return id;
}

bool isRemainingToday(const VaultTask& task, Date today) {
  return !task.done && (!task.due || LocalCalendar::startOfDay(*task.due) <= today);
}

SideQuests::Reward reward(const VaultTask& task) {
  if (task.xp && *task.xp >= 1) return {*task.xp, *task.xp == 1 ? 1 : *task.xp / 2};
  return {15, 8};
}

}  // namespace VaultTasks
}  // namespace talewick
