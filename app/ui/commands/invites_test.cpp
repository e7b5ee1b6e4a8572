// Invitations end to end on loopback: `talewick add` with guests posts to the real server, which
// mails them through a real SMTP server; a guest's calendar program answers by mail through
// `talewick-server mail-in`; `talewick invites` reads the answer back; `talewick move` sends the
// next revision.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <unordered_set>

#include "platform/ics/reader.hpp"
#include "platform/ics/zones.hpp"
#include "support/json.hpp"
#include "tests/support/process.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/server_process.hpp"
#include "tests/support/smtp_sink.hpp"
#include "tests/support/temp_folder.hpp"
#include "text/icalendar.hpp"

namespace talewick::ui {
namespace {

const char* kNow = "2026-03-16T09:00:00+01:00";

// A guest's calendar program answering `token`'s invitation.
std::string answerMail(const std::string& token, const std::string& uid,
                       const std::string& attendee, const std::string& partstat) {
  return "From: " + attendee + "\r\nTo: rsvp+" + token +
         "@mail.example.org\r\nSubject: Accepted\r\nMIME-Version: 1.0\r\n"
         "Content-Type: multipart/alternative; boundary=\"b\"\r\n\r\n--b\r\n"
         "Content-Type: text/plain\r\n\r\nOK\r\n--b\r\n"
         "Content-Type: text/calendar; method=REPLY; charset=UTF-8\r\n"
         "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
         "BEGIN:VCALENDAR\r\nMETHOD:REPLY\r\nBEGIN:VEVENT\r\nUID:" +
         uid + "\r\nATTENDEE;PARTSTAT=3D" + partstat + ";CN=3DAna:mailto:=\r\n" + attendee +
         "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n--b--\r\n";
}

class InvitesCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), kNow);
    std::ofstream(home / "defaults.json") << R"({"invite.organizerEmail": "lea@example.org",
        "invite.organizerName": "Léa", "invite.mailDomain": "mail.example.org",
        "identity.emails": ["lea@example.org"]})";
    ASSERT_EQ(testing::runCli({"backend", server.url(), "--secret", server.signupSecret()}).status,
              0);
  }
  void TearDown() override { testing::forgetCommandHome(); }

  testing::ProcessResult mailIn(const std::string& message) {
    static int count = 0;
    const std::filesystem::path mail = home.write("mail-" + std::to_string(++count), message);
    return testing::runProcess(
        {"/bin/sh", "-c", "exec \"$0\" mail-in --config \"$1\" < \"$2\"",
         testing::serverBeside(TALEWICK_BINARY),
         (home / "server" / "server" / "config.json").string(), mail.string()},
        {}, home / "runs");
  }

  testing::TempFolder home{"invites-command"};
  testing::SmtpSink sink{home / "sink"};
  testing::ServerProcess server{testing::serverBeside(TALEWICK_BINARY), home / "server",
                                [this](nlohmann::json& c) {
                                  c["publicBaseURL"] = "https://talewick.example";
                                  c["smtp"] = {{"host", "127.0.0.1"},
                                               {"port", sink.port()},
                                               {"security", "none"},
                                               {"from", "relay@mail.example.org"},
                                               {"mailDomain", "mail.example.org"}};
                                }};
};

TEST_F(InvitesCommands, GuestsAreMailedTheirAnswersComeBackAndAMoveSendsTheNextRevision) {
  const Json added = testing::runCliJson(
      {"add", "Dîner jeudi 20h avec Ana <ana@example.org> et Bob <bob@example.org>"});
  EXPECT_EQ(added["invitations"], Json::array({"Invitations envoyées à 2 personnes."}));
  const std::vector<nlohmann::json> mails = sink.messages();
  ASSERT_EQ(mails.size(), 2u);

  const Json sent = testing::runCliJson({"invites"});
  ASSERT_EQ(sent.size(), 1u);
  const std::string uid = sent[0]["uid"];
  const std::string token = sent[0]["token"];
  EXPECT_EQ(sent[0]["eventIdentifier"], added["eventIdentifier"]);

  // The calendar part is, byte for byte, the request this invitation makes.
  CalendarInvite invite;
  invite.uid = uid;
  invite.title = "Dîner";
  invite.start = iso8601::instant(CivilTime{2026, 3, 19, 20, 0, 0}, 3600);
  invite.end = invite.start.adding(3600 * static_cast<double>(added["quest"]["durationMin"]) / 60);
  invite.organizerName = "Léa";
  invite.organizerEmail = "rsvp+" + token + "@mail.example.org";
  invite.organizerSentBy = "lea@example.org";
  invite.invitees = {{"ana@example.org", "Ana"}, {"bob@example.org", "Bob"}};
  const std::string expected =
      ICalendar::request(invite, iso8601::instant(CivilTime{2026, 3, 16, 9, 0, 0}, 3600));
  const nlohmann::json& calendarPart = mails[0]["parts"][1];
  EXPECT_EQ(calendarPart["contentType"], "text/calendar; method=\"REQUEST\"; charset=\"UTF-8\"");
  EXPECT_EQ(calendarPart["text"], expected);
  EXPECT_EQ(mails[0]["headers"]["reply-to"], "rsvp+" + token + "@mail.example.org");
  EXPECT_EQ(mails[1]["rcptTos"], nlohmann::json::array({"bob@example.org"}));
  // …and what a guest's calendar program reads in it.
  ics::ZoneRegistry zones;
  const std::unordered_set<std::string> nobody;
  const ics::ParsedFile read =
      ics::Reader(zones, nobody).read(calendarPart["text"].get<std::string>(), "mail");
  ASSERT_TRUE(read.ok && read.series.size() == 1);
  EXPECT_EQ(read.series[0].uid, uid);
  EXPECT_EQ(read.series[0].master.start, invite.start);
  EXPECT_EQ(read.series[0].master.attendees.size(), 2u);

  // Ana accepts from her calendar program; strangers and wrong tokens change nothing.
  const testing::ProcessResult accepted =
      mailIn(answerMail(token, uid, "ana@example.org", "ACCEPTED"));
  EXPECT_EQ(accepted.status, 0);
  EXPECT_NE(accepted.err.find("answer recorded"), std::string::npos) << accepted.err;
  for (const std::string& ignored :
       {answerMail(token, uid, "eve@example.org", "DECLINED"),
        answerMail("Zz9" + token.substr(3), uid, "bob@example.org", "DECLINED")}) {
    const testing::ProcessResult result = mailIn(ignored);
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("answer mail ignored"), std::string::npos) << result.err;
  }
  // Answers were read a moment ago (the listing above): within the minute they are not read
  // again unless asked.
  EXPECT_NE(testing::runCli({"invites"}).out.find("Personne n'a encore répondu"),
            std::string::npos);
  const testing::CliResult listed = testing::runCli({"invites", "--refresh"});
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out,
            "Dîner — 1/2 ont répondu\n"
            "  Ana <ana@example.org> : accepte\n"
            "  Bob <bob@example.org> : pas encore répondu\n");

  EXPECT_EQ(mailIn(answerMail(token, uid, "BOB@example.org", "DECLINED")).status, 0);
  EXPECT_NE(testing::runCli({"invites", "--refresh"}).out.find("Bob <bob@example.org> : décline"),
            std::string::npos);

  const std::string questID = added["quest"]["id"];
  const testing::CliResult moved =
      testing::runCli({"move", questID, "--to", "21:00", "--date", "2026-03-19"});
  EXPECT_EQ(moved.status, 0) << moved.err;
  EXPECT_NE(moved.out.find("Invitations envoyées à 2 personnes."), std::string::npos) << moved.out;
  const std::vector<nlohmann::json> after = sink.messages();
  ASSERT_EQ(after.size(), 4u);
  const std::string revised = after[2]["parts"][1]["text"];
  EXPECT_NE(revised.find("UID:" + uid + "\r\n"), std::string::npos);
  EXPECT_NE(revised.find("SEQUENCE:1\r\n"), std::string::npos);
  EXPECT_NE(revised.find("DTSTART:20260319T200000Z\r\n"), std::string::npos) << revised;
  // The answers given so far are kept.
  EXPECT_NE(testing::runCli({"invites", "--refresh"}).out.find("2/2 ont répondu"),
            std::string::npos);
}

// The daemon reads the answers as it starts (then every 120 s) and announces a new one as a
// desktop notification.
TEST_F(InvitesCommands, TheDaemonAnnouncesANewAnswerAsADesktopNotification) {
  ASSERT_EQ(testing::runCli({"add", "Dîner jeudi 20h avec Ana <ana@example.org>"}).status, 0);
  // The token and the UID as Ana's mail carries them: listing the invitations would read the
  // answers, and the clock stands still, so the daemon would find them read within the minute.
  const std::vector<nlohmann::json> mails = sink.messages();
  ASSERT_EQ(mails.size(), 1u);
  const std::string replyTo = mails[0]["headers"]["reply-to"];
  const std::string token = replyTo.substr(5, replyTo.find('@') - 5);
  const std::string request = mails[0]["parts"][1]["text"];
  const std::size_t uidAt = request.find("\r\nUID:") + 6;
  const std::string uid = request.substr(uidAt, request.find("\r\n", uidAt) - uidAt);
  ASSERT_EQ(mailIn(answerMail(token, uid, "ana@example.org", "ACCEPTED")).status, 0);

  const auto log = home / "notify.log";
  const auto tool = home.write("bin/notify-send",
                               "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' "
                               "\"$a\" >> \"" +
                                   log.string() + "\"; done\necho 1\n");
  std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
  const pid_t daemon = testing::startProcess(
      {TALEWICK_BINARY, "daemon"},
      {{"TALEWICK_HOME", home.path().string()},
       {"HOME", home.path().string()},
       {"PATH", (home / "bin").string() + ":/usr/bin:/bin"},
       {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (home / "no-bus").string()},
       {"TZ", "Europe/Paris"},
       {"LANG", "fr_FR.UTF-8"},
       {"TALEWICK_NOW", kNow}},
      home / "scratch");
  ASSERT_GT(daemon, 0);
  const bool announced = testing::waitForText(log, "Ana rejoint l'aventure !\n");
  ::kill(daemon, SIGTERM);
  const testing::ProcessResult stopped = testing::finishProcess(daemon, home / "scratch");
  EXPECT_TRUE(announced) << stopped.out << stopped.err;
  EXPECT_EQ(stopped.status, 0) << stopped.err;
  // The answer read is kept for `invites`.
  EXPECT_NE(testing::runCli({"invites"}).out.find("Ana <ana@example.org> : accepte"),
            std::string::npos);
}

TEST_F(InvitesCommands, ARelayThatCannotMailLeavesTheEventWrittenAndNothingRecorded) {
  // A second server whose SMTP server is a port nothing listens on.
  const int closed = [] {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return static_cast<int>(ntohs(address.sin_port));
  }();
  testing::ServerProcess mute(testing::serverBeside(TALEWICK_BINARY), home / "mute",
                              [closed](nlohmann::json& c) {
                                c["smtp"] = {{"host", "127.0.0.1"},
                                             {"port", closed},
                                             {"security", "none"},
                                             {"from", "relay@mail.example.org"},
                                             {"mailDomain", "mail.example.org"}};
                              });
  ASSERT_EQ(testing::runCli({"backend", mute.url(), "--secret", mute.signupSecret()}).status, 0);

  const testing::CliResult added =
      testing::runCli({"add", "Apéro vendredi 19h avec Ana <ana@example.org>"});
  EXPECT_EQ(added.status, 0) << added.err;
  EXPECT_NE(added.out.find("Échec de l'envoi de l'invitation : HTTP 502 — "), std::string::npos)
      << added.out;
  EXPECT_NE(added.out.find("Envoi de l'invitation impossible"), std::string::npos) << added.out;
  const Json week = testing::runCliJson({"events", "--from", "2026-03-16", "--to", "2026-03-23"});
  EXPECT_EQ(week["timed"].size(), 1u);
  EXPECT_EQ(testing::runCli({"invites"}).out, "Aucune invitation envoyée.\n");
  EXPECT_TRUE(sink.messages().empty());
}

}  // namespace
}  // namespace talewick::ui
