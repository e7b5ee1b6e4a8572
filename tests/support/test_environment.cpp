#include "tests/support/test_environment.hpp"

#include <stdexcept>

#include "support/local_calendar.hpp"

namespace talewick::testing {

Date localDate(int year, int month, int day, int hour, int minute) {
  auto date = LocalCalendar::dateFrom(CivilTime{year, month, day, hour, minute, 0});
  if (!date) throw std::invalid_argument("unrepresentable local date");
  return *date;
}

DayEvent timedEvent(const std::string& title, Date start, int minutes) {
  DayEvent e;
  e.id = "evt";
  e.title = title;
  e.startDate = start;
  e.endDate = start.adding(60.0 * minutes);
  return e;
}

}  // namespace talewick::testing
