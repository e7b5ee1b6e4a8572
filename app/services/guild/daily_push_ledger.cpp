#include "services/guild/daily_push_ledger.hpp"

#include <algorithm>

#include "support/local_calendar.hpp"

namespace talewick::together {
namespace {

int64_t intOr(const Preferences& preferences, const std::string& key, int64_t fallback) {
  const std::optional<Json> value = preferences.value(key);
  return value && value->is_number_integer() ? value->get<int64_t>() : fallback;
}

}  // namespace

DailyPushLedger::DailyPushLedger(Preferences& preferences, std::string prefix)
    : preferences_(preferences), prefix_(std::move(prefix)) {}

int64_t DailyPushLedger::dayXp(Date now, int64_t totalXp) {
  const std::string today = LocalCalendar::dayKey(now);
  const std::optional<std::string> baselineDay = preferences_.string(key(".xpBaselineDay"));
  if (baselineDay != today) {
    int64_t baseline = totalXp;
    const std::string yesterday = LocalCalendar::dayKey(LocalCalendar::addingDays(now, -1));
    if (LocalCalendar::hour(now) >= EVENING_HOUR && baselineDay == yesterday) {
      const int64_t accounted =
          intOr(preferences_, key(".xpBaseline"), totalXp) + pushedXp(yesterday);
      baseline = std::min(accounted, totalXp);
    }
    preferences_.set(key(".xpBaseline"), baseline);
    preferences_.set(key(".xpBaselineDay"), today);
  }
  return std::max<int64_t>(0, totalXp - intOr(preferences_, key(".xpBaseline"), totalXp));
}

bool DailyPushLedger::pushedOn(const std::string& day) const {
  return preferences_.string(key(".lastPushDay")) == day;
}

int64_t DailyPushLedger::pushedXp(const std::string& day) const {
  return pushedOn(day) ? intOr(preferences_, key(".pushedXp"), 0) : 0;
}

void DailyPushLedger::recordPush(const std::string& day, int64_t xp) {
  preferences_.set(key(".pushedXp"), xp);
  preferences_.set(key(".lastPushDay"), day);
}

void DailyPushLedger::clear() {
  for (const char* suffix : {".xpBaselineDay", ".xpBaseline", ".pushedXp", ".lastPushDay"}) {
    preferences_.remove(key(suffix));
  }
}

}  // namespace talewick::together
