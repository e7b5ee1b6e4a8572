// What every storage engine must keep: run on SQLite and on a PostgreSQL cluster of the test's
// own, through openStorage as the server opens them.
#include "server/storage.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "server/storage_engines_testing.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::server {
namespace {

ProviderConnection connection(const std::string& provider, const std::string& id,
                              std::optional<std::int64_t> connectedAt,
                              nlohmann::json profile = nlohmann::json::object(),
                              std::string tokens = "") {
  return {provider, id, std::move(profile), connectedAt, std::move(tokens)};
}

using testing::Engine;

class StorageContract : public ::testing::TestWithParam<Engine> {
 protected:
  std::unique_ptr<Storage> open() { return openStorage(*DatabaseLocation::parse(url_)); }

  talewick::testing::TempFolder folder_{"storage"};
  std::string url_ = testing::newDatabaseUrl(GetParam(), folder_.path());
};

TEST_P(StorageContract, keepsItsDataForTheNextProcess) {
  {
    const std::unique_ptr<Storage> storage = open();
    storage->addUser("u1", "hash-1", 100);
    storage->saveConnection("u1", connection("asana", "a1", 200, {{"accountLabel", "Ana"}}, "ff"));
  }
  // Two processes at once, as behind a load balancer: each sees what the other wrote.
  const std::unique_ptr<Storage> first = open();
  const std::unique_ptr<Storage> second = open();
  EXPECT_EQ(second->userWithKeyHash("hash-1"), "u1");
  EXPECT_EQ(second->connections("u1", "asana"),
            std::vector{connection("asana", "a1", 200, {{"accountLabel", "Ana"}}, "ff")});
  first->addUser("u2", "hash-2", 300);
  EXPECT_EQ(second->userWithKeyHash("hash-2"), "u2");
}

TEST_P(StorageContract, findsUsersOnlyByTheirKeyHash) {
  const std::unique_ptr<Storage> storage = open();
  storage->addUser("u1", "hash-1", 100);
  storage->addUser("u2", "hash-2", 100);
  EXPECT_EQ(storage->userWithKeyHash("hash-2"), "u2");
  EXPECT_EQ(storage->userWithKeyHash("u1"), std::nullopt);
  EXPECT_EQ(storage->userWithKeyHash("hash-3"), std::nullopt);
  // Two users never share a key; the engine stays usable after the refusal.
  EXPECT_THROW(storage->addUser("u3", "hash-1", 100), StorageError);
  EXPECT_EQ(storage->userWithKeyHash("hash-1"), "u1");
}

TEST_P(StorageContract, keepsEachUsersConnectionsApart) {
  const std::unique_ptr<Storage> storage = open();
  storage->addUser("u1", "hash-1", 100);
  storage->addUser("u2", "hash-2", 100);
  storage->saveConnection("u1", connection("linear", "w1", 100, {{"name", "Atelier"}}));
  storage->saveConnection("u1", connection("linear", "w2", 300));
  storage->saveConnection("u1", connection("linear", "w0", std::nullopt));
  storage->saveConnection("u1", connection("todoist", "t1", 100));
  storage->saveConnection("u2", connection("linear", "w1", 200, {{"name", "Forge"}}));

  // The latest connected first; one without a date last.
  EXPECT_EQ(storage->connections("u1", "linear"),
            (std::vector{connection("linear", "w2", 300),
                         connection("linear", "w1", 100, {{"name", "Atelier"}}),
                         connection("linear", "w0", std::nullopt)}));
  EXPECT_EQ(storage->connections("u2", "linear"),
            std::vector{connection("linear", "w1", 200, {{"name", "Forge"}})});

  // Saving the same account again replaces it, tokens included.
  storage->saveConnection("u2", connection("linear", "w1", 400, {{"name", "Forge 2"}}, "ab"));
  EXPECT_EQ(storage->connections("u2", "linear"),
            std::vector{connection("linear", "w1", 400, {{"name", "Forge 2"}}, "ab")});

  // Disconnecting touches one user's one provider.
  storage->removeConnections("u1", "linear");
  EXPECT_TRUE(storage->connections("u1", "linear").empty());
  EXPECT_EQ(storage->connections("u1", "todoist").size(), 1u);
  EXPECT_EQ(storage->connections("u2", "linear").size(), 1u);
  storage->removeConnections("u1", "linear");  // nothing left: not an error
}

TEST_P(StorageContract, servesEachOAuthStateOnceAndKeepsOnlyTheLatestAttempt) {
  const std::unique_ptr<Storage> storage = open();
  storage->addUser("u1", "hash-1", 100);
  const OAuthState first{"state-1", "u1", "notion", "verifier-1", 100};
  const OAuthState second{"state-2", "u1", "notion", "verifier-2", 160};
  const OAuthState other{"state-3", "u1", "asana", "verifier-3", 170};
  storage->saveOAuthState(first);
  storage->saveOAuthState(second);
  storage->saveOAuthState(other);

  EXPECT_EQ(storage->takeOAuthState("state-1"), std::nullopt);  // abandoned for the second
  EXPECT_EQ(storage->takeOAuthState("state-2"), second);
  EXPECT_EQ(storage->takeOAuthState("state-2"), std::nullopt);  // already used
  EXPECT_EQ(storage->takeOAuthState("state-3"), other);
}

// Many requests at once, from as many threads: a state is served to one of them only.
TEST_P(StorageContract, servesAStateOnceUnderConcurrentCallbacks) {
  const std::unique_ptr<Storage> storage = open();
  storage->addUser("u1", "hash-1", 100);
  storage->saveOAuthState({"state-1", "u1", "notion", "verifier-1", 100});
  std::atomic<int> served = 0;
  std::vector<std::thread> callers;
  for (int i = 0; i < 8; ++i) {
    callers.emplace_back([&] {
      if (storage->takeOAuthState("state-1")) ++served;
    });
  }
  for (std::thread& caller : callers) caller.join();
  EXPECT_EQ(served, 1);
}

Opening opening(const std::string& id, const std::string& owner) {
  return {id, "public-" + id, owner, "Café <avec> « toi »",
          30, "manual",       "",    {"2026-12-10T09:00:00+01:00", "2026-12-10T09:30:00+01:00"},
          100};
}

Booking booking(const std::string& id, const std::string& openingId, const std::string& slot,
                const std::string& status = "pending", std::int64_t at = 200) {
  return {id, openingId, slot, "Ada", "ada@example.org", "à bientôt\n", status, at};
}

TEST_P(StorageContract, keepsOpeningsAndFindsThemByEitherId) {
  {
    const std::unique_ptr<Storage> storage = open();
    storage->addUser("u1", "hash-1", 100);
    storage->addOpening(opening("o1", "u1"));
  }
  const std::unique_ptr<Storage> storage = open();
  EXPECT_EQ(storage->opening("o1"), opening("o1", "u1"));
  EXPECT_EQ(storage->openingWithPublicId("public-o1"), opening("o1", "u1"));
  // Neither id stands for the other.
  EXPECT_EQ(storage->opening("public-o1"), std::nullopt);
  EXPECT_EQ(storage->openingWithPublicId("o1"), std::nullopt);
  // A public id serves one opening only.
  Opening again = opening("o2", "u1");
  again.publicId = "public-o1";
  EXPECT_THROW(storage->addOpening(again), StorageError);
}

TEST_P(StorageContract, letsOneBookingHoldASlotUntilItIsDeclined) {
  const std::unique_ptr<Storage> storage = open();
  storage->addUser("u1", "hash-1", 100);
  storage->addOpening(opening("o1", "u1"));
  storage->addOpening(opening("o2", "u1"));
  const std::string nine = "2026-12-10T09:00:00+01:00";
  EXPECT_TRUE(storage->addBooking(booking("b1", "o1", nine, "pending", 300)));
  EXPECT_FALSE(storage->addBooking(booking("b2", "o1", nine)));
  // The same time on another opening is another slot.
  EXPECT_TRUE(storage->addBooking(booking("b3", "o2", nine)));
  EXPECT_TRUE(storage->addBooking(booking("b4", "o1", "2026-12-10T09:30:00+01:00", "confirmed")));
  EXPECT_EQ(storage->bookings("o1"),
            (std::vector{booking("b4", "o1", "2026-12-10T09:30:00+01:00", "confirmed"),
                         booking("b1", "o1", nine, "pending", 300)}));

  EXPECT_EQ(storage->setBookingStatus("o1", "b1", "declined"), BookingChange::done);
  EXPECT_TRUE(storage->addBooking(booking("b5", "o1", nine, "pending", 400)));
  // The declined booking cannot take its slot back from the new one.
  EXPECT_EQ(storage->setBookingStatus("o1", "b1", "confirmed"), BookingChange::slotTaken);
  EXPECT_EQ(storage->bookings("o1")[1].status, "declined");
  EXPECT_EQ(storage->setBookingStatus("o1", "b5", "confirmed"), BookingChange::done);
  EXPECT_EQ(storage->setBookingStatus("o1", "b5", "confirmed"), BookingChange::done);
  // A booking is reached through its own opening only.
  EXPECT_EQ(storage->setBookingStatus("o2", "b5", "declined"), BookingChange::unknown);
  EXPECT_EQ(storage->setBookingStatus("o1", "nobody", "declined"), BookingChange::unknown);
  EXPECT_EQ(storage->bookings("o1").back(), booking("b5", "o1", nine, "confirmed", 400));
}

// Visitors of several server processes asking for one slot at the same moment: one gets it.
TEST_P(StorageContract, givesASlotToOneOfManyVisitorsAtOnce) {
  const std::unique_ptr<Storage> first = open();
  const std::unique_ptr<Storage> second = open();
  first->addUser("u1", "hash-1", 100);
  first->addOpening(opening("o1", "u1"));
  std::atomic<int> booked = 0;
  std::vector<std::thread> visitors;
  for (int i = 0; i < 8; ++i) {
    visitors.emplace_back([&, i] {
      Storage& process = i % 2 == 0 ? *first : *second;
      const std::string id = "b" + std::to_string(i);
      if (process.addBooking(booking(id, "o1", "2026-12-10T09:00:00+01:00"))) ++booked;
    });
  }
  for (std::thread& visitor : visitors) visitor.join();
  EXPECT_EQ(booked, 1);
  EXPECT_EQ(second->bookings("o1").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Engines, StorageContract, testing::kEngines, testing::engineName);

TEST(OpenStorage, refusesADatabaseItCannotReachWithOneLine) {
  try {
    openStorage(*DatabaseLocation::parse("postgresql://talewick@/none?host=/nonexistent"));
    ADD_FAILURE() << "an unreachable database was accepted";
  } catch (const StorageError& e) {
    EXPECT_NE(std::string(e.what()).find("PostgreSQL"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace talewick::server
