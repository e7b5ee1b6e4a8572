#include "server/invite_mail.hpp"

#include "server/mail_header.hpp"
#include "support/percent_encoding.hpp"
#include "text/rsvp.hpp"

namespace talewick::server {

namespace {

// Text lines end with CR LF in mail; the client's texts hold plain line feeds.
std::string crlf(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') continue;
    if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string textBody(const InviteRequest& request, const InviteGuest& guest,
                     const MailContext& context) {
  std::string text;
  if (!request.lore.empty()) text += request.lore + "\n\n";
  text += request.eventTitle + "\n";
  text += "Quand : " + request.whenLabel + "\n";
  if (request.location && !request.location->empty()) text += "Où : " + *request.location + "\n";
  text += "Organisé par " + request.organizerName.value_or(request.organizerEmail) + " (" +
          request.organizerEmail + ")\n\n";
  if (!context.publicBaseURL.empty()) {
    text += "Ta réponse :\n";
    const std::pair<std::string, std::string> answers[] = {
        {InviteRSVPLore::acceptAction(), "accepted"},
        {InviteRSVPLore::tentativeAction(), "tentative"},
        {InviteRSVPLore::declineAction(), "declined"}};
    for (const auto& [label, answer] : answers) {
      text += label + " : " +
              answerLink(context.publicBaseURL, request.token, request.uid, guest.email, answer) +
              "\n";
    }
    text += "\n";
  }
  text += "Ton agenda peut aussi répondre : l'invitation y est jointe.\n";
  return crlf(text);
}

}  // namespace

std::string replyAddress(const std::string& token, const std::string& mailDomain) {
  return "rsvp+" + token + "@" + mailDomain;
}

std::string answerLink(const std::string& publicBaseURL, const std::string& token,
                       const std::string& uid, const std::string& email,
                       const std::string& answer) {
  return publicBaseURL + "/rsvp/" + token + "/" + percentEncoded(uid) +
         "?email=" + percentEncoded(email) + "&answer=" + answer;
}

std::string inviteMail(const InviteRequest& request, const InviteGuest& guest,
                       const MailContext& context) {
  const std::string boundary = "=_talewick_" + context.uniqueId;
  std::string message;
  message +=
      "From: " +
      mail::mailbox(request.organizerName.value_or(request.organizerEmail), context.fromAddress) +
      "\r\n";
  message += "Reply-To: " + replyAddress(request.token, context.mailDomain) + "\r\n";
  message += "To: " + mail::mailbox(guest.name.value_or(""), guest.email) + "\r\n";
  message += "Subject: " + mail::headerText(request.subject) + "\r\n";
  message += "Date: " + mail::headerDate(context.now) + "\r\n";
  message += "Message-ID: <" + context.uniqueId + "@" + context.mailDomain + ">\r\n";
  message += "MIME-Version: 1.0\r\n";
  message += "Content-Type: multipart/alternative; boundary=\"" + boundary + "\"\r\n";
  message += "\r\n";
  message += "--" + boundary + "\r\n";
  message += "Content-Type: text/plain; charset=UTF-8\r\n";
  message += "Content-Transfer-Encoding: base64\r\n\r\n";
  message += mail::base64Lines(textBody(request, guest, context));
  message += "--" + boundary + "\r\n";
  message += "Content-Type: text/calendar; method=REQUEST; charset=UTF-8\r\n";
  message += "Content-Transfer-Encoding: base64\r\n\r\n";
  message += mail::base64Lines(request.ics);
  message += "--" + boundary + "--\r\n";
  return message;
}

}  // namespace talewick::server
