#include "kingdom/vigil.hpp"

#include "support/day_keys.hpp"

namespace talewick::Vigil {

Eligibility Eligibility::available(std::vector<std::string> days) {
  return {Kind::available, std::move(days), 0};
}
Eligibility Eligibility::extinguished(int64_t missed) { return {Kind::extinguished, {}, missed}; }
Eligibility Eligibility::spent(int64_t missed) { return {Kind::spent, {}, missed}; }
Eligibility Eligibility::notNeeded() { return {}; }

namespace {

// How many days lie strictly between the last replay and today (0 when unknown).
int64_t missedCount(const std::optional<std::string>& lastReplayISO, const std::string& todayISO) {
  if (!lastReplayISO) return 0;
  const std::optional<int64_t> gap = DayKeys::between(*lastReplayISO, todayISO);
  return gap && *gap > 1 ? *gap - 1 : 0;
}

}  // namespace

std::vector<std::string> missedDays(const std::optional<std::string>& lastReplayISO,
                                    const std::string& todayISO) {
  std::vector<std::string> days;
  const int64_t count = missedCount(lastReplayISO, todayISO);
  if (count == 0) return days;
  const int64_t first = *DayKeys::dayNumber(*lastReplayISO) + 1;
  days.reserve(static_cast<size_t>(count));
  for (int64_t day = first; day < first + count; ++day) days.push_back(DayKeys::key(day));
  return days;
}

int64_t daysBetween(const std::string& a, const std::string& b) {
  return DayKeys::between(a, b).value_or(0);
}

Eligibility eligibility(const std::optional<std::string>& lastReplayISO,
                        const std::optional<std::string>& lastVigilISO, const std::string& todayISO,
                        int64_t streak) {
  // Counted before listed: a replay years ago must not list years of days to say "too many".
  const int64_t missed = missedCount(lastReplayISO, todayISO);
  if (missed == 0 || streak < 2) return Eligibility::notNeeded();
  if (missed > MAX_DAYS) return Eligibility::extinguished(missed);
  const std::optional<int64_t> sinceVigil =
      lastVigilISO ? DayKeys::between(*lastVigilISO, todayISO) : std::nullopt;
  if (!sinceVigil || *sinceVigil >= MEND_WINDOW_DAYS) {
    return Eligibility::available(missedDays(lastReplayISO, todayISO));
  }
  return Eligibility::spent(missed);
}

void to_json(Json& j, const Eligibility& v) {
  j = Json{{"kind", std::string(rawValue(v.kind))}};
  switch (v.kind) {
    case Eligibility::Kind::available:
      j["days"] = v.days;
      break;
    case Eligibility::Kind::extinguished:
    case Eligibility::Kind::spent:
      j["missed"] = v.missed;
      break;
    case Eligibility::Kind::notNeeded:
      break;
  }
}

void from_json(const Json& j, Eligibility& v) {
  using json_coding::Field;
  Eligibility read;
  json_coding::readFields(j, read, std::tuple{Field{"kind", &Eligibility::kind}});
  switch (read.kind) {
    case Eligibility::Kind::available:
      json_coding::readFields(j, read, std::tuple{Field{"days", &Eligibility::days}});
      break;
    case Eligibility::Kind::extinguished:
    case Eligibility::Kind::spent:
      json_coding::readFields(j, read, std::tuple{Field{"missed", &Eligibility::missed}});
      break;
    case Eligibility::Kind::notNeeded:
      break;
  }
  v = std::move(read);
}

}  // namespace talewick::Vigil
