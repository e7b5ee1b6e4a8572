// Guests' answers arriving by mail: what a calendar program sends back to an invitation's
// "rsvp+TOKEN@" address, handed over by the mail server (`talewick-server mail-in`).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "server/storage.hpp"

namespace talewick::server {

struct MailInOutcome {
  int recorded = 0;    // answers saved
  std::string reason;  // why nothing was saved, for the log; empty when something was
};

// The token of an answer address "rsvp+TOKEN@DOMAIN" ("RSVP+" in any case; DOMAIN `mailDomain`
// in any case); empty for any other address or a token not shaped like one.
std::string tokenOfAddress(std::string_view address, std::string_view mailDomain);

// Records the answers `message` carries for the invitation its recipient names. The recipient
// is looked for in `envelopeRecipients` (given by the mail server), then in the Delivered-To,
// X-Original-To, To and Cc headers. Answers are read from the iCalendar replies (METHOD:REPLY)
// anywhere in the message, forwarded messages included; only those for the invitation's UID and
// from one of its guests count, an answer of "needs action" being none. The From header is never
// believed: anyone can write it. Throws StorageError when the storage fails.
MailInOutcome receiveAnswerMail(std::string_view message,
                                const std::vector<std::string>& envelopeRecipients,
                                std::string_view mailDomain, Storage& storage, std::int64_t now);

}  // namespace talewick::server
