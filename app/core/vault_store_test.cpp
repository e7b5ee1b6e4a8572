// The notes folder as side quests over an in-memory folder: what a scan reads, what it re-reads,
// and completing a task — the line in its file, the credit line, the hero paid once — including
// the files that changed under it and the writes that fail.
#include "core/vault_store.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "support/local_calendar.hpp"
#include "tests/support/fake_calendar_store.hpp"
#include "tests/support/memory_cloud_store.hpp"
#include "tests/support/memory_files.hpp"
#include "tests/support/memory_vault_folder.hpp"

namespace talewick {
namespace {

using Outcome = VaultStore::WriteOutcome;

Date at(int month, int day, int hour = 9) {
  return *LocalCalendar::dateFrom(CivilTime{2026, month, day, hour, 15, 0});
}

int count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class VaultStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hero.start();
    preferences.set(VaultStore::FOLDER_KEY, "/vault");
  }
  const VaultSideQuest& quest(const std::string& title) {
    for (const VaultSideQuest& q : store.result().quests) {
      if (q.title == title) return q;
    }
    ADD_FAILURE() << "no quest " << title;
    static const VaultSideQuest none;
    return none;
  }
  int64_t gold() const { return hero.payload()->gold; }

  testing::MemoryVaultFolder folder;
  testing::MemoryPreferences preferences;
  testing::MemoryFiles files;
  testing::MemoryCloudStore cloud;
  RunLoop loop;
  std::ostringstream diagnostics;
  HeroStore hero{
      files,      "/home/hero.json", cloud, loop.main(), loop.serialQueue(HeroStore::CLOUD_QUEUE),
      diagnostics};
  VaultStore store{folder, preferences, diagnostics};
};

TEST_F(VaultStoreTest, ScanReadsOpenTasksAsSideQuestsAndTheFamilyLayoutBesideThem) {
  folder.put("courses.md",
             "# Courses\n- [ ] Pain ⭐ 7\n- [x] Lait ✅ 2026-03-01\n* [ ] Beurre 📅 2026-03-22\n"
             "  - [ ] Jus 📅 2026-03-18\n");
  folder.put("famille.md", "# Famille\n## Léo\n## Zoé\n- [ ] pas une quête\n");
  folder.put("01 - Enfants/Léo/Tâches récurrentes.md",
             "- [ ] Ranger 🔁 every day 📅 2026-03-20\n- [x] Lire\n");
  folder.put("01 - Enfants/Nina/Tâches récurrentes.md", "- [ ] Dents\n");
  folder.put("suivi/gami-Léo.md", "- [x] Ranger ✅ 2026-03-19\n- [ ] Lire\n");
  folder.put("talewick-completions.md", "- [ ] jamais une quête\n");
  folder.put(".obsidian/x.md", "- [ ] caché\n");

  const VaultScanResult& r = store.scan();
  EXPECT_EQ(store.statusLine(), "");
  ASSERT_EQ(r.quests.size(), 3u);
  // Earliest due first, the undated last.
  EXPECT_EQ(r.quests[0].title, "Jus");
  EXPECT_EQ(r.quests[1].title, "Beurre");
  EXPECT_EQ(r.quests[2].title, "Pain");
  EXPECT_EQ(r.pending, 3);
  EXPECT_EQ(r.quests[2].xp, 7);
  EXPECT_EQ(r.quests[2].gold, 3);
  EXPECT_EQ(r.quests[2].star, 7);
  EXPECT_EQ(r.quests[1].xp, 15);
  EXPECT_EQ(r.quests[1].gold, 8);
  EXPECT_EQ(r.quests[1].star, std::nullopt);
  EXPECT_EQ(r.quests[1].sourceRel, "courses.md");
  EXPECT_EQ(r.quests[1].due, LocalCalendar::startOfDay(at(3, 22)));

  EXPECT_EQ(r.profiles, (std::vector<VaultProfile>{{"Léo", true}, {"Zoé", false}, {"Nina", true}}));
  ASSERT_EQ(r.taskLists.size(), 2u);
  EXPECT_EQ(r.taskLists[0].child, "Léo");
  EXPECT_EQ(r.taskLists[0].open, 1);
  EXPECT_EQ(r.taskLists[1].child, "Nina");
  ASSERT_EQ(r.listItems.size(), 3u);
  EXPECT_EQ(r.listItems[0].task.recurrence, "every day");
  ASSERT_EQ(r.activityEvents.size(), 1u);
  EXPECT_EQ(r.activityEvents[0].profile, "Léo");
  EXPECT_EQ(r.activityEvents[0].text, "Ranger");
  EXPECT_EQ(r.activityEvents[0].day, LocalCalendar::startOfDay(at(3, 19)));

  EXPECT_EQ(store.idsStartingWith(r.quests[0].id.substr(6, 12)),
            std::vector<std::string>{r.quests[0].id});
  EXPECT_EQ(store.idsStartingWith("vault_").size(), 3u);
  EXPECT_TRUE(store.idsStartingWith("nothing").empty());
}

TEST_F(VaultStoreTest, ARescanReadsOnlyTheFilesThatChangedAndForgetsTheGoneOnes) {
  folder.put("a.md", "- [ ] A\n");
  folder.put("b.md", "- [ ] B\n");
  store.scan();
  store.scan();
  EXPECT_EQ(folder.reads("a.md"), 1);
  folder.put("b.md", "- [ ] B\n- [ ] C\n");
  EXPECT_EQ(store.scan().pending, 3);
  EXPECT_EQ(folder.reads("a.md"), 1);
  EXPECT_EQ(folder.reads("b.md"), 2);

  preferences.set(VaultStore::FOLDER_KEY, "/elsewhere");
  store.scan();  // a folder that cannot be listed: the last result stays, with the reason
  EXPECT_EQ(store.result().pending, 3);
  EXPECT_NE(store.statusLine(), "");
  preferences.remove(VaultStore::FOLDER_KEY);
  EXPECT_EQ(store.scan().pending, 0);
  EXPECT_NE(store.statusLine(), "");
}

TEST_F(VaultStoreTest, UnderAWatchOnlyTheNamedFilesAndFoldersAreLookedAtUntilAFullListing) {
  folder.put("a.md", "- [ ] A\n");
  folder.put("projets/b.md", "- [ ] B\n");
  folder.put("projets.md", "- [ ] P\n");  // sorts between "projets" and "projets/…"
  store.followWatch();
  EXPECT_EQ(store.scan().pending, 3);  // the first scan lists everything

  folder.put("a.md", "- [ ] A\n- [ ] A2\n");  // not named: not seen yet
  folder.put("projets/c.md", "- [ ] C\n");
  folder.remove("projets/b.md");
  store.filesChanged({"projets"});  // a folder renamed in place, say
  EXPECT_EQ(store.scan().pending, 3);
  EXPECT_EQ(folder.reads("a.md"), 1);
  EXPECT_EQ(folder.reads("projets.md"), 1);
  EXPECT_EQ(quest("C").sourceRel, "projets/c.md");

  store.filesChanged({"gone.md", "a.md"});
  EXPECT_EQ(store.scan().pending, 4);
  folder.remove("a.md");
  store.listAgain();  // what a watch that lost events asks for
  EXPECT_EQ(store.scan().pending, 2);
}

TEST_F(VaultStoreTest, ATickRewritesItsLineLeavesOneCreditLineAndPaysTheHeroOnce) {
  const std::string before = "# Courses\r\n- [ ] Pain ⭐ 7\r\n- [ ] Lait\r\nfin";
  folder.put("courses.md", before);
  store.scan();
  const std::string pain = quest("Pain").id;
  const std::string lait = quest("Lait").id;
  const int64_t goldBefore = gold();

  const VaultStore::Completion first = store.complete(pain, at(3, 20), hero);
  ASSERT_EQ(first.outcome, Outcome::written);
  EXPECT_EQ(*folder.contents("courses.md"),
            "# Courses\r\n- [x] Pain ⭐ 7 ✅ 2026-03-20\r\n- [ ] Lait\r\nfin");
  EXPECT_EQ(first.change->kind, VaultTasksWrite::Change::Kind::checked);
  EXPECT_EQ(first.credited, (SideQuests::Reward{7, 3}));
  EXPECT_EQ(gold(), goldBefore + 3);
  EXPECT_EQ(store.complete(lait, at(3, 20), hero).outcome, Outcome::written);

  const std::string credits = *folder.contents("talewick-completions.md");
  EXPECT_TRUE(credits.starts_with(std::string(VaultTasksWrite::CREDIT_FILE_HEADER) + "\n"));
  EXPECT_EQ(count(credits, "\n- "), 2);
  EXPECT_EQ(count(credits, " | 7 | courses.md | Pain"), 1);
  EXPECT_EQ(count(credits, " | - | courses.md | Lait"), 1);

  // Ticked already: nothing to complete, nothing written.
  EXPECT_EQ(store.complete(pain, at(3, 20), hero).outcome, Outcome::notFound);
  // Unticked by hand the next day, the same line is the same task: ticked again, never paid again.
  folder.put("courses.md", before);
  const int64_t goldAfter = gold();
  const VaultStore::Completion again = store.complete(pain, at(3, 21), hero);
  EXPECT_EQ(again.outcome, Outcome::written);
  EXPECT_EQ(again.credited, std::nullopt);
  EXPECT_EQ(gold(), goldAfter);
  EXPECT_EQ(count(*folder.contents("talewick-completions.md"), "\n- "), 3);
}

TEST_F(VaultStoreTest, ARepeatingTaskMovesToItsNextDayAndStaysOpen) {
  folder.put("maison.md", "- [ ] Arroser 📅 2026-03-10 🔁 every week\n");
  store.scan();
  const VaultStore::Completion done = store.complete(quest("Arroser").id, at(3, 20), hero);
  ASSERT_EQ(done.outcome, Outcome::written);
  EXPECT_EQ(done.change,
            (VaultTasksWrite::Change{VaultTasksWrite::Change::Kind::advanced, "2026-03-24"}));
  EXPECT_EQ(*folder.contents("maison.md"), "- [ ] Arroser 📅 2026-03-24 🔁 every week\n");
  // The moved line is a task of its own, paid when it is done in turn.
  const VaultScanResult& next = store.scan();
  ASSERT_EQ(next.quests.size(), 1u);
  EXPECT_NE(next.quests[0].id, done.quest->id);
  EXPECT_TRUE(store.complete(next.quests[0].id, at(3, 24), hero).credited.has_value());
}

TEST_F(VaultStoreTest, AFileEditedSinceTheScanIsNeverWrittenOver) {
  folder.put("notes.md", "- [ ] Appeler Mamie\n- [ ] Payer\n");
  store.scan();
  const std::string id = quest("Appeler Mamie").id;

  // Edited without its size or time telling: the line read again is not the one scanned.
  folder.putUnnoticed("notes.md", "- [ ] Appeler Papi\n- [ ] Payer\n");
  EXPECT_EQ(store.complete(id, at(3, 20), hero).outcome, Outcome::notFound);
  EXPECT_EQ(*folder.contents("notes.md"), "- [ ] Appeler Papi\n- [ ] Payer\n");

  // A line added above it: found where it now is, the new line kept.
  folder.put("notes.md", "- [ ] Nouveau\n- [ ] Appeler Mamie\n- [ ] Payer\n");
  ASSERT_EQ(store.complete(id, at(3, 20), hero).outcome, Outcome::written);
  EXPECT_EQ(*folder.contents("notes.md"),
            "- [ ] Nouveau\n- [x] Appeler Mamie ✅ 2026-03-20\n- [ ] Payer\n");
  EXPECT_EQ(count(*folder.contents("talewick-completions.md"), "\n- "), 1);
}

TEST_F(VaultStoreTest, FailedReadsAndWritesKeepTheFilesAndSayWhat) {
  folder.put("a.md", "- [ ] A\n");
  folder.put("b.md", "- [ ] B\n");
  folder.put("c.md", "- [ ] C\n");
  store.scan();
  const std::string a = quest("A").id;
  const std::string b = quest("B").id;
  const int64_t goldBefore = gold();

  folder.refuseWrites("a.md");
  EXPECT_EQ(store.complete(a, at(3, 20), hero).outcome, Outcome::ioError);
  EXPECT_NE(store.statusLine().find("Talewick: coche non écrite dans le coffre (/vault/a.md)"),
            std::string::npos)
      << store.statusLine();
  EXPECT_NE(diagnostics.str().find("coche non écrite"), std::string::npos);
  EXPECT_EQ(*folder.contents("a.md"), "- [ ] A\n");
  EXPECT_EQ(folder.contents("talewick-completions.md"), std::nullopt);
  EXPECT_EQ(gold(), goldBefore);

  // A credit file that cannot be read is left as it is; the tick stands and is paid.
  folder.put("talewick-completions.md", "entrées précieuses\n");
  folder.refuseReads("talewick-completions.md");
  const VaultStore::Completion ticked = store.complete(b, at(3, 20), hero);
  EXPECT_EQ(ticked.outcome, Outcome::written);
  EXPECT_TRUE(ticked.credited.has_value());
  EXPECT_NE(store.statusLine(), "");
  EXPECT_EQ(*folder.contents("talewick-completions.md"), "entrées précieuses\n");

  // An unreadable note is left out of the scan, the others still read.
  folder.refuseReads("c.md");
  folder.put("c.md", "- [ ] C\n- [ ] D\n");
  EXPECT_EQ(store.scan().pending, 1);  // A, whose tick was refused
  EXPECT_NE(store.statusLine(), "");
}

TEST_F(VaultStoreTest, TheFolderIsChosenOnlyWhenItCanBeRead) {
  EXPECT_FALSE(store.setFolder("/nowhere"));
  EXPECT_EQ(store.folderPath(), std::filesystem::path("/vault"));
  preferences.remove(VaultStore::FOLDER_KEY);
  EXPECT_TRUE(store.setFolder("/vault/x/.."));
  EXPECT_EQ(store.folderPath(), std::filesystem::path("/vault"));
}

}  // namespace
}  // namespace talewick
