// Invitations as `talewick rules` answers them: the request text, tokens, answer records and
// their texts, and the refusal of damaged arguments.
#include <gtest/gtest.h>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "text/rsvp_token.hpp"

namespace talewick::ui {
namespace {

Json rule(const std::string& name, const Json& arguments) {
  const testing::CliResult r = testing::runCli({"rules", name}, arguments.dump());
  EXPECT_EQ(r.status, 0) << name << ": " << r.err;
  return r.status == 0 ? Json::parse(r.out) : Json();
}

const Json kInvite{{"uid", "quillon-0b1e"},
                   {"title", "Apéro, terrasse"},
                   {"start", "2026-06-12T19:00:00+02:00"},
                   {"end", "2026-06-12T21:00:00+02:00"},
                   {"isAllDay", false},
                   {"organizerEmail", "rsvp+Tok3n00@relais.example"},
                   {"organizerSentBy", "moi@example.org"},
                   {"invitees", {{{"email", "lea@example.org"}, {"name", "Léa"}}}},
                   {"sequence", 0}};

TEST(InviteRules, RequestTakesDatesAsTextAndWritesUtc) {
  const Json text = rule("ICalendar.request", {{"invite", kInvite}, {"dtStamp", 800000000}});
  ASSERT_TRUE(text.is_string());
  const std::string ics = text.get<std::string>();
  EXPECT_TRUE(ics.starts_with("BEGIN:VCALENDAR\r\nPRODID:-//Quillon//Emberwake//FR\r\n")) << ics;
  EXPECT_NE(ics.find("\r\nDTSTAMP:20260509T061320Z\r\n"), std::string::npos) << ics;
  EXPECT_NE(ics.find("\r\nDTSTART:20260612T170000Z\r\nDTEND:20260612T190000Z\r\n"),
            std::string::npos);
  EXPECT_NE(ics.find("\r\nSUMMARY:Apéro\\, terrasse\r\n"), std::string::npos);
  std::string unfolded = ics;
  for (size_t at; (at = unfolded.find("\r\n ")) != std::string::npos;) unfolded.erase(at, 3);
  EXPECT_NE(unfolded.find("\r\nORGANIZER;SENT-BY=\"mailto:moi@example.org\":mailto:rsvp+Tok3n00@"
                          "relais.example\r\n"),
            std::string::npos)
      << ics;
  EXPECT_TRUE(ics.ends_with("END:VEVENT\r\nEND:VCALENDAR\r\n"));
}

TEST(InviteRules, TokensAndUids) {
  EXPECT_EQ(rule("RSVPToken.newToken", {{"length", 4}, {"rng", {0.0, 0.5, 0.99, 0.42}}}), "aF9A");
  EXPECT_EQ(rule("RSVPToken.newUID", {{"uuid", "0B1E5F00-AAAA-4BBB-8CCC-DDDDEEEEFFFF"}}),
            "quillon-0b1e5f00-aaaa-4bbb-8ccc-ddddeeeeffff");
  // Without a UUID given, a fresh one each time, in lower case.
  const std::string first = rule("RSVPToken.newUID", Json::object());
  const std::string second = rule("RSVPToken.newUID", Json::object());
  EXPECT_NE(first, second);
  ASSERT_EQ(first.size(), 8u + 36u);
  EXPECT_TRUE(first.starts_with("quillon-"));
  EXPECT_EQ(first.find_first_not_of("0123456789abcdef-", 8), std::string::npos) << first;

  EXPECT_EQ(rule("RSVPToken.isValidToken", {{"token", "Ab3dE9"}}), true);
  EXPECT_EQ(rule("RSVPToken.isValidToken", {{"value", "Ab3-E9"}}), false);
  EXPECT_EQ(rule("RSVPToken.alphabet", Json::object()), std::string(RSVPToken::alphabet));
}

TEST(InviteRules, AnswersAreReadCountedAndMerged) {
  EXPECT_EQ(rule("RSVPStatus.init", {{"partstat", "Tentative"}}), "tentative");
  EXPECT_EQ(rule("RSVPStatus.init", {{"partstat", "DELEGATED"}}), "needsAction");
  EXPECT_EQ(rule("RSVPStatus.hasResponded", {{"status", "needsAction"}}), false);

  const Json record{{"uid", "quillon-0b1e"},
                    {"sequence", 1},
                    {"invitees",
                     {{{"email", "zoe@example.org"}, {"status", "needsAction"}},
                      {{"email", "lea@example.org"}, {"name", "Léa"}, {"status", "accepted"}}}}};
  EXPECT_EQ(rule("RSVPRecord.respondedCount", {{"record", record}}), 1);
  EXPECT_EQ(rule("RSVPRecord.summary", {{"record", record}, {"totalInvited", 3}}),
            "1/3 ont répondu");
  const Json merged =
      rule("RSVPRecord.merged",
           {{"record", record},
            {"withEventKit", {{{"email", "max@example.org"}, {"status", "declined"}}}},
            {"responses", {{"ZOE@example.org", "tentative"}}}});
  EXPECT_EQ(merged, (Json{{"uid", "quillon-0b1e"},
                          {"sequence", 1},
                          {"invitees",
                           {{{"email", "lea@example.org"}, {"name", "Léa"}, {"status", "accepted"}},
                            {{"email", "max@example.org"}, {"status", "declined"}},
                            {{"email", "zoe@example.org"}, {"status", "tentative"}}}}}));
}

TEST(InviteRules, TextsAroundInvitations) {
  EXPECT_EQ(rule("InviteLore.line", {{"forTitle", "Séance de sport"}}),
            "L'arène t'attend : viens éprouver ta vaillance à nos côtés.");
  EXPECT_EQ(rule("InviteRSVPLore.strings", {{"for", "darkEpic"}}),
            (Json{{"noticeTitle", "🩸 Un pacte t'est proposé"},
                  {"noticeBody", "L'émissaire patiente dans l'ombre — l'encre attend ta réponse."},
                  {"accepted", "💀 Le pacte est scellé. Ta parole te lie."}}));
  EXPECT_EQ(rule("InviteRSVPLore.declineAction", Json::object()), "Décliner 🛡");
  EXPECT_EQ(rule("InviteRSVPLore.failed", Json::object()),
            "⚠️ Le sceau a résisté. Ouvre Calendrier pour répondre.");
}

TEST(InviteRules, DamagedArgumentsAreRefusedWithoutOutput) {
  const std::pair<const char*, std::string> damaged[] = {
      {"ICalendar.request", R"({"invite":{"uid":"u"},"dtStamp":0})"},
      {"ICalendar.request", Json{{"invite", kInvite}, {"dtStamp", "demain"}}.dump()},
      {"RSVPToken.newToken", R"({"length":3,"rng":[0.5]})"},
      {"RSVPToken.newToken", R"({"length":3})"},
      {"RSVPToken.isValidToken", R"({"token":12})"},
      {"RSVPStatus.hasResponded", R"({"status":"ACCEPTED"})"},
      {"RSVPRecord.merged", R"({"record":{"uid":"u","sequence":0,"invitees":[]},"withEventKit":[],)"
                            R"("responses":{"a@x.org":"maybe"}})"},
      {"RSVPRecord.summary", R"({"record":{"uid":"u","sequence":0,"invitees":[]}})"},
      {"InviteRSVPLore.strings", R"({"for":"noir"})"},
      {"InviteLore.line", "{\"forTitle\": "}};
  for (const auto& [name, input] : damaged) {
    const testing::CliResult r = testing::runCli({"rules", name}, input);
    EXPECT_EQ(r.status, 2) << name << " " << input;
    EXPECT_TRUE(r.out.empty()) << name;
    EXPECT_FALSE(r.err.empty()) << name;
  }
}

}  // namespace
}  // namespace talewick::ui
