// What the relay is given and what the user reads when it refuses.
#include "services/invites/invite_sender.hpp"

#include <gtest/gtest.h>

#include "platform/curl_http_client.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "tests/support/fake_backend.hpp"
#include "tests/support/fake_calendar_store.hpp"

namespace talewick::invites {
namespace {

Date local(int year, int month, int day, int hour, int minute) {
  return *LocalCalendar::dateFrom(CivilTime{year, month, day, hour, minute, 0});
}

TEST(InviteConfig, readsTrimmedSettingsAndFallsBackOnTheBackend) {
  testing::MemoryPreferences preferences;
  EXPECT_EQ(InviteConfig::read(preferences, std::nullopt).endpoint, std::nullopt);
  EXPECT_EQ(InviteConfig::read(preferences, "https://backend.example/talewick").endpoint,
            "https://backend.example/talewick/api/send-invite");
  preferences.values["invite.endpoint"] = "  \n";
  EXPECT_EQ(InviteConfig::read(preferences, "https://b.example").endpoint,
            "https://b.example/api/send-invite");
  preferences.values["invite.endpoint"] = " https://relay.example/api/send-invite\n";
  preferences.values["invite.organizerEmail"] = " lea@example.org ";
  preferences.values["invite.organizerName"] = "";
  const InviteConfig config = InviteConfig::read(preferences, "https://b.example");
  EXPECT_EQ(config.endpoint, "https://relay.example/api/send-invite");
  EXPECT_EQ(config.organizerEmail, "lea@example.org");
  EXPECT_EQ(config.organizerName, std::nullopt);

  EXPECT_EQ(rsvpReadEndpoint("https://relay.example/api/send-invite"),
            "https://relay.example/api/rsvp");
  EXPECT_EQ(rsvpReadEndpoint("https://relay.example/send/"), "https://relay.example/rsvp");
  EXPECT_EQ(rsvpReadEndpoint("https://relay.example"), "https://relay.example/rsvp");
}

TEST(InvitePayload, keepsTheRelaysKeyOrderAndLeavesAbsentOnesOut) {
  CalendarInvite invite;
  invite.uid = "quillon-1";
  invite.title = "Repas de famille";
  invite.invitees = {{"ana@example.org", "Ana"}, {"bob@example.org", std::nullopt}};
  const Json payload = sendPayload(invite, {"Tok3nAbcde", "BEGIN:VCALENDAR…", "jeudi"},
                                   "lea@example.org", std::nullopt);
  std::vector<std::string> keys;
  for (const auto& [key, value] : payload.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"organizerEmail", "subject", "ics", "uid", "token",
                                            "eventTitle", "whenLabel", "lore", "invitees"}));
  EXPECT_EQ(payload["subject"], "Invitation : Repas de famille");
  EXPECT_EQ(payload["invitees"].dump(),
            R"([{"email":"ana@example.org","name":"Ana"},{"email":"bob@example.org"}])");
  EXPECT_FALSE(payload["lore"].get<std::string>().empty());

  invite.location = "Chez Ana";
  const Json placed = sendPayload(invite, {"Tok3nAbcde", "x", "y"}, "lea@example.org", "Léa");
  keys.clear();
  for (const auto& [key, value] : placed.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"organizerEmail", "organizerName", "subject", "ics",
                                            "uid", "token", "eventTitle", "whenLabel", "location",
                                            "lore", "invitees"}));
}

TEST(FrenchWhen, showsTheDayAndTheTimesWithTheirOffset) {
  LocalCalendar::setTimeZone("Europe/Paris");
  EXPECT_EQ(frenchWhen(local(2026, 3, 12, 12, 0), local(2026, 3, 12, 13, 30), false),
            "jeudi 12 mars 2026, 12:00 → 13:30 (UTC+01:00)");
  EXPECT_EQ(frenchWhen(local(2026, 7, 31, 23, 0), local(2026, 8, 1, 1, 0), false),
            "vendredi 31 juillet 2026, 23:00 → samedi 1 août 2026, 01:00 (UTC+02:00)");
  EXPECT_EQ(frenchWhen(local(2026, 12, 25, 0, 0), local(2026, 12, 26, 0, 0), true),
            "vendredi 25 décembre 2026");
  Loc::setLanguage(Loc::Language::en);
  EXPECT_EQ(frenchWhen(local(2026, 12, 25, 0, 0), local(2026, 12, 26, 0, 0), true),
            "Friday 25 December 2026");
  Loc::setLanguage(Loc::Language::fr);
}

TEST(PostInvite, succeedsOnAny2xxAndSaysExactlyWhyOtherwise) {
  testing::FakeBackend relay;
  CurlHttpClient http;
  const Json payload = {{"uid", "quillon-1"}};
  relay.answer("POST", "/ok", {201, ""});
  relay.answer("POST", "/boom", {500, "boom", "text/plain"});
  relay.answer("POST", "/long", {502, std::string(150, 'x') + std::string(100, 'e'), "text/plain"});
  relay.answer("POST", "/accents", {400, std::string(199, 'a') + "éé", "text/plain"});
  relay.answer("POST", "/binary",
               {503, std::string("\xff\xfe\x00", 3), "application/octet-stream"});

  EXPECT_EQ(postInvite(http, relay.url() + "/ok", payload, std::nullopt), std::nullopt);
  EXPECT_EQ(postInvite(http, relay.url() + "/boom", payload, std::nullopt), "HTTP 500 — boom");
  EXPECT_EQ(postInvite(http, relay.url() + "/long", payload, std::nullopt),
            "HTTP 502 — " + std::string(150, 'x') + std::string(50, 'e'));
  // Characters are counted, not bytes.
  EXPECT_EQ(postInvite(http, relay.url() + "/accents", payload, std::nullopt),
            "HTTP 400 — " + std::string(199, 'a') + "é");
  EXPECT_EQ(postInvite(http, relay.url() + "/binary", payload, std::nullopt), "HTTP 503 — ");

  const auto sent = relay.received();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent[0].headers.at("content-type"), "application/json");
  EXPECT_EQ(sent[0].headers.count("authorization"), 0u);
  EXPECT_EQ(Json::parse(sent[0].body), payload);
  postInvite(http, relay.url() + "/ok", payload, "key-1");
  EXPECT_EQ(relay.received().back().headers.at("authorization"), "Bearer key-1");
}

}  // namespace
}  // namespace talewick::invites
