// Hidden calendars and calendar sets, kept in the preferences.
#include "core/calendar_selection.hpp"

#include <gtest/gtest.h>

#include "tests/support/fake_calendar_store.hpp"
#include "text/calendar_sets.hpp"

namespace talewick {
namespace {

using testing::MemoryPreferences;

const std::vector<std::string> kAll = {"famille", "perso", "travail"};

TEST(CalendarSelection, ToggleClearsTheActiveSetAndPersists) {
  MemoryPreferences prefs;
  prefs.values[CalendarSelection::ACTIVE_SET_KEY] = "S";
  CalendarSelection selection(prefs);
  selection.toggleCalendar("travail");
  EXPECT_EQ(selection.hidden(), std::set<std::string>{"travail"});
  EXPECT_FALSE(prefs.values.contains(CalendarSelection::ACTIVE_SET_KEY));
  EXPECT_EQ(prefs.values[CalendarSelection::HIDDEN_KEY], Json::array({"travail"}));
  selection.toggleCalendar("travail");
  EXPECT_TRUE(CalendarSelection(prefs).hidden().empty());
}

TEST(CalendarSelection, CreatingASetActivatesIt) {
  MemoryPreferences prefs;
  CalendarSelection selection(prefs);
  selection.toggleCalendar("travail");
  const CalendarSet set = selection.createSet("Maison", "  ", kAll);
  EXPECT_EQ(set.emoji, "⚔️");
  EXPECT_EQ(set.calendarIDs, (std::vector<std::string>{"famille", "perso"}));
  EXPECT_EQ(selection.activeSetID(), set.id);
  EXPECT_EQ(prefs.values[CalendarSelection::ACTIVE_SET_KEY], set.id);

  selection.activateSet(std::nullopt, kAll);
  EXPECT_TRUE(selection.hidden().empty());
  EXPECT_FALSE(prefs.values.contains(CalendarSelection::ACTIVE_SET_KEY));
  EXPECT_TRUE(selection.activateSet(set.id, kAll));
  EXPECT_EQ(selection.hidden(), std::set<std::string>{"travail"});
  EXPECT_FALSE(selection.activateSet("nope", kAll));

  // A new instance reads everything back.
  CalendarSelection again(prefs);
  ASSERT_EQ(again.sets().size(), 1u);
  EXPECT_EQ(again.sets()[0], set);
  EXPECT_TRUE(again.deleteSet(set.id));
  EXPECT_FALSE(again.deleteSet(set.id));
  EXPECT_TRUE(CalendarSelection(prefs).sets().empty());
}

TEST(CalendarSelection, DamagedValuesCountAsAbsent) {
  MemoryPreferences prefs;
  prefs.values[CalendarSelection::SETS_KEY] = Json::array({Json{{"id", 3}}});
  prefs.values[CalendarSelection::HIDDEN_KEY] = "not a list";
  CalendarSelection selection(prefs);
  EXPECT_TRUE(selection.sets().empty());
  EXPECT_TRUE(selection.hidden().empty());
}

TEST(CalendarPick, Prefill) {
  const std::vector<std::string> available = {"a", "b"};
  EXPECT_EQ(CalendarPick::prefill("b", "a", available), "b");
  EXPECT_EQ(CalendarPick::prefill("z", "a", available), "a");
  EXPECT_EQ(CalendarPick::prefill(std::nullopt, "z", available), "a");
  EXPECT_EQ(CalendarPick::prefill("a", "b", {}), std::nullopt);
  const CalendarSet set{"1", "n", "e", {"a"}};
  EXPECT_EQ(CalendarSets::hidden(set, {"a", "b", "c"}), (std::vector<std::string>{"b", "c"}));
  EXPECT_TRUE(CalendarSets::isVisible("a", set));
}

}  // namespace
}  // namespace talewick
