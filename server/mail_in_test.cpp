// Answers arriving by mail, written the way common mail programs write them, on both engines;
// and `talewick-server mail-in` fed one message on standard input, as a mail server's pipe does.
#include "server/mail_in.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "server/storage_engines_testing.hpp"
#include "tests/support/process.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server {
namespace {

const std::string kDomain = "mail.example.org";
const std::string kAddress = "rsvp+Tok3nAbcde@mail.example.org";

std::string reply(const std::string& partstat, const std::string& attendee,
                  const std::string& uid = "quillon-lunch") {
  return "BEGIN:VCALENDAR\r\nPRODID:-//Some Mail//EN\r\nVERSION:2.0\r\nMETHOD:REPLY\r\n"
         "BEGIN:VEVENT\r\nUID:" +
         uid +
         "\r\nSEQUENCE:0\r\nDTSTAMP:20260312T081500Z\r\n"
         "ATTENDEE;CN=\"Dupont, Marie\";PARTSTAT=" +
         partstat + ";\r\n ROLE=REQ-PARTICIPANT:MAILTO:" + attendee +
         "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

// A desktop mail program's reply: text and calendar side by side, the calendar in base64.
std::string desktopStyle(const std::string& ics, const std::string& to = kAddress,
                         const std::string& from = "marie@example.org") {
  std::string encoded;
  static constexpr char B64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < ics.size(); i += 3) {
    unsigned chunk = static_cast<unsigned char>(ics[i]) << 16;
    if (i + 1 < ics.size()) chunk |= static_cast<unsigned char>(ics[i + 1]) << 8;
    if (i + 2 < ics.size()) chunk |= static_cast<unsigned char>(ics[i + 2]);
    encoded += B64[(chunk >> 18) & 63];
    encoded += B64[(chunk >> 12) & 63];
    encoded += i + 1 < ics.size() ? B64[(chunk >> 6) & 63] : '=';
    encoded += i + 2 < ics.size() ? B64[chunk & 63] : '=';
    if (encoded.size() % 78 == 76) encoded += "\r\n";
  }
  return "From: Marie <" + from + ">\r\nTo: \"Léa via Talewick\" <" + to +
         ">\r\nSubject: Accepted: Déjeuner\r\nMIME-Version: 1.0\r\n"
         "Content-Type: multipart/alternative;\r\n boundary=\"------------abc\"\r\n\r\n"
         "This is a multi-part message in MIME format.\r\n"
         "--------------abc\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n"
         "Marie has accepted your invitation.\r\n"
         "--------------abc\r\n"
         "Content-Type: text/calendar; charset=UTF-8; method=REPLY\r\n"
         "Content-Transfer-Encoding: base64\r\n\r\n" +
         encoded + "\r\n--------------abc--\r\n";
}

// A webmail's or groupware's reply: the calendar in quoted-printable with soft line breaks, an
// .ics attachment beside it, the address of delivery in Delivered-To only.
std::string webmailStyle(const std::string& ics) {
  std::string qp;
  std::size_t column = 0;
  for (const char c : ics) {
    std::string piece;
    if (c == '\r') {
      piece = "=0D";
    } else if (c == '\n') {
      piece = "=0A";
    } else if (c == '=' || static_cast<unsigned char>(c) >= 0x80) {
      static constexpr char HEX[] = "0123456789ABCDEF";
      piece = std::string("=") + HEX[static_cast<unsigned char>(c) >> 4] +
              HEX[static_cast<unsigned char>(c) & 15];
    } else {
      piece = std::string(1, c);
    }
    if (column + piece.size() > 73) {
      qp += "=\r\n";
      column = 0;
    }
    qp += piece;
    column += piece.size();
  }
  return "Delivered-To: " + kAddress +
         "\r\nTo: undisclosed-recipients:;\r\nFrom: someone@else.org\r\n"
         "Content-Type: multipart/mixed; boundary=b1\r\n\r\n--b1\r\n"
         "Content-Type: text/calendar; method=REPLY; charset=utf-8\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n\r\n" +
         qp + "\r\n--b1\r\nContent-Type: application/ics; name=invite.ics\r\n\r\n" + ics +
         "\r\n--b1--\r\n";
}

// A reply forwarded to the answer address as an attached message.
std::string forwarded(const std::string& inner) {
  return "To: " + kAddress +
         "\r\nSubject: Fwd: Accepted\r\nContent-Type: multipart/mixed; boundary=fwd\r\n\r\n"
         "--fwd\r\nContent-Type: text/plain\r\n\r\nSee below.\r\n"
         "--fwd\r\nContent-Type: message/rfc822\r\n\r\n" +
         inner + "\r\n--fwd--\r\n";
}

class MailIn : public ::testing::TestWithParam<testing::Engine> {
 protected:
  void SetUp() override {
    storage_->addUser("u1", "hash-1", 100);
    ASSERT_TRUE(storage_->saveInvitation(
        {"quillon-lunch",
         "Tok3nAbcde",
         "u1",
         0,
         "Déjeuner",
         {{"marie@example.org", "Marie", "needsAction", std::nullopt, std::nullopt},
          {"paul@example.org", std::nullopt, "needsAction", std::nullopt, std::nullopt}}}));
  }

  std::string statusOf(const std::string& email) {
    const std::optional<Invitation> invitation = storage_->invitation("quillon-lunch");
    for (const InvitedGuest& guest : invitation->guests) {
      if (guest.email == email) return guest.status;
    }
    return "absent";
  }

  MailInOutcome receive(const std::string& message, std::vector<std::string> envelope = {}) {
    return receiveAnswerMail(message, envelope, kDomain, *storage_, 1'800'000'000);
  }

  talewick::testing::TempFolder folder_{"mail-in"};
  std::string databaseUrl_ = testing::newDatabaseUrl(GetParam(), folder_.path());
  std::unique_ptr<Storage> storage_ = openStorage(*DatabaseLocation::parse(databaseUrl_));
};

TEST_P(MailIn, recordsAnswersAsCommonMailProgramsWriteThem) {
  EXPECT_EQ(receive(desktopStyle(reply("ACCEPTED", "MARIE@example.org"))).recorded, 1);
  EXPECT_EQ(statusOf("marie@example.org"), "accepted");
  const InvitedGuest marie = storage_->invitation("quillon-lunch")->guests[0];
  EXPECT_EQ(marie.respondedAt, 1'800'000'000);

  EXPECT_EQ(receive(webmailStyle(reply("Declined", "paul@example.org"))).recorded, 2);
  EXPECT_EQ(statusOf("paul@example.org"), "declined");

  EXPECT_EQ(receive(forwarded(desktopStyle(reply("TENTATIVE", "marie@example.org")))).recorded, 1);
  EXPECT_EQ(statusOf("marie@example.org"), "tentative");

  // The envelope alone may name the answer address.
  EXPECT_EQ(receive(desktopStyle(reply("ACCEPTED", "paul@example.org"), "lea@example.org"),
                    {"RSVP+Tok3nAbcde@MAIL.example.org"})
                .recorded,
            1);
  EXPECT_EQ(statusOf("paul@example.org"), "accepted");
}

TEST_P(MailIn, ignoresWhatIsNotAGuestsAnswerToTheAddressedInvitation) {
  const Invitation before = *storage_->invitation("quillon-lunch");
  const std::vector<std::pair<std::string, std::string>> ignored = {
      {"unknown token",
       desktopStyle(reply("ACCEPTED", "marie@example.org"), "rsvp+Tok3nAbcdf@mail.example.org")},
      {"token of another shape",
       desktopStyle(reply("ACCEPTED", "marie@example.org"), "rsvp+Tok3n-Abcde@mail.example.org")},
      {"another domain",
       desktopStyle(reply("ACCEPTED", "marie@example.org"), "rsvp+Tok3nAbcde@evil.example")},
      // The From header names a guest; the attendee is someone else.
      {"attendee not invited",
       desktopStyle(reply("DECLINED", "eve@example.org"), kAddress, "marie@example.org")},
      {"another event's UID",
       desktopStyle(reply("DECLINED", "marie@example.org", "quillon-other"))},
      {"no answer yet", desktopStyle(reply("NEEDS-ACTION", "marie@example.org"))},
      {"a forwarded invitation, not an answer",
       forwarded(desktopStyle("BEGIN:VCALENDAR\r\nMETHOD:REQUEST\r\nBEGIN:VEVENT\r\n"
                              "UID:quillon-lunch\r\nATTENDEE;PARTSTAT=ACCEPTED:mailto:"
                              "marie@example.org\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n"))},
      {"no calendar at all", "To: " + kAddress + "\r\n\r\nOui, je viens !\r\n"},
      {"not mail", std::string("\0\x01\x02garbage", 10)},
  };
  for (const auto& [why, message] : ignored) {
    const MailInOutcome outcome = receive(message);
    EXPECT_EQ(outcome.recorded, 0) << why;
    EXPECT_FALSE(outcome.reason.empty()) << why;
  }
  EXPECT_EQ(storage_->invitation("quillon-lunch"), before);
}

TEST_P(MailIn, theCommandReadsOneMessageOnStandardInput) {
  talewick::testing::TempFolder scratch("mail-in-command");
  const std::filesystem::path config = folder_ / "config.json";
  std::ofstream(config) << "{\"database\": \"" << databaseUrl_ << "\", \"signupSecret\": \""
                        << std::string(64, 'a') << "\", \"tokenKey\": \"" << std::string(64, 'b')
                        << "\", \"smtp\": {\"mailDomain\": \"" << kDomain << "\"}}";
  const std::filesystem::path answer =
      scratch.write("answer.eml", desktopStyle(reply("DECLINED", "marie@example.org")));
  const std::filesystem::path stranger =
      scratch.write("stranger.eml", desktopStyle(reply("ACCEPTED", "eve@example.org")));
  const auto run = [&](const std::filesystem::path& mail) {
    return talewick::testing::runProcess(
        {"/bin/sh", "-c", std::string("exec \"$0\" mail-in --config \"$1\" < \"$2\""),
         TALEWICK_SERVER_BINARY, config.string(), mail.string()},
        {}, scratch / "runs");
  };
  const talewick::testing::ProcessResult recorded = run(answer);
  EXPECT_EQ(recorded.status, 0) << recorded.err;
  EXPECT_NE(recorded.err.find("answer recorded"), std::string::npos) << recorded.err;
  EXPECT_EQ(statusOf("marie@example.org"), "declined");

  const talewick::testing::ProcessResult ignored = run(stranger);
  EXPECT_EQ(ignored.status, 0) << ignored.err;
  EXPECT_NE(ignored.err.find("answer mail ignored"), std::string::npos) << ignored.err;
  EXPECT_EQ(statusOf("paul@example.org"), "needsAction");

  // A configuration it cannot use: the mail server is told to try again later.
  std::ofstream(config, std::ios::trunc) << "{}";
  EXPECT_EQ(run(answer).status, 75);
}

INSTANTIATE_TEST_SUITE_P(Engines, MailIn, testing::kEngines, testing::engineName);

}  // namespace
}  // namespace talewick::server
