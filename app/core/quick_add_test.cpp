// Guests as typed, and where a repeated event's series starts.
#include "core/quick_add.hpp"

#include <gtest/gtest.h>

#include "support/local_calendar.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick {
namespace {

using testing::localDate;

TEST(QuickAddGuests, AnAddressIsFoundWhereverItIsWrittenAndTheRestIsTheName) {
  using G = QuickAdd::Guest;
  EXPECT_EQ(QuickAdd::guestOf("Paul"), (G{"Paul", std::nullopt}));
  EXPECT_EQ(QuickAdd::guestOf("lea@exemple.fr"), (G{"", "lea@exemple.fr"}));
  EXPECT_EQ(QuickAdd::guestOf("Léa <lea@exemple.fr>"), (G{"Léa", "lea@exemple.fr"}));
  EXPECT_EQ(QuickAdd::guestOf("\"Léa Martin\" (MAILTO:lea@exemple.fr)"),
            (G{"Léa Martin", "lea@exemple.fr"}));
  // Not addresses: no dotted domain, two "@", nothing before the "@".
  EXPECT_EQ(QuickAdd::guestOf("paul@maison"), (G{"paul@maison", std::nullopt}));
  EXPECT_EQ(QuickAdd::guestOf("a@b@c.fr"), (G{"a@b@c.fr", std::nullopt}));
  EXPECT_EQ(QuickAdd::guestOf("@exemple.fr"), (G{"@exemple.fr", std::nullopt}));
  // Only the first address counts; a second stays in the name rather than being lost.
  EXPECT_EQ(QuickAdd::guestOf("a@x.fr b@y.fr"), (G{"b@y.fr", "a@x.fr"}));
}

ParsedEvent weeklyDraft(Date start, std::vector<int64_t> weekdays) {
  ParsedEvent draft;
  draft.title = "Sport";
  draft.start = start;
  ParsedRecurrence rule;
  rule.frequency = ParsedRecurrence::Frequency::weekly;
  rule.weekdays = std::move(weekdays);
  draft.recurrence = rule;
  return draft;
}

TEST(QuickAddSeries, AWeeklySeriesStartsOnTheFirstDayItsRuleNames) {
  const Date wednesday = localDate(2026, 12, 9, 18);
  // Monday and Friday: Friday comes first from a Wednesday.
  EXPECT_EQ(QuickAdd::firstOccurrence(weeklyDraft(wednesday, {2, 6})), localDate(2026, 12, 11, 18));
  // The day itself when the rule names it; no day named, or days out of range: as said.
  EXPECT_EQ(QuickAdd::firstOccurrence(weeklyDraft(wednesday, {4})), wednesday);
  EXPECT_EQ(QuickAdd::firstOccurrence(weeklyDraft(wednesday, {})), wednesday);
  EXPECT_EQ(QuickAdd::firstOccurrence(weeklyDraft(wednesday, {0, 9})), wednesday);
  // Ending before its first named day: the start it was given, not an empty series.
  ParsedEvent shortLived = weeklyDraft(wednesday, {2});
  shortLived.recurrence->until = localDate(2026, 12, 10, 23, 59);
  EXPECT_EQ(QuickAdd::firstOccurrence(shortLived), wednesday);
  // Daily and monthly series start as said.
  ParsedEvent daily = weeklyDraft(wednesday, {2});
  daily.recurrence->frequency = ParsedRecurrence::Frequency::daily;
  EXPECT_EQ(QuickAdd::firstOccurrence(daily), wednesday);
}

TEST(QuickAddSeries, TheEventCarriesTheRuleAsARecordWithEachDayOnce) {
  ParsedEvent draft = weeklyDraft(localDate(2026, 12, 9, 18), {6, 2, 6, 12});
  draft.isAllDay = true;
  const QuickAdd::Draft made = QuickAdd::eventOf(draft, "perso");
  ASSERT_TRUE(made.event.recurrence);
  EXPECT_EQ(made.event.recurrence->weekdays, (std::vector<int64_t>{6, 2}));
  EXPECT_TRUE(made.event.hasRecurrenceRules);
  // All day: from the local midnight of the first named day (Friday) to the next.
  EXPECT_EQ(made.event.start, localDate(2026, 12, 11));
  EXPECT_EQ(made.event.end, localDate(2026, 12, 12));
}

}  // namespace
}  // namespace talewick
