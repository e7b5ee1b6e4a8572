// `talewick offers` over a temporary home: only the invitations still awaiting an answer are
// offered, each drawn next to the inhabitant who sent it, and the text view marks them seen.
#include <gtest/gtest.h>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class OffersCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T18:00:00+01:00");
    home.write("defaults.json", R"({"identity.emails": ["moi@corp.fr"]})");
    // Alice met the user this morning and invites them to tomorrow's committee, whose title
    // would clear the terminal; an invitation answered and one whose meeting is over are no
    // offers.
    event("revue", "20261209", "Revue", "ORGANIZER;CN=Alice Martin:mailto:alice@corp.fr",
          "ACCEPTED");
    event("comite", "20261210", "Comité\x1b[2J de pilotage",
          "ORGANIZER;CN=Alice Martin:mailto:alice@corp.fr", "NEEDS-ACTION");
    event("atelier", "20261211", "Atelier", "ORGANIZER:mailto:bob@partner.io", "ACCEPTED");
    event("passe", "20261208", "Rétro", "ORGANIZER:mailto:bob@partner.io", "NEEDS-ACTION");
  }
  void TearDown() override { testing::forgetCommandHome(); }

  // An event of `day` from 9:00 to 10:00 UTC to which the user answered `answer`.
  void event(const std::string& uid, const std::string& day, const std::string& summary,
             const std::string& organizer, const std::string& answer) {
    const std::string start = day + "T090000Z", end = day + "T100000Z";
    home.write(
        "calendars/travail/" + uid + ".ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VEVENT\r\nUID:" + uid +
            "\r\nDTSTAMP:20261201T000000Z\r\nDTSTART:" + start + "\r\nDTEND:" + end +
            "\r\nSUMMARY:" + summary + "\r\n" + organizer + "\r\nATTENDEE;PARTSTAT=" + answer +
            ":mailto:moi@corp.fr\r\n" + "END:VEVENT\r\nEND:VCALENDAR\r\n");
  }

  testing::TempFolder home{"offers-command"};
};

TEST_F(OffersCommand, PendingInvitationsAreOfferedByTheirGiverAndTheTextViewMarksThemSeen) {
  ASSERT_EQ(testing::runCli({"people", "rename", "email:alice@corp.fr", "Alice"}).status, 1)
      << "nobody is known before the kingdom is refreshed";
  testing::runCliJson({"people"});
  ASSERT_EQ(
      testing::runCli({"people", "rename", "email:alice@corp.fr", "Alice", "la", "Grande"}).status,
      0);

  const Json first = testing::runCliJson({"offers"});
  ASSERT_EQ(first["offers"].size(), 1u) << first.dump(2);
  EXPECT_EQ(first["offers"][0]["id"], "invite:comite");
  EXPECT_EQ(first["offers"][0]["rarity"], "rare");
  EXPECT_EQ(first["offers"][0]["isNew"], true);
  EXPECT_EQ(first["offers"][0]["giverEmail"], "alice@corp.fr");
  EXPECT_EQ(first["givers"]["byActor"]["email:alice@corp.fr"][0]["id"], "invite:comite");
  EXPECT_EQ(testing::runCliJson({"offers"})["offers"][0]["isNew"], true)
      << "the JSON view marks nothing seen";

  const testing::CliResult text = testing::runCli({"offers"});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("1 offre de quête"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("★ rare — Comité[2J de pilotage · de Alice la Grande — +40 XP, +12 or"),
            std::string::npos)
      << text.out;
  EXPECT_EQ(text.out.find('\x1b'), std::string::npos);

  EXPECT_EQ(testing::runCliJson({"offers"})["offers"][0]["isNew"], false);
  EXPECT_NE(testing::runCli({"offers"}).out.find("  rare — Comité"), std::string::npos);
  EXPECT_EQ(Json::parse(home.read("defaults.json"))["questOffers.seen"],
            Json::array({"invite:comite"}));
}

}  // namespace
}  // namespace talewick::ui
