#include "platform/ics/edited_series.hpp"

#include <libical/ical.h>

#include <functional>
#include <string_view>

#include "platform/ics/occurrences.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick::ics {
namespace {

std::vector<TimeValue> valuesOf(const Component& c, std::string_view name) {
  std::vector<TimeValue> out;
  for (const Line& line : c.properties) {
    if (nameOf(line.text) != name) continue;
    if (auto p = parseProp(line.text)) {
      for (const TimeValue& v : timesOf(*p)) out.push_back(v);
    }
  }
  return out;
}

// Walks the keys of the rule's occurrences in order, as the reader walks them, while `visit`
// returns true. False when the rule cannot be read or the walk was cut short.
bool forEachRuleInstance(const EditedSeries& s, Zones& zones,
                         const std::function<bool(Key)>& visit) {
  if (!s.rule) return true;
  auto rule = ruleOf(*s.rule);
  if (!rule) return false;
  return walkRule(Rule{*rule, {}, false}, stampOf(s.start, zones), std::nullopt,
                  [&](Date at, const icaltimetype&) { return visit(keyOf(at, s.byDay)); });
}

}  // namespace

CalendarStoreError unreadableFile() {
  return CalendarStoreError(
      Loc::string("calendar.edit.unreadable", "Fichier de calendrier illisible"));
}

CalendarStoreError eventNotFound() {
  return CalendarStoreError(
      Loc::string("calendar.edit.eventNotFound", "Événement introuvable dans le fichier"));
}

CalendarStoreError occurrenceMissing() {
  return CalendarStoreError(Loc::string("calendar.edit.noOccurrence", "Occurrence non précisée"));
}

EventParts findEvent(Document& doc, const std::string& uid) {
  for (Component& calendar : doc.root.children) {
    if (calendar.name != "VCALENDAR") continue;
    EventParts found;
    found.calendar = &calendar;
    for (Component& c : calendar.children) {
      if (c.name != "VEVENT" || uid.empty() || textValue(c, "UID") != uid) continue;
      if (hasProperty(c, "RECURRENCE-ID"))
        found.overrides.push_back(&c);
      else if (!found.master)
        found.master = &c;
      else
        found.overrides.push_back(&c);  // a repeated master: kept, never the one edited
    }
    if (found.master || !found.overrides.empty()) return found;
  }
  throw eventNotFound();
}

bool isRecurring(const Component& master) {
  return hasProperty(master, "RRULE") || hasProperty(master, "RDATE");
}

EditedSeries readSeries(Component& master) {
  EditedSeries s;
  s.master = &master;
  auto p = property(master, "DTSTART");
  auto start = p ? timeOf(*p) : std::nullopt;
  if (!start) throw unreadableFile();
  s.start = *start;
  s.form = formOf(*start);
  s.byDay = start->time.is_date;
  if (auto rule = property(master, "RRULE")) s.rule = std::string(text::trim(rule->value));
  return s;
}

std::set<Key> excludedKeys(const EditedSeries& s, Zones& zones) {
  std::set<Key> keys;
  for (const TimeValue& v : valuesOf(*s.master, "EXDATE")) keys.insert(keyOf(v, s.byDay, zones));
  return keys;
}

bool sameRule(const std::optional<std::string>& recordRule, const EditedSeries& s) {
  if (!recordRule) return true;
  if (!s.rule) return false;
  const auto canonical = [](const std::string& value) -> std::optional<std::string> {
    auto rule = ruleOf(value);
    if (!rule) return std::nullopt;
    char* text = icalrecurrencetype_as_string_r(&*rule);
    if (!text) return std::nullopt;
    std::string out(text);
    icalmemory_free_buffer(text);
    return out;
  };
  const auto mine = canonical(*s.rule);
  return mine && mine == canonical(std::string(text::trim(*recordRule)));
}

bool hasOccurrenceBefore(const EditedSeries& s, Key key, Zones& zones) {
  const std::set<Key> excluded = excludedKeys(s, zones);
  const auto counts = [&](Key k) { return k < key && !excluded.count(k); };
  if (counts(keyOf(s.start, s.byDay, zones))) return true;
  for (const TimeValue& v : valuesOf(*s.master, "RDATE")) {
    if (counts(keyOf(v, s.byDay, zones))) return true;
  }
  bool found = false;
  forEachRuleInstance(s, zones, [&](Key k) {
    if (k >= key) return false;
    found = !excluded.count(k);
    return !found;
  });
  return found;
}

int ruleInstancesBefore(const EditedSeries& s, Key key, Zones& zones) {
  std::set<Key> keys;
  if (const Key k = keyOf(s.start, s.byDay, zones); k < key) keys.insert(k);
  forEachRuleInstance(s, zones, [&](Key k) {
    if (k >= key) return false;
    keys.insert(k);
    return true;
  });
  return static_cast<int>(keys.size());
}

bool anyOccurrenceLeft(const EditedSeries& s, Zones& zones) {
  const std::set<Key> excluded = excludedKeys(s, zones);
  if (!excluded.count(keyOf(s.start, s.byDay, zones))) return true;
  for (const TimeValue& v : valuesOf(*s.master, "RDATE")) {
    if (!excluded.count(keyOf(v, s.byDay, zones))) return true;
  }
  if (!s.rule) return false;
  auto rule = ruleOf(*s.rule);
  if (!rule || (rule->count == 0 && icaltime_is_null_time(rule->until))) return true;
  bool found = false;
  const bool finished = forEachRuleInstance(s, zones, [&](Key k) {
    found = !excluded.count(k);
    return !found;
  });
  return found || !finished;
}

std::optional<Key> recurrenceKey(const Component& c, bool byDay, Zones& zones) {
  auto p = property(c, "RECURRENCE-ID");
  auto v = p ? timeOf(*p) : std::nullopt;
  if (!v) return std::nullopt;
  return keyOf(*v, byDay, zones);
}

bool ruleReaches(const EditedSeries& s, Key key, Zones& zones) {
  if (!s.rule) return false;
  if (!ruleOf(*s.rule)) return true;
  bool reaches = false;
  const bool finished = forEachRuleInstance(s, zones, [&](Key k) {
    reaches = k >= key;
    return !reaches;
  });
  return reaches || !finished;
}

Component* findOverride(const EventParts& found, bool byDay, Key key, Zones& zones) {
  for (Component* ov : found.overrides) {
    if (recurrenceKey(*ov, byDay, zones) == key) return ov;
  }
  return nullptr;
}

}  // namespace talewick::ics
