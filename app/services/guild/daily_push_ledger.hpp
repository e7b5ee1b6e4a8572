// The bookkeeping of one daily push (the guild's, the world boss's): which part of the hero's
// experience belongs to today, and what was already sent of it. Kept in the preferences under
// PREFIX + ".xpBaselineDay", ".xpBaseline", ".pushedXp", ".lastPushDay".
//
// Today's experience is the hero's total minus a baseline taken at the first look of the day. The
// hero's experience mostly arrives at once, when the day is replayed in the evening (on the phone
// or here); a machine that first looks at a day from EVENING_HOUR on may already see that replay
// in the total. Its baseline is then what the previous day's pushes accounted for (that day's
// baseline plus what was pushed), when that previous day was yesterday; otherwise, and always
// before EVENING_HOUR, the total as it stands.
#pragma once

#include <cstdint>
#include <string>

#include "core/preferences.hpp"
#include "support/date.hpp"

namespace talewick::together {

class DailyPushLedger {
 public:
  static constexpr int EVENING_HOUR = 18;

  DailyPushLedger(Preferences& preferences, std::string prefix);

  // Today's experience (local day of `now`), never below 0, taking today's baseline first when
  // it has none. Writes the baseline; throws what the preferences throw.
  int64_t dayXp(Date now, int64_t totalXp);

  // What was pushed of `day`'s experience (0 when the last push was of another day).
  int64_t pushedXp(const std::string& day) const;
  bool pushedOn(const std::string& day) const;
  // Records a push of `day` that sent `xp`.
  void recordPush(const std::string& day, int64_t xp);
  // Forgets everything (the membership it belonged to is gone).
  void clear();

  std::string key(const char* suffix) const { return prefix_ + suffix; }

 private:
  Preferences& preferences_;
  std::string prefix_;
};

}  // namespace talewick::together
