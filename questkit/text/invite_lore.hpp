// The line of story an invitation carries, chosen from the kind of activity its title names.
#pragma once

#include <string>
#include <string_view>

namespace talewick::InviteLore {

// The localised line of the title's archetype, or the general line for an archetype without
// one of its own.
std::string line(std::string_view forTitle);

}  // namespace talewick::InviteLore
