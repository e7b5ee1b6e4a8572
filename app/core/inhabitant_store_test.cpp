// The inhabitants book between its file and the cloud: two machines that met different people
// converge, nothing damaged is lost, and nothing is written when nothing changed.
#include "core/inhabitant_store.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/memory_files.hpp"

namespace talewick {
namespace {

using InhabitantBook::Encounter;
using testing::MemoryCloudStore;
using testing::MemoryFiles;

Encounter met(const std::string& meeting, const std::string& address, double hours) {
  return Encounter{{"meeting:" + meeting + ":" + address, {*AliasKey::email(address)}, 1, 0, 0},
                   address,
                   Inhabitant::Kind::external,
                   Date{818326800.0 + hours * 3600}};
}

// One machine: its own main loop and file (in `files`), sharing `cloud` with the others.
struct Machine {
  Machine(MemoryFiles& files, const std::string& name, KeyValueCloudStore& cloud)
      : file("/home/" + name + "/" + InhabitantStore::FILE_NAME),
        store(files, file, cloud, loop.main(), loop.serialQueue(InhabitantStore::CLOUD_QUEUE),
              diagnostics) {}

  std::filesystem::path file;
  std::ostringstream diagnostics;
  RunLoop loop;
  InhabitantStore store;
};

// Meetings with each person, by address.
std::map<std::string, int64_t> meetings(const InhabitantStore::Book& book) {
  std::map<std::string, int64_t> out;
  for (const Inhabitant& i : book.inhabitants) {
    for (const AliasKey& k : i.aliases) out[k.value] = i.links.sharedMeetings;
  }
  return out;
}

class InhabitantStoreTest : public ::testing::Test {
 protected:
  std::optional<InhabitantStore::Book> cloudBook() const {
    const auto bytes = cloud.data(InhabitantStore::CLOUD_KEY);
    return bytes ? std::optional(decodeJsonText<InhabitantStore::Book>(*bytes)) : std::nullopt;
  }
  std::optional<InhabitantStore::Book> fileBook(const Machine& m) const {
    const auto bytes = files.contents(m.file);
    return bytes ? std::optional(decodeJsonText<InhabitantStore::Book>(*bytes)) : std::nullopt;
  }

  MemoryFiles files;
  MemoryCloudStore cloud;
  Machine laptop{files, "laptop", cloud};
  Machine desktop{files, "desktop", cloud};
};

TEST_F(InhabitantStoreTest, TwoMachinesThatMetDifferentPeopleConvergeAndCountASharedMeetingOnce) {
  laptop.store.start();
  desktop.store.start();
  // Both at once: each cloud write merges with what it finds, but the later may still land on
  // a value read before the earlier one was written.
  laptop.store.meet({met("standup", "bob@x.org", 1), met("lunch", "carol@x.org", 2)});
  desktop.store.meet({met("standup", "bob@x.org", 1), met("call", "dan@y.org", 3)});
  laptop.loop.settle();
  desktop.loop.settle();
  // Each hears of the other's writes (the cloud folder announces them) and gives the cloud what
  // it lacks.
  for (int round = 0; round < 2; ++round) {
    for (Machine* m : {&laptop, &desktop}) {
      m->store.adoptCloud();
      m->loop.settle();
    }
  }

  const std::map<std::string, int64_t> everyone{
      {"bob@x.org", 1}, {"carol@x.org", 1}, {"dan@y.org", 1}};
  EXPECT_EQ(meetings(laptop.store.book()), everyone);
  EXPECT_EQ(meetings(desktop.store.book()), everyone);
  EXPECT_EQ(meetings(*cloudBook()), everyone);
  EXPECT_EQ(fileBook(laptop), laptop.store.book());
  EXPECT_EQ(fileBook(desktop), desktop.store.book());

  // Converged: taking the cloud in again writes nothing anywhere.
  const int fileWrites = files.writes(), cloudWrites = cloud.writes();
  EXPECT_FALSE(laptop.store.adoptCloud());
  EXPECT_FALSE(desktop.store.adoptCloud());
  laptop.loop.settle();
  desktop.loop.settle();
  EXPECT_EQ(files.writes(), fileWrites);
  EXPECT_EQ(cloud.writes(), cloudWrites);
}

TEST_F(InhabitantStoreTest, MeetingAgainWhatIsKnownWritesNothing) {
  laptop.store.start();
  int heard = 0;
  laptop.store.observe([&](const InhabitantStore::Book&) { ++heard; });
  EXPECT_TRUE(laptop.store.meet({met("standup", "bob@x.org", 1)}));
  laptop.loop.settle();
  const int fileWrites = files.writes(), cloudWrites = cloud.writes();
  EXPECT_FALSE(laptop.store.meet({met("standup", "bob@x.org", 1)}));
  laptop.loop.settle();
  EXPECT_EQ(files.writes(), fileWrites);
  EXPECT_EQ(cloud.writes(), cloudWrites);
  EXPECT_EQ(heard, 1);
  EXPECT_EQ(laptop.store.book().version, 0) << "meeting people is no decision of the user";
}

TEST_F(InhabitantStoreTest, ADamagedFileIsSetAsideSaidOnceAndNotReplacedByNothing) {
  const std::string damaged = R"({"version": 2, "inhabitants": [{"id": )";
  files.put(laptop.file, damaged);
  laptop.store.start();
  laptop.store.adoptCloud();
  laptop.loop.settle();
  EXPECT_TRUE(laptop.store.inhabitants().empty());
  const std::string said = laptop.diagnostics.str();
  EXPECT_NE(said.find("inhabitants-v1.json"), std::string::npos) << said;
  EXPECT_EQ(said.find('\n'), said.size() - 1) << "said once: " << said;
  EXPECT_EQ(files.contents(laptop.file.string() + ".damaged"), damaged);
  EXPECT_EQ(files.contents(laptop.file), std::nullopt) << "no empty book in its place";
  EXPECT_EQ(cloud.writes(), 0);

  // A real change writes the book; the damaged copy stays for the user.
  laptop.store.meet({met("standup", "bob@x.org", 1)});
  EXPECT_EQ(meetings(*fileBook(laptop)), (std::map<std::string, int64_t>{{"bob@x.org", 1}}));
  EXPECT_EQ(files.contents(laptop.file.string() + ".damaged"), damaged);
}

TEST_F(InhabitantStoreTest, ADamagedCloudValueIsSaidOnceAndTheBookKept) {
  laptop.store.start();
  laptop.store.meet({met("standup", "bob@x.org", 1)});
  laptop.loop.settle();
  const InhabitantStore::Book before = laptop.store.book();
  // An inhabitant of a kind nobody knows, whose name for it would clear the terminal.
  cloud.writeFromElsewhere(InhabitantStore::CLOUD_KEY,
                           R"({"version": 0, "inhabitants": [{"id": "a", "displayName": "a",
                               "kind": "\u001b[2J", "aliases": [], "firstSeenISO": "",
                               "links": {"sharedMeetings": 0, "coHandledTickets": 0,
                                         "completedForYou": 0}}],
                               "ledger": [], "settled": {}, "nameVersions": {}})");
  laptop.loop.settle();  // the announcement is taken in on the main loop
  laptop.store.adoptCloud();
  EXPECT_EQ(laptop.store.book(), before);
  const std::string said = laptop.diagnostics.str();
  EXPECT_NE(said.find("inhabitants.v1"), std::string::npos) << said;
  EXPECT_EQ(said.find('\x1b'), std::string::npos) << "the value's bytes never reach a terminal";
  EXPECT_EQ(said.find('\n'), said.size() - 1) << "said once: " << said;

  // The next change gives the cloud a good book again.
  laptop.store.meet({met("review", "bob@x.org", 2)});
  laptop.loop.settle();
  EXPECT_EQ(meetings(*cloudBook()), (std::map<std::string, int64_t>{{"bob@x.org", 2}}));
}

TEST_F(InhabitantStoreTest, AnotherProcessesChangeIsTakenInNotWrittenOver) {
  laptop.store.start();
  laptop.store.meet({met("standup", "bob@x.org", 1)});
  laptop.loop.settle();
  // A command run beside the daemon renames Bob in the same file.
  {
    RunLoop loop;
    MemoryCloudStore noCloud;
    InhabitantStore other(files, laptop.file, noCloud, loop.main(),
                          loop.serialQueue(InhabitantStore::CLOUD_QUEUE));
    other.start();
    ASSERT_EQ(other.rename("email:bob@x.org", "Bobby"), std::nullopt);
  }
  laptop.store.meet({met("lunch", "carol@x.org", 2)});
  const InhabitantStore::Book saved = *fileBook(laptop);
  EXPECT_EQ(InhabitantBook::find(saved, "email:bob@x.org")->pseudo, "Bobby");
  EXPECT_NE(InhabitantBook::find(saved, "email:carol@x.org"), nullptr);
  EXPECT_EQ(saved, laptop.store.book());
}

TEST_F(InhabitantStoreTest, RefusedDecisionsWriteNothingAndUnsavableOnesChangeNothing) {
  laptop.store.start();
  laptop.store.meet({met("standup", "bob@x.org", 1), met("lunch", "carol@x.org", 2)});
  laptop.loop.settle();
  const InhabitantStore::Book before = laptop.store.book();
  const int fileWrites = files.writes(), cloudWrites = cloud.writes();
  EXPECT_EQ(laptop.store.merge("email:bob@x.org", "email:nobody@x.org")->reason,
            InhabitantBook::Refusal::Reason::unknownInhabitant);
  EXPECT_EQ(laptop.store.rename("email:nobody@x.org", "Bob")->reason,
            InhabitantBook::Refusal::Reason::unknownInhabitant);
  EXPECT_EQ(laptop.store.rename("email:bob@x.org", "  ")->reason,
            InhabitantBook::Refusal::Reason::emptyName);
  laptop.loop.settle();
  EXPECT_EQ(files.writes(), fileWrites);
  EXPECT_EQ(cloud.writes(), cloudWrites);
  EXPECT_EQ(laptop.store.book(), before);

  files.refuseWrites("/home/laptop");
  EXPECT_THROW(laptop.store.merge("email:bob@x.org", "email:carol@x.org"), FileError);
  EXPECT_EQ(laptop.store.book(), before);
  // Meeting people is reported, not thrown: the refresh that found them goes on.
  EXPECT_FALSE(laptop.store.meet({met("review", "dan@y.org", 3)}));
  EXPECT_EQ(laptop.store.book(), before);
  EXPECT_NE(laptop.diagnostics.str().find("inhabitants-v1.json"), std::string::npos);
}

}  // namespace
}  // namespace talewick
