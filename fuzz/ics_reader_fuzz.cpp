// Fuzz target for the .ics reader and the expansion of what it reads. The whole input is the
// file, as a calendar folder could hold it: any bytes, well-formed or not.
//
// Each series read is expanded in the eight weeks from a day before its DTSTART (where its first
// occurrences and overrides fall), then in December 2026. Beyond "no crash, no sanitizer
// report", it aborts when the result breaks what the reader promises:
//   - a file that does not read holds no series;
//   - every series has a UID, and every occurrence carries its series' UID and the calendar the
//     file was read in;
//   - no occurrence ends before it starts, and every occurrence overlaps the window it was
//     expanded in (one of no length starts inside it).
// Floating and all-day times depend on the process time zone: CTest runs it in Europe/Paris, as
// the tests.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/ics/reader.hpp"
#include "platform/ics/series.hpp"
#include "support/date.hpp"
#include "utf8_reader.hpp"

namespace {

using talewick::CalendarEvent;
using talewick::Date;
namespace ics = talewick::ics;
namespace fz = talewick::fuzzing;

constexpr const char* CALENDAR = "fuzz";

// Prints what broke with the file that broke it, then aborts so the fuzzer keeps the input.
[[noreturn]] void fail(const char* what, std::string_view text, const std::string& uid = {}) {
  std::fprintf(stderr, "\nics_reader_fuzz: %s", what);
  if (!uid.empty()) fz::printEscaped("\n  uid", uid);
  const char* zone = std::getenv("TZ");
  std::fprintf(stderr, "\n  TZ=%s\n", zone ? zone : "(unset)");
  fz::printEscaped("file", text);
  std::abort();
}

bool overlaps(const CalendarEvent& e, const ics::Window& w) {
  if (e.start >= w.end) return false;
  return e.end > e.start ? e.end > w.start : e.start >= w.start;
}

void checkOccurrences(const ics::Series& s, const ics::Window& w, std::string_view text) {
  std::vector<CalendarEvent> found;
  ics::expandSeries(s, w, found);
  for (const CalendarEvent& e : found) {
    if (e.eventIdentifier != s.uid) fail("an occurrence of another series", text, s.uid);
    if (e.calendarID != CALENDAR) fail("an occurrence in another calendar", text, s.uid);
    if (e.end < e.start) fail("an occurrence ends before it starts", text, s.uid);
    if (!overlaps(e, w)) fail("an occurrence outside its window", text, s.uid);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ics::ZoneRegistry zones;
  const std::unordered_set<std::string> user{"moi@example.org"};
  const ics::ParsedFile file = ics::Reader(zones, user).read(text, CALENDAR);
  if (!file.ok) {
    if (!file.series.empty()) fail("a file that does not read holds series", text);
    return 0;
  }
  // 2026-12-01 and 2027-01-01, 00:00 UTC.
  const ics::Window december{Date::fromUnix(1796083200.0), Date::fromUnix(1798761600.0)};
  for (const ics::Series& s : file.series) {
    if (s.uid.empty()) fail("a series without a UID", text);
    const Date first = s.hasMaster           ? s.master.start
                       : s.overrides.empty() ? december.start
                                             : s.overrides.front().recurrenceId;
    checkOccurrences(s, ics::Window{first.adding(-86400.0), first.adding(56 * 86400.0)}, text);
    checkOccurrences(s, december, text);
  }
  return 0;
}
