// The relay end to end on loopback: a desktop program's request, the mails a real SMTP server
// receives (read back by Python's mail parser), the answer document and the answer page; on both
// storage engines.
#include "server/invite_routes.hpp"

#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <thread>

#include "server/api.hpp"
#include "server/storage_engines_testing.hpp"
#include "support/date.hpp"
#include "tests/support/smtp_sink.hpp"
#include "tests/support/temp_folder.hpp"
#include "text/icalendar.hpp"

namespace talewick::server {
namespace {

using nlohmann::json;

const std::string kSignupSecret = std::string(64, 'c');
const std::string kToken = "Ab3dE9xYz1";
const std::string kUid = "quillon-4f1c2b9e-7d3a-4c55-9e21-0a6b8c7d5e4f";

// A port nothing listens on: bound, then released.
int closedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

CalendarInvite lunchInvite() {
  CalendarInvite invite;
  invite.uid = kUid;
  invite.title = "Déjeuner <b>chez Léa</b>";
  invite.start = iso8601::instant(CivilTime{2026, 3, 12, 12, 0, 0}, 0);
  invite.end = iso8601::instant(CivilTime{2026, 3, 12, 13, 30, 0}, 0);
  invite.location = "Café du Port";
  invite.organizerEmail = "rsvp+" + kToken + "@mail.example.org";
  invite.organizerSentBy = "lea@example.org";
  invite.invitees = {{"marie@example.org", "Dupont, Marie\r\nBcc: victim@example.net"},
                     {"paul@example.org", std::nullopt}};
  return invite;
}

json payload(const CalendarInvite& invite) {
  json invitees = json::array();
  for (const CalendarInvitee& guest : invite.invitees) {
    json entry = {{"email", guest.email}};
    if (guest.name) entry["name"] = *guest.name;
    invitees.push_back(entry);
  }
  return {{"organizerEmail", "lea@example.org"},
          {"organizerName", "Léa"},
          {"subject", "Invitation : " + invite.title},
          {"ics", ICalendar::request(invite, invite.start.adding(-86400))},
          {"uid", invite.uid},
          {"token", kToken},
          {"eventTitle", invite.title},
          {"whenLabel", "jeudi 12 mars 2026, 13:00 → 14:30 (heure de Paris)"},
          {"location", "Café du Port"},
          {"lore", "Un festin se prépare : ta place est dressée à la grande table."},
          {"invitees", invitees}};
}

class InviteRelay : public ::testing::TestWithParam<testing::Engine> {
 protected:
  void SetUp() override {
    config_.publicBaseURL = "https://talewick.example.org";
    config_.signupSecret = kSignupSecret;
    config_.tokenKey = std::string(64, 'b');
    config_.smtp = {
        "127.0.0.1",        sink_.port(),      "", "", "Talewick <relay@mail.example.org>",
        "mail.example.org", SmtpSecurity::none};
    api_.mount(server_);
    const int port = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port);
    client_->set_read_timeout(30, 0);
    const httplib::Result registered =
        client_->Post("/api/register", {{"x-signup-secret", kSignupSecret}}, "", "");
    ASSERT_TRUE(registered && registered->status == 200);
    apiKey_ = json::parse(registered->body).at("apiKey").get<std::string>();
  }
  void TearDown() override {
    server_.stop();
    thread_.join();
  }

  httplib::Result send(const json& body, const std::string& key) {
    return client_->Post("/api/send-invite", {{"authorization", "Bearer " + key}}, body.dump(),
                         "application/json");
  }
  httplib::Result send(const json& body) { return send(body, apiKey_); }

  json answers(const std::string& uid, const std::string& token) {
    const httplib::Result result = client_->Get("/api/rsvp?uid=" + uid + "&token=" + token);
    if (!result || result->status != 200) return nullptr;
    return json::parse(result->body);
  }

  talewick::testing::TempFolder folder_{"relay"};
  talewick::testing::SmtpSink sink_{folder_ / "sink"};
  Config config_;
  std::unique_ptr<Storage> storage_ =
      openStorage(*DatabaseLocation::parse(testing::newDatabaseUrl(GetParam(), folder_.path())));
  std::ostringstream logText_;
  Log log_{logText_};
  Api api_{config_, *storage_, log_};
  httplib::Server server_;
  std::thread thread_;
  std::unique_ptr<httplib::Client> client_;
  std::string apiKey_;
};

TEST_P(InviteRelay, mailsEachGuestTheTextAndTheCalendarRequest) {
  const json body = payload(lunchInvite());
  const httplib::Result result = send(body);
  ASSERT_TRUE(result);
  ASSERT_EQ(result->status, 200) << result->body;
  EXPECT_EQ(json::parse(result->body), (json{{"sent", 2}}));

  const std::vector<json> mails = sink_.messages();
  ASSERT_EQ(mails.size(), 2u);
  for (std::size_t i = 0; i < mails.size(); ++i) {
    const json& mail = mails[i];
    const std::string guest = body["invitees"][i]["email"];
    EXPECT_EQ(mail["mailFrom"], "relay@mail.example.org");
    EXPECT_EQ(mail["rcptTos"], json::array({guest}));
    EXPECT_EQ(mail["headers"]["reply-to"], "rsvp+" + kToken + "@mail.example.org");
    EXPECT_EQ(mail["headers"]["subject"], "Invitation : Déjeuner <b>chez Léa</b>");
    EXPECT_EQ(mail["headers"]["from"], "Léa <relay@mail.example.org>");
    // The guest's name, line break and all, stays inside the To header.
    for (const json& line : mail["rawHeaderLines"]) {
      EXPECT_FALSE(line.get<std::string>().starts_with("Bcc")) << line;
    }
    ASSERT_EQ(mail["parts"].size(), 2u) << mail;
    const json& text = mail["parts"][0];
    const json& calendar = mail["parts"][1];
    // As Python's parser normalises them: parameter values quoted.
    EXPECT_EQ(text["contentType"], "text/plain; charset=\"UTF-8\"");
    const std::string words = text["text"];
    for (const std::string& expected :
         {std::string(body["lore"]), std::string(body["eventTitle"]),
          "Quand : " + std::string(body["whenLabel"]), std::string("Où : Café du Port"),
          "Accepter ⚔️ : https://talewick.example.org/rsvp/" + kToken + "/" + kUid + "?email=" +
              (i == 0 ? "marie%40example.org" : "paul%40example.org") + "&answer=accepted",
          std::string("&answer=tentative"), std::string("&answer=declined")}) {
      EXPECT_NE(words.find(expected), std::string::npos) << expected << "\n" << words;
    }
    EXPECT_EQ(calendar["contentType"], "text/calendar; method=\"REQUEST\"; charset=\"UTF-8\"");
    EXPECT_EQ(calendar["text"], body["ics"]);
  }
  EXPECT_NE(sink_.raw(0).find("To: =?UTF-8?B?"), std::string::npos);

  // The invitation is stored: its answers can be read back with its token.
  EXPECT_EQ(answers(kUid, kToken),
            (json{{"uid", kUid},
                  {"sequence", 0},
                  {"invitees",
                   {{{"email", "marie@example.org"},
                     {"name", "Dupont, Marie\r\nBcc: victim@example.net"},
                     {"status", "needsAction"}},
                    {{"email", "paul@example.org"}, {"status", "needsAction"}}}}}));
}

TEST_P(InviteRelay, refusesMalformedInvitationsAndMailsNothing) {
  const json good = payload(lunchInvite());
  std::vector<std::pair<std::string, json>> bad;
  const auto with = [&](const std::string& why, auto change) {
    json body = good;
    change(body);
    bad.emplace_back(why, body);
  };
  with("no organizer", [](json& b) { b.erase("organizerEmail"); });
  with("organizer not an address", [](json& b) { b["organizerEmail"] = "lea example.org"; });
  with("header injection in an address",
       [](json& b) { b["invitees"][0]["email"] = "a@x.org\r\nBcc: b@y.org"; });
  with("empty calendar text", [](json& b) { b["ics"] = ""; });
  with("calendar text too large", [](json& b) { b["ics"] = std::string(300 * 1024, 'x'); });
  with("uid with a slash", [](json& b) { b["uid"] = "quillon/../x"; });
  with("short token", [](json& b) { b["token"] = "Ab3dE"; });
  with("token with a hyphen", [](json& b) { b["token"] = "Ab3d-E9xYz"; });
  with("no guest", [](json& b) { b["invitees"] = json::array(); });
  with("guest without address", [](json& b) { b["invitees"] = {{{"name", "Paul"}}}; });
  with("51 guests", [](json& b) {
    b["invitees"] = json::array();
    for (int i = 0; i < 51; ++i)
      b["invitees"].push_back({{"email", "g" + std::to_string(i) + "@x.org"}});
  });
  with("not an object", [](json& b) { b = json::array({1, 2}); });
  for (const auto& [why, body] : bad) {
    const httplib::Result result = send(body);
    ASSERT_TRUE(result) << why;
    EXPECT_EQ(result->status, 400) << why;
    EXPECT_TRUE(json::parse(result->body).contains("error")) << why;
  }
  json fifty = good;
  fifty["invitees"] = json::array();
  for (int i = 0; i < 50; ++i)
    fifty["invitees"].push_back({{"email", "g" + std::to_string(i) + "@x.org"}});
  ASSERT_EQ(send(fifty)->status, 200);
  EXPECT_EQ(sink_.messages().size(), 50u);

  // Without a known key nothing is mailed.
  EXPECT_EQ(send(good, std::string(64, 'f'))->status, 401);
  EXPECT_EQ(sink_.messages().size(), 50u);
}

TEST_P(InviteRelay, anotherUserCannotTakeAnInvitationOver) {
  ASSERT_EQ(send(payload(lunchInvite()))->status, 200);
  const httplib::Result registered =
      client_->Post("/api/register", {{"x-signup-secret", kSignupSecret}}, "", "");
  const std::string otherKey = json::parse(registered->body).at("apiKey");
  const httplib::Result taken = send(payload(lunchInvite()), otherKey);
  EXPECT_EQ(taken->status, 409);
  EXPECT_EQ(sink_.messages().size(), 2u);
  // Its owner may send it again (a moved event): same UID and token, the next revision.
  CalendarInvite moved = lunchInvite();
  moved.sequence = 1;
  ASSERT_EQ(send(payload(moved))->status, 200);
  EXPECT_EQ(answers(kUid, kToken)["sequence"], 1);
}

TEST_P(InviteRelay, answersAnErrorWhenTheSmtpServerCannotBeReached) {
  config_.smtp.port = closedPort();
  const httplib::Result result = send(payload(lunchInvite()));
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 502);
  const std::string error = json::parse(result->body).value("error", "");
  EXPECT_TRUE(error.starts_with("Envoi de l'invitation impossible : marie@example.org")) << error;

  config_.smtp.host.clear();
  const httplib::Result unconfigured = send(payload(lunchInvite()));
  EXPECT_EQ(unconfigured->status, 503);
}

TEST_P(InviteRelay, servesAnswersOnlyForTheMatchingUidAndToken) {
  ASSERT_EQ(send(payload(lunchInvite()))->status, 200);
  EXPECT_NE(answers(kUid, kToken), nullptr);
  for (const auto& [uid, token] :
       std::vector<std::pair<std::string, std::string>>{{kUid, "Ab3dE9xYz2"},
                                                        {kUid, "ab3de9xyz1"},
                                                        {kUid, ""},
                                                        {"quillon-other", kToken},
                                                        {"", kToken}}) {
    const httplib::Result result = client_->Get("/api/rsvp?uid=" + uid + "&token=" + token);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 404) << uid << " " << token;
  }
}

TEST_P(InviteRelay, theAnswerPageAsksOnGetAndRecordsOnPost) {
  CalendarInvite invite = lunchInvite();
  invite.invitees[1].name = "<script>alert(1)</script>";
  ASSERT_EQ(send(payload(invite))->status, 200);
  const std::string page = "/rsvp/" + kToken + "/" + kUid;
  const std::string query = "?email=PAUL%40example.org&answer=declined";

  const httplib::Result shown = client_->Get(page + query);
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->status, 200);
  EXPECT_EQ(shown->body.find("<script>"), std::string::npos);
  EXPECT_NE(shown->body.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(shown->body.find("Déjeuner &lt;b&gt;chez Léa&lt;/b&gt;"), std::string::npos);
  EXPECT_NE(shown->body.find("<form method=\"post\">"), std::string::npos);
  EXPECT_EQ(answers(kUid, kToken)["invitees"][1]["status"],
            "needsAction");  // a GET changes nothing

  const httplib::Result recorded =
      client_->Post(page + query, "email=paul%40example.org&answer=declined",
                    "application/x-www-form-urlencoded");
  ASSERT_TRUE(recorded);
  EXPECT_EQ(recorded->status, 200);
  const json after = answers(kUid, kToken);
  EXPECT_EQ(after["invitees"][1]["status"], "declined");
  EXPECT_TRUE(after["invitees"][1]["respondedAt"].get<std::string>().ends_with("Z"));
  EXPECT_EQ(after["invitees"][0]["status"], "needsAction");

  // Someone who is not invited, a wrong token, a made-up answer: nothing is recorded.
  EXPECT_EQ(
      client_->Post(page + "?email=eve%40example.org&answer=accepted", "", "text/plain")->status,
      404);
  EXPECT_EQ(client_
                ->Post("/rsvp/Ab3dE9xYz2/" + kUid + "?email=paul%40example.org&answer=accepted", "",
                       "text/plain")
                ->status,
            404);
  EXPECT_EQ(
      client_->Post(page + "?email=paul%40example.org&answer=maybe", "", "text/plain")->status,
      400);
  EXPECT_EQ(answers(kUid, kToken), after);
}

INSTANTIATE_TEST_SUITE_P(Engines, InviteRelay, testing::kEngines, testing::engineName);

}  // namespace
}  // namespace talewick::server
