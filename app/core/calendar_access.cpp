#include "core/calendar_access.hpp"

#include <algorithm>
#include <cmath>
#include <unordered_set>

#include "core/uuid.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"

namespace talewick::CalendarAccess {
namespace {

std::string_view withoutMailto(std::string_view s) {
  if (s.size() >= 7) {
    std::string prefix(s.substr(0, 7));
    for (char& c : prefix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (prefix == "mailto:") s.remove_prefix(7);
  }
  return s;
}

bool isLocalChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '%' ||
         c == '+' || c == '-';
}
bool isDomainChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
}
bool isLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// The matches of [A-Z0-9._%+-]+@[A-Z0-9.-]+\.[A-Z]{2,} (ignoring case), leftmost first, each
// domain as long as the pattern allows.
void findAddresses(std::string_view s, std::vector<std::string>& out) {
  size_t from = 0;
  while (from < s.size()) {
    const size_t at = s.find('@', from);
    if (at == std::string_view::npos) return;
    size_t begin = at;
    while (begin > from && isLocalChar(s[begin - 1])) --begin;
    size_t runEnd = at + 1;
    while (runEnd < s.size() && isDomainChar(s[runEnd])) ++runEnd;
    // The longest domain ending in "." + two letters or more, with something before the dot.
    size_t end = std::string_view::npos;
    for (size_t stop = runEnd; stop > at + 1 && end == std::string_view::npos; --stop) {
      size_t letters = 0;
      while (letters < stop - at - 1 && isLetter(s[stop - 1 - letters])) ++letters;
      const size_t dot = stop - 1 - letters;
      if (letters >= 2 && dot > at + 1 && s[dot] == '.') end = stop;
    }
    if (begin < at && end != std::string_view::npos) {
      out.emplace_back(s.substr(begin, end - begin));
      from = end;
    } else {
      from = at + 1;
    }
  }
}

std::string dedupKey(const DayEvent& e) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "|%.17g|%.17g", e.startDate.seconds, e.endDate.seconds);
  return text::lower(text::trim(e.title)) + buf;
}

// The first of each content stays, unless an occurrence of `preferred` has that content: then it
// stays and the others go.
void dedup(std::vector<DayEvent>& events, const std::string& preferred) {
  std::unordered_set<std::string> seen;
  if (!preferred.empty()) {
    for (const DayEvent& e : events) {
      if (e.id == preferred) seen.insert(dedupKey(e));
    }
  }
  std::erase_if(events, [&](const DayEvent& e) {
    if (!preferred.empty() && e.id == preferred) return false;
    return !seen.insert(dedupKey(e)).second;
  });
}

}  // namespace

std::vector<std::string> normalizeAddresses(const std::vector<std::string>& texts) {
  std::vector<std::string> out;
  for (const std::string& raw : texts) {
    std::vector<std::string> matches;
    findAddresses(withoutMailto(raw), matches);
    for (const std::string& m : matches) {
      std::string address = text::fold(text::trim(m));
      if (address.empty() || address.find('@') == std::string::npos) continue;
      if (std::find(out.begin(), out.end(), address) == out.end()) out.push_back(address);
    }
  }
  return out;
}

std::optional<DayEvent> makeDayEvent(const CalendarEvent& event, const CalendarInfo* calendar) {
  if (event.calendarID.empty()) return std::nullopt;
  DayEvent d;
  d.id = event.eventIdentifier.empty() ? randomUUID() : event.eventIdentifier;
  d.title = event.title && !event.title->empty()
                ? *event.title
                : Loc::string("event.untitled", "Événement sans titre");
  d.location = event.location;
  d.startDate = event.start;
  d.endDate = event.end;
  d.allDay = event.allDay;

  std::vector<std::string> addressTexts;
  for (const Participant& p : event.attendees) {
    addressTexts.push_back(p.url);
    if (p.isCurrentUser) {
      d.needsResponse =
          p.status == ParticipantStatus::pending || p.status == ParticipantStatus::tentative;
      continue;
    }
    if (p.role == ParticipantRole::nonParticipant) continue;
    ++d.attendees;
    std::string label = p.name && !p.name->empty() ? *p.name : std::string(withoutMailto(p.url));
    if (!label.empty()) d.attendeeLabels.push_back(std::move(label));
  }
  if (event.organizer) {
    addressTexts.push_back(event.organizer->url);
    const std::string email(withoutMailto(event.organizer->url));
    if (email.find('@') != std::string::npos) d.organizerEmail = email;
    if (event.organizer->name && !event.organizer->name->empty()) {
      d.organizerLabel = event.organizer->name;
    } else {
      d.organizerLabel = d.organizerEmail;
    }
  }
  if (calendar) {
    addressTexts.push_back(calendar->title);
    addressTexts.push_back(calendar->sourceTitle);
    d.calendarColorHex = calendar->colorHex;
  }
  d.attendeeEmails = normalizeAddresses(addressTexts);
  d.notes = event.notes;
  d.url = event.url;
  d.calendarID = event.calendarID;
  if (!event.externalIdentifier.empty()) d.externalIdentifier = event.externalIdentifier;
  d.occurrenceAnchor = event.occurrenceDate;
  d.alarmMinutesBefore = event.alarmMinutesBefore;
  return d;
}

DayEventLists fetchDayEvents(CalendarEventStorePort& store, Date start, Date end,
                             const std::set<std::string>& hidden, const std::string& preferred) {
  DayEventLists lists;
  std::vector<CalendarInfo> calendars = store.calendars();
  std::erase_if(calendars, [&](const CalendarInfo& c) { return hidden.contains(c.identifier); });
  if (calendars.empty()) return lists;
  std::vector<std::string> ids;
  for (const CalendarInfo& c : calendars) ids.push_back(c.identifier);
  store.readEvents(
      store.predicateForEvents(start, end, ids), [&](std::span<const CalendarEvent* const> events) {
        // Months of occurrences: lists grown by doubling would keep up to half of their room empty
        // for as long as the window stays loaded.
        const auto allDay = std::count_if(events.begin(), events.end(),
                                          [](const CalendarEvent* e) { return e->allDay; });
        lists.allDay.reserve(allDay);
        lists.timed.reserve(events.size() - allDay);
        for (const CalendarEvent* event : events) {
          if (hidden.contains(event->calendarID)) continue;
          auto calendar = std::find_if(
              calendars.begin(), calendars.end(),
              [&](const CalendarInfo& c) { return c.identifier == event->calendarID; });
          auto day = makeDayEvent(*event, calendar == calendars.end() ? nullptr : &*calendar);
          if (!day) continue;
          (event->allDay ? lists.allDay : lists.timed).push_back(std::move(*day));
        }
      });
  dedup(lists.timed, preferred);
  dedup(lists.allDay, preferred);
  return lists;
}

std::vector<CalendarInfo> writableCalendars(CalendarEventStorePort& store) {
  std::vector<CalendarInfo> out;
  for (CalendarInfo& c : store.calendars()) {
    if (c.allowsContentModifications) out.push_back(std::move(c));
  }
  std::stable_sort(out.begin(), out.end(), [](const CalendarInfo& a, const CalendarInfo& b) {
    return text::lower(a.title) < text::lower(b.title);
  });
  return out;
}

std::optional<CalendarInfo> calendarForHint(CalendarEventStorePort& store,
                                            const std::string& hint) {
  const std::vector<CalendarInfo> writable = writableCalendars(store);
  if (writable.empty()) return std::nullopt;
  if (!hint.empty()) {
    const std::string needle = text::lower(hint);
    for (const CalendarInfo& c : writable) {
      if (text::lower(c.title).find(needle) != std::string::npos) return c;
    }
  }
  return writable.front();
}

std::string eventIdentifier(const Quest& quest) {
  std::string_view id = quest.id;
  if (id.starts_with("quest_")) id.remove_prefix(6);
  return std::string(id);
}

std::optional<CalendarEvent> occurrenceEvent(CalendarEventStorePort& store, const Quest& quest,
                                             const std::string& calendarID) {
  const std::string id = eventIdentifier(quest);
  std::optional<CalendarEvent> series = store.event(id, calendarID);
  if (!series || !series->hasRecurrenceRules) return series;
  const Date dayStart = LocalCalendar::startOfDay(quest.startDate);
  const Date dayEnd = LocalCalendar::addingDays(dayStart, 1);
  for (const CalendarEvent& e :
       store.events(store.predicateForEvents(dayStart, dayEnd, std::vector{series->calendarID}))) {
    if (e.eventIdentifier == id && std::fabs(e.start - quest.startDate) < 60) return e;
  }
  return series;
}

void removeOptimistically(std::vector<Quest>& quests, const Quest& target, EventSpan span) {
  const std::string id = eventIdentifier(target);
  std::erase_if(quests, [&](const Quest& q) {
    if (eventIdentifier(q) != id) return false;
    return span == EventSpan::thisEvent ? std::fabs(q.startDate - target.startDate) < 1
                                        : q.startDate >= target.startDate;
  });
}

std::string failedWriteStatus(CalendarWrite write, const std::string& error) {
  switch (write) {
    case CalendarWrite::create:
      return Loc::string("calendar.failed.create", "Échec de création : ") + error;
    case CalendarWrite::edit:
      return Loc::string("calendar.failed.edit", "Échec d'édition : ") + error;
    case CalendarWrite::move:
      return Loc::string("calendar.failed.move", "Échec du déplacement : ") + error;
    case CalendarWrite::remove:
      break;
  }
  return Loc::string("calendar.failed.remove", "Échec de suppression : ") + error;
}

std::string demoQuestStatus(CalendarWrite write) {
  if (write == CalendarWrite::move) {
    return Loc::string("calendar.demo.move", "Cette quête de démo ne peut pas être déplacée.");
  }
  return Loc::string("calendar.demo.remove", "Cette quête de démo ne peut pas être supprimée.");
}

CalendarDeletionTombstone tombstoneFor(const DayEvent& event, EventSpan span) {
  return CalendarDeletionTombstone{event.externalIdentifier, text::lower(text::trim(event.title)),
                                   event.startDate, event.endDate, span};
}

Reconciled reconcile(const std::vector<DayEvent>& events,
                     const std::vector<CalendarDeletionTombstone>& tombstones) {
  auto matches = [](const CalendarDeletionTombstone& t, const DayEvent& e) {
    const bool same = t.externalIdentifier ? e.externalIdentifier == t.externalIdentifier
                                           : text::lower(text::trim(e.title)) == t.normalizedTitle;
    if (!same) return false;
    return t.span == EventSpan::thisEvent ? std::fabs(e.startDate - t.startDate) < 60
                                          : e.startDate >= t.startDate.adding(-1);
  };
  Reconciled out;
  std::vector<bool> used(tombstones.size(), false);
  for (const DayEvent& e : events) {
    bool hidden = false;
    for (size_t i = 0; i < tombstones.size(); ++i) {
      if (matches(tombstones[i], e)) {
        used[i] = true;
        hidden = true;
      }
    }
    if (!hidden) out.events.push_back(e);
  }
  for (size_t i = 0; i < tombstones.size(); ++i) {
    if (used[i]) out.remainingTombstones.push_back(tombstones[i]);
  }
  return out;
}

}  // namespace talewick::CalendarAccess
