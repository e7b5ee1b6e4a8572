// The rest store over its file: declarations kept across restarts and processes, older files
// read, and the reprise paid once across calls, restarts and machines.
#include "core/kingdom_rest_store.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/linux_files.hpp"
#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

using testing::TempFolder;

constexpr const char* kZone = "Europe/Paris";

TEST(KingdomRestStore, DeclarationsSurviveARestartAndTheFirstOneStands) {
  TempFolder home("rest");
  const auto path = home / KingdomRestStore::FILE_NAME;
  {
    KingdomRestStore store(linuxFiles(), path);
    EXPECT_TRUE(store.declare("2026-12-12", "2026-12-10"));
    EXPECT_TRUE(store.declare("2026-12-13", "2026-12-10"));
    // Declared again after the day: the declaration in time is kept.
    EXPECT_FALSE(store.declare("2026-12-12", "2026-12-14"));
    EXPECT_TRUE(store.cancel("2026-12-13"));
    EXPECT_FALSE(store.cancel("2026-12-13"));
    store.markActive("2026-12-11");
  }
  EXPECT_EQ(Json::parse(home.read(KingdomRestStore::FILE_NAME)),
            Json::parse(R"({"restDeclarations":{"2026-12-12":"2026-12-10"},)"
                        R"("lastActiveISO":"2026-12-11"})"));
  KingdomRestStore reopened(linuxFiles(), path);
  EXPECT_EQ(reopened.declarations(), (RestSanctuary::Declarations{{"2026-12-12", "2026-12-10"}}));
  EXPECT_EQ(reopened.lastActiveISO(), "2026-12-11");
}

TEST(KingdomRestStore, TheLastActiveDayOnlyMovesForward) {
  TempFolder home("rest-active");
  KingdomRestStore store(linuxFiles(), home / KingdomRestStore::FILE_NAME);
  store.markActive("2026-12-11");
  store.markActive("2026-12-09");
  store.markActive("pas une date");
  EXPECT_EQ(store.lastActiveISO(), "2026-12-11");
  store.markActive("2027-01-02");
  EXPECT_EQ(store.lastActiveISO(), "2027-01-02");
}

TEST(KingdomRestStore, AnOlderFilesRestDaysReadAsChosenRestAndAreWrittenBackAsDeclarations) {
  TempFolder home("rest-legacy");
  home.write(KingdomRestStore::FILE_NAME,
             R"({"legacyRestDays":["2026-12-05","2026-12-06"],)"
             R"("restDeclarations":{"2026-12-06":"2026-12-07"},"timeZoneID":"Europe/Paris"})");
  KingdomRestStore store(linuxFiles(), home / KingdomRestStore::FILE_NAME);
  EXPECT_EQ(store.declarations(),
            (RestSanctuary::Declarations{{"2026-12-05", "2026-12-05"},
                                         {"2026-12-06", "2026-12-07"}}));  // the newer key wins
  EXPECT_EQ(store.state().timeZoneID, "Europe/Paris");
  store.declare("2026-12-20", "2026-12-10");
  const Json written = Json::parse(home.read(KingdomRestStore::FILE_NAME));
  EXPECT_FALSE(written.contains("legacyRestDays"));
  EXPECT_EQ(written["restDeclarations"].size(), 3u);

  // Rest days that are not a list of texts make the file damaged, not half read.
  home.write(KingdomRestStore::FILE_NAME, R"({"legacyRestDays":"2026-12-05"})");
  std::ostringstream said;
  KingdomRestStore damaged(linuxFiles(), home / KingdomRestStore::FILE_NAME, said);
  EXPECT_TRUE(damaged.declarations().empty());
  EXPECT_NE(said.str().find("endommagé"), std::string::npos);
}

TEST(KingdomRestStore, AChangeKeepsWhatAnotherProcessSavedMeanwhile) {
  TempFolder home("rest-two");
  const auto path = home / KingdomRestStore::FILE_NAME;
  KingdomRestStore daemon(linuxFiles(), path);
  KingdomRestStore command(linuxFiles(), path);
  EXPECT_TRUE(command.declare("2026-12-24", "2026-12-10"));
  daemon.markActive("2026-12-10");
  EXPECT_EQ(daemon.declarations().count("2026-12-24"), 1u);
  EXPECT_TRUE(command.cancel("2026-12-24"));
  EXPECT_EQ(KingdomRestStore(linuxFiles(), path).state(),
            (KingdomRestState{{}, "2026-12-10", std::nullopt, std::nullopt}));
}

// One machine: its hero over the shared cloud, and its own rest file.
struct Machine {
  Machine(const TempFolder& home, const std::string& name, KeyValueCloudStore& cloud)
      : hero(linuxFiles(), home / name / HeroStore::FILE_NAME, cloud, loop.main(),
             loop.serialQueue(HeroStore::CLOUD_QUEUE)),
        rest(linuxFiles(), home / name / KingdomRestStore::FILE_NAME) {
    hero.start();
  }
  int64_t xp() const { return hero.payload()->totalXp; }
  RunLoop loop;
  HeroStore hero;
  KingdomRestStore rest;
};

TEST(KingdomRestStore, TheReprisePaysOnceAfterDeclaredRest) {
  TempFolder home("rest-reprise");
  testing::MemoryCloudStore cloud;
  Machine a(home, "a", cloud);
  const int64_t before = a.xp();
  a.rest.markActive("2026-12-10");
  a.rest.declare("2026-12-11", "2026-12-10");
  a.rest.declare("2026-12-12", "2026-12-10");

  EXPECT_TRUE(a.rest.payRepriseIfDue(a.hero, "2026-12-13", kZone));
  EXPECT_EQ(a.xp(), before + RestSanctuary::repriseRewardXP);
  EXPECT_EQ(a.hero.payload()->restRewardReceiptIDs, std::vector<std::string>{"reprise:2026-12-13"});
  EXPECT_EQ(a.rest.state().lastRepriseISO, "2026-12-13");
  EXPECT_EQ(a.rest.state().timeZoneID, kZone);
  // Called again the same day (a refresh, a restart): nothing more.
  EXPECT_FALSE(a.rest.payRepriseIfDue(a.hero, "2026-12-13", kZone));
  EXPECT_FALSE(KingdomRestStore(linuxFiles(), home / "a" / KingdomRestStore::FILE_NAME)
                   .payRepriseIfDue(a.hero, "2026-12-13", kZone));
  EXPECT_EQ(a.xp(), before + RestSanctuary::repriseRewardXP);
  a.loop.settle();

  // Another machine saw the same return: it records the reprise without paying it again.
  Machine b(home, "b", cloud);
  const int64_t onB = b.xp();
  b.rest.markActive("2026-12-10");
  b.rest.declare("2026-12-11", "2026-12-10");
  b.rest.declare("2026-12-12", "2026-12-10");
  EXPECT_FALSE(b.rest.payRepriseIfDue(b.hero, "2026-12-13", kZone));
  EXPECT_EQ(b.rest.state().lastRepriseISO, "2026-12-13");
  EXPECT_EQ(b.xp(), onB);
}

TEST(KingdomRestStore, NoRepriseAfterAnUndeclaredAbsenceOrWithinTheWeek) {
  TempFolder home("rest-none");
  testing::MemoryCloudStore cloud;
  Machine a(home, "a", cloud);
  const int64_t before = a.xp();
  a.rest.markActive("2026-12-10");
  a.rest.declare("2026-12-11", "2026-12-12");  // declared after the fact
  EXPECT_FALSE(a.rest.payRepriseIfDue(a.hero, "2026-12-12", kZone));
  EXPECT_FALSE(a.rest.state().lastRepriseISO);

  a.rest.cancel("2026-12-11");
  a.rest.declare("2026-12-11", "2026-12-10");
  EXPECT_TRUE(a.rest.payRepriseIfDue(a.hero, "2026-12-12", kZone));
  a.rest.markActive("2026-12-16");
  a.rest.declare("2026-12-17", "2026-12-16");
  a.rest.declare("2026-12-18", "2026-12-16");
  EXPECT_FALSE(a.rest.payRepriseIfDue(a.hero, "2026-12-18", kZone));  // six days later
  EXPECT_EQ(a.xp(), before + RestSanctuary::repriseRewardXP);
  EXPECT_TRUE(a.rest.payRepriseIfDue(a.hero, "2026-12-19", kZone));  // seven
  EXPECT_EQ(a.xp(), before + 2 * RestSanctuary::repriseRewardXP);
}

}  // namespace
}  // namespace talewick
