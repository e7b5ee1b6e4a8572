// Do-not-disturb during a focused expedition: on only when asked for, restored as it was — after
// the focus, after a kill, and again later when the desktop refused to take it back.
#include "core/focus_mode_automation.hpp"

#include <gtest/gtest.h>

#include "tests/support/fake_calendar_store.hpp"

namespace talewick {
namespace {

struct FakeDesktop : DoNotDisturbPort {
  std::optional<bool> on = false;  // nullopt: no switch on this desktop
  bool refuse = false;
  int sets = 0;
  std::optional<bool> isOn() override { return on; }
  bool set(bool value) override {
    ++sets;
    if (refuse || !on) return false;
    on = value;
    return true;
  }
};

ExpeditionState expedition(const std::string& id, ExpeditionPhase phase) {
  auto made = ExpeditionState::make(
      id, ExpeditionTarget::calendarEvent("quest_revue", "Revue", {40, 12}), Date{0}, 25, phase);
  return std::get<ExpeditionState>(made);
}

TEST(FocusModeAutomation, OnWhileFocusedThenBackAsItWasEvenAfterAKill) {
  testing::MemoryPreferences prefs;
  FakeDesktop desktop;
  const auto focused = expedition("e1", ExpeditionPhase::focused);
  {
    FocusModeAutomation automation(prefs, desktop);
    EXPECT_FALSE(automation.follow(focused));  // not asked for
    EXPECT_EQ(desktop.sets, 0);
    prefs.set(FocusModeAutomation::ENABLED_KEY, true);
    EXPECT_FALSE(automation.follow(expedition("e1", ExpeditionPhase::outbound)));
    EXPECT_TRUE(automation.follow(focused));
    EXPECT_EQ(desktop.on, true);
    EXPECT_TRUE(automation.follow(focused));
    EXPECT_EQ(desktop.sets, 1);
  }
  // Killed while focused: the next daemon finds the expedition over and restores the switch.
  FocusModeAutomation next(prefs, desktop);
  EXPECT_FALSE(next.follow(std::nullopt));
  EXPECT_EQ(desktop.on, false);
  EXPECT_FALSE(prefs.value(FocusModeAutomation::ACTIVE_KEY));

  // A user who had it on already keeps it on afterwards.
  desktop.on = true;
  EXPECT_TRUE(next.follow(focused));
  EXPECT_FALSE(next.follow(expedition("e1", ExpeditionPhase::resolved)));
  EXPECT_EQ(desktop.on, true);
}

TEST(FocusModeAutomation, ARefusedRestoreIsTriedAgainAndADesktopWithoutTheSwitchIsLeftAlone) {
  testing::MemoryPreferences prefs;
  prefs.set(FocusModeAutomation::ENABLED_KEY, true);
  FakeDesktop desktop;
  FocusModeAutomation automation(prefs, desktop);
  ASSERT_TRUE(automation.follow(expedition("e1", ExpeditionPhase::focused)));
  desktop.refuse = true;
  automation.follow(std::nullopt);
  EXPECT_EQ(desktop.on, true);
  EXPECT_TRUE(prefs.value(FocusModeAutomation::ACTIVE_KEY));
  desktop.refuse = false;
  automation.follow(std::nullopt);
  EXPECT_EQ(desktop.on, false);

  FakeDesktop none;
  none.on = std::nullopt;
  FocusModeAutomation without(prefs, none);
  EXPECT_TRUE(without.follow(expedition("e2", ExpeditionPhase::focused)));
  EXPECT_EQ(none.sets, 0);
  EXPECT_FALSE(prefs.value(FocusModeAutomation::ACTIVE_KEY));
}

}  // namespace
}  // namespace talewick
