// Booking links from the command line, end to end: the program publishes a page on the real
// backend, a browser (headless Chromium) shows it and books a slot through its form, and
// `openings import` writes the booking into the calendar folder once, where khal reads it.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>

#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/atomic_file.hpp"
#include "support/json.hpp"
#include "tests/support/process.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/server_process.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// Monday 8 June 2099, 8:00 in Paris: the backend offers only slots to come.
constexpr const char* kNow = "2099-06-08T08:00:00+02:00";
const std::string kSlot = "2099-06-08T14:00:00+02:00";

class OpeningsCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), kNow);
    home.write("calendars/perso/displayname", "Personnel\n");
    ASSERT_EQ(testing::runCli({"backend", server.url(), "--secret", server.signupSecret()}).status,
              0);
  }
  void TearDown() override { testing::forgetCommandHome(); }

  // The event files of the calendar.
  std::vector<fs::path> icsFiles() const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(home / "calendars/perso")) {
      if (entry.path().extension() == ".ics") files.push_back(entry.path());
    }
    return files;
  }

  // The link `openings publish` printed last.
  std::string publish(const Strings& extra) {
    Strings args = {"openings", "publish", "Café", "avec", "moi", "--minutes", "30", "--days", "2"};
    args.insert(args.end(), extra.begin(), extra.end());
    const testing::CliResult published = testing::runCli(args);
    EXPECT_EQ(published.status, 0) << published.err;
    const std::size_t at = published.out.find("http://");
    return at == std::string::npos ? "" : published.out.substr(at, published.out.find('\n') - at);
  }

  testing::TempFolder home{"openings-command"};
  testing::ServerProcess server{testing::serverBeside(TALEWICK_BINARY), home / "server"};
};

TEST_F(OpeningsCommands, PublishListAnswerAndImportOnce) {
  EXPECT_NE(testing::runCli({"openings"}).out.find("Aucune page"), std::string::npos);
  const std::string link = publish({});
  ASSERT_FALSE(link.empty());
  const Json listed = testing::runCliJson({"openings"});
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0]["title"], "Café avec moi");
  EXPECT_EQ(listed[0]["durationMin"], 30);

  // A visitor, by the form the page sends.
  const std::size_t path = link.find("/b/");
  httplib::Client visitor(link.substr(0, path));
  const httplib::Result booked =
      visitor.Post(link.substr(path), httplib::Params{{"slot", kSlot},
                                                      {"name", "Zoë \x1b[31mRouge"},
                                                      {"email", "zoe@example.org"}});
  ASSERT_TRUE(booked);
  EXPECT_EQ(booked->status, 400) << "a control character in a name is refused";
  ASSERT_EQ(
      visitor
          .Post(link.substr(path),
                httplib::Params{{"slot", kSlot}, {"name", "Zoë"}, {"email", "zoe@example.org"}})
          ->status,
      200);

  const Json requests = testing::runCliJson({"openings", "requests"});
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0]["status"], "pending");
  EXPECT_EQ(requests[0]["slot"], kSlot);
  const std::string id = requests[0]["id"];
  EXPECT_EQ(testing::runCli({"openings", "approve", "nope"}).status, 2);
  const testing::CliResult approved = testing::runCli({"openings", "approve", id});
  EXPECT_EQ(approved.status, 0) << approved.err;
  EXPECT_NE(approved.out.find("Inscrite à l'agenda."), std::string::npos) << approved.out;
  EXPECT_EQ(icsFiles().size(), 1u);
  const testing::CliResult again = testing::runCli({"openings", "import"});
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find("0 réservation(s)"), std::string::npos) << again.out;
  EXPECT_EQ(icsFiles().size(), 1u);
  EXPECT_EQ(testing::runCliJson({"openings", "requests"})[0]["status"], "imported");
}

TEST_F(OpeningsCommands, AFullCalendarPublishesNothing) {
  // Two days of seminar cover the whole horizon.
  home.write("calendars/perso/seminaire.ics",
             "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//EN\r\nBEGIN:VEVENT\r\n"
             "UID:seminaire\r\nDTSTAMP:20990101T000000Z\r\nDTSTART:20990607T220000Z\r\n"
             "DTEND:20990609T220000Z\r\nSUMMARY:Séminaire\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  const testing::CliResult refused =
      testing::runCli({"openings", "publish", "Café", "--minutes", "30", "--days", "2"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Aucun créneau libre"), std::string::npos) << refused.err;
  EXPECT_EQ(testing::runCliJson({"openings"}), Json::array());
  EXPECT_EQ(testing::runCli({"openings", "publish", "Café", "--minutes", "3"}).status, 2);
}

// The daemon writes what visitors booked while a page is published, and says so.
TEST_F(OpeningsCommands, TheDaemonImportsWhatVisitorsBooked) {
  const std::string link = publish({"--auto"});
  const std::size_t path = link.find("/b/");
  httplib::Client visitor(link.substr(0, path));
  const httplib::Result booked =
      visitor.Post(link.substr(path),
                   httplib::Params{{"slot", kSlot}, {"name", "Zoë"}, {"email", "zoe@example.org"}});
  ASSERT_TRUE(booked && booked->status == 200);

  const pid_t daemon = testing::startProcess({TALEWICK_BINARY, "daemon"},
                                             {{"TALEWICK_HOME", home.path().string()},
                                              {"HOME", home.path().string()},
                                              {"TZ", "Europe/Paris"},
                                              {"LANG", "fr_FR.UTF-8"},
                                              {"TALEWICK_NOW", kNow}},
                                             home / "scratch");
  ASSERT_GT(daemon, 0);
  const fs::path out = home / "scratch" / (std::to_string(daemon) + ".out");
  const std::string line =
      "Réservation inscrite à l'agenda : Café avec moi — Zoë <zoe@example.org>";
  // The first poll runs as the daemon starts.
  const bool said = testing::waitForText(out, line);
  ::kill(daemon, SIGTERM);
  const testing::ProcessResult stopped = testing::finishProcess(daemon, home / "scratch");
  EXPECT_TRUE(said) << stopped.out << stopped.err;
  EXPECT_EQ(stopped.status, 0) << stopped.err;
  EXPECT_EQ(icsFiles().size(), 1u);
}

// The page as a browser renders it, and its form sent by the browser itself.
TEST_F(OpeningsCommands, ABrowserBooksAndTheCalendarGetsTheEventOnce) {
  const std::optional<fs::path> chromium = testing::onPath("chromium");
  if (!chromium) GTEST_SKIP() << "chromium is not on PATH (`make test-deps` installs it)";
  const std::string link = publish({"--auto"});
  ASSERT_FALSE(link.empty());

  // Headless, in a profile of its own, kept off every network but the loopback.
  const auto browse = [&](const std::string& address) {
    const testing::ProcessResult r = testing::runProcess(
        {chromium->string(), "--headless", "--no-sandbox", "--disable-gpu",
         "--user-data-dir=" + (home / "chromium/profile").string(), "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--disable-default-apps", "--no-proxy-server",
         "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1", "--virtual-time-budget=10000",
         "--dump-dom", address},
        {{"HOME", (home / "chromium").string()}}, home / "chromium/outputs");
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  };
  const std::string page = browse(link);
  EXPECT_NE(page.find("<h1>Café avec moi</h1>"), std::string::npos) << page.substr(0, 600);
  EXPECT_NE(page.find("lundi 8 juin 2099"), std::string::npos);
  EXPECT_NE(page.find("value=\"" + kSlot + "\""), std::string::npos);

  // A page of the test's own sends the booking form the way the booking page would, once loaded.
  home.write("chromium/submit.html",
             "<!doctype html><meta charset=\"utf-8\"><form id=\"f\" method=\"post\" action=\"" +
                 link + "\"><input name=\"slot\" value=\"" + kSlot +
                 "\"><input name=\"name\" value=\"Zoë Durand\"><input name=\"email\" "
                 "value=\"zoe@example.org\"><input name=\"note\" value=\"À lundi\"></form>"
                 "<script>document.getElementById('f').submit()</script>");
  const std::string answer = browse("file://" + (home / "chromium/submit.html").string());
  EXPECT_NE(answer.find("Rendez-vous confirmé : lundi 8 juin 2099 à 14:00."), std::string::npos)
      << answer.substr(0, 600);
  EXPECT_EQ(browse(link).find("value=\"" + kSlot + "\""), std::string::npos) << "taken now";

  for (int poll = 0; poll < 2; ++poll) {
    const testing::CliResult imported = testing::runCli({"openings", "import"});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find(poll == 0 ? "1 réservation(s)" : "0 réservation(s)"),
              std::string::npos)
        << imported.out;
  }
  ASSERT_EQ(icsFiles().size(), 1u);
  const std::string ics = home.read(fs::relative(icsFiles()[0], home.path()).string());
  EXPECT_NE(ics.find("SUMMARY:Café avec moi"), std::string::npos) << ics;
  EXPECT_NE(ics.find("zoe@example.org"), std::string::npos) << ics;

  const std::optional<fs::path> khal = testing::onPath("khal");
  if (!khal) GTEST_SKIP() << "khal is not on PATH (`make test-deps` installs it)";
  home.write("khal/khal.conf",
             "[calendars]\n[[perso]]\npath = " + (home / "calendars/perso").string() +
                 "\ntype = calendar\n[locale]\ntimeformat = %H:%M\ndateformat = %Y-%m-%d\n"
                 "longdateformat = %Y-%m-%d\ndatetimeformat = %Y-%m-%d %H:%M\n"
                 "longdatetimeformat = %Y-%m-%d %H:%M\nlocal_timezone = Europe/Paris\n"
                 "default_timezone = Europe/Paris\n[default]\ndefault_calendar = perso\n"
                 "[sqlite]\npath = " +
                 (home / "khal/khal.db").string() + "\n");
  fs::create_directories(home / "khal/home/.config");
  const testing::ProcessResult listed = testing::runProcess(
      {khal->string(), "-c", (home / "khal/khal.conf").string(), "list", "--format",
       "{start} {end} {title}", "--day-format", "", "2099-06-08", "2099-06-09"},
      {{"HOME", (home / "khal/home").string()},
       {"XDG_CONFIG_DIRS", (home / "khal/home/.config").string()},
       {"TZ", "Europe/Paris"},
       {"LANG", "C.UTF-8"},
       {"LC_ALL", "C.UTF-8"},
       {"PYTHONDONTWRITEBYTECODE", "1"}},
      home / "khal/outputs");
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out, "2099-06-08 14:00 2099-06-08 14:30 Café avec moi\n");
}

}  // namespace
}  // namespace talewick::ui
