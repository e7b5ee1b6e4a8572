// `talewick people` over a temporary home: the people of past meetings become inhabitants once
// each, never the user; merges and names are the user's, and refusals write nothing.
#include <gtest/gtest.h>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class PeopleCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T18:00:00+01:00");
    home.write("defaults.json", R"({"identity.emails": "moi@corp.fr"})");
    // Alice organises a review with Bob; the day before, the user met her under another
    // spelling of her address. A focus block has nobody else; tomorrow's lunch has not happened.
    event("revue", "20261209T090000Z", "20261209T100000Z", "Revue",
          "ORGANIZER;CN=Alice Martin:mailto:alice@corp.fr\r\n"
          "ATTENDEE;PARTSTAT=ACCEPTED:mailto:moi@corp.fr\r\n"
          "ATTENDEE;CN=Alice Martin;PARTSTAT=ACCEPTED:mailto:alice@corp.fr\r\n"
          "ATTENDEE;PARTSTAT=ACCEPTED:mailto:bob@partner.io\r\n");
    event("point", "20261208T140000Z", "20261208T150000Z", "Point",
          "ORGANIZER:mailto:moi@corp.fr\r\n"
          "ATTENDEE;PARTSTAT=ACCEPTED:mailto:moi@corp.fr\r\n"
          "ATTENDEE;PARTSTAT=ACCEPTED:mailto:ALICE@Corp.fr\r\n");
    event("focus", "20261209T130000Z", "20261209T140000Z", "Focus", "");
    event("dejeuner", "20261210T110000Z", "20261210T120000Z", "Déjeuner",
          "ORGANIZER:mailto:moi@corp.fr\r\nATTENDEE;CN=Carol:mailto:carol@corp.fr\r\n");
  }
  void TearDown() override { testing::forgetCommandHome(); }

  // An event of the calendar "travail" (times in UTC) with its organiser and attendees.
  void event(const std::string& uid, const std::string& start, const std::string& end,
             const std::string& summary, const std::string& people) {
    home.write("calendars/travail/" + uid + ".ics",
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VEVENT\r\nUID:" +
                   uid + "\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:" + start + "\r\nDTEND:" + end +
                   "\r\nSUMMARY:" + summary + "\r\n" + people + "END:VEVENT\r\nEND:VCALENDAR\r\n");
  }
  // The address keys of each inhabitant, with its meetings.
  static std::map<std::string, int64_t> meetings(const Json& people) {
    std::map<std::string, int64_t> out;
    for (const Json& p : people) {
      for (const Json& key : p["inhabitant"]["aliases"]) {
        if (key.contains("email")) {
          out[key["email"]["_0"]] = p["inhabitant"]["links"]["sharedMeetings"].get<int64_t>();
        }
      }
    }
    return out;
  }

  testing::TempFolder home{"people-command"};
};

TEST_F(PeopleCommand, PastMeetingsMakeInhabitantsOnceEachAndNeverTheUser) {
  const Json people = testing::runCliJson({"people"});
  EXPECT_EQ(meetings(people),
            (std::map<std::string, int64_t>{{"alice@corp.fr", 2}, {"bob@partner.io", 1}}));
  ASSERT_EQ(people.size(), 2u);
  EXPECT_EQ(people[0]["inhabitant"]["displayName"], "Alice Martin");
  EXPECT_EQ(people[0]["inhabitant"]["kind"], "colleague");
  EXPECT_EQ(people[0]["points"], 6);
  EXPECT_EQ(people[0]["progress"]["next"]["nameKey"], "reputation.tier.acquaintance");
  EXPECT_EQ(people[1]["inhabitant"]["kind"], "external");

  const testing::CliResult text = testing::runCli({"people"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("2 habitants du royaume"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Alice Martin — Inconnu, 6 points"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("6/25 vers Connaissance"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("2 réunions · 0 ticket · 0 tâche  (email:alice@corp.fr)"),
            std::string::npos)
      << text.out;
  // Every run reads the same calendar: nothing is counted twice.
  EXPECT_EQ(meetings(testing::runCliJson({"people"})), meetings(people));
}

TEST_F(PeopleCommand, MergesAndNamesAreKeptAndRefusalsWriteNothing) {
  testing::runCliJson({"people"});
  const std::string saved = home.read("inhabitants-v1.json");
  for (const auto& [args, status] : std::vector<std::pair<std::vector<std::string>, int>>{
           {{"people", "merge", "email:alice@corp.fr", "nobody"}, 1},
           {{"people", "merge", "email:alice@corp.fr", "email:alice@corp.fr"}, 1},
           {{"people", "rename", "nobody", "Bob"}, 1},
           {{"people", "rename", "email:bob@partner.io", "Bob\x1b[2J"}, 2},
           {{"people", "rename", "email:bob@partner.io", " "}, 2},
           {{"people", "merge", "email:alice@corp.fr"}, 2}}) {
    const testing::CliResult r = testing::runCli(args);
    EXPECT_EQ(r.status, status) << args.back() << ": " << r.out;
    EXPECT_NE(r.err.find("talewick : "), std::string::npos) << args.back();
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << "the name typed is not echoed raw";
    EXPECT_EQ(home.read("inhabitants-v1.json"), saved) << args.back();
  }
  EXPECT_NE(
      testing::runCli({"people", "rename", "nobody", "Bob"}).err.find("habitant inconnu : nobody"),
      std::string::npos);

  const testing::CliResult renamed =
      testing::runCli({"people", "rename", "email:alice@corp.fr", "Alice", "la", "Grande"});
  EXPECT_EQ(renamed.status, 0) << renamed.err;
  EXPECT_NE(renamed.out.find("« Alice la Grande »"), std::string::npos) << renamed.out;
  // The user knows the partner's address to be another of Alice's.
  const testing::CliResult merged =
      testing::runCli({"people", "merge", "email:alice@corp.fr", "email:bob@partner.io"});
  EXPECT_EQ(merged.status, 0) << merged.err;
  EXPECT_NE(merged.out.find("« bob@partner.io » ne fait plus qu'un avec « Alice la Grande »"),
            std::string::npos)
      << merged.out;

  const Json people = testing::runCliJson({"people"});
  ASSERT_EQ(people.size(), 1u) << "the calendar, read again, does not split them";
  EXPECT_EQ(people[0]["inhabitant"]["id"], "email:alice@corp.fr");
  EXPECT_EQ(people[0]["inhabitant"]["pseudo"], "Alice la Grande");
  EXPECT_EQ(people[0]["inhabitant"]["links"]["sharedMeetings"], 3);
}

TEST_F(PeopleCommand, ADamagedBookIsSaidAndKeptAside) {
  home.write("inhabitants-v1.json", "{\"version\": 3, \"inhabitants\": [");
  const testing::CliResult r = testing::runCli({"people"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("inhabitants-v1.json endommagé"), std::string::npos) << r.err;
  EXPECT_EQ(home.read("inhabitants-v1.json.damaged"), "{\"version\": 3, \"inhabitants\": [");
  EXPECT_NE(r.out.find("2 habitants du royaume"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace talewick::ui
