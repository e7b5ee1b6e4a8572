// Open slots for a booking page: the step grid of each day's window, busy intervals and the break
// after them, weekends, and the days the clocks change.
#include "kingdom/availability.hpp"

#include <gtest/gtest.h>

namespace talewick {

void PrintTo(const Date& d, std::ostream* os) { *os << iso8601::format(d, 0); }

namespace {

Date at(const char* text) {
  const auto parsed = iso8601::parse(text);
  EXPECT_TRUE(parsed && parsed->offsetSeconds) << text;
  return iso8601::instant(parsed->civil, parsed->offsetSeconds.value_or(0));
}

DateInterval between(const char* start, const char* end) { return {at(start), at(end)}; }

// The starts of the slots, after checking each lasts `minutes`.
std::vector<Date> startsOf(const std::vector<DateInterval>& slots, int64_t minutes) {
  std::vector<Date> starts;
  for (const DateInterval& s : slots) {
    EXPECT_EQ(s.end - s.start, static_cast<double>(minutes) * 60.0);
    starts.push_back(s.start);
  }
  return starts;
}

std::vector<Date> dates(std::initializer_list<const char*> texts) {
  std::vector<Date> out;
  for (const char* t : texts) out.push_back(at(t));
  return out;
}

const Date kMondayMorning = at("2026-03-16T08:00:00+01:00");

TEST(Availability, SlotsKeepClearOfBusyTimeAndTheBreakAfter) {
  const AvailabilityConfig hourSlots{60, 9, 12, 30, 15, false, 1};
  EXPECT_EQ(
      startsOf(Availability::openSlots({}, kMondayMorning, hourSlots), 60),
      dates({"2026-03-16T09:00:00+01:00", "2026-03-16T09:30:00+01:00", "2026-03-16T10:00:00+01:00",
             "2026-03-16T10:30:00+01:00", "2026-03-16T11:00:00+01:00"}));
  // A meeting 10:00–10:30: a slot may end as it starts, and the next waits for 10:45.
  const std::vector<DateInterval> meeting{
      between("2026-03-16T10:00:00+01:00", "2026-03-16T10:30:00+01:00")};
  EXPECT_EQ(startsOf(Availability::openSlots(meeting, kMondayMorning, hourSlots), 60),
            dates({"2026-03-16T09:00:00+01:00", "2026-03-16T11:00:00+01:00"}));

  // Busy intervals in any order, overlapping, one from the night before, one written backwards
  // (an instant, which still takes its break).
  const AvailabilityConfig halfHours{30, 9, 12, 30, 15, false, 1};
  const std::vector<DateInterval> busy{
      between("2026-03-16T10:40:00+01:00", "2026-03-16T10:10:00+01:00"),
      between("2026-03-15T22:00:00+01:00", "2026-03-16T09:10:00+01:00"),
      between("2026-03-16T09:05:00+01:00", "2026-03-16T09:20:00+01:00"),
  };
  EXPECT_EQ(startsOf(Availability::openSlots(busy, kMondayMorning, halfHours), 30),
            dates({"2026-03-16T10:00:00+01:00", "2026-03-16T11:00:00+01:00",
                   "2026-03-16T11:30:00+01:00"}));
}

TEST(Availability, NothingBeforeFromAndTheGridStartsWithTheWindow) {
  const AvailabilityConfig config{30, 9, 11, 20, 0, false, 1};
  EXPECT_EQ(startsOf(Availability::openSlots({}, at("2026-03-16T09:50:00+01:00"), config), 30),
            dates({"2026-03-16T10:00:00+01:00", "2026-03-16T10:20:00+01:00"}));
}

TEST(Availability, WeekendsAndTheHorizon) {
  const Date saturday = at("2026-03-14T08:00:00+01:00");
  const AvailabilityConfig weekdays{60, 9, 10, 60, 0, true, 3};
  EXPECT_EQ(startsOf(Availability::openSlots({}, saturday, weekdays), 60),
            dates({"2026-03-16T09:00:00+01:00"}));
  AvailabilityConfig everyDay = weekdays;
  everyDay.weekdaysOnly = false;
  EXPECT_EQ(startsOf(Availability::openSlots({}, saturday, everyDay), 60),
            dates({"2026-03-14T09:00:00+01:00", "2026-03-15T09:00:00+01:00",
                   "2026-03-16T09:00:00+01:00"}));
  everyDay.horizonDays = 1'000'000;
  EXPECT_EQ(Availability::openSlots({}, saturday, everyDay).size(),
            size_t(Availability::MAX_HORIZON_DAYS));
}

TEST(Availability, WindowsFollowTheClockOnDaylightSavingDays) {
  const AvailabilityConfig night{60, 0, 6, 60, 0, false, 1};
  // Clocks go forward at 2:00: five hours from midnight to six.
  EXPECT_EQ(
      startsOf(Availability::openSlots({}, at("2026-03-29T00:00:00+01:00"), night), 60),
      dates({"2026-03-29T00:00:00+01:00", "2026-03-29T01:00:00+01:00", "2026-03-29T03:00:00+02:00",
             "2026-03-29T04:00:00+02:00", "2026-03-29T05:00:00+02:00"}));
  // Clocks go back at 3:00: seven hours, 2:00 twice.
  EXPECT_EQ(
      startsOf(Availability::openSlots({}, at("2026-10-25T00:00:00+02:00"), night), 60),
      dates({"2026-10-25T00:00:00+02:00", "2026-10-25T01:00:00+02:00", "2026-10-25T02:00:00+02:00",
             "2026-10-25T02:00:00+01:00", "2026-10-25T03:00:00+01:00", "2026-10-25T04:00:00+01:00",
             "2026-10-25T05:00:00+01:00"}));
  // A whole day of the window: 25 one-hour slots.
  const AvailabilityConfig allDay{60, 0, 24, 60, 0, false, 1};
  EXPECT_EQ(Availability::openSlots({}, at("2026-10-25T00:00:00+02:00"), allDay).size(), 25u);
}

TEST(Availability, ConfigurationsThatAllowNoSlot) {
  for (const AvailabilityConfig& config : {AvailabilityConfig{30, 9, 18, 0, 0, false, 7},
                                           AvailabilityConfig{0, 9, 18, 30, 0, false, 7},
                                           AvailabilityConfig{30, 12, 9, 30, 0, false, 7},
                                           AvailabilityConfig{30, 9, 18, 30, 0, false, 0},
                                           AvailabilityConfig{600, 9, 18, 30, 0, false, 7}}) {
    EXPECT_TRUE(Availability::openSlots({}, kMondayMorning, config).empty()) << Json(config).dump();
  }
}

TEST(Availability, ConfigJsonNamesEveryField) {
  const AvailabilityConfig config{45, 8, 17, 15, 10, true, 5};
  const std::string text = Json(config).dump();
  EXPECT_EQ(text, R"({"slotMinutes":45,"dayStartHour":8,"dayEndHour":17,"stepMinutes":15,)"
                  R"("breakMinutes":10,"weekdaysOnly":true,"horizonDays":5})");
  EXPECT_EQ(decodeJsonText<AvailabilityConfig>(text), config);
  EXPECT_THROW(decodeJsonText<AvailabilityConfig>(R"({"slotMinutes":45})"), DecodeError);
}

}  // namespace
}  // namespace talewick
