// Answers to calendar invitations: the answer itself, the key that names one invited occurrence
// across devices, and the flavour texts shown around the question and the answer.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "game/enums.hpp"
#include "support/date.hpp"
#include "support/enum_traits.hpp"

namespace talewick {

enum class RSVPStatus { accepted, declined, tentative, needsAction };
template <>
struct EnumTraits<RSVPStatus> {
  static constexpr std::array<std::string_view, 4> names{"accepted", "declined", "tentative",
                                                         "needsAction"};
};

constexpr bool hasResponded(RSVPStatus status) { return status != RSVPStatus::needsAction; }

// The answer an iCalendar PARTSTAT value stands for, in any case: ACCEPTED, DECLINED and
// TENTATIVE are answers; anything else (NEEDS-ACTION, DELEGATED, a value of tomorrow) is none.
RSVPStatus rsvpStatus(std::string_view partstat);

// One invited occurrence: the event's identifier as other devices see it, "|", and the start's
// whole seconds since 1970 (nothing after the bar without a start). Occurrences of a series
// differ by their start.
std::string invitationKey(std::string_view externalIdentifier, std::optional<Date> start);

namespace InviteRSVPLore {

struct Strings {
  std::string noticeTitle;  // the question, when an invitation awaits the user's answer
  std::string noticeBody;
  std::string accepted;  // once the user's "yes" went out
  bool operator==(const Strings&) const = default;
};

Strings strings(RPGMode mode);

std::string acceptAction();
std::string tentativeAction();
std::string declineAction();
std::string tentativeConfirmed();
std::string declinedConfirmed();
std::string failed();

}  // namespace InviteRSVPLore
}  // namespace talewick
