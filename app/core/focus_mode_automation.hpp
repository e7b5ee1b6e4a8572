// The desktop's do-not-disturb while an expedition is focused: switched on when the focus begins
// (if the user asked for it), and put back as it was when the focus ends — also when the program
// that switched it on was killed, at the next start of the daemon, since what to restore is kept
// in the preferences rather than in memory.
#pragma once

#include <optional>
#include <string>

#include "core/preferences.hpp"
#include "kingdom/expedition.hpp"

namespace talewick {

// The desktop's do-not-disturb switch.
class DoNotDisturbPort {
 public:
  virtual ~DoNotDisturbPort() = default;
  // Whether it is on; nullopt when this desktop offers no such switch.
  virtual std::optional<bool> isOn() = 0;
  // False when it could not be set.
  virtual bool set(bool on) = 0;
};

class FocusModeAutomation {
 public:
  static constexpr const char* ENABLED_KEY = "expedition.focusModeAutomation.enabled";
  static constexpr const char* ACTIVE_KEY = "expedition.focusModeAutomation.activeExpeditionID";
  // What the switch was before the automation turned it on.
  static constexpr const char* PREVIOUS_KEY = "expedition.focusModeAutomation.previous";

  // Both outlive the automation.
  FocusModeAutomation(Preferences& prefs, DoNotDisturbPort& desktop);

  // Brings the switch in line with `expedition`: on while it is focused and the automation is
  // enabled, as it was before otherwise. True while the user must not be disturbed (then, even
  // on a desktop without the switch, the program's own notifications wait).
  bool follow(const std::optional<ExpeditionState>& expedition);

 private:
  Preferences& prefs_;
  DoNotDisturbPort& desktop_;
};

}  // namespace talewick
