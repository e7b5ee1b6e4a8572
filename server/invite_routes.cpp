#include "server/invite_routes.hpp"

#include <chrono>

#include "server/crypto.hpp"
#include "server/html_text.hpp"
#include "server/invite_mail.hpp"
#include "server/invite_request.hpp"
#include "server/mail_header.hpp"
#include "server/mime.hpp"
#include "server/responses.hpp"
#include "server/smtp.hpp"
#include "server/time_text.hpp"
#include "text/rsvp.hpp"

namespace talewick::server {

namespace {

using httplib::Request;
using httplib::Response;
using nlohmann::json;

// The answer page's look: one column of text, nothing else.
constexpr const char* PAGE_STYLE =
    "body{font-family:sans-serif;max-width:32em;margin:3em auto;padding:0 1em}";

// Sends the answer page titled `title`.
void sendPageOf(Response& response, int status, const std::string& title, const std::string& body) {
  sendPage(response, status, html::document(title, PAGE_STYLE, body));
}

std::int64_t now() { return unixSeconds(std::chrono::system_clock::now()); }

// The invitation `uid` when `token` is its token, compared in a time that does not tell how
// much of a guess was right.
std::optional<Invitation> matching(Storage& storage, const std::string& uid,
                                   const std::string& token) {
  std::optional<Invitation> found = storage.invitation(uid);
  if (!found || !crypto::sameSecret(token, found->token)) return std::nullopt;
  return found;
}

const InvitedGuest* guestOf(const Invitation& invitation, const std::string& email) {
  for (const InvitedGuest& guest : invitation.guests) {
    if (guestKey(guest.email) == guestKey(email)) return &guest;
  }
  return nullptr;
}

std::optional<std::string> answerLabel(const std::string& answer) {
  if (answer == "accepted") return InviteRSVPLore::acceptAction();
  if (answer == "tentative") return InviteRSVPLore::tentativeAction();
  if (answer == "declined") return InviteRSVPLore::declineAction();
  return std::nullopt;
}

}  // namespace

void InviteRoutes::send(const std::string& userId, const json& body, Response& response) const {
  const SmtpSettings& smtp = config_.smtp;
  const std::vector<std::string> from = mime::addresses(smtp.from);
  if (smtp.host.empty() || smtp.mailDomain.empty() || from.empty()) {
    return sendError(response, 503,
                     "Ce serveur n'envoie pas d'invitations : réglages smtp.host, smtp.from et "
                     "smtp.mailDomain à remplir.");
  }
  std::variant<InviteRequest, std::string> read = readInviteRequest(body);
  if (auto* refusal = std::get_if<std::string>(&read)) return sendError(response, 400, *refusal);
  const InviteRequest& request = std::get<InviteRequest>(read);

  Invitation invitation{request.uid,      request.token,      userId,
                        request.sequence, request.eventTitle, {}};
  for (const InviteGuest& guest : request.invitees) {
    invitation.guests.push_back({guest.email, guest.name, "needsAction", {}, {}});
  }
  // Stored before mailing: a guest who answers the first mail at once is already expected.
  if (!storage_.saveInvitation(invitation)) {
    return sendError(response, 409, "Cette invitation (UID ou jeton) appartient à un autre envoi.");
  }

  std::vector<OutgoingMail> mails;
  for (const InviteGuest& guest : request.invitees) {
    const MailContext context{from.front(), smtp.mailDomain, config_.publicBaseURL, now(),
                              crypto::randomHex(16)};
    mails.push_back({guest.email, inviteMail(request, guest, context)});
  }
  try {
    sendMails(smtp, from.front(), mails);
  } catch (const MailError& e) {
    log_.write("warning", "invitation not mailed", {{"uid", request.uid}, {"error", e.what()}});
    return sendError(response, 502, std::string("Envoi de l'invitation impossible : ") + e.what());
  }
  log_.write("info", "invitation mailed",
             {{"uid", request.uid}, {"guests", request.invitees.size()}});
  sendJson(response, 200, {{"sent", request.invitees.size()}});
}

void InviteRoutes::answers(const Request& request, Response& response) const {
  const std::optional<Invitation> invitation =
      matching(storage_, request.get_param_value("uid"), request.get_param_value("token"));
  if (!invitation) return sendError(response, 404, "Invitation inconnue.");
  json invitees = json::array();
  for (const InvitedGuest& guest : invitation->guests) {
    json entry = {{"email", guest.email}};
    if (guest.name) entry["name"] = *guest.name;
    entry["status"] = guest.status;
    if (guest.respondedAt) entry["respondedAt"] = isoSeconds(*guest.respondedAt);
    if (guest.comment) entry["comment"] = *guest.comment;
    invitees.push_back(std::move(entry));
  }
  sendJson(response, 200,
           {{"uid", invitation->uid}, {"sequence", invitation->sequence}, {"invitees", invitees}});
}

void InviteRoutes::answerPage(const Request& request, Response& response, bool record) const {
  const std::optional<Invitation> invitation =
      matching(storage_, request.matches[2].str(), request.matches[1].str());
  const std::string email = request.get_param_value("email");
  const InvitedGuest* guest = invitation ? guestOf(*invitation, email) : nullptr;
  if (!guest) {
    return sendPageOf(
        response, 404, "Invitation inconnue",
        "<p>Cette invitation est inconnue, ou cette adresse n'y est pas invitée.</p>");
  }
  const std::string answer = request.get_param_value("answer");
  const std::optional<std::string> label = answerLabel(answer);
  if (!label) {
    return sendPageOf(response, 400, invitation->title,
                      "<p>Réponse inconnue : accepted, tentative ou declined.</p>");
  }
  const std::string heading = "<h1>" + html::escaped(invitation->title) + "</h1>";
  const std::string who =
      html::escaped(guest->name ? *guest->name + " (" + guest->email + ")" : guest->email);
  if (record) {
    storage_.saveAnswer(invitation->uid, guest->email, answer, now(), std::nullopt);
    log_.write("info", "answer recorded", {{"uid", invitation->uid}, {"source", "link"}});
    return sendPageOf(response, 200, invitation->title,
                      heading + "<p>Réponse enregistrée pour " + who + " : <strong>" +
                          html::escaped(*label) + "</strong>. Merci !</p>");
  }
  sendPageOf(
      response, 200, invitation->title,
      heading + "<p>Réponse pour " + who + " : <strong>" + html::escaped(*label) +
          "</strong></p><form method=\"post\"><input type=\"hidden\" name=\"email\" value=\"" +
          html::escaped(guest->email) + "\"><input type=\"hidden\" name=\"answer\" value=\"" +
          html::escaped(answer) + "\"><button type=\"submit\">Confirmer</button></form>");
}

}  // namespace talewick::server
