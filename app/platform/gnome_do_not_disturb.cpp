#include "platform/gnome_do_not_disturb.hpp"

#include "platform/programs.hpp"
#include "support/text.hpp"

namespace talewick {
namespace {

constexpr const char* kSchema = "org.gnome.desktop.notifications";
constexpr const char* kKey = "show-banners";  // banners hidden: do not disturb

std::optional<std::string> gsettings() {
  if (!programs::hasSessionBus()) return std::nullopt;
  const auto found = programs::findOnPath("gsettings");
  if (!found) return std::nullopt;
  return found->string();
}

}  // namespace

std::optional<bool> GnomeDoNotDisturb::isOn() {
  const auto program = gsettings();
  if (!program) return std::nullopt;
  const auto output = programs::runForOutput({*program, "get", kSchema, kKey});
  if (!output) return std::nullopt;
  const std::string_view value = text::trim(*output);
  if (value == "true") return false;
  if (value == "false") return true;
  return std::nullopt;
}

bool GnomeDoNotDisturb::set(bool on) {
  const auto program = gsettings();
  return program && programs::runForOutput({*program, "set", kSchema, kKey, on ? "false" : "true"});
}

}  // namespace talewick
