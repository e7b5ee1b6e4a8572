#include "core/focus_mode_automation.hpp"

namespace talewick {

FocusModeAutomation::FocusModeAutomation(Preferences& prefs, DoNotDisturbPort& desktop)
    : prefs_(prefs), desktop_(desktop) {}

bool FocusModeAutomation::follow(const std::optional<ExpeditionState>& expedition) {
  const std::optional<Json> enabled = prefs_.value(ENABLED_KEY);
  const bool wanted = enabled && enabled->is_boolean() && enabled->get<bool>() && expedition &&
                      expedition->phase == ExpeditionPhase::focused;
  const std::optional<std::string> active = prefs_.string(ACTIVE_KEY);
  if (wanted) {
    if (active == expedition->id) return true;
    if (!active) {
      // The state to come back to is saved before anything is switched.
      const std::optional<bool> before = desktop_.isOn();
      if (!before) return true;  // no switch here: only the program's own notifications wait
      prefs_.set(PREVIOUS_KEY, *before);
    }
    prefs_.set(ACTIVE_KEY, expedition->id);
    desktop_.set(true);
    return true;
  }
  if (!active) return false;
  const std::optional<Json> previous = prefs_.value(PREVIOUS_KEY);
  const bool before = previous && previous->is_boolean() && previous->get<bool>();
  // Kept until the desktop takes it back: a switch that failed is tried again next time.
  if (!desktop_.set(before)) return false;
  prefs_.remove(ACTIVE_KEY);
  prefs_.remove(PREVIOUS_KEY);
  return false;
}

}  // namespace talewick
