#include "server/mail_in.hpp"

#include <cctype>

#include "server/calendar_reply.hpp"
#include "server/mime.hpp"
#include "text/rsvp.hpp"
#include "text/rsvp_token.hpp"

namespace talewick::server {

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string tokenOfAddress(std::string_view address, std::string_view mailDomain) {
  const std::size_t at = address.rfind('@');
  if (at == std::string_view::npos || !sameIgnoringCase(address.substr(at + 1), mailDomain)) {
    return "";
  }
  const std::string_view local = address.substr(0, at);
  if (local.size() < 5 || !sameIgnoringCase(local.substr(0, 5), "rsvp+")) return "";
  const std::string_view token = local.substr(5);
  return RSVPToken::isValidToken(token) ? std::string(token) : "";
}

MailInOutcome receiveAnswerMail(std::string_view text,
                                const std::vector<std::string>& envelopeRecipients,
                                std::string_view mailDomain, Storage& storage, std::int64_t now) {
  const mime::Part message = mime::parse(text);
  std::vector<std::string> recipients = envelopeRecipients;
  for (const char* header : {"delivered-to", "x-original-to", "to", "cc"}) {
    for (const std::string& value : message.all(header)) {
      for (std::string& address : mime::addresses(value)) recipients.push_back(std::move(address));
    }
  }
  std::optional<Invitation> invitation;
  for (const std::string& recipient : recipients) {
    const std::string token = tokenOfAddress(recipient, mailDomain);
    if (token.empty()) continue;
    invitation = storage.invitationWithToken(token);
    if (invitation) break;
  }
  if (!invitation) return {0, "no answer address of a known invitation"};

  MailInOutcome outcome;
  for (const mime::Part* part : mime::partsOfType(message, {"text/calendar", "application/ics"})) {
    for (const CalendarReply& reply : calendarReplies(part->body)) {
      if (reply.uid != invitation->uid) continue;
      const RSVPStatus status = rsvpStatus(reply.partstat);
      if (!hasResponded(status)) continue;
      const std::optional<std::string> comment =
          reply.comment && !reply.comment->empty() ? reply.comment : std::nullopt;
      if (storage.saveAnswer(invitation->uid, reply.attendee, std::string(rawValue(status)), now,
                             comment)) {
        ++outcome.recorded;
      }
    }
  }
  if (outcome.recorded == 0) outcome.reason = "no answer from a guest of the invitation";
  return outcome;
}

}  // namespace talewick::server
