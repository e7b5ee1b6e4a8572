#include "platform/vdir/reminders_store.hpp"

#include <libical/ical.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "platform/atomic_file.hpp"
#include "platform/ics/lines.hpp"
#include "platform/ics/times.hpp"
#include "platform/vdir/folder.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick {
namespace {

namespace fs = std::filesystem;

struct IcalFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using IcalPtr = std::unique_ptr<icalcomponent, IcalFree>;

// The calendar held by `text`; null when libical cannot make one VCALENDAR of it (garbage, a
// file cut short, several calendars glued together).
IcalPtr parseCalendar(const std::string& text) {
  IcalPtr root(icalparser_parse_string(text.c_str()));
  if (root && icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT) root.reset();
  return root;
}

std::string listTitle(const fs::path& folder) {
  if (auto name = files::read(folder / "displayname")) {
    std::string title(text::trim(*name));
    if (!title.empty()) return title;
  }
  return folder.filename().string();
}

// A DATE is the local midnight of that day; a DATE-TIME in UTC or with a known TZID is that
// instant (read as calendar events are); a floating DATE-TIME, or one whose TZID nobody knows, is
// read on the local clock.
std::optional<Date> instantOf(const icaltimetype& t) {
  if (icaltime_is_null_time(t) || !icaltime_is_valid_time(t)) return std::nullopt;
  const ics::Clock clock = t.is_date ? ics::Clock::date
                           : t.zone  ? ics::Clock::zoned
                                     : ics::Clock::floating;
  // libical hands out the zone it resolved as const, and takes zones it only reads as non-const.
  return ics::instantOf(t, clock, const_cast<icaltimezone*>(t.zone));
}

std::optional<ReminderDate> dateProperty(icalcomponent* todo, icalproperty_kind kind) {
  icalproperty* p = icalcomponent_get_first_property(todo, kind);
  if (!p) return std::nullopt;
  // Resolves TZID against the file's VTIMEZONE components, then libical's own zone table.
  const icaltimetype t = icalproperty_get_datetime_with_component(p, todo);
  const auto date = instantOf(t);
  if (!date) return std::nullopt;
  return ReminderDate{*date, !t.is_date};
}

std::optional<Date> instantProperty(icalcomponent* todo, icalproperty_kind kind) {
  const auto date = dateProperty(todo, kind);
  return date ? std::optional<Date>(date->date) : std::nullopt;
}

std::optional<std::string> textProperty(icalcomponent* todo, icalproperty_kind kind,
                                        const char* (*get)(const icalproperty*)) {
  icalproperty* p = icalcomponent_get_first_property(todo, kind);
  if (!p) return std::nullopt;
  const char* value = get(p);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

bool isMaster(icalcomponent* todo) {
  return icalcomponent_get_first_property(todo, ICAL_RECURRENCEID_PROPERTY) == nullptr;
}

bool isOpen(icalcomponent* todo) {
  if (icalproperty* status = icalcomponent_get_first_property(todo, ICAL_STATUS_PROPERTY)) {
    const icalproperty_status s = icalproperty_get_status(status);
    if (s == ICAL_STATUS_COMPLETED || s == ICAL_STATUS_CANCELLED) return false;
  }
  return icalcomponent_get_first_property(todo, ICAL_COMPLETED_PROPERTY) == nullptr;
}

std::string uidOf(icalcomponent* todo) {
  const char* uid = icalcomponent_get_uid(todo);
  return uid ? uid : "";
}

ReminderItem reminderItem(icalcomponent* todo, const std::string& list) {
  ReminderItem item;
  item.identifier = uidOf(todo);
  item.title = textProperty(todo, ICAL_SUMMARY_PROPERTY, icalproperty_get_summary);
  item.start = dateProperty(todo, ICAL_DTSTART_PROPERTY);
  item.due = dateProperty(todo, ICAL_DUE_PROPERTY);
  if (icalproperty* p = icalcomponent_get_first_property(todo, ICAL_PRIORITY_PROPERTY)) {
    item.priority = icalproperty_get_priority(p);
  }
  item.location = textProperty(todo, ICAL_LOCATION_PROPERTY, icalproperty_get_location);
  item.notes = textProperty(todo, ICAL_DESCRIPTION_PROPERTY, icalproperty_get_description);
  item.url = textProperty(todo, ICAL_URL_PROPERTY, icalproperty_get_url);
  item.listTitle = list;
  item.alarmCount = icalcomponent_count_components(todo, ICAL_VALARM_COMPONENT);
  item.recurrenceRuleCount = icalcomponent_count_properties(todo, ICAL_RRULE_PROPERTY);
  item.createdAt = instantProperty(todo, ICAL_CREATED_PROPERTY);
  item.modifiedAt = instantProperty(todo, ICAL_LASTMODIFIED_PROPERTY);
  return item;
}

// The master VTODO of `uid` in a parsed calendar, or null.
icalcomponent* findMaster(icalcomponent* calendar, const std::string& uid) {
  for (icalcomponent* todo = icalcomponent_get_first_component(calendar, ICAL_VTODO_COMPONENT);
       todo; todo = icalcomponent_get_next_component(calendar, ICAL_VTODO_COMPONENT)) {
    if (isMaster(todo) && uidOf(todo) == uid) return todo;
  }
  return nullptr;
}

// --- Completing by editing the text ---
//
// Completion rewrites five properties and nothing else. Serialising libical's tree would redo
// every line (it drops unknown parameters, re-escapes X- values, splits CATEGORIES), so the file
// is edited as content lines (platform/ics/lines.hpp): the other lines keep their bytes, folding
// and line ends.

struct TodoBlock {
  size_t begin = 0, end = 0;         // content lines BEGIN:VTODO and END:VTODO
  std::optional<size_t> firstChild;  // the first nested BEGIN (a VALARM), if any
  std::vector<size_t> properties;    // the VTODO's own property lines
  std::string uid;
  bool recurrenceId = false;
};

std::vector<TodoBlock> todoBlocks(const std::vector<ics::Line>& lines) {
  std::vector<TodoBlock> blocks;
  std::optional<TodoBlock> open;
  size_t depth = 0, openDepth = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string name = ics::nameOf(lines[i].text);
    const bool atOwnLevel = open && depth == openDepth;
    if (name == "BEGIN") {
      if (atOwnLevel && !open->firstChild) open->firstChild = i;
      ++depth;
      if (!open && ics::upper(ics::valueOf(lines[i].text)) == "VTODO") {
        open.emplace();
        open->begin = i;
        openDepth = depth;
      }
    } else if (name == "END") {
      if (atOwnLevel) {
        open->end = i;
        blocks.push_back(std::move(*open));
        open.reset();
      }
      if (depth > 0) --depth;
    } else if (atOwnLevel) {
      open->properties.push_back(i);
      if (name == "UID") open->uid = ics::unescapeText(ics::valueOf(lines[i].text));
      if (name == "RECURRENCE-ID") open->recurrenceId = true;
    }
  }
  return blocks;
}

// The text with the master VTODO of `uid` marked completed at `now`; nullopt when the text holds
// no such VTODO. A property already there is replaced where it stands (its repeats dropped); a
// missing one goes after the VTODO's last own property, before any VALARM.
std::optional<std::string> markCompleted(const std::string& text, const std::string& uid,
                                         Date now) {
  const auto lines = ics::unfold(text, ics::BlankLines::keep);
  const auto blocks = todoBlocks(lines);
  const auto block = std::find_if(blocks.begin(), blocks.end(), [&](const TodoBlock& b) {
    return b.uid == uid && !b.recurrenceId;
  });
  if (block == blocks.end()) return std::nullopt;

  const std::string stamp = ics::utcStamp(now);
  const std::array<std::pair<std::string, std::string>, 5> updates{{
      {"STATUS", "STATUS:COMPLETED"},
      {"COMPLETED", "COMPLETED:" + stamp},
      {"PERCENT-COMPLETE", "PERCENT-COMPLETE:100"},
      {"LAST-MODIFIED", "LAST-MODIFIED:" + stamp},
      {"DTSTAMP", "DTSTAMP:" + stamp},
  }};
  std::map<size_t, std::optional<std::string>> replaced;  // nullopt: the line goes
  std::vector<std::string> inserted;
  for (const auto& [name, line] : updates) {
    bool placed = false;
    for (size_t index : block->properties) {
      if (ics::nameOf(lines[index].text) != name) continue;
      replaced[index] = placed ? std::nullopt : std::optional<std::string>(line);
      placed = true;
    }
    if (!placed) inserted.push_back(line);
  }

  const std::string eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
  const size_t insertAt = block->firstChild.value_or(block->end);
  std::string out;
  out.reserve(text.size() + 160);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i == insertAt) {
      for (const std::string& line : inserted) out += line + eol;
    }
    if (auto it = replaced.find(i); it != replaced.end()) {
      if (it->second) out += *it->second + eol;
      continue;
    }
    out += lines[i].raw;
  }
  return out;
}

}  // namespace

VdirRemindersStore::VdirRemindersStore(std::filesystem::path root, bool disabled)
    : root_(std::move(root)), disabled_(disabled) {}

bool VdirRemindersStore::hasFullAccess() {
  if (disabled_) return false;
  std::error_code ec;
  return fs::is_directory(root_, ec) && ::access(root_.c_str(), R_OK | X_OK) == 0;
}

bool VdirRemindersStore::requestAccess() { return hasFullAccess(); }

void VdirRemindersStore::warnOnce(const fs::path& file, const std::string& message) {
  std::error_code ec;
  std::string key = file.string();
  const auto size = fs::file_size(file, ec);
  if (!ec) key.append("|").append(std::to_string(size));
  const auto time = fs::last_write_time(file, ec);
  if (!ec) key.append("|").append(std::to_string(time.time_since_epoch().count()));
  if (!warned_.insert(key).second) return;
  std::cerr << "talewick: " << text::terminalSafe(message) << '\n';
}

std::vector<ReminderItem> VdirRemindersStore::incompleteReminders() {
  std::vector<ReminderItem> items;
  if (disabled_) return items;
  for (const std::string& name : vdir::subfolders(root_)) {
    const fs::path list = root_ / name;
    const std::string title = listTitle(list);
    for (const fs::path& file : vdir::files(list, ".ics")) {
      const auto text = files::read(file);
      IcalPtr calendar = text ? parseCalendar(*text) : nullptr;
      if (!calendar) {
        warnOnce(file, Loc::format(
                           Loc::string("reminders.unreadableFile", "rappel illisible, ignoré : %@"),
                           {file.string()}));
        continue;
      }
      for (icalcomponent* todo =
               icalcomponent_get_first_component(calendar.get(), ICAL_VTODO_COMPONENT);
           todo; todo = icalcomponent_get_next_component(calendar.get(), ICAL_VTODO_COMPONENT)) {
        if (!isMaster(todo)) continue;
        if (uidOf(todo).empty()) {
          warnOnce(file,
                   Loc::format(Loc::string("reminders.missingUid", "rappel sans UID, ignoré : %@"),
                               {file.string()}));
          continue;
        }
        if (isOpen(todo)) items.push_back(reminderItem(todo, title));
      }
    }
  }
  return items;
}

bool VdirRemindersStore::complete(const std::string& identifier, Date now) {
  if (disabled_ || identifier.empty()) return false;
  for (const std::string& name : vdir::subfolders(root_)) {
    for (const fs::path& file : vdir::files(root_ / name, ".ics")) {
      const auto text = files::read(file);
      if (!text) continue;
      const auto updated = markCompleted(*text, identifier, now);
      if (!updated) continue;
      // Only a file libical reads, and reads the same way, is rewritten.
      IcalPtr before = parseCalendar(*text);
      if (!before || !findMaster(before.get(), identifier)) continue;
      IcalPtr after = parseCalendar(*updated);
      icalcomponent* done = after ? findMaster(after.get(), identifier) : nullptr;
      if (!done || isOpen(done)) return false;
      try {
        std::error_code ec;
        const fs::perms mode = fs::status(file, ec).permissions();
        if (ec) {
          files::writeAtomically(file, *updated);
        } else {
          files::writeAtomically(file, *updated, mode);
        }
        return true;
      } catch (const std::exception&) {
        return false;
      }
    }
  }
  return false;
}

bool VdirRemindersStore::isClosed(const std::string& identifier) {
  if (disabled_ || identifier.empty()) return false;
  for (const std::string& name : vdir::subfolders(root_)) {
    for (const fs::path& file : vdir::files(root_ / name, ".ics")) {
      const auto text = files::read(file);
      IcalPtr calendar = text ? parseCalendar(*text) : nullptr;
      icalcomponent* todo = calendar ? findMaster(calendar.get(), identifier) : nullptr;
      if (todo) return !isOpen(todo);
    }
  }
  return false;
}

}  // namespace talewick
