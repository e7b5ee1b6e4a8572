// A second writer of the hero for tests that need real processes: it goes through the same
// stores, folders and cloud as the `talewick` program.
//
//   hero_tool credit RECEIPT XP GOLD   pays a world-quest receipt; exit 0 when paid (now or before)
//   hero_tool churn                    pays receipts one after another until killed; prints
//                                      "ready" once the first is written
#include <cstdio>
#include <iostream>
#include <string>

#include "ui/context.hpp"

int main(int argc, char** argv) {
  using namespace talewick;
  const std::string command = argc > 1 ? argv[1] : "";
  ui::AppContext app(std::cerr);
  HeroStore& hero = app.heroStore();
  if (command == "credit" && argc == 5) {
    const bool paid = hero.applyWorldQuestReward(argv[2], std::stoll(argv[3]), std::stoll(argv[4]));
    std::cout << (paid ? "paid" : "refused") << std::endl;
    return paid ? 0 : 1;
  }
  if (command == "churn") {
    // A long tagline makes each document large enough for a kill to land inside a write.
    hero.setTagline(std::string(20000, 'x'));
    for (long n = 0;; ++n) {
      char receipt[32];
      std::snprintf(receipt, sizeof receipt, "wq:churn-%010ld", n);
      hero.applyWorldQuestReward(receipt, 1, 1);
      app.runLoop().settle();
      if (n == 0) std::cout << "ready" << std::endl;
    }
  }
  std::cerr << "usage: hero_tool credit RECEIPT XP GOLD | hero_tool churn\n";
  return 2;
}
