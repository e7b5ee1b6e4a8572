// The relay's routes: mailing an invitation for a user ("api/send-invite"), the answer document
// the user's devices read ("api/rsvp"), and the answer page guests reach from the mail's links
// ("/rsvp/TOKEN/UID").
#pragma once

#include <httplib.h>

#include <nlohmann/json.hpp>
#include <string>

#include "server/config.hpp"
#include "server/log.hpp"
#include "server/storage.hpp"

namespace talewick::server {

class InviteRoutes {
 public:
  InviteRoutes(const Config& config, Storage& storage, Log& log)
      : config_(config), storage_(storage), log_(log) {}

  // Stores the invitation `body` describes for `userId` and mails it to each guest. Answers
  // {"sent": count}; 400 for a malformed request, 409 for another user's UID or token, 503 when
  // the server has no mail settings, 502 when the SMTP server refused a message.
  void send(const std::string& userId, const nlohmann::json& body,
            httplib::Response& response) const;

  // GET api/rsvp?uid=…&token=…: {"uid", "sequence", "invitees": [{"email", "name"?, "status",
  // "respondedAt"?, "comment"?}]}, or 404 unless both match one invitation.
  void answers(const httplib::Request& request, httplib::Response& response) const;

  // GET /rsvp/TOKEN/UID?email=…&answer=… shows the answer and a button (nothing changes on a
  // GET: mail scanners follow links); POST records it. 404 for an unknown invitation or an
  // address it does not invite, 400 for an answer other than accepted, tentative or declined.
  void answerPage(const httplib::Request& request, httplib::Response& response, bool record) const;

  // The path pattern of the answer page (token and UID captured).
  static constexpr const char* PAGE_ROUTE = R"(/rsvp/([A-Za-z0-9]+)/([A-Za-z0-9._@+-]+))";

 private:
  const Config& config_;
  Storage& storage_;
  Log& log_;
};

}  // namespace talewick::server
