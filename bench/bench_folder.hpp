// What the benchmarks over the generated calendar folder share: where the folder is, the day they
// pretend it is, and preferences that hold nothing (every calendar shown, heroic mode).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/preferences.hpp"
#include "support/local_calendar.hpp"

namespace talewick::bench {

class NoPreferences : public Preferences {
 public:
  std::optional<Json> value(const std::string&) const override { return std::nullopt; }
  void set(const std::string&, Json) override {}
  void remove(const std::string&) override {}
};

// The folder named by TALEWICK_BENCH_VDIR; nullopt (after one line on stderr naming `program`)
// when it is not set.
inline std::optional<std::string> benchFolder(const char* program) {
  const char* folder = std::getenv("TALEWICK_BENCH_VDIR");
  if (folder && *folder) return std::string(folder);
  std::fprintf(stderr, "%s: set TALEWICK_BENCH_VDIR to a generated vdir folder\n", program);
  return std::nullopt;
}

// Noon on 2026-12-05, the day the folder was generated around (local time).
inline Date benchToday() { return *LocalCalendar::dateFrom(CivilTime{2026, 12, 5, 12, 0, 0}); }

}  // namespace talewick::bench
