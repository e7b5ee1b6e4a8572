// What every storage engine keeps of the relay's invitations: run on SQLite and on PostgreSQL.
#include <gtest/gtest.h>

#include "server/storage.hpp"
#include "server/storage_engines_testing.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server {
namespace {

using testing::Engine;

Invitation lunch(std::string owner = "u1") {
  return {"quillon-lunch",
          "Tok3nAbcde",
          std::move(owner),
          0,
          "Déjeuner",
          {{"ana@example.org", "Ana", "needsAction", std::nullopt, std::nullopt},
           {"Bob@Example.org", std::nullopt, "needsAction", std::nullopt, std::nullopt}}};
}

class InvitationStorage : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    storage_->addUser("u1", "hash-1", 100);
    storage_->addUser("u2", "hash-2", 100);
  }

  talewick::testing::TempFolder folder_{"invitations"};
  std::unique_ptr<Storage> storage_ =
      openStorage(*DatabaseLocation::parse(testing::newDatabaseUrl(GetParam(), folder_.path())));
};

TEST_P(InvitationStorage, findsAnInvitationByUidOrTokenOnly) {
  ASSERT_TRUE(storage_->saveInvitation(lunch()));
  EXPECT_EQ(storage_->invitation("quillon-lunch"), lunch());
  EXPECT_EQ(storage_->invitationWithToken("Tok3nAbcde"), lunch());
  // Tokens are case-sensitive secrets; the UID is no token.
  EXPECT_EQ(storage_->invitationWithToken("tok3nabcde"), std::nullopt);
  EXPECT_EQ(storage_->invitationWithToken("quillon-lunch"), std::nullopt);
  EXPECT_EQ(storage_->invitation("quillon-other"), std::nullopt);
}

TEST_P(InvitationStorage, recordsAnswersOfGuestsOnlyInAnyCase) {
  ASSERT_TRUE(storage_->saveInvitation(lunch()));
  EXPECT_TRUE(
      storage_->saveAnswer("quillon-lunch", "ANA@example.org", "accepted", 500, "Avec joie"));
  EXPECT_TRUE(storage_->saveAnswer("quillon-lunch", "bob@example.org", "tentative", 600, {}));
  EXPECT_FALSE(storage_->saveAnswer("quillon-lunch", "eve@example.org", "declined", 700, {}));
  EXPECT_FALSE(storage_->saveAnswer("quillon-other", "ana@example.org", "declined", 700, {}));

  const std::optional<Invitation> stored = storage_->invitation("quillon-lunch");
  ASSERT_TRUE(stored);
  ASSERT_EQ(stored->guests.size(), 2u);
  EXPECT_EQ(stored->guests[0],
            (InvitedGuest{"ana@example.org", "Ana", "accepted", 500, std::string("Avec joie")}));
  EXPECT_EQ(stored->guests[1],
            (InvitedGuest{"Bob@Example.org", std::nullopt, "tentative", 600, std::nullopt}));
}

TEST_P(InvitationStorage, aNewRevisionKeepsTheAnswersOfThoseStillInvited) {
  ASSERT_TRUE(storage_->saveInvitation(lunch()));
  ASSERT_TRUE(storage_->saveAnswer("quillon-lunch", "ana@example.org", "accepted", 500, {}));
  ASSERT_TRUE(storage_->saveAnswer("quillon-lunch", "bob@example.org", "declined", 500, {}));

  Invitation moved = lunch();
  moved.sequence = 1;
  moved.title = "Déjeuner (déplacé)";
  moved.guests = {{"cleo@example.org", "Cléo", "needsAction", std::nullopt, std::nullopt},
                  {"Ana@example.org", "Ana B.", "needsAction", std::nullopt, std::nullopt}};
  ASSERT_TRUE(storage_->saveInvitation(moved));

  const std::optional<Invitation> stored = storage_->invitation("quillon-lunch");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->sequence, 1);
  EXPECT_EQ(stored->title, "Déjeuner (déplacé)");
  ASSERT_EQ(stored->guests.size(), 2u);
  EXPECT_EQ(stored->guests[0].status, "needsAction");
  EXPECT_EQ(stored->guests[1], (InvitedGuest{"Ana@example.org", "Ana B.", "accepted", 500, {}}));
  // Bob is no longer invited: his answer no longer counts.
  EXPECT_FALSE(storage_->saveAnswer("quillon-lunch", "bob@example.org", "accepted", 800, {}));
}

TEST_P(InvitationStorage, refusesAnotherUsersUidAndAnotherInvitationsToken) {
  ASSERT_TRUE(storage_->saveInvitation(lunch()));
  EXPECT_FALSE(storage_->saveInvitation(lunch("u2")));
  Invitation copycat = lunch();
  copycat.uid = "quillon-copy";
  EXPECT_FALSE(storage_->saveInvitation(copycat));
  EXPECT_EQ(storage_->invitation("quillon-copy"), std::nullopt);
  EXPECT_EQ(storage_->invitation("quillon-lunch"), lunch());
}

INSTANTIATE_TEST_SUITE_P(Engines, InvitationStorage, testing::kEngines, testing::engineName);

}  // namespace
}  // namespace talewick::server
