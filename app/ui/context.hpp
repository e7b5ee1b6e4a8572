// The long-lived objects a command may need, made on first use so that a command touches only
// what it uses (`talewick level` never opens the calendar folder).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/calendar_port.hpp"
#include "core/calendar_selection.hpp"
#include "core/preferences.hpp"
#include "core/reminders_port.hpp"

namespace talewick::ui {

class AppContext {
 public:
  AppContext();
  ~AppContext();

  Preferences& preferences();
  CalendarSelection& selection();
  // The calendar folder's store. A default folder is created on first use; a configured folder
  // that does not exist is an error (std::runtime_error with a French message).
  CalendarEventStorePort& calendarStore();
  RemindersStorePort& remindersStore();

  // The user's own addresses (preference "identity.emails": a list, or one text with commas).
  std::vector<std::string> identityEmails();
  // The identifiers of every calendar, for set operations.
  std::vector<std::string> calendarIDs();

 private:
  std::unique_ptr<Preferences> preferences_;
  std::unique_ptr<CalendarSelection> selection_;
  std::unique_ptr<CalendarEventStorePort> calendarStore_;
  std::unique_ptr<RemindersStorePort> remindersStore_;
};

}  // namespace talewick::ui
