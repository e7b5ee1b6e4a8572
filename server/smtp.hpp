// Handing mail to the configured SMTP server, with libcurl's SMTP client.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "server/config.hpp"

namespace talewick::server {

// A message the SMTP server did not take; the text is one line naming the recipient and the
// reason (never the password).
struct MailError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct OutgoingMail {
  std::string recipient;  // the envelope's recipient, a bare address
  std::string message;    // the whole message, lines ended by CR LF
};

// Sends `mails` in order over one connection to `smtp` (authenticated when a user is set; TLS as
// its security says), the envelope's sender being `envelopeSender`. Throws MailError at the
// first message refused: the ones before it are sent.
void sendMails(const SmtpSettings& smtp, const std::string& envelopeSender,
               const std::vector<OutgoingMail>& mails);

}  // namespace talewick::server
