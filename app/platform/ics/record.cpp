#include "platform/ics/record.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/ics/occurrences.hpp"
#include "support/loc.hpp"
#include "support/text.hpp"

namespace talewick::ics {
namespace {

constexpr const char* ALARM_TEXT = "Rappel";

// Sets a TEXT (or URI) property, or removes it for an absent or empty value. An unchanged value
// keeps its line. Returns whether the file changed.
bool setText(Component& ev, const std::string& name, const std::optional<std::string>& value,
             bool uri = false) {
  if (!value || value->empty()) {
    const size_t before = ev.properties.size();
    removeProperties(ev, name);
    return ev.properties.size() != before;
  }
  std::string encoded;
  if (uri) {
    for (const char c : *value) {
      if (c != '\r' && c != '\n') encoded += c;
    }
  } else {
    encoded = escapeText(*value);
  }
  Prop p{name, {}, ""};
  if (const Line* line = findProperty(ev, name)) {
    if (auto old = parseProp(line->text)) {
      if ((uri ? old->value : unescapeText(old->value)) == (uri ? encoded : *value)) return false;
      p = *old;
      p.removeParam("ALTREP");  // it showed the old text
    }
  }
  p.value = encoded;
  setProperty(ev, name, p.line());
  return true;
}

// Sets a DATE / DATE-TIME property unless it already holds that value: the same form naming the
// same instant. (A time written in a summer-time gap, 02:30, names the instant 03:30 names: its
// line stays as written.)
void setTime(Component& ev, const std::string& name, const TimeValue& value, Zones& zones) {
  auto old = property(ev, name);
  if (old) {
    if (auto v = timeOf(*old);
        v && formOf(*v) == formOf(value) && instantOf(*v, zones) == instantOf(value, zones)) {
      return;
    }
  }
  setProperty(ev, name, timeLine(name, value, old ? &*old : nullptr));
}

void writeTimes(Component& ev, const CalendarEvent& event, const TimeForm& form, Zones& zones) {
  const TimeValue start = valueIn(form, event.start, zones);
  setTime(ev, "DTSTART", start, zones);
  removeProperties(ev, "DURATION");
  if (form.kind == TimeForm::Kind::date) {
    // The day after the last one the event covers (an end at midnight belongs to the day before).
    TimeValue end =
        valueIn(form, event.end > event.start ? event.end.adding(-1) : event.start, zones);
    icaltime_adjust(&end.time, 1, 0, 0, 0);
    if (icaltime_compare_date_only(end.time, start.time) <= 0) {
      end.time = start.time;
      icaltime_adjust(&end.time, 1, 0, 0, 0);
    }
    setTime(ev, "DTEND", end, zones);
  } else if (std::floor(event.end.unix()) > std::floor(event.start.unix())) {
    setTime(ev, "DTEND", valueIn(form, event.end, zones), zones);
  } else {
    removeProperties(ev, "DTEND");  // an instant: the event ends where it starts
  }
}

// Minutes before the start of an alarm the record can describe (relative to the start).
std::optional<int> minutesBefore(const Component& alarm) {
  auto p = property(alarm, "TRIGGER");
  if (!p || upper(p->paramValue("VALUE")) == "DATE-TIME" ||
      upper(p->paramValue("RELATED")) == "END") {
    return std::nullopt;
  }
  const icaldurationtype d =
      icaldurationtype_from_string(std::string(text::trim(p->value)).c_str());
  if (icaldurationtype_is_bad_duration(d)) return std::nullopt;
  const int seconds = icaldurationtype_as_int(d);
  if (seconds % 60 != 0) return std::nullopt;
  return -seconds / 60;
}

Component newAlarm(int minutes, const std::optional<std::string>& title) {
  Component alarm = newComponent("VALARM");
  const std::string trigger = minutes > 0    ? "-PT" + std::to_string(minutes) + "M"
                              : minutes == 0 ? "PT0M"
                                             : "PT" + std::to_string(-minutes) + "M";
  alarm.properties = {
      Line{"ACTION:DISPLAY", ""}, Line{"TRIGGER:" + trigger, ""},
      Line{"DESCRIPTION:" + escapeText(title && !title->empty() ? *title : ALARM_TEXT), ""}};
  return alarm;
}

// Alarms the record describes are matched by their minutes; the others stay as they are.
void writeAlarms(Component& ev, const CalendarEvent& event) {
  std::vector<int> wanted = event.alarmMinutesBefore;
  for (auto it = ev.children.begin(); it != ev.children.end();) {
    const auto minutes = it->name == "VALARM" ? minutesBefore(*it) : std::nullopt;
    if (!minutes) {
      ++it;
      continue;
    }
    if (auto w = std::find(wanted.begin(), wanted.end(), *minutes); w != wanted.end()) {
      wanted.erase(w);
      ++it;
    } else {
      it = ev.children.erase(it);
    }
  }
  for (const int minutes : wanted) ev.children.push_back(newAlarm(minutes, event.title));
}

std::string calAddress(const std::string& url) {
  const std::string address(text::trim(url));
  if (address.find(':') == std::string::npos && address.find('@') != std::string::npos) {
    return "mailto:" + address;
  }
  return address;
}

const char* partstatText(ParticipantStatus status) {
  switch (status) {
    case ParticipantStatus::pending:
      return "NEEDS-ACTION";
    case ParticipantStatus::accepted:
      return "ACCEPTED";
    case ParticipantStatus::declined:
      return "DECLINED";
    case ParticipantStatus::tentative:
      return "TENTATIVE";
    case ParticipantStatus::delegated:
      return "DELEGATED";
    case ParticipantStatus::completed:
      return "COMPLETED";
    case ParticipantStatus::inProcess:
      return "IN-PROCESS";
    case ParticipantStatus::unknown:
      break;
  }
  return nullptr;
}

const char* roleText(ParticipantRole role) {
  switch (role) {
    case ParticipantRole::required:
      return "REQ-PARTICIPANT";
    case ParticipantRole::optional:
      return "OPT-PARTICIPANT";
    case ParticipantRole::chair:
      return "CHAIR";
    case ParticipantRole::nonParticipant:
      return "NON-PARTICIPANT";
    case ParticipantRole::unknown:
      break;
  }
  return nullptr;
}

// CN always; PARTSTAT and ROLE for an attendee when the record knows them (an unknown status
// leaves the one written, and a required role needs no ROLE).
void describeParticipant(Prop& p, const Participant& who, bool attendee) {
  if (who.name && !who.name->empty())
    p.setParam("CN", *who.name);
  else
    p.removeParam("CN");
  if (!attendee) return;
  if (const char* status = partstatText(who.status)) p.setParam("PARTSTAT", status);
  if (const char* role = roleText(who.role)) {
    if (who.role != ParticipantRole::required || p.param("ROLE")) p.setParam("ROLE", role);
  }
}

void writeParticipants(Component& ev, const CalendarEvent& event) {
  std::vector<bool> placed(event.attendees.size(), false);
  for (auto it = ev.properties.begin(); it != ev.properties.end();) {
    auto p = nameOf(it->text) == "ATTENDEE" ? parseProp(it->text) : std::nullopt;
    if (!p) {
      ++it;
      continue;
    }
    size_t i = 0;
    while (i < event.attendees.size() &&
           (placed[i] ||
            normalizedAddress(calAddress(event.attendees[i].url)) != normalizedAddress(p->value))) {
      ++i;
    }
    if (i == event.attendees.size()) {
      it = ev.properties.erase(it);
      continue;
    }
    placed[i] = true;
    Prop updated = *p;
    describeParticipant(updated, event.attendees[i], true);
    if (updated.line() != p->line()) *it = Line{updated.line(), ""};
    ++it;
  }
  for (size_t i = 0; i < event.attendees.size(); ++i) {
    const Participant& who = event.attendees[i];
    if (placed[i] || text::trim(who.url).empty()) continue;
    Prop p{"ATTENDEE", {}, calAddress(who.url)};
    describeParticipant(p, who, true);
    if (who.role == ParticipantRole::required) p.setParam("ROLE", roleText(who.role));
    ev.properties.push_back(Line{p.line(), ""});
  }

  if (!event.organizer || text::trim(event.organizer->url).empty()) {
    removeProperties(ev, "ORGANIZER");
    return;
  }
  auto old = property(ev, "ORGANIZER");
  Prop p =
      old && normalizedAddress(old->value) == normalizedAddress(calAddress(event.organizer->url))
          ? *old
          : Prop{"ORGANIZER", {}, calAddress(event.organizer->url)};
  describeParticipant(p, *event.organizer, false);
  if (!old || p.line() != old->line()) setProperty(ev, "ORGANIZER", p.line());
}

void writeRule(Component& ev, const std::string& rule) {
  const std::string value(text::trim(rule));
  if (value.empty() || !ruleOf(value))
    throw CalendarStoreError(Loc::string("calendar.badRule", "Règle de répétition illisible"));
  if (auto old = property(ev, "RRULE"); old && text::trim(old->value) == value) return;
  setProperty(ev, "RRULE", "RRULE:" + value);
}

// The RRULE value of a repetition read from a sentence. UNTIL takes the value type of DTSTART,
// as the format requires: the local day for an all-day series, a UTC time for a timed one.
std::string ruleValue(const ParsedRecurrence& rule, const TimeForm& form, Zones& zones) {
  static constexpr const char* kFrequencies[] = {"DAILY", "WEEKLY", "MONTHLY", "YEARLY"};
  static constexpr const char* kDays[] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};
  std::string out = std::string("FREQ=") + kFrequencies[static_cast<size_t>(rule.frequency)];
  if (rule.interval > 1) out += ";INTERVAL=" + std::to_string(rule.interval);
  std::string days;
  for (const int64_t day : rule.weekdays) {
    if (day >= 1 && day <= 7) days += (days.empty() ? "" : ",") + std::string(kDays[day - 1]);
  }
  if (!days.empty()) out += ";BYDAY=" + days;
  if (rule.until) {
    const TimeForm untilForm{
        form.kind == TimeForm::Kind::date ? TimeForm::Kind::date : TimeForm::Kind::utc, ""};
    out += ";UNTIL=" + timeText(valueIn(untilForm, *rule.until, zones));
  } else if (rule.count && *rule.count > 0) {
    out += ";COUNT=" + std::to_string(*rule.count);
  }
  return out;
}

}  // namespace

TimeForm writingForm(const Component& ev, const CalendarEvent& event) {
  if (event.allDay) return {TimeForm::Kind::date, ""};
  if (auto p = property(ev, "DTSTART")) {
    if (auto v = timeOf(*p); v && !v->time.is_date) return formOf(*v);
  }
  return defaultTimedForm(event.start);
}

void writeRecord(Component& ev, const CalendarEvent& event, const TimeForm& form, Zones& zones,
                 bool withRule) {
  writeTimes(ev, event, form, zones);
  setText(ev, "SUMMARY", event.title);
  setText(ev, "LOCATION", event.location);
  if (setText(ev, "DESCRIPTION", event.notes)) removeProperties(ev, "X-ALT-DESC");
  setText(ev, "URL", event.url, true);
  if (withRule && event.recurrence) {
    writeRule(ev, ruleValue(*event.recurrence, form, zones));
  } else if (withRule && event.recurrenceRule) {
    writeRule(ev, *event.recurrenceRule);
  }
  writeParticipants(ev, event);
  writeAlarms(ev, event);
}

void bumpSequence(Component& ev) {
  long sequence = 0;
  if (auto p = property(ev, "SEQUENCE"))
    sequence = std::strtol(std::string(text::trim(p->value)).c_str(), nullptr, 10);
  setProperty(ev, "SEQUENCE", "SEQUENCE:" + std::to_string(std::max(0L, sequence) + 1));
}

void touch(Component& ev, Date now) {
  bumpSequence(ev);
  setProperty(ev, "DTSTAMP", "DTSTAMP:" + utcStamp(now));
  setProperty(ev, "LAST-MODIFIED", "LAST-MODIFIED:" + utcStamp(now));
}

}  // namespace talewick::ics
