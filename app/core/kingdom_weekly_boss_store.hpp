// The week's boss and the chronicle of the weeks before, kept in weekboss-v1.json. Each refresh
// raises the boss of a new week (archiving the last one), deals the damage of the work done and
// pays the final reward once, through the hero's receipts. Main loop only. A change that cannot
// be saved throws FileError and leaves the store as it was; each change first takes in what
// another process (a command while the daemon runs) saved.
#pragma once

#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/hero_store.hpp"
#include "core/payment.hpp"
#include "core/state_file.hpp"
#include "kingdom/weekly_boss.hpp"

namespace talewick {

// One week gone by: its boss as it stood when the week ended, and whether the user has read it.
struct WeeklyBossChronicleEntry {
  WeeklyBoss::Boss boss;
  bool seen = false;
  bool operator==(const WeeklyBossChronicleEntry&) const = default;
};

// The content of weekboss-v1.json.
struct KingdomWeeklyBossState {
  std::optional<WeeklyBoss::Boss> boss;  // the boss of the current week, if any was raised
  std::vector<WeeklyBossChronicleEntry> chronicle;  // oldest first
  bool operator==(const KingdomWeeklyBossState&) const = default;
};

void to_json(Json& j, const WeeklyBossChronicleEntry& v);
void from_json(const Json& j, WeeklyBossChronicleEntry& v);
void to_json(Json& j, const KingdomWeeklyBossState& v);
void from_json(const Json& j, KingdomWeeklyBossState& v);

class KingdomWeeklyBossStore {
 public:
  static constexpr const char* FILE_NAME = "weekboss-v1.json";
  // The chronicle keeps about two years of weeks.
  static constexpr size_t CHRONICLE_LIMIT = 104;

  // What this week's boss would be made of now; nullopt when there is nothing to raise one from.
  using Define = std::function<std::optional<KingdomWeeklyBossObservation::Definition>()>;
  // The ids of the boss's objectives whose work is done now.
  using CompletedIDs = std::function<std::set<std::string>(const WeeklyBoss::Boss&)>;

  // Reads `saveURL` at once (nothing, or a damaged file: no boss, an empty chronicle; see
  // StateFile). `hero` outlives the store.
  KingdomWeeklyBossStore(FilePort& files, std::filesystem::path saveURL, HeroStore& hero,
                         std::ostream& diagnostics = std::cerr);

  const std::optional<WeeklyBoss::Boss>& boss() const { return state_.boss; }
  const std::vector<WeeklyBossChronicleEntry>& chronicle() const { return state_.chronicle; }

  // One refresh in week `weekKey`: a boss of another week is archived (its final reward paid
  // first when it fell and was not paid), a week without a boss raises one from `define`, and
  // the boss takes the damage `completedIDs` deals; once every objective has fallen the final
  // reward is paid.
  std::vector<Payment> refresh(const std::string& weekKey, Date now, const Define& define,
                               const CompletedIDs& completedIDs);
  // True when the archived boss `bossID` was unseen.
  bool markSeen(const std::string& bossID);

 private:
  KingdomWeeklyBossState current();
  void keep(KingdomWeeklyBossState next);
  WeeklyBoss::Boss payDue(WeeklyBoss::Boss boss, std::vector<Payment>& payments);

  StateFile file_;
  HeroStore& hero_;
  KingdomWeeklyBossState state_;
};

}  // namespace talewick
