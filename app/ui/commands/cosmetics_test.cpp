// `talewick cosmetics` over a temporary home: bosses felled in two weeks unlock the destrier, told
// once with the kingdom's payments, then ridden on the kingdom's map; locked and unknown items are
// refused without touching the file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

constexpr const char* kUnlocked = "Nouvelle monture débloquée : Destrier des Braves";

class CosmeticsCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-12-09T09:00:00+01:00");
    ::unsetenv("TALEWICK_REMINDERS_DIR");
    reminder("facture", "Payer la facture", "20261207", false);
  }
  void TearDown() override { testing::forgetCommandHome(); }

  // A reminder of the list "taches", due on `due` (yyyyMMdd).
  void reminder(const std::string& uid, const std::string& summary, const std::string& due,
                bool ticked) {
    home.write("reminders/taches/" + uid + ".ics",
               "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//FR\r\nBEGIN:VTODO\r\nUID:" + uid +
                   "\r\nDTSTAMP:20261201T000000Z\r\nSUMMARY:" + summary +
                   "\r\nDUE;VALUE=DATE:" + due + "\r\n" +
                   (ticked ? "STATUS:COMPLETED\r\nCOMPLETED:20261209T100000Z\r\n" : "") +
                   "END:VTODO\r\nEND:VCALENDAR\r\n");
  }
  static testing::CliResult cli(const std::vector<std::string>& args) {
    testing::CliResult r = testing::runCli(args);
    EXPECT_EQ(r.status, 0) << r.err;
    return r;
  }
  static bool says(const testing::CliResult& r, const std::string& text) {
    return r.out.find(text) != std::string::npos;
  }
  static Json item(const Json& list, const std::string& id) {
    for (const Json& entry : list["items"]) {
      if (entry["item"]["id"] == id) return entry;
    }
    ADD_FAILURE() << "no item " << id;
    return Json();
  }

  testing::TempFolder home{"cosmetics-command"};
};

TEST_F(CosmeticsCommand, TwoFelledBossesUnlockTheDestrierOnceAndItRidesTheKingdom) {
  Json list = testing::runCliJson({"cosmetics"});
  ASSERT_EQ(list["items"].size(), 11u);
  EXPECT_EQ(item(list, "mount_destrier")["unlocked"], false);
  EXPECT_EQ(item(list, "mount_destrier")["item"]["kind"], "mount");

  // The first boss falls: half way to the destrier, nothing unlocked.
  reminder("facture", "Payer la facture", "20261207", true);
  EXPECT_FALSE(says(cli({"boss"}), "débloqu"));
  const testing::CliResult halfway = cli({"cosmetics"});
  EXPECT_TRUE(says(halfway, "[ ] Destrier des Braves — boss de la semaine : 1/2  [mount_destrier]"))
      << halfway.out;
  EXPECT_TRUE(says(halfway, "Pour avoir terrassé 2 boss de la semaine.")) << halfway.out;
  EXPECT_EQ(item(testing::runCliJson({"cosmetics"}), "mount_destrier")["fraction"], 0.5);

  const std::string file = "kingdom-cosmetics-v1.json";
  const std::string before = home.read(file);
  const testing::CliResult locked = testing::runCli({"cosmetics", "equip", "mount_destrier"});
  EXPECT_EQ(locked.status, 2);
  EXPECT_NE(locked.err.find("« Destrier des Braves » reste à gagner (boss de la semaine : 1/2)"),
            std::string::npos)
      << locked.err;
  EXPECT_EQ(home.read(file), before);

  // The next week's boss falls too: the destrier is told once, as a line of its own.
  ::setenv("TALEWICK_NOW", "2026-12-16T09:00:00+01:00", 1);
  reminder("dossier", "Rendre le dossier", "20261214", false);
  cli({"boss"});
  reminder("dossier", "Rendre le dossier", "20261214", true);
  const testing::CliResult kingdom = cli({"kingdom"});
  EXPECT_NE(kingdom.out.find(std::string("\n") + kUnlocked + "\n"), std::string::npos)
      << kingdom.out;
  EXPECT_FALSE(says(cli({"kingdom"}), kUnlocked));
  EXPECT_FALSE(says(cli({"cosmetics"}), kUnlocked));
  EXPECT_EQ(testing::runCliJson({"hero"})["hero"]["cosmeticRewardReceiptIDs"],
            Json::array({"cosmetic:mount_destrier"}));

  EXPECT_TRUE(says(cli({"cosmetics", "equip", "mount_destrier"}),
                   "Destrier des Braves : ta monture désormais."));
  EXPECT_TRUE(says(cli({"kingdom"}), "Monture : Destrier des Braves"));
  list = testing::runCliJson({"cosmetics"});
  EXPECT_EQ(list["equippedMountID"], "mount_destrier");
  EXPECT_EQ(item(list, "mount_destrier")["equipped"], true);
  EXPECT_EQ(list["progress"]["weeklyBossesDefeated"], 2);

  cli({"cosmetics", "unequip", "mount_destrier"});
  EXPECT_FALSE(says(cli({"kingdom"}), "Monture :"));
}

TEST_F(CosmeticsCommand, AnUnknownItemIsRefusedInOneLine) {
  for (const char* action : {"equip", "unequip"}) {
    const testing::CliResult r = testing::runCli({"cosmetics", action, "licorne\x1b[31m"});
    EXPECT_EQ(r.status, 2) << action;
    EXPECT_NE(r.err.find("cosmétique inconnu : « licorne"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(home / "kingdom-cosmetics-v1.json"));
}

}  // namespace
}  // namespace talewick::ui
