// `talewick vault` over a temporary home and notes folder: choosing the folder, listing its open
// tasks, and ticking one by the start of its identifier.
#include <gtest/gtest.h>

#include "support/json.hpp"
#include "tests/support/run_cli.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick::ui {
namespace {

class VaultCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::useCommandHome(home.path(), "2026-03-20T09:00:00+01:00");
    notes.write("courses.md", "# Courses\n- [ ] Pain ⭐ 7\n- [ ] Lait 📅 2026-03-18\n");
    notes.write("maison.md", "- [ ] Arroser 📅 2026-03-10 🔁 every week\n- [x] Fait\n");
  }
  void TearDown() override { testing::forgetCommandHome(); }

  testing::TempFolder home{"vault-home"};
  testing::TempFolder notes{"vault-notes"};
};

TEST_F(VaultCommand, ChoosesAReadableFolderOnly) {
  const testing::CliResult unset = testing::runCli({"vault"});
  EXPECT_EQ(unset.status, 1);
  EXPECT_NE(unset.err.find("talewick vault set"), std::string::npos) << unset.err;

  for (const std::string& wrong : {(notes / "courses.md").string(), (notes / "absent").string()}) {
    const testing::CliResult refused = testing::runCli({"vault", "set", wrong});
    EXPECT_EQ(refused.status, 2) << wrong;
    EXPECT_NE(refused.err.find("n'est pas un dossier lisible"), std::string::npos);
  }
  EXPECT_EQ(testing::runCli({"vault"}).status, 1);  // still nothing chosen
  EXPECT_EQ(testing::runCli({"vault", "set", notes.path().string()}).status, 0);
  EXPECT_EQ(testing::runCli({"vault", "set", (notes / "absent").string()}).status, 2);
  EXPECT_EQ(testing::runCliJson({"vault"})["folder"], notes.path().string());
}

TEST_F(VaultCommand, ListsTheOpenTasksAndTicksOneByTheStartOfItsID) {
  ASSERT_EQ(testing::runCli({"vault", "set", notes.path().string()}).status, 0);
  const testing::CliResult shown = testing::runCli({"vault"});
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("3 tâche(s) ouverte(s)"), std::string::npos) << shown.out;
  EXPECT_LT(shown.out.find("Arroser"), shown.out.find("Lait"));
  EXPECT_LT(shown.out.find("Lait"), shown.out.find("Pain"));

  const Json listed = testing::runCliJson({"vault"});
  EXPECT_EQ(listed["pending"], 3);
  const Json pain = listed["quests"][2];
  EXPECT_EQ(pain["title"], "Pain");
  EXPECT_EQ(pain["xp"], 7);
  EXPECT_EQ(pain["sourceRel"], "courses.md");

  const std::string id = pain["id"].get<std::string>();
  const int64_t gold = testing::runCliJson({"hero"})["hero"]["gold"].get<int64_t>();
  const testing::CliResult ticked = testing::runCli({"vault", "done", id.substr(0, 12)});
  EXPECT_EQ(ticked.status, 0) << ticked.err;
  EXPECT_NE(ticked.out.find("Tâche accomplie : Pain (+7 XP, +3 or)"), std::string::npos)
      << ticked.out;
  EXPECT_EQ(notes.read("courses.md"),
            "# Courses\n- [x] Pain ⭐ 7 ✅ 2026-03-20\n- [ ] Lait 📅 2026-03-18\n");
  EXPECT_EQ(testing::runCliJson({"hero"})["hero"]["gold"].get<int64_t>(), gold + 3);

  const testing::CliResult again = testing::runCli({"vault", "done", id});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("tâche introuvable"), std::string::npos) << again.err;
  EXPECT_EQ(testing::runCli({"vault", "done", "vault_"}).status, 2);  // names two tasks

  const std::string arroser = listed["quests"][0]["id"].get<std::string>();
  const testing::CliResult moved = testing::runCli({"vault", "done", arroser});
  EXPECT_NE(moved.out.find("de retour le 2026-03-24"), std::string::npos) << moved.out;
  EXPECT_EQ(testing::runCliJson({"vault"})["pending"], 2);
  EXPECT_NE(notes.read("talewick-completions.md").find(" | 7 | courses.md | Pain\n"),
            std::string::npos);
}

}  // namespace
}  // namespace talewick::ui
