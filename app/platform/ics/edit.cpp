#include "platform/ics/edit.hpp"

#include <libical/ical.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ics/edited_series.hpp"
#include "platform/ics/lines.hpp"
#include "platform/ics/occurrences.hpp"
#include "platform/ics/record.hpp"
#include "platform/ics/times.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"

namespace talewick::ics {
namespace {

// libical reads the values (times, zones, rules, durations) but the file is edited as content
// lines (platform/ics/lines.hpp): serialising libical's tree would drop what it does not know (an
// IANA property it has no name for, an RRULE with an extension part — which would silently end a
// series). Untouched lines keep their bytes, folding and line ends.

constexpr const char* PRODID = "-//Talewick//Talewick//FR";

// --- Files ---

// The calendar of a file; bare components are given the calendar they lack. Throws when the text
// does not parse, or holds neither a calendar nor an event.
Document readDocument(const std::string& text) {
  auto doc = parseDocument(text);
  if (!doc) throw unreadableFile();
  auto& top = doc->root.children;
  const auto isCalendar = [](const Component& c) { return c.name == "VCALENDAR"; };
  if (std::none_of(top.begin(), top.end(), isCalendar)) {
    if (std::none_of(top.begin(), top.end(),
                     [](const Component& c) { return c.name == "VEVENT"; })) {
      throw unreadableFile();
    }
    Component calendar = newComponent("VCALENDAR");
    calendar.properties = {Line{"VERSION:2.0", ""}, Line{std::string("PRODID:") + PRODID, ""}};
    calendar.children.splice(calendar.children.end(), top);
    top.push_back(std::move(calendar));
  }
  return std::move(*doc);
}

// The text, or nullopt when nothing but time zones is left in it.
std::optional<std::string> remainingText(const Document& doc) {
  for (const Component& top : doc.root.children) {
    if (top.name != "VCALENDAR") return serialize(doc);
    for (const Component& c : top.children) {
      if (c.name != "VTIMEZONE") return serialize(doc);
    }
  }
  return std::nullopt;
}

void removeComponent(Component& parent, const Component* child) {
  parent.children.remove_if([&](const Component& c) { return &c == child; });
}

// Rewrites every `name` line of `c` with its values mapped; a value mapped to nullopt goes, and
// a line left without values goes too. Period values are left as they are.
void mapTimes(Component& c, std::string_view name,
              const std::function<std::optional<TimeValue>(const TimeValue&)>& map) {
  for (auto it = c.properties.begin(); it != c.properties.end();) {
    auto p = nameOf(it->text) == name ? parseProp(it->text) : std::nullopt;
    if (!p || upper(p->paramValue("VALUE")) == "PERIOD") {
      ++it;
      continue;
    }
    const std::vector<TimeValue> values = timesOf(*p);
    std::vector<TimeValue> mapped;
    for (const TimeValue& v : values) {
      if (auto m = map(v)) mapped.push_back(*m);
    }
    if (mapped.empty()) {
      it = c.properties.erase(it);
      continue;
    }
    if (mapped != values) *it = Line{timesLine(p->name, mapped, &*p), ""};
    ++it;
  }
}

// --- The edits ---

// The RRULE parts without COUNT and UNTIL.
std::vector<std::string> openRuleParts(const std::string& rule) {
  std::vector<std::string> parts;
  for (const std::string& part : split(rule, ';')) {
    const std::string name = upper(text::trim(part.substr(0, part.find('='))));
    if (!part.empty() && name != "COUNT" && name != "UNTIL") parts.push_back(part);
  }
  return parts;
}

std::string joinParts(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : ";") + part;
  return out;
}

// The UNTIL value for a series ending at `last`: a local date for an all-day series, a local
// time for a floating one, else UTC.
std::string untilText(Date last, const TimeForm& form, Zones& zones) {
  if (form.kind == TimeForm::Kind::date || form.kind == TimeForm::Kind::floating) {
    return timeText(valueIn(form, last, zones));
  }
  return utcStamp(last);
}

// Moves the RRULE's UNTIL with the series, so a rule that ended on an occurrence still ends on
// it, written in the value type the series' new start wants.
void shiftUntil(Component& ev, const Shift& shift, Zones& zones) {
  if (shift.seconds == 0 && shift.from == shift.to) return;
  for (Line& line : ev.properties) {
    auto p = nameOf(line.text) == "RRULE" ? parseProp(line.text) : std::nullopt;
    if (!p) continue;
    std::vector<std::string> parts = split(p->value, ';');
    bool changed = false;
    for (std::string& part : parts) {
      const size_t eq = part.find('=');
      if (eq == std::string::npos || upper(text::trim(part.substr(0, eq))) != "UNTIL") continue;
      TimeValue until;
      auto t = parseTimeText(text::trim(part.substr(eq + 1)), until.utc);
      if (!t) continue;
      until.time = *t;
      // A date UNTIL lets its whole day in.
      const Date end = instantOf(until, zones).adding(until.time.is_date ? 86400 - 1 : 0);
      Date moved = instantOf(shift.apply(valueIn(shift.from, end, zones), zones), zones);
      if (shift.from.kind == TimeForm::Kind::date && shift.to.kind != TimeForm::Kind::date) {
        moved = moved.adding(86400 - 1);
      }
      part = part.substr(0, eq + 1) + untilText(moved, shift.to, zones);
      changed = true;
    }
    if (!changed) continue;
    p->value = joinParts(parts);
    line = Line{p->line(), ""};
  }
}

// Ends the series before the occurrence: UNTIL one second before it (the day before for an
// all-day series), and what lay at or after it goes (RDATEs, EXDATEs, overrides).
void endSeriesBefore(EventParts& found, const EditedSeries& s, Date occurrence, Key key,
                     Zones& zones) {
  Component& master = *found.master;
  // A rule that already stops before the occurrence is left as it is: an UNTIL would lengthen it.
  if (ruleReaches(s, key, zones)) {
    const std::string until = untilText(occurrence.adding(-1), s.form, zones);
    for (Line& line : master.properties) {
      auto p = nameOf(line.text) == "RRULE" ? parseProp(line.text) : std::nullopt;
      if (!p) continue;
      std::vector<std::string> parts = openRuleParts(p->value);
      parts.push_back("UNTIL=" + until);
      p->value = joinParts(parts);
      line = Line{p->line(), ""};
    }
  }
  const auto before = [&](const TimeValue& v) -> std::optional<TimeValue> {
    if (keyOf(v, s.byDay, zones) >= key) return std::nullopt;
    return v;
  };
  mapTimes(master, "RDATE", before);
  mapTimes(master, "EXDATE", before);
  std::erase_if(found.overrides, [&](Component* ov) {
    const auto k = recurrenceKey(*ov, s.byDay, zones);
    if (!k || *k < key) return false;
    removeComponent(*found.calendar, ov);
    return true;
  });
}

void saveThisOccurrence(EventParts& found, const EditedSeries& s, const CalendarEvent& event,
                        Key key, Zones& zones, Date now) {
  Component* ov = findOverride(found, s.byDay, key, zones);
  if (!ov) {
    Component copy = *found.master;
    for (const char* name : {"RRULE", "RDATE", "EXDATE", "EXRULE"}) removeProperties(copy, name);
    insertAfter(copy, {"UID"},
                timeLine("RECURRENCE-ID", valueIn(s.form, *event.occurrenceDate, zones)));
    Component* last = found.overrides.empty() ? found.master : found.overrides.back();
    auto at = std::find_if(found.calendar->children.begin(), found.calendar->children.end(),
                           [&](const Component& c) { return &c == last; });
    ov = &*found.calendar->children.insert(std::next(at), std::move(copy));
  }
  const TimeForm form = writingForm(*ov, event);
  ensureTimezone(*found.calendar, form);
  writeRecord(*ov, event, form, zones, false);
  touch(*ov, now);
}

// "futureEvents" from the first occurrence: the whole series moves. Its exceptions follow the
// move, and its overrides take every field they had not changed themselves.
void saveWholeSeries(EventParts& found, const EditedSeries& s, const CalendarEvent& edited,
                     Zones& zones, Date now) {
  CalendarEvent event = edited;
  if (sameRule(event.recurrenceRule, s)) event.recurrenceRule.reset();
  Component& master = *found.master;
  const Component before = master;
  const TimeForm form = writingForm(master, event);
  ensureTimezone(*found.calendar, form);
  const Shift shift = makeShift(s.form, form, *event.occurrenceDate, event.start, zones);
  const Key key = keyOf(*event.occurrenceDate, s.byDay);
  const auto follow = [&](const TimeValue& v) -> std::optional<TimeValue> {
    return shift.apply(v, zones);
  };
  // Dates before the occurrence were all excluded ones: the series now starts after them.
  const auto fromHereOn = [&](const TimeValue& v) -> std::optional<TimeValue> {
    if (keyOf(v, s.byDay, zones) < key) return std::nullopt;
    return shift.apply(v, zones);
  };
  mapTimes(master, "EXDATE", fromHereOn);
  mapTimes(master, "RDATE", fromHereOn);
  shiftUntil(master, shift, zones);
  writeRecord(master, event, form, zones, true);
  touch(master, now);

  for (Component* ov : found.overrides) {
    Component old = *ov;
    auto rid = property(*ov, "RECURRENCE-ID");
    auto ridValue = rid ? timeOf(*rid) : std::nullopt;
    if (!ridValue) continue;
    auto start = property(*ov, "DTSTART");
    auto startValue = start ? timeOf(*start) : std::nullopt;
    if (startValue && keyOf(*startValue, s.byDay, zones) == keyOf(*ridValue, s.byDay, zones)) {
      // It stood where the series placed it: it moves with the series.
      mapTimes(*ov, "DTSTART", follow);
      mapTimes(*ov, "DTEND", follow);
    }
    mapTimes(*ov, "RECURRENCE-ID", follow);
    for (const char* name : {"SUMMARY", "LOCATION", "DESCRIPTION", "URL"}) {
      const Line* was = findProperty(before, name);
      const Line* mine = findProperty(*ov, name);
      const bool same = was && mine ? was->text == mine->text : !was && !mine;
      if (!same) continue;
      if (const Line* current = findProperty(master, name))
        setProperty(*ov, name, current->text);
      else
        removeProperties(*ov, name);
    }
    if (ov->properties.size() != old.properties.size() ||
        !std::equal(ov->properties.begin(), ov->properties.end(), old.properties.begin(),
                    [](const Line& a, const Line& b) { return a.text == b.text; })) {
      touch(*ov, now);
    }
  }
}

// A suffix for the uid of the series split off at the occurrence.
std::string splitSuffix(Date occurrence, bool byDay) {
  if (!byDay) return utcStamp(occurrence);
  const LocalCalendar::Fields f = LocalCalendar::fields(occurrence);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", f.year, f.month, f.day);
  return buffer;
}

// The file of the series that takes over from the occurrence on.
std::pair<std::string, std::string> newSeriesFile(const Document& doc, const EventParts& found,
                                                  const EditedSeries& s, Component next,
                                                  const CalendarEvent& edited, Key key,
                                                  Zones& zones, Date now) {
  CalendarEvent event = edited;
  if (sameRule(event.recurrenceRule, s)) event.recurrenceRule.reset();
  const Date occurrence = *event.occurrenceDate;
  const std::string uid = event.eventIdentifier + "-" + splitSuffix(occurrence, s.byDay);
  setProperty(next, "UID", "UID:" + escapeText(uid));
  for (const char* name : {"CREATED", "SEQUENCE", "DTSTAMP", "LAST-MODIFIED", "RECURRENCE-ID"}) {
    removeProperties(next, name);
  }

  const TimeForm form = writingForm(next, event);
  const Shift shift = makeShift(s.form, form, occurrence, event.start, zones);
  const auto fromHereOn = [&](const TimeValue& v) -> std::optional<TimeValue> {
    if (keyOf(v, s.byDay, zones) < key) return std::nullopt;
    return shift.apply(v, zones);
  };
  mapTimes(next, "EXDATE", fromHereOn);
  mapTimes(next, "RDATE", fromHereOn);
  shiftUntil(next, shift, zones);

  if (!event.recurrenceRule) {
    // The same rule; a COUNT keeps what is left of it, an UNTIL stays.
    for (Line& line : next.properties) {
      auto p = nameOf(line.text) == "RRULE" ? parseProp(line.text) : std::nullopt;
      if (!p) continue;
      auto rule = ruleOf(p->value);
      if (!rule || rule->count <= 0) continue;
      const int left = std::max(1, rule->count - ruleInstancesBefore(s, key, zones));
      std::vector<std::string> parts;
      for (const std::string& part : split(p->value, ';')) {
        const bool isCount = upper(text::trim(part.substr(0, part.find('=')))) == "COUNT";
        parts.push_back(isCount ? "COUNT=" + std::to_string(left) : part);
      }
      p->value = joinParts(parts);
      line = Line{p->line(), ""};
    }
  }
  writeRecord(next, event, form, zones, true);
  insertAfter(next, {"UID"}, "LAST-MODIFIED:" + utcStamp(now));
  insertAfter(next, {"UID"}, "CREATED:" + utcStamp(now));
  insertAfter(next, {"UID"}, "DTSTAMP:" + utcStamp(now));

  Document file;
  file.eol = doc.eol;
  Component calendar = newComponent("VCALENDAR");
  calendar.begin = found.calendar->begin;
  calendar.end = found.calendar->end;
  calendar.properties = found.calendar->properties;
  for (const Component& c : found.calendar->children) {
    if (c.name == "VTIMEZONE") calendar.children.push_back(c);
  }
  calendar.children.push_back(std::move(next));
  ensureTimezone(calendar, form);
  file.root.children.push_back(std::move(calendar));
  return {uid, serialize(file)};
}

// Drops every VEVENT of the event.
void removeEvent(EventParts& found) {
  if (found.master) removeComponent(*found.calendar, found.master);
  for (Component* ov : found.overrides) removeComponent(*found.calendar, ov);
}

// A file holding overrides of a series kept elsewhere (an invitation to some occurrences).
Edit editLoneOverrides(Document& doc, EventParts& found, const CalendarEvent& event,
                       std::optional<EventSpan> removeSpan, Date now) {
  if (!event.occurrenceDate) throw occurrenceMissing();
  Zones zones(*found.calendar);
  auto rid = property(*found.overrides.front(), "RECURRENCE-ID");
  auto ridValue = rid ? timeOf(*rid) : std::nullopt;
  const bool byDay = ridValue && ridValue->time.is_date;
  const Key key = keyOf(*event.occurrenceDate, byDay);
  if (!removeSpan) {
    Component* ov = findOverride(found, byDay, key, zones);
    if (!ov) throw eventNotFound();
    const TimeForm form = writingForm(*ov, event);
    ensureTimezone(*found.calendar, form);
    writeRecord(*ov, event, form, zones, false);
    touch(*ov, now);
    return {serialize(doc), std::nullopt};
  }
  bool removed = false;
  for (Component* ov : found.overrides) {
    const auto k = recurrenceKey(*ov, byDay, zones);
    if (k && (*k == key || (*removeSpan == EventSpan::futureEvents && *k > key))) {
      removeComponent(*found.calendar, ov);
      removed = true;
    }
  }
  if (!removed) throw eventNotFound();
  return {remainingText(doc), std::nullopt};
}

}  // namespace

std::string newEventFile(const CalendarEvent& event, const std::string& uid, Date now) {
  Document doc;
  doc.root.children.push_back(newComponent("VCALENDAR"));
  Component& calendar = doc.root.children.back();
  calendar.properties = {Line{"VERSION:2.0", ""}, Line{std::string("PRODID:") + PRODID, ""}};
  Zones zones(calendar);

  Component ev = newComponent("VEVENT");
  ev.properties = {Line{"UID:" + escapeText(uid), ""}, Line{"DTSTAMP:" + utcStamp(now), ""},
                   Line{"CREATED:" + utcStamp(now), ""}};
  const TimeForm form =
      event.allDay ? TimeForm{TimeForm::Kind::date, ""} : defaultTimedForm(event.start);
  ensureTimezone(calendar, form);
  writeRecord(ev, event, form, zones, true);
  calendar.children.push_back(std::move(ev));
  return serialize(doc);
}

Edit saveOccurrence(const std::string& fileText, const CalendarEvent& event, EventSpan span,
                    Date now) {
  Document doc = readDocument(fileText);
  EventParts found = findEvent(doc, event.eventIdentifier);
  if (!found.master) return editLoneOverrides(doc, found, event, std::nullopt, now);
  Zones zones(*found.calendar);

  if (!isRecurring(*found.master)) {
    const TimeForm form = writingForm(*found.master, event);
    ensureTimezone(*found.calendar, form);
    writeRecord(*found.master, event, form, zones, true);
    touch(*found.master, now);
    return {serialize(doc), std::nullopt};
  }

  const EditedSeries s = readSeries(*found.master);
  if (!event.occurrenceDate) throw occurrenceMissing();
  const Key key = keyOf(*event.occurrenceDate, s.byDay);
  if (span == EventSpan::thisEvent) {
    saveThisOccurrence(found, s, event, key, zones, now);
    return {serialize(doc), std::nullopt};
  }
  if (!hasOccurrenceBefore(s, key, zones)) {
    saveWholeSeries(found, s, event, zones, now);
    return {serialize(doc), std::nullopt};
  }
  Component next = *found.master;
  endSeriesBefore(found, s, *event.occurrenceDate, key, zones);
  touch(*found.master, now);
  auto created = newSeriesFile(doc, found, s, std::move(next), event, key, zones, now);
  return {serialize(doc), std::move(created)};
}

Edit removeOccurrence(const std::string& fileText, const CalendarEvent& event, EventSpan span) {
  Document doc = readDocument(fileText);
  EventParts found = findEvent(doc, event.eventIdentifier);
  if (!found.master) return editLoneOverrides(doc, found, event, span, Date{});
  Zones zones(*found.calendar);

  if (!isRecurring(*found.master)) {
    removeEvent(found);
    return {remainingText(doc), std::nullopt};
  }

  const EditedSeries s = readSeries(*found.master);
  if (!event.occurrenceDate) throw occurrenceMissing();
  const Date occurrence = *event.occurrenceDate;
  const Key key = keyOf(occurrence, s.byDay);
  if (span == EventSpan::futureEvents) {
    if (!hasOccurrenceBefore(s, key, zones)) {
      removeEvent(found);
      return {remainingText(doc), std::nullopt};
    }
    endSeriesBefore(found, s, occurrence, key, zones);
    bumpSequence(*found.master);
    return {serialize(doc), std::nullopt};
  }

  if (Component* ov = findOverride(found, s.byDay, key, zones)) {
    removeComponent(*found.calendar, ov);
    std::erase(found.overrides, ov);
  }
  if (!excludedKeys(s, zones).count(key)) {
    insertAfter(*found.master, {"EXDATE", "RDATE", "RRULE"},
                timeLine("EXDATE", valueIn(s.form, occurrence, zones)));
  }
  bumpSequence(*found.master);
  if (!anyOccurrenceLeft(s, zones)) {
    removeEvent(found);
    return {remainingText(doc), std::nullopt};
  }
  return {serialize(doc), std::nullopt};
}

}  // namespace talewick::ics
