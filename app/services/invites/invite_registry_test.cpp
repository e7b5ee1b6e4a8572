// The registry of sent invitations: kept whole and atomically, damaged files set aside.
#include "services/invites/invite_registry.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/memory_files.hpp"

namespace talewick::invites {
namespace {

const std::filesystem::path kPath = "/data/Quillon/invites.json";

InviteRecord lunch() {
  InviteRecord record;
  record.uid = "quillon-1";
  record.token = "Tok3nAbcde";
  record.eventIdentifier = "EV-1";
  record.title = "Déjeuner";
  record.fallbackKey = "quest_EV-1";
  record.sentInvitees = {{"ana@example.org", "Ana"}};
  return record;
}

TEST(InviteRegistry, keepsRecordsForTheNextProcessAndFindsThemByEventOrQuest) {
  testing::MemoryFiles files;
  std::ostringstream said;
  {
    InviteRegistry registry(files, kPath, said);
    registry.put(lunch());
    registry.applyRSVP("quillon-1",
                       {{"ana@example.org", "Ana", RSVPStatus::accepted, Date{100}, std::nullopt}},
                       2, Date{200});
    registry.applyRSVP("quillon-unknown", {}, 9, Date{300});
  }
  InviteRegistry again(files, kPath, said);
  ASSERT_EQ(again.records().size(), 1u);
  const InviteRecord& kept = again.records().at("quillon-1");
  EXPECT_EQ(kept.sequence, 2);
  EXPECT_EQ(kept.lastFetched, Date{200});
  ASSERT_EQ(kept.rsvp.size(), 1u);
  EXPECT_EQ(kept.rsvp[0].status, RSVPStatus::accepted);
  // The file is the array of records, dates in seconds since 2001.
  const Json stored = Json::parse(*files.contents(kPath));
  ASSERT_TRUE(stored.is_array());
  EXPECT_EQ(stored[0]["lastFetched"], 200);
  EXPECT_EQ(stored[0]["uid"], "quillon-1");

  EXPECT_EQ(again.record("EV-1", "quest_other")->uid, "quillon-1");
  EXPECT_EQ(again.record("EV-changed", "quest_EV-1")->uid, "quillon-1");
  EXPECT_EQ(again.record("EV-2", "quest_EV-2"), std::nullopt);
  EXPECT_TRUE(said.str().empty());
}

TEST(InviteRegistry, setsADamagedFileAsideAndSaysSo) {
  testing::MemoryFiles files;
  files.put(kPath, "[{\"uid\": 3}]");
  std::ostringstream said;
  InviteRegistry registry(files, kPath, said);
  EXPECT_TRUE(registry.records().empty());
  EXPECT_EQ(files.contents(kPath.string() + ".damaged"), "[{\"uid\": 3}]");
  EXPECT_NE(said.str().find("invites.json"), std::string::npos) << said.str();
  registry.put(lunch());
  EXPECT_EQ(registry.records().size(), 1u);
}

TEST(InviteRegistry, aRefusedWriteChangesNothing) {
  testing::MemoryFiles files;
  std::ostringstream said;
  InviteRegistry registry(files, kPath, said);
  registry.put(lunch());
  files.refuseWrites("/data");
  InviteRecord other = lunch();
  other.uid = "quillon-2";
  EXPECT_THROW(registry.put(other), FileError);
  EXPECT_EQ(registry.records().size(), 1u);
  EXPECT_EQ(Json::parse(*files.contents(kPath)).size(), 1u);
}

}  // namespace
}  // namespace talewick::invites
