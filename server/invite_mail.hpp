// The mail one guest receives for an invitation: a text for people, links to answer from any
// browser, and the calendar request for calendar programs, whose answers go to the relay's
// "rsvp+TOKEN@" address.
#pragma once

#include <cstdint>
#include <string>

#include "server/invite_request.hpp"

namespace talewick::server {

struct MailContext {
  std::string fromAddress;    // the relay's own sender address (bare)
  std::string mailDomain;     // the domain of the answer addresses
  std::string publicBaseURL;  // where the answer links lead; empty: the mail carries none
  std::int64_t now = 0;       // seconds since 1970
  std::string uniqueId;       // random: the Message-ID's left part and the parts' boundary
};

// "rsvp+TOKEN@DOMAIN".
std::string replyAddress(const std::string& token, const std::string& mailDomain);

// BASE/rsvp/TOKEN/UID?email=…&answer=… for the answer "accepted", "tentative" or "declined".
std::string answerLink(const std::string& publicBaseURL, const std::string& token,
                       const std::string& uid, const std::string& email, const std::string& answer);

// The whole message for `guest` (headers and body, lines ended by CR LF): multipart/alternative
// of a text/plain part and the request's calendar text as text/calendar; method=REQUEST, both in
// base64. Reply-To is the answer address; From carries the organizer's name over the relay's
// address.
std::string inviteMail(const InviteRequest& request, const InviteGuest& guest,
                       const MailContext& context);

}  // namespace talewick::server
