#include "platform/ics/reader.hpp"

#include <libical/ical.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "platform/ics/lines.hpp"
#include "platform/ics/series.hpp"
#include "platform/ics/times.hpp"
#include "support/text.hpp"

namespace talewick::ics {
namespace {

struct ComponentDeleter {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentDeleter>;

// The clock of a time libical read from `property`: its TZID is looked up here, never in
// libical's own table.
Stamp stampOf(const icaltimetype& t, icalproperty* property, Zones& zones) {
  TimeValue v;
  v.time = t;
  v.utc = icaltime_is_utc(t);
  if (icalparameter* p = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER)) {
    if (const char* tzid = icalparameter_get_tzid(p)) v.tzid = tzid;
  }
  return ics::stampOf(v, zones);
}

ParticipantStatus statusOf(icalparameter_partstat p) {
  switch (p) {
    case ICAL_PARTSTAT_NEEDSACTION:
      return ParticipantStatus::pending;
    case ICAL_PARTSTAT_ACCEPTED:
      return ParticipantStatus::accepted;
    case ICAL_PARTSTAT_DECLINED:
      return ParticipantStatus::declined;
    case ICAL_PARTSTAT_TENTATIVE:
      return ParticipantStatus::tentative;
    case ICAL_PARTSTAT_DELEGATED:
      return ParticipantStatus::delegated;
    case ICAL_PARTSTAT_COMPLETED:
      return ParticipantStatus::completed;
    case ICAL_PARTSTAT_INPROCESS:
      return ParticipantStatus::inProcess;
    default:
      return ParticipantStatus::unknown;
  }
}

ParticipantRole roleOf(icalparameter_role r) {
  switch (r) {
    case ICAL_ROLE_REQPARTICIPANT:
      return ParticipantRole::required;
    case ICAL_ROLE_OPTPARTICIPANT:
      return ParticipantRole::optional;
    case ICAL_ROLE_CHAIR:
      return ParticipantRole::chair;
    case ICAL_ROLE_NONPARTICIPANT:
      return ParticipantRole::nonParticipant;
    default:
      return ParticipantRole::unknown;
  }
}

class FileParser {
 public:
  FileParser(ZoneRegistry& registry, const std::unordered_set<std::string>& userAddresses)
      : registry_(registry), userAddresses_(userAddresses) {}

  ParsedFile parse(const std::string& text, const std::string& calendarID) {
    ParsedFile file;
    const std::optional<SplitText> split = splitZones(text);
    if (!split) return file;
    ComponentPtr root(icalparser_parse_string(split->rest.c_str()));
    if (!root) return file;

    std::vector<icalcomponent*> calendars;
    std::vector<icalcomponent*> vevents;
    switch (icalcomponent_isa(root.get())) {
      case ICAL_VCALENDAR_COMPONENT:
        calendars.push_back(root.get());
        break;
      case ICAL_VEVENT_COMPONENT:
        vevents.push_back(root.get());
        break;
      case ICAL_XROOT_COMPONENT:
        for (icalcomponent* c =
                 icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT);
             c; c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT)) {
          calendars.push_back(c);
        }
        break;
      default:
        return file;
    }
    Zones zones(registry_, *split);
    const bool clean = icalcomponent_count_errors(root.get()) == 0;
    bool othersOnly = false;  // components that are not ours (VTODO, VJOURNAL…) and no event
    for (icalcomponent* cal : calendars) {
      for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_ANY_COMPONENT); c;
           c = icalcomponent_get_next_component(cal, ICAL_ANY_COMPONENT)) {
        if (icalcomponent_isa(c) == ICAL_VEVENT_COMPONENT) {
          vevents.push_back(c);
        } else if (icalcomponent_isa(c) != ICAL_VTIMEZONE_COMPONENT) {
          othersOnly = true;
        }
      }
    }
    if (vevents.empty()) {
      file.ok = othersOnly;
      return file;
    }

    std::unordered_map<std::string, size_t> byUid;
    struct PendingOverride {
      size_t series;
      Stamp recurrenceId;
      CalendarEvent event;
    };
    std::vector<PendingOverride> pending;
    for (icalcomponent* vevent : vevents) {
      // A time the parser had to drop would give wrong occurrences: the whole file is refused.
      std::vector<Rule> farRules;
      if (hasTimeError(vevent, farRules)) return ParsedFile{};
      Reading r = read(vevent, calendarID, zones);
      for (Rule& rule : farRules) r.rules.push_back(std::move(rule));
      if (!r.valid) continue;
      auto [it, added] = byUid.try_emplace(r.uid, file.series.size());
      if (added) {
        file.series.emplace_back();
        file.series.back().uid = r.uid;
      }
      Series& s = file.series[it->second];
      if (r.recurrenceId) {
        pending.push_back({it->second, *r.recurrenceId, std::move(r.event)});
      } else if (!s.hasMaster) {
        s.hasMaster = true;
        s.master = std::move(r.event);
        s.dtstart = r.dtstart;
        s.durationDays = r.durationDays;
        s.durationSeconds = r.durationSeconds;
        s.rules = std::move(r.rules);
        s.rdates = std::move(r.rdates);
        s.exdates = std::move(r.exdates);
        s.exdateDays = std::move(r.exdateDays);
      }
    }
    if (file.series.empty()) return file;

    for (PendingOverride& p : pending) {
      Series& s = file.series[p.series];
      const Date rid = instantOf(p.recurrenceId);
      p.event.occurrenceDate = rid;
      s.overrides.push_back({rid, std::move(p.event)});
    }
    for (Series& s : file.series) {
      std::sort(s.exdates.begin(), s.exdates.end());
      std::stable_sort(s.overrides.begin(), s.overrides.end(), [](const auto& a, const auto& b) {
        return a.recurrenceId < b.recurrenceId;
      });
      if (s.hasMaster && s.recurring()) {
        s.master.hasRecurrenceRules = true;
        s.master.occurrenceDate = s.master.start;
        for (Series::Override& o : s.overrides) {
          o.event.hasRecurrenceRules = true;
          o.event.recurrenceRule = s.master.recurrenceRule;
        }
      }
    }
    file.unknownZones = std::move(zones.unknown());
    file.ok = true;
    file.editable = clean;
    return file;
  }

 private:
  struct Reading {
    bool valid = false;
    std::string uid;
    CalendarEvent event;
    Stamp dtstart;
    std::optional<Stamp> recurrenceId;
    int durationDays = 0;
    double durationSeconds = 0;
    std::vector<Rule> rules;
    std::vector<Stamp> rdates;
    std::vector<Date> exdates;
    std::vector<icaltimetype> exdateDays;
  };

  // Whether libical dropped a time of the event. A rule it dropped only for an INTERVAL beyond
  // its reach whose second period starts after year 9999 is no loss: it goes to `farRules`.
  static bool hasTimeError(icalcomponent* vevent, std::vector<Rule>& farRules) {
    static constexpr std::string_view kTimeProperties[] = {
        " DTSTART ", " DTEND ", " DURATION ", " RRULE ", " RDATE ", " EXDATE ", " RECURRENCE-ID "};
    for (icalproperty* p = icalcomponent_get_first_property(vevent, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_XLICERROR_PROPERTY)) {
      const char* message = icalproperty_get_xlicerror(p);
      if (!message) continue;
      const std::string_view m(message);
      for (std::string_view name : kTimeProperties) {
        if (m.find(name) == std::string_view::npos) continue;
        if (name == " RRULE ") {
          if (std::optional<Rule> far = farRule(m)) {
            farRules.push_back(std::move(*far));
            continue;
          }
        }
        return true;
      }
    }
    return false;
  }

  // The rule of a libical complaint "… RRULE property. Removing entire property: VALUE" when its
  // only fault is an INTERVAL too large to matter before year 10000.
  static std::optional<Rule> farRule(std::string_view complaint) {
    static constexpr std::string_view kMarker = "property: ";
    const size_t at = complaint.rfind(kMarker);
    if (at == std::string_view::npos) return std::nullopt;
    std::string value;
    for (char c : complaint.substr(at + kMarker.size())) {
      if (c == '\\') continue;  // "\;" as the complaint escapes it
      value += c;
    }
    std::string rest;
    long long interval = 0;
    size_t from = 0;
    while (from <= value.size()) {
      const size_t semi = std::min(value.find(';', from), value.size());
      const std::string_view part = text::trim(std::string_view(value).substr(from, semi - from));
      if (startsWithNoCase(part, "INTERVAL=")) {
        const std::string digits(part.substr(9));
        if (digits.empty() || digits.size() > 12 ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
          return std::nullopt;
        }
        interval = std::stoll(digits);
      } else if (!part.empty()) {
        rest += (rest.empty() ? "" : ";") + std::string(part);
      }
      from = semi + 1;
    }
    Rule rule{icalrecurrencetype_from_string(rest.c_str()), {}, true};
    if (rule.recur.freq == ICAL_NO_RECURRENCE || rule.recur.rscale) return std::nullopt;
    // Periods of the rule's frequency in a year, at the most.
    static constexpr long long kPerYear[] = {31622400, 527040, 8784, 366, 53, 12, 1};
    const int freq = static_cast<int>(rule.recur.freq) - static_cast<int>(ICAL_SECONDLY_RECURRENCE);
    if (freq < 0 || freq > 6 || interval < 10000 * kPerYear[freq]) return std::nullopt;
    return rule;
  }

  Participant participant(icalproperty* p, const char* address) const {
    Participant out;
    out.url = address ? address : "";
    if (icalparameter* cn = icalproperty_get_first_parameter(p, ICAL_CN_PARAMETER)) {
      if (const char* name = icalparameter_get_cn(cn)) out.name = name;
    }
    if (icalparameter* ps = icalproperty_get_first_parameter(p, ICAL_PARTSTAT_PARAMETER)) {
      out.status = statusOf(icalparameter_get_partstat(ps));
      // libical 3.0 files "IN-PROCESS" among the unknown values.
      const char* text = icalparameter_get_xvalue(ps);
      if (out.status == ParticipantStatus::unknown && text && equalNoCase(text, "IN-PROCESS")) {
        out.status = ParticipantStatus::inProcess;
      }
    }
    if (icalparameter* role = icalproperty_get_first_parameter(p, ICAL_ROLE_PARAMETER)) {
      out.role = roleOf(icalparameter_get_role(role));
    }
    out.isCurrentUser = userAddresses_.count(normalizedAddress(out.url)) > 0;
    if (!out.isCurrentUser) {
      if (icalparameter* email = icalproperty_get_first_parameter(p, ICAL_EMAIL_PARAMETER)) {
        if (const char* e = icalparameter_get_email(email)) {
          out.isCurrentUser = userAddresses_.count(normalizedAddress(e)) > 0;
        }
      }
    }
    return out;
  }

  Reading read(icalcomponent* vevent, const std::string& calendarID, Zones& zones) const {
    Reading r;
    const char* uid = icalcomponent_get_uid(vevent);
    if (!uid || !*uid) return r;
    r.uid = uid;
    CalendarEvent& e = r.event;
    e.eventIdentifier = r.uid;
    e.externalIdentifier = r.uid;
    e.calendarID = calendarID;

    bool hasStart = false;
    std::optional<Stamp> dtend;
    std::optional<icaldurationtype> duration;
    for (icalproperty* p = icalcomponent_get_first_property(vevent, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_ANY_PROPERTY)) {
      switch (icalproperty_isa(p)) {
        case ICAL_DTSTART_PROPERTY: {
          const icaltimetype t = icalproperty_get_dtstart(p);
          if (icaltime_is_null_time(t) || !isCalendarTime(t)) break;
          r.dtstart = stampOf(t, p, zones);
          hasStart = true;
          break;
        }
        case ICAL_DTEND_PROPERTY: {
          const icaltimetype t = icalproperty_get_dtend(p);
          if (!icaltime_is_null_time(t)) dtend = stampOf(t, p, zones);
          break;
        }
        case ICAL_DURATION_PROPERTY:
          duration = icalproperty_get_duration(p);
          break;
        case ICAL_RECURRENCEID_PROPERTY: {
          const icaltimetype t = icalproperty_get_recurrenceid(p);
          if (!icaltime_is_null_time(t)) r.recurrenceId = stampOf(t, p, zones);
          break;
        }
        case ICAL_RRULE_PROPERTY: {
          Rule rule{icalproperty_get_rrule(p), {}, false};
          if (rule.recur.freq == ICAL_NO_RECURRENCE) break;
          if (rule.recur.rscale) rule.rscale = rule.recur.rscale;
          rule.recur.rscale = nullptr;
          char* text = icalrecurrencetype_as_string_r(&rule.recur);
          if (text && !e.recurrenceRule) {
            std::string_view v(text);
            if (startsWithNoCase(v, "RRULE:")) v.remove_prefix(6);
            e.recurrenceRule = std::string(v);
          }
          std::free(text);
          r.rules.push_back(std::move(rule));
          break;
        }
        case ICAL_RDATE_PROPERTY: {
          const icaldatetimeperiodtype v = icalproperty_get_rdate(p);
          const icaltimetype t = icaltime_is_null_time(v.time) ? v.period.start : v.time;
          if (!icaltime_is_null_time(t)) r.rdates.push_back(stampOf(t, p, zones));
          break;
        }
        case ICAL_EXDATE_PROPERTY: {
          // Not icalproperty_get_exdate: it resolves the TZID in libical's own zone table.
          const icaltimetype t = icalvalue_get_datetimedate(icalproperty_get_value(p));
          if (icaltime_is_null_time(t)) break;
          const Stamp s = stampOf(t, p, zones);
          if (s.clock == Clock::date) r.exdateDays.push_back(s.wall);
          r.exdates.push_back(instantOf(s));
          break;
        }
        case ICAL_SUMMARY_PROPERTY:
          if (const char* v = icalproperty_get_summary(p)) e.title = v;
          break;
        case ICAL_LOCATION_PROPERTY:
          if (const char* v = icalproperty_get_location(p)) e.location = v;
          break;
        case ICAL_DESCRIPTION_PROPERTY:
          if (const char* v = icalproperty_get_description(p)) e.notes = v;
          break;
        case ICAL_URL_PROPERTY:
          if (const char* v = icalproperty_get_url(p)) e.url = v;
          break;
        case ICAL_ATTENDEE_PROPERTY:
          e.attendees.push_back(participant(p, icalproperty_get_attendee(p)));
          break;
        case ICAL_ORGANIZER_PROPERTY:
          if (!e.organizer) e.organizer = participant(p, icalproperty_get_organizer(p));
          break;
        default:
          break;
      }
    }
    if (!hasStart) return r;

    const Date start = instantOf(r.dtstart);
    e.start = start;
    e.allDay = r.dtstart.clock == Clock::date;
    if (e.allDay) {
      r.durationDays = 1;
      if (dtend && dtend->clock == Clock::date) {
        const int64_t days =
            daysFromCivil(dtend->wall.year, dtend->wall.month, dtend->wall.day) -
            daysFromCivil(r.dtstart.wall.year, r.dtstart.wall.month, r.dtstart.wall.day);
        if (days > 0) r.durationDays = static_cast<int>(std::min<int64_t>(days, 100000));
      } else if (!dtend && duration && !duration->is_neg &&
                 !icaldurationtype_is_bad_duration(*duration)) {
        r.durationDays = static_cast<int>(duration->weeks * 7 + duration->days);
        r.durationSeconds = duration->hours * 3600.0 + duration->minutes * 60.0 + duration->seconds;
        if (r.durationDays == 0 && r.durationSeconds == 0) r.durationDays = 1;
      }
    } else if (dtend) {
      r.durationSeconds = std::max(0.0, instantOf(*dtend) - start);
    } else if (duration && !icaldurationtype_is_bad_duration(*duration)) {
      r.durationSeconds = std::max(0, icaldurationtype_as_int(*duration));
    }
    e.end = endOf(r.dtstart.wall, r.dtstart.clock, start, r.durationDays, r.durationSeconds);

    for (icalcomponent* alarm = icalcomponent_get_first_component(vevent, ICAL_VALARM_COMPONENT);
         alarm; alarm = icalcomponent_get_next_component(vevent, ICAL_VALARM_COMPONENT)) {
      icalproperty* trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
      if (!trigger) continue;
      icalparameter* related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
      if (related && icalparameter_get_related(related) == ICAL_RELATED_END) continue;
      const icaltriggertype t = icalproperty_get_trigger(trigger);
      if (!icaltime_is_null_time(t.time) || icaldurationtype_is_bad_duration(t.duration)) continue;
      e.alarmMinutesBefore.push_back(-icaldurationtype_as_int(t.duration) / 60);
    }
    r.valid = true;
    return r;
  }

  ZoneRegistry& registry_;
  const std::unordered_set<std::string>& userAddresses_;
};

}  // namespace

ParsedFile Reader::read(const std::string& text, const std::string& calendarID) const {
  return FileParser(registry_, userAddresses_).parse(text, calendarID);
}

}  // namespace talewick::ics
