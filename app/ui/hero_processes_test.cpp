// Two machines, played by two homes sharing one cloud folder and driven through real processes:
// the `talewick` program and a second writer of the hero.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <thread>

#include "core/hero_store.hpp"
#include "platform/atomic_file.hpp"
#include "support/json.hpp"
#include "tests/support/process.hpp"
#include "tests/support/temp_folder.hpp"

namespace talewick {
namespace {

using testing::ProcessResult;
using testing::TempFolder;

class TwoMachines : public ::testing::Test {
 protected:
  std::map<std::string, std::string> environment(const std::string& machine) const {
    const auto home = root / machine;
    return {{"TALEWICK_HOME", home.string()},
            {"TALEWICK_CLOUD_DIR", (root / "cloud").string()},
            {"TALEWICK_DISABLE_EVENTKIT", "1"},
            {"HOME", home.string()},
            {"XDG_CONFIG_HOME", (home / ".config").string()},
            {"TZ", "Europe/Paris"},
            {"LANG", "fr_FR.UTF-8"}};
  }
  ProcessResult talewick(const std::string& machine, std::vector<std::string> args) {
    args.insert(args.begin(), TALEWICK_BINARY);
    return testing::runProcess(args, environment(machine), root / "scratch");
  }
  pid_t startCredit(const std::string& machine, const std::string& receipt, int xp, int gold) {
    return testing::startProcess(
        {TALEWICK_HERO_TOOL, "credit", receipt, std::to_string(xp), std::to_string(gold)},
        environment(machine), root / "scratch");
  }
  void credit(const std::string& machine, const std::string& receipt, int xp, int gold) {
    const ProcessResult r =
        testing::finishProcess(startCredit(machine, receipt, xp, gold), root / "scratch");
    ASSERT_EQ(r.status, 0) << r.err;
  }
  Json hero(const std::string& machine) {
    const ProcessResult r = talewick(machine, {"hero", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    return Json::parse(r.out, nullptr, false)["hero"];
  }

  TempFolder folder{"machines"};
  std::filesystem::path root = folder.path();
};

TEST_F(TwoMachines, ACreditOnOneIsAdoptedByTheOther) {
  credit("a", "wq:inbox-zero", 40, 12);
  const Json b = hero("b");
  EXPECT_EQ(b["totalXp"], 40);
  EXPECT_EQ(b["gold"], 12);
  EXPECT_EQ(b["worldQuestRewardReceiptIDs"], Json::array({"wq:inbox-zero"}));
  credit("b", "wq:reminders", 20, 6);
  EXPECT_EQ(hero("a")["totalXp"], 60);
}

TEST_F(TwoMachines, TheSameReceiptCreditedOnBothAtOnceIsPaidOnce) {
  for (int round = 0; round < 4; ++round) {
    const std::string receipt = "wq:same-" + std::to_string(round);
    const pid_t a = startCredit("a", receipt, 40, 12);
    const pid_t b = startCredit("b", receipt, 40, 12);
    ASSERT_EQ(testing::finishProcess(a, root / "scratch").status, 0);
    ASSERT_EQ(testing::finishProcess(b, root / "scratch").status, 0);
  }
  for (const char* machine : {"a", "b", "a"}) ASSERT_EQ(talewick(machine, {"sync"}).status, 0);
  const Json a = hero("a"), b = hero("b");
  EXPECT_EQ(a, b);
  EXPECT_EQ(a["totalXp"], 160);
  EXPECT_EQ(a["gold"], 48);
  EXPECT_EQ(a["worldQuestRewardReceiptIDs"].size(), 4u);
}

TEST_F(TwoMachines, ThePhonesDocumentWinsGroupByGroup) {
  credit("a", "wq:desk", 100, 30);  // goldVersion 1
  // The phone renamed the hero and replayed days (more experience) but never touched the gold.
  Json phone = hero("a");
  phone["name"] = "Arthur";
  phone["identityVersion"] = 3;
  phone["totalXp"] = 450;
  phone["gold"] = 999;
  phone["goldVersion"] = 1;
  phone["pronoun"] = "il";
  files::writeAtomically(root / "cloud" / HeroStore::CLOUD_KEY, phone.dump());
  const ProcessResult sync = talewick("a", {"sync"});
  ASSERT_EQ(sync.status, 0) << sync.err;
  EXPECT_NE(sync.out.find("expérience 100 → 450"), std::string::npos) << sync.out;
  const Json a = hero("a");
  EXPECT_EQ(a["name"], "Arthur");
  EXPECT_EQ(a["pronoun"], "il");
  EXPECT_EQ(a["totalXp"], 450);
  EXPECT_EQ(a["gold"], 30);  // equal gold versions: each side keeps its gold
}

TEST_F(TwoMachines, HeroCommandsChangeTheCardAndRefuseBadInput) {
  ProcessResult r = talewick("a", {"hero", "name", "Léa", "la", "Brave"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("🧙 Léa la Brave — Apprenti du Foyer"), std::string::npos) << r.out;
  r = talewick("a", {"hero", "tagline", "Jamais sans mon café"});
  EXPECT_NE(r.out.find("« Jamais sans mon café »"), std::string::npos) << r.out;
  EXPECT_EQ(talewick("a", {"hero", "name", "   "}).status, 2);
  // Names and taglines are one line of the card and travel in the cloud document: no control
  // characters, and a length counted in characters as the user sees them.
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"hero", "name", std::string(100000, 'a')},
       "talewick : nom du héros : 40 caractères au plus (100000 donnés)\n"},
      {{"hero", "name", "Léa\nla Brave"},
       "talewick : nom du héros : pas de retour à la ligne ni de caractère de contrôle\n"},
      {{"hero", "name", "L\x1b[31méa"},
       "talewick : nom du héros : pas de retour à la ligne ni de caractère de contrôle\n"},
      {{"hero", "tagline", std::string(101, 'x')},
       "talewick : devise : 100 caractères au plus (101 donnés)\n"},
      {{"hero", "tagline", "En\tavant"},
       "talewick : devise : pas de retour à la ligne ni de caractère de contrôle\n"},
  };
  for (const auto& [args, err] : refused) {
    const ProcessResult bad = talewick("a", args);
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, err);
  }
  std::string astronauts;
  for (int i = 0; i < 40; ++i) astronauts += "👩‍🚀";  // 40 characters, 440 bytes
  EXPECT_EQ(talewick("a", {"hero", "name", astronauts}).status, 0);
  ASSERT_EQ(talewick("a", {"hero", "name", "Léa", "la", "Brave"}).status, 0);
  r = talewick("a", {"hero", "title", "titan"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "talewick : titre non débloqué : titan (aucun titre débloqué pour l'instant)\n");
  EXPECT_EQ(hero("b")["name"], "Léa la Brave");  // the name reached the other machine

  const ProcessResult again = talewick("b", {"sync"});
  EXPECT_NE(again.out.find("Déjà à jour."), std::string::npos) << again.out;
}

TEST_F(TwoMachines, RenamesAtTheSameMomentEndWithOneNameEverywhere) {
  for (int round = 0; round < 3; ++round) {
    const std::string suffix = std::to_string(round);
    // Two processes of one machine, and a process of the other machine, rename at once.
    const pid_t a1 = testing::startProcess({TALEWICK_BINARY, "hero", "name", "Arthur" + suffix},
                                           environment("a"), root / "scratch");
    const pid_t a2 = testing::startProcess({TALEWICK_BINARY, "hero", "name", "Berthe" + suffix},
                                           environment("a"), root / "scratch");
    const pid_t b = testing::startProcess({TALEWICK_BINARY, "hero", "name", "Cyril" + suffix},
                                          environment("b"), root / "scratch");
    for (pid_t p : {a1, a2, b}) ASSERT_EQ(testing::finishProcess(p, root / "scratch").status, 0);
    for (const char* machine : {"a", "b", "a"}) ASSERT_EQ(talewick(machine, {"sync"}).status, 0);
    const Json onA = hero("a"), onB = hero("b");
    EXPECT_EQ(onA["name"], onB["name"]);
    EXPECT_EQ(onA["identityVersion"], onB["identityVersion"]);
    // Neither rename of machine a was written over by the other: each raised the version.
    EXPECT_GE(onA["identityVersion"].get<int64_t>(), 2 * (round + 1));
    // And once converged, the machines agree that there is nothing left to do.
    const ProcessResult settled = talewick("b", {"sync"});
    EXPECT_NE(settled.out.find("Déjà à jour."), std::string::npos) << settled.out;
  }
}

TEST_F(TwoMachines, AWriterKilledMidWriteNeverLeavesADamagedHeroFile) {
  std::mt19937 random(20261206);
  const auto file = root / "a" / HeroStore::FILE_NAME;
  for (int kill = 0; kill < 12; ++kill) {
    const pid_t writer =
        testing::startProcess({TALEWICK_HERO_TOOL, "churn"}, environment("a"), root / "scratch");
    ASSERT_GT(writer, 0);
    // Once it writes, stop it at an arbitrary point of its writes.
    const auto out = root / "scratch" / (std::to_string(writer) + ".out");
    for (int wait = 0; wait < 1000 && files::read(out).value_or("").empty(); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 40));
    ::kill(writer, SIGKILL);
    testing::finishProcess(writer, root / "scratch");
    const auto bytes = files::read(file);
    ASSERT_TRUE(bytes) << "after kill " << kill;
    EXPECT_NO_THROW(decodeJsonText<HeroSyncPayload>(*bytes)) << "after kill " << kill;
  }
  EXPECT_GT(hero("a")["totalXp"].get<int64_t>(), 0);
}

}  // namespace
}  // namespace talewick
