#include "text/calendar_invite.hpp"

#include <tuple>

namespace talewick {

using json_coding::Field;

static const auto kInviteeFields =
    std::tuple{Field{"email", &CalendarInvitee::email}, Field{"name", &CalendarInvitee::name}};
TALEWICK_JSON_CODING(CalendarInvitee, kInviteeFields)

static const auto kInviteFields =
    std::tuple{Field{"uid", &CalendarInvite::uid},
               Field{"title", &CalendarInvite::title},
               Field{"start", &CalendarInvite::start},
               Field{"end", &CalendarInvite::end},
               Field{"isAllDay", &CalendarInvite::isAllDay},
               Field{"location", &CalendarInvite::location},
               Field{"description", &CalendarInvite::description},
               Field{"organizerName", &CalendarInvite::organizerName},
               Field{"organizerEmail", &CalendarInvite::organizerEmail},
               Field{"organizerSentBy", &CalendarInvite::organizerSentBy},
               Field{"invitees", &CalendarInvite::invitees},
               Field{"sequence", &CalendarInvite::sequence}};
TALEWICK_JSON_CODING(CalendarInvite, kInviteFields)

}  // namespace talewick
