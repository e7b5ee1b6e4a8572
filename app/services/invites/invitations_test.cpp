// Sending an event's invitation and reading its answers, against a stand-in relay.
#include "services/invites/invitations.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/curl_http_client.hpp"
#include "services/invites/rsvp_service.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_files.hpp"
#include "tests/support/memory_secrets.hpp"
#include "text/rsvp_token.hpp"

namespace talewick::invites {
namespace {

const std::filesystem::path kPath = "/data/Quillon/invites.json";

CalendarEvent dinner() {
  CalendarEvent event;
  event.eventIdentifier = "EV-1";
  event.title = "Dîner";
  event.start = Date{800'000'000};
  event.end = Date{800'003'600};
  event.attendees = {{"Ana", "mailto:ana@example.org"},
                     {std::nullopt, "MAILTO:bob@example.org"},
                     {"Moi", "mailto:me@example.org", ParticipantStatus::accepted,
                      ParticipantRole::required, true}};
  return event;
}

class InvitationsTest : public ::testing::Test {
 protected:
  InvitationsTest() {
    preferences.values["invite.endpoint"] = relay.url() + "/api/send-invite";
    preferences.values["invite.organizerEmail"] = "lea@example.org";
    preferences.values["invite.mailDomain"] = "mail.example.org";
    relay.answer("POST", "/api/send-invite", {200, R"({"sent": 2})"});
  }

  std::vector<std::string> send(const CalendarEvent& event) {
    std::vector<std::string> lines{"<not called>"};
    invitations.send(event, "quest_" + event.eventIdentifier,
                     [&lines](std::vector<std::string> said) { lines = std::move(said); });
    loop.settle();
    return lines;
  }
  std::vector<AnswerNews> refresh(bool force) {
    std::vector<AnswerNews> news{{"<not called>", RSVPStatus::needsAction, "", ""}};
    invitations.refreshAll(force, [&news](std::vector<AnswerNews> got) { news = std::move(got); });
    loop.settle();
    return news;
  }

  testing::FakeBackend relay;
  testing::MemoryPreferences preferences;
  testing::MemorySecrets secrets;
  testing::MemoryFiles files;
  std::ostringstream said;
  CurlHttpClient http;
  RunLoop loop;
  Date now{800'000'000 - 86'400};
  backend::BackendConnection backend{preferences, secrets, http, loop};
  InviteRegistry registry{files, kPath, said};
  Invitations invitations{preferences, backend, http, loop, registry, [this] { return now; }};
};

TEST_F(InvitationsTest, sendsTheGuestsTheRequestAndRemembersTheInvitation) {
  EXPECT_EQ(send(dinner()), std::vector<std::string>{"Invitations envoyées à 2 personnes."});
  ASSERT_EQ(relay.count("POST", "/api/send-invite"), 1);
  const Json payload = Json::parse(relay.received()[0].body);
  const std::string uid = payload["uid"];
  const std::string token = payload["token"];
  EXPECT_TRUE(uid.starts_with("quillon-")) << uid;
  EXPECT_EQ(uid.size(), 8u + 36u);
  EXPECT_TRUE(RSVPToken::isValidToken(token) && token.size() == 10) << token;
  EXPECT_EQ(
      payload["invitees"],
      Json::parse(R"([{"email":"ana@example.org","name":"Ana"},{"email":"bob@example.org"}])"));
  std::string ics = payload["ics"];
  for (std::size_t fold = ics.find("\r\n "); fold != std::string::npos; fold = ics.find("\r\n ")) {
    ics.erase(fold, 3);
  }
  // Calendar programs answer to the relay, on behalf of the organizer.
  EXPECT_NE(
      ics.find("SENT-BY=\"mailto:lea@example.org\":mailto:rsvp+" + token + "@mail.example.org"),
      std::string::npos)
      << ics;
  EXPECT_NE(ics.find("SEQUENCE:0\r\n"), std::string::npos);
  // A relay that is not the backend is not given the backend's key.
  EXPECT_EQ(relay.received()[0].headers.count("authorization"), 0u);

  const InviteRecord& record = registry.records().at(uid);
  EXPECT_EQ(record.token, token);
  EXPECT_EQ(record.eventIdentifier, "EV-1");
  EXPECT_EQ(record.fallbackKey, "quest_EV-1");
  EXPECT_EQ(record.sentInvitees.size(), 2u);

  // Moved: the same invitation, its next revision, to one guest now.
  CalendarEvent moved = dinner();
  moved.start = moved.start.adding(3600);
  moved.attendees.resize(1);
  EXPECT_EQ(send(moved), std::vector<std::string>{"Invitation envoyée à Ana"});
  const Json second = Json::parse(relay.received()[1].body);
  EXPECT_EQ(second["uid"], uid);
  EXPECT_EQ(second["token"], token);
  EXPECT_NE(second["ics"].get<std::string>().find("SEQUENCE:1\r\n"), std::string::npos);
  EXPECT_EQ(registry.records().size(), 1u);
}

TEST_F(InvitationsTest, saysWhyNothingWentOutAndKeepsNoRecord) {
  relay.answer("POST", "/api/send-invite", {500, "boom", "text/plain"});
  EXPECT_EQ(send(dinner()),
            std::vector<std::string>{"Échec de l'envoi de l'invitation : HTTP 500 — boom"});
  EXPECT_TRUE(registry.records().empty());

  // Guests without an address are not sent, and the user hears it.
  CalendarEvent named = dinner();
  named.attendees = {{"Paul", "Paul"}};
  EXPECT_EQ(send(named),
            std::vector<std::string>{"E-mail invalide — les invitations ne partiront pas."});
  CalendarEvent alone = dinner();
  alone.attendees.clear();
  EXPECT_EQ(send(alone), std::vector<std::string>{});

  // No relay at all: a spaced setting and no backend send nothing.
  preferences.values["invite.endpoint"] = "   ";
  const std::vector<std::string> lines = send(dinner());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(lines[0].starts_with("Échec de l'envoi de l'invitation : aucun relais")) << lines[0];
  EXPECT_EQ(relay.count("POST", "/api/send-invite"), 1);
}

TEST_F(InvitationsTest, readsAnswersAtMostOnceAMinuteUnlessForced) {
  ASSERT_EQ(send(dinner()).size(), 1u);
  const std::string uid = registry.records().begin()->first;
  relay.answer("GET", "/api/rsvp", {200, R"({"uid": ")" + uid + R"(", "sequence": 0, "invitees": [
                 {"email": "ana@example.org", "name": "Ana", "status": "accepted",
                  "respondedAt": "2026-03-12T08:15:00Z"},
                 {"email": "bob@example.org", "status": "NEEDS-ACTION"}]})"});

  const std::vector<AnswerNews> news = refresh(false);
  ASSERT_EQ(news.size(), 1u);
  EXPECT_EQ(news[0], (AnswerNews{"Ana", RSVPStatus::accepted, "Dîner", uid + "|ana@example.org"}));
  // Twice within a minute: one request.
  EXPECT_EQ(refresh(false), std::vector<AnswerNews>{});
  now = now.adding(59);
  EXPECT_EQ(refresh(false), std::vector<AnswerNews>{});
  EXPECT_EQ(relay.count("GET", "/api/rsvp"), 1);
  const auto asked = relay.received();
  EXPECT_NE(asked.back().path.find("/api/rsvp"), std::string::npos);

  // A minute later it is read again; an answer already known is no news.
  now = now.adding(1);
  EXPECT_EQ(refresh(false), std::vector<AnswerNews>{});
  EXPECT_EQ(relay.count("GET", "/api/rsvp"), 2);
  EXPECT_EQ(refresh(true), std::vector<AnswerNews>{});
  EXPECT_EQ(relay.count("GET", "/api/rsvp"), 3);

  const RSVPRecord shown = Invitations::answersOf(registry.records().at(uid));
  ASSERT_EQ(shown.invitees.size(), 2u);
  EXPECT_EQ(shown.invitees[0].email, "ana@example.org");
  EXPECT_EQ(shown.invitees[0].status, RSVPStatus::accepted);
  EXPECT_EQ(shown.invitees[1].status, RSVPStatus::needsAction);

  // A relay that fails leaves the answers as they were.
  relay.answer("GET", "/api/rsvp", {500, "{}"});
  const InviteRecord before = registry.records().at(uid);
  EXPECT_EQ(refresh(true), std::vector<AnswerNews>{});
  EXPECT_EQ(registry.records().at(uid), before);
}

TEST(AnswerDocument, decodesTheRelaysShapeAndRefusesBadDates) {
  const std::optional<RSVPRecord> read = decodeAnswerDocument(
      R"({"invitees": [{"email": "a@x.org", "status": "tentative", "comment": "peut-être",
          "respondedAt": "2026-03-12T09:15:00+01:00"}, {"email": "b@x.org", "status": "maybe"}]})",
      "quillon-asked");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->uid, "quillon-asked");
  EXPECT_EQ(read->sequence, 0);
  ASSERT_EQ(read->invitees.size(), 2u);
  EXPECT_EQ(read->invitees[0].status, RSVPStatus::tentative);
  EXPECT_EQ(read->invitees[0].respondedAt, iso8601::instant(CivilTime{2026, 3, 12, 8, 15, 0}, 0));
  EXPECT_EQ(read->invitees[0].comment, "peut-être");
  EXPECT_EQ(read->invitees[1].status, RSVPStatus::needsAction);

  for (
      const char* bad :
      {R"({"invitees": [{"email": "a@x.org", "status": "accepted", "respondedAt": "hier"}]})",
       R"({"invitees": [{"email": "a@x.org", "status": "accepted", "respondedAt": "2026-03-12"}]})",
       R"({"invitees": [{"status": "accepted"}]})", R"({"uid": "x"})", R"([1])", "oops"}) {
    EXPECT_EQ(decodeAnswerDocument(bad, "u"), std::nullopt) << bad;
  }
}

}  // namespace
}  // namespace talewick::invites
