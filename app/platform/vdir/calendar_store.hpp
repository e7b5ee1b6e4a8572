// The calendar store over a vdir folder, the layout vdirsyncer and khal share:
//
//   ROOT/<calendar>/displayname   the calendar's title (optional)
//   ROOT/<calendar>/color         "#rrggbb" (optional)
//   ROOT/<calendar>/<UID>.ics     one event (a single event, or a series with its overrides)
//
// Reading goes through the calendar cache (platform/vdir/calendar_cache.hpp): each file is parsed
// once by the ics reader and kept until it changes; series are expanded only inside the window
// asked for. A file that cannot be read is left alone: one line on standard error the first time
// it is met, and never rewritten. Writes go through the ics edits (platform/ics/edit.hpp) and
// replace files atomically.
//
// Every member is safe to call from any thread; calls are serialised.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/calendar_port.hpp"

namespace talewick {

class VdirCalendarStore : public CalendarEventStorePort {
 public:
  // `userEmails` are the user's own addresses ("mailto:" optional, case ignored): attendees and
  // organizers with one of them are the current user. With `accessDisabled`, nothing is read or
  // written and requestFullAccess() answers false.
  VdirCalendarStore(std::filesystem::path root, std::vector<std::string> userEmails,
                    bool accessDisabled);
  ~VdirCalendarStore() override;
  VdirCalendarStore(const VdirCalendarStore&) = delete;
  VdirCalendarStore& operator=(const VdirCalendarStore&) = delete;

  std::vector<CalendarInfo> calendars() override;
  std::vector<CalendarEvent> events(const EventQuery& query) override;
  void readEvents(const EventQuery& query, const EventReader& read) override;
  std::optional<CalendarEvent> event(const std::string& eventIdentifier,
                                     const std::string& calendarID = {}) override;
  void save(CalendarEvent& event, EventSpan span) override;
  void remove(const CalendarEvent& event, EventSpan span) override;
  bool requestFullAccess() override;

 private:
  template <typename Write>
  void guardedWrite(Write&& write);

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace talewick
