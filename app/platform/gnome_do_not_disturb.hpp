// Do-not-disturb on a GNOME desktop: its notification banners, through gsettings. Elsewhere (no
// session, no gsettings, no such key) there is no switch.
#pragma once

#include "core/focus_mode_automation.hpp"

namespace talewick {

class GnomeDoNotDisturb : public DoNotDisturbPort {
 public:
  std::optional<bool> isOn() override;
  bool set(bool on) override;
};

}  // namespace talewick
