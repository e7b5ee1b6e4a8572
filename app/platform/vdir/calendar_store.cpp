#include "platform/vdir/calendar_store.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <libical/ical.h>
#include <sched.h>
#include <sys/stat.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <mutex>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "core/uuid.hpp"
#include "platform/atomic_file.hpp"
#include "platform/ics/edit.hpp"
#include "platform/ics/lines.hpp"
#include "platform/ics/times.hpp"
#include "platform/vdir/folder.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"

namespace talewick {
namespace {

namespace fs = std::filesystem;
using ics::equalNoCase;
using ics::normalizedAddress;
using ics::startsWithNoCase;

// ----------------------------------------------------------------------------------- small text

// "#1f77b4", "1F77B4" or "#1f77b4ff" → "#1F77B4"; anything else → nothing.
std::optional<std::string> normalizedColor(std::string_view raw) {
  std::string_view s = text::trim(raw);
  if (!s.empty() && s.front() == '#') s.remove_prefix(1);
  if (s.size() != 6 && s.size() != 8) return std::nullopt;
  std::string out = "#";
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    if (i < 6) out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

// -------------------------------------------------------------------------------------- files

struct FileKey {
  uintmax_t size = 0;
  int64_t mtimeNs = 0;
  ino_t inode = 0;
  bool operator==(const FileKey&) const = default;
};

FileKey keyOf(const struct stat& st) {
  return FileKey{static_cast<uintmax_t>(st.st_size),
                 static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
                 st.st_ino};
}

// The whole file `name` of the folder open as `folderFd` (AT_FDCWD: `name` is a path).
bool readWhole(int folderFd, const char* name, size_t sizeHint, std::string& out) {
  const int fd = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  out.clear();
  out.resize(sizeHint + 1);
  size_t used = 0;
  for (;;) {
    if (used == out.size()) out.resize(out.size() * 2 + 4096);
    const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  ::close(fd);
  out.resize(used);
  return true;
}

struct FolderCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};
using FolderPtr = std::unique_ptr<DIR, FolderCloser>;

bool isWritableFolder(const fs::path& folder) { return ::access(folder.c_str(), W_OK) == 0; }

bool isFolder(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

// How many threads parse: the cores this process may run on, at most four.
unsigned workerCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  int cores = 0;
  if (::sched_getaffinity(0, sizeof set, &set) == 0) cores = CPU_COUNT(&set);
  if (cores <= 0) cores = static_cast<int>(std::thread::hardware_concurrency());
  return static_cast<unsigned>(std::clamp(cores, 1, 4));
}

// Calls work(i) for every i < count on up to workerCount() threads (this one included).
template <class Work>
void forEachInParallel(size_t count, Work&& work) {
  constexpr size_t kItemsPerThread = 32;  // below this a thread costs more than it saves
  const size_t threads =
      std::max<size_t>(1, std::min<size_t>(workerCount(), count / kItemsPerThread));
  std::atomic<size_t> next{0};
  std::exception_ptr failure;
  std::mutex failureMutex;
  auto run = [&] {
    for (size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < count;) {
      try {
        work(i);
      } catch (...) {
        std::lock_guard lock(failureMutex);
        if (!failure) failure = std::current_exception();
      }
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(threads - 1);
  for (size_t t = 1; t < threads; ++t) pool.emplace_back(run);
  run();
  for (std::thread& t : pool) t.join();
  if (failure) std::rethrow_exception(failure);
}

Date now() {
  using namespace std::chrono;
  return Date::fromUnix(duration<double>(system_clock::now().time_since_epoch()).count());
}

// The process time zone's identifier: floating and all-day times depend on it.
std::string processZoneId() {
  std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
  icu::UnicodeString id;
  zone->getID(id);
  std::string out;
  id.toUTF8String(out);
  return out;
}

// ------------------------------------------------------------------------------ libical glue

struct ComponentDeleter {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using ComponentPtr = std::unique_ptr<icalcomponent, ComponentDeleter>;

// Many files carry the same VTIMEZONE (each exporter copies its own into every file), and libical
// spends most of a millisecond on the first conversion in a zone. Identical definitions, compared
// as text, share one icaltimezone here, parsed once; the store owns them.
class ZoneRegistry {
 public:
  ZoneRegistry() = default;
  ZoneRegistry(const ZoneRegistry&) = delete;
  ZoneRegistry& operator=(const ZoneRegistry&) = delete;
  ~ZoneRegistry() {
    for (auto& [text, zone] : zones_) {
      if (zone) icaltimezone_free(zone, 1);
    }
  }

  // The zone the text of a VTIMEZONE defines; nullptr when it defines none.
  icaltimezone* adopt(std::string_view definition) {
    std::lock_guard lock(mutex_);
    auto [it, inserted] = zones_.try_emplace(std::string(definition), nullptr);
    if (inserted) {
      icalcomponent* component = icalparser_parse_string(it->first.c_str());
      if (component && icalcomponent_isa(component) == ICAL_VTIMEZONE_COMPONENT) {
        icaltimezone* zone = icaltimezone_new();
        if (zone && icaltimezone_set_component(zone, component)) {
          it->second = zone;
          component = nullptr;  // the zone owns it now
        } else if (zone) {
          icaltimezone_free(zone, 1);
        }
      }
      if (component) icalcomponent_free(component);
    }
    return it->second;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::string, icaltimezone*> zones_;
};

// A file's text cut in two: its VTIMEZONE definitions (by TZID) and the rest, for libical.
struct SplitText {
  std::string rest;
  std::vector<std::pair<std::string, std::string_view>> zones;  // TZID → definition
};

// Splits `text`; nullopt when its BEGIN and END lines do not pair up. (libical writes some
// structural complaints to standard error by itself: such text never reaches it.)
std::optional<SplitText> splitZones(std::string_view text) {
  SplitText out;
  out.rest.reserve(text.size());
  std::vector<std::string_view> open;
  bool any = false;
  size_t zoneStart = std::string_view::npos;  // offset of the VTIMEZONE being read
  std::string* tzid = nullptr;                // its TZID, while its line may continue
  size_t copiedUpTo = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t lineStart = pos;
    size_t eol = text.find('\n', pos);
    eol = eol == std::string_view::npos ? text.size() : eol;
    pos = eol + 1;
    std::string_view line = text.substr(lineStart, eol - lineStart);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (tzid) {
      if (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
        *tzid += line.substr(1);
        continue;
      }
      tzid = nullptr;
    }
    if (startsWithNoCase(line, "BEGIN:")) {
      open.push_back(text::trim(line.substr(6)));
      any = true;
      if (open.size() == 2 && equalNoCase(open.back(), "VTIMEZONE")) {
        zoneStart = lineStart;
        out.zones.emplace_back();
      }
    } else if (startsWithNoCase(line, "END:")) {
      if (open.empty() || !equalNoCase(open.back(), text::trim(line.substr(4))))
        return std::nullopt;
      open.pop_back();
      if (open.size() == 1 && zoneStart != std::string_view::npos) {
        const size_t zoneEnd = std::min(pos, text.size());
        out.zones.back().second = text.substr(zoneStart, zoneEnd - zoneStart);
        out.rest.append(text.substr(copiedUpTo, zoneStart - copiedUpTo));
        copiedUpTo = zoneEnd;
        zoneStart = std::string_view::npos;
      }
    } else if (zoneStart != std::string_view::npos && open.size() == 2 &&
               startsWithNoCase(line, "TZID") && line.size() > 4 &&
               (line[4] == ':' || line[4] == ';')) {
      const size_t colon = line.find(':');
      if (colon != std::string_view::npos) {
        out.zones.back().first = std::string(line.substr(colon + 1));
        tzid = &out.zones.back().first;
      }
    }
  }
  if (!any || !open.empty()) return std::nullopt;
  if (copiedUpTo < text.size()) out.rest.append(text.substr(copiedUpTo));
  std::erase_if(out.zones, [](const auto& z) { return text::trim(z.first).empty(); });
  return out;
}

// The zones a file may name: its own VTIMEZONEs first, then libical's built-in ones.
class FileZones {
 public:
  FileZones(ZoneRegistry& registry, const SplitText& split) : registry_(registry) {
    for (const auto& [tzid, definition] : split.zones) {
      local_.try_emplace(std::string(text::trim(tzid)), definition);
    }
  }

  icaltimezone* find(const char* tzid) {
    if (!tzid || !*tzid) return nullptr;
    auto it = local_.find(tzid);
    if (it != local_.end()) {
      if (!it->second.adopted) {
        it->second.zone = registry_.adopt(it->second.definition);
        it->second.adopted = true;
      }
      if (it->second.zone) return it->second.zone;
    }
    icaltimezone* zone = ics::builtinZone(tzid);
    if (!zone && std::find(unknown_.begin(), unknown_.end(), tzid) == unknown_.end()) {
      unknown_.emplace_back(tzid);
    }
    return zone;
  }

  // The TZIDs met that name no zone, in order of appearance.
  std::vector<std::string>& unknown() { return unknown_; }

 private:
  struct Local {
    Local(std::string_view d) : definition(d) {}
    std::string_view definition;
    icaltimezone* zone = nullptr;
    bool adopted = false;
  };
  ZoneRegistry& registry_;
  std::unordered_map<std::string, Local> local_;
  std::vector<std::string> unknown_;
};

// How a written time becomes an instant.
enum class Clock : uint8_t { utc, zoned, floating, date };

struct Stamp {
  icaltimetype wall = icaltime_null_time();  // as written (zone set for zoned and UTC times)
  Clock clock = Clock::floating;
  icaltimezone* zone = nullptr;
};

Stamp stampOf(icaltimetype t, icalproperty* property, FileZones& zones) {
  if (t.is_date) {
    t.hour = t.minute = t.second = 0;
    t.zone = nullptr;
    return {t, Clock::date, nullptr};
  }
  if (icaltime_is_utc(t)) return {t, Clock::utc, ics::utcZone()};
  if (icalparameter* p = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER)) {
    if (icaltimezone* zone = zones.find(icalparameter_get_tzid(p))) {
      t.zone = zone;
      return {t, zone == ics::utcZone() ? Clock::utc : Clock::zoned, zone};
    }
  }
  // No zone, or one nobody knows: the user's own clock.
  t.zone = nullptr;
  return {t, Clock::floating, nullptr};
}

Date localInstant(int year, int month, int day, int hour, int minute, int second) {
  if (auto d = LocalCalendar::dateFrom(CivilTime{year, month, day, hour, minute, 0})) {
    return d->adding(second);
  }
  return Date::fromUnix(static_cast<double>(daysFromCivil(year, month, day)) * 86400.0 +
                        hour * 3600.0 + minute * 60.0 + second);
}

// The instant of a wall time in a named zone. A time the zone skips (the hour lost to summer
// time) is read with the offset in force before the gap, as iCalendar says: 02:30 on the night
// clocks go from 02:00 to 03:00 is 03:30.
Date zonedInstant(const icaltimetype& wall, icaltimezone* zone) {
  const time_t t = icaltime_as_timet_with_zone(wall, zone);
  const icaltimetype back = icaltime_from_timet_with_zone(t, 0, zone);
  if (back.hour == wall.hour && back.minute == wall.minute && back.second == wall.second &&
      back.day == wall.day) {
    return Date::fromUnix(static_cast<double>(t));
  }
  // libical used the offset after the gap, which puts `t` before it.
  icaltimetype utc = icaltime_from_timet_with_zone(t, 0, ics::utcZone());
  int daylight = 0;
  const int before = icaltimezone_get_utc_offset_of_utc_time(zone, &utc, &daylight);
  icaltimetype naive = wall;
  naive.zone = ics::utcZone();
  return Date::fromUnix(static_cast<double>(icaltime_as_timet(naive) - before));
}

// The instant of a wall time read on `clock`.
Date instantOf(const icaltimetype& wall, Clock clock, icaltimezone* zone) {
  switch (clock) {
    case Clock::utc:
      return Date::fromUnix(static_cast<double>(icaltime_as_timet(wall)));
    case Clock::zoned:
      return zonedInstant(wall, zone);
    case Clock::floating:
      return localInstant(wall.year, wall.month, wall.day, wall.hour, wall.minute, wall.second);
    case Clock::date:
      return localInstant(wall.year, wall.month, wall.day, 0, 0, 0);
  }
  return Date{};
}

Date instantOf(const Stamp& s) { return instantOf(s.wall, s.clock, s.zone); }

// The wall time on `clock` of an instant (a date on the date clock, or when `asDate`).
icaltimetype wallOf(Date instant, Clock clock, icaltimezone* zone, bool asDate) {
  if (clock == Clock::utc || clock == Clock::zoned) {
    icaltimetype t =
        icaltime_from_timet_with_zone(static_cast<time_t>(std::floor(instant.unix())),
                                      asDate ? 1 : 0, clock == Clock::utc ? ics::utcZone() : zone);
    return t;
  }
  const LocalCalendar::Fields f = LocalCalendar::fields(instant);
  icaltimetype t = icaltime_null_time();
  t.year = f.year;
  t.month = f.month;
  t.day = f.day;
  if (asDate || clock == Clock::date) {
    t.is_date = 1;
  } else {
    t.hour = f.hour;
    t.minute = f.minute;
    t.second = f.second;
  }
  return t;
}

// A day (and time) that exists, in the years an iCalendar file can hold. (libical's own check
// stops at year 3000.)
bool isCalendarTime(const icaltimetype& t) {
  if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > icaltime_days_in_month(t.month, t.year)) {
    return false;
  }
  return t.is_date || (t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 &&
                       t.second >= 0 && t.second <= 60);
}

int compareCivil(const icaltimetype& a, const icaltimetype& b, bool datesOnly) {
  const int av[] = {a.year, a.month, a.day, a.hour, a.minute, a.second};
  const int bv[] = {b.year, b.month, b.day, b.hour, b.minute, b.second};
  for (int i = 0; i < (datesOnly ? 3 : 6); ++i) {
    if (av[i] != bv[i]) return av[i] < bv[i] ? -1 : 1;
  }
  return 0;
}

// ------------------------------------------------------------------------------- parsed files

struct Rule {
  icalrecurrencetype recur;
  std::string rscale;  // kept here: the rule's own pointer dies with the parsed file
  // An INTERVAL too large for libical, whose second period starts after year 9999: only the
  // first period has occurrences, and `recur` is the rule without its INTERVAL.
  bool firstPeriodOnly = false;
};

// One UID of one file: its master (the series, or the single event) and its overrides.
struct Series {
  std::string uid;
  bool hasMaster = false;
  CalendarEvent master;  // with the times of DTSTART
  Stamp dtstart;
  int durationDays = 0;        // all-day events: whole days
  double durationSeconds = 0;  // and the rest (timed events: all of it)
  std::vector<Rule> rules;
  std::vector<Stamp> rdates;
  std::vector<Date> exdates;             // sorted instants
  std::vector<icaltimetype> exdateDays;  // EXDATE;VALUE=DATE on a timed series
  struct Override {
    Date recurrenceId;
    CalendarEvent event;
  };
  std::vector<Override> overrides;  // sorted by recurrenceId

  bool recurring() const { return !rules.empty() || !rdates.empty(); }
  double longestSeconds() const { return durationDays * 86400.0 + durationSeconds; }
};

struct Window {
  Date start;
  Date end;
  bool operator==(const Window&) const = default;
};

struct ParsedFile {
  bool ok = false;        // also for a file holding no event, only other components (a VTODO)
  bool editable = false;  // parsed without any error libical had to paper over
  std::vector<Series> series;
  std::vector<std::string> unknownZones;  // TZIDs read on the local clock for want of a zone
  // The occurrences of the last window expanded.
  std::optional<Window> expandedFor;
  std::vector<CalendarEvent> occurrences;
};

ParticipantStatus statusOf(icalparameter_partstat p) {
  switch (p) {
    case ICAL_PARTSTAT_NEEDSACTION:
      return ParticipantStatus::pending;
    case ICAL_PARTSTAT_ACCEPTED:
      return ParticipantStatus::accepted;
    case ICAL_PARTSTAT_DECLINED:
      return ParticipantStatus::declined;
    case ICAL_PARTSTAT_TENTATIVE:
      return ParticipantStatus::tentative;
    case ICAL_PARTSTAT_DELEGATED:
      return ParticipantStatus::delegated;
    case ICAL_PARTSTAT_COMPLETED:
      return ParticipantStatus::completed;
    case ICAL_PARTSTAT_INPROCESS:
      return ParticipantStatus::inProcess;
    default:
      return ParticipantStatus::unknown;
  }
}

ParticipantRole roleOf(icalparameter_role r) {
  switch (r) {
    case ICAL_ROLE_REQPARTICIPANT:
      return ParticipantRole::required;
    case ICAL_ROLE_OPTPARTICIPANT:
      return ParticipantRole::optional;
    case ICAL_ROLE_CHAIR:
      return ParticipantRole::chair;
    case ICAL_ROLE_NONPARTICIPANT:
      return ParticipantRole::nonParticipant;
    default:
      return ParticipantRole::unknown;
  }
}

class Parser {
 public:
  Parser(ZoneRegistry& registry, const std::unordered_set<std::string>& userEmails)
      : registry_(registry), userEmails_(userEmails) {}

  std::shared_ptr<ParsedFile> parse(const std::string& text, const std::string& calendarID) {
    auto file = std::make_shared<ParsedFile>();
    const std::optional<SplitText> split = splitZones(text);
    if (!split) return file;
    ComponentPtr root(icalparser_parse_string(split->rest.c_str()));
    if (!root) return file;

    std::vector<icalcomponent*> calendars;
    std::vector<icalcomponent*> vevents;
    switch (icalcomponent_isa(root.get())) {
      case ICAL_VCALENDAR_COMPONENT:
        calendars.push_back(root.get());
        break;
      case ICAL_VEVENT_COMPONENT:
        vevents.push_back(root.get());
        break;
      case ICAL_XROOT_COMPONENT:
        for (icalcomponent* c =
                 icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT);
             c; c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT)) {
          calendars.push_back(c);
        }
        break;
      default:
        return file;
    }
    FileZones zones(registry_, *split);
    const bool clean = icalcomponent_count_errors(root.get()) == 0;
    bool othersOnly = false;  // components that are not ours (VTODO, VJOURNAL…) and no event
    for (icalcomponent* cal : calendars) {
      for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_ANY_COMPONENT); c;
           c = icalcomponent_get_next_component(cal, ICAL_ANY_COMPONENT)) {
        if (icalcomponent_isa(c) == ICAL_VEVENT_COMPONENT) {
          vevents.push_back(c);
        } else if (icalcomponent_isa(c) != ICAL_VTIMEZONE_COMPONENT) {
          othersOnly = true;
        }
      }
    }
    if (vevents.empty()) {
      file->ok = othersOnly;
      return file;
    }

    std::unordered_map<std::string, size_t> byUid;
    struct PendingOverride {
      size_t series;
      Stamp recurrenceId;
      CalendarEvent event;
    };
    std::vector<PendingOverride> pending;
    for (icalcomponent* vevent : vevents) {
      // A time the parser had to drop would give wrong occurrences: the whole file is refused.
      std::vector<Rule> farRules;
      if (hasTimeError(vevent, farRules)) return file;
      Reading r = read(vevent, calendarID, zones);
      for (Rule& rule : farRules) r.rules.push_back(std::move(rule));
      if (!r.valid) continue;
      auto [it, added] = byUid.try_emplace(r.uid, file->series.size());
      if (added) {
        file->series.emplace_back();
        file->series.back().uid = r.uid;
      }
      Series& s = file->series[it->second];
      if (r.recurrenceId) {
        pending.push_back({it->second, *r.recurrenceId, std::move(r.event)});
      } else if (!s.hasMaster) {
        s.hasMaster = true;
        s.master = std::move(r.event);
        s.dtstart = r.dtstart;
        s.durationDays = r.durationDays;
        s.durationSeconds = r.durationSeconds;
        s.rules = std::move(r.rules);
        s.rdates = std::move(r.rdates);
        s.exdates = std::move(r.exdates);
        s.exdateDays = std::move(r.exdateDays);
      }
    }
    if (file->series.empty()) return file;

    for (PendingOverride& p : pending) {
      Series& s = file->series[p.series];
      const Date rid = instantOf(p.recurrenceId);
      p.event.occurrenceDate = rid;
      s.overrides.push_back({rid, std::move(p.event)});
    }
    for (Series& s : file->series) {
      std::sort(s.exdates.begin(), s.exdates.end());
      std::stable_sort(s.overrides.begin(), s.overrides.end(), [](const auto& a, const auto& b) {
        return a.recurrenceId < b.recurrenceId;
      });
      if (s.hasMaster && s.recurring()) {
        s.master.hasRecurrenceRules = true;
        s.master.occurrenceDate = s.master.start;
        for (Series::Override& o : s.overrides) {
          o.event.hasRecurrenceRules = true;
          o.event.recurrenceRule = s.master.recurrenceRule;
        }
      }
    }
    file->unknownZones = std::move(zones.unknown());
    file->ok = true;
    file->editable = clean;
    return file;
  }

 private:
  struct Reading {
    bool valid = false;
    std::string uid;
    CalendarEvent event;
    Stamp dtstart;
    std::optional<Stamp> recurrenceId;
    int durationDays = 0;
    double durationSeconds = 0;
    std::vector<Rule> rules;
    std::vector<Stamp> rdates;
    std::vector<Date> exdates;
    std::vector<icaltimetype> exdateDays;
  };

  // Whether libical dropped a time of the event. A rule it dropped only for an INTERVAL beyond
  // its reach whose second period starts after year 9999 is no loss: it goes to `farRules`.
  static bool hasTimeError(icalcomponent* vevent, std::vector<Rule>& farRules) {
    static constexpr std::string_view kTimeProperties[] = {
        " DTSTART ", " DTEND ", " DURATION ", " RRULE ", " RDATE ", " EXDATE ", " RECURRENCE-ID "};
    for (icalproperty* p = icalcomponent_get_first_property(vevent, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_XLICERROR_PROPERTY)) {
      const char* message = icalproperty_get_xlicerror(p);
      if (!message) continue;
      const std::string_view m(message);
      for (std::string_view name : kTimeProperties) {
        if (m.find(name) == std::string_view::npos) continue;
        if (name == " RRULE ") {
          if (std::optional<Rule> far = farRule(m)) {
            farRules.push_back(std::move(*far));
            continue;
          }
        }
        return true;
      }
    }
    return false;
  }

  // The rule of a libical complaint "… RRULE property. Removing entire property: VALUE" when its
  // only fault is an INTERVAL too large to matter before year 10000.
  static std::optional<Rule> farRule(std::string_view complaint) {
    static constexpr std::string_view kMarker = "property: ";
    const size_t at = complaint.rfind(kMarker);
    if (at == std::string_view::npos) return std::nullopt;
    std::string value;
    for (char c : complaint.substr(at + kMarker.size())) {
      if (c == '\\') continue;  // "\;" as the complaint escapes it
      value += c;
    }
    std::string rest;
    long long interval = 0;
    size_t from = 0;
    while (from <= value.size()) {
      const size_t semi = std::min(value.find(';', from), value.size());
      const std::string_view part = text::trim(std::string_view(value).substr(from, semi - from));
      if (startsWithNoCase(part, "INTERVAL=")) {
        const std::string digits(part.substr(9));
        if (digits.empty() || digits.size() > 12 ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
          return std::nullopt;
        }
        interval = std::stoll(digits);
      } else if (!part.empty()) {
        rest += (rest.empty() ? "" : ";") + std::string(part);
      }
      from = semi + 1;
    }
    Rule rule{icalrecurrencetype_from_string(rest.c_str()), {}, true};
    if (rule.recur.freq == ICAL_NO_RECURRENCE || rule.recur.rscale) return std::nullopt;
    // Periods of the rule's frequency in a year, at the most.
    static constexpr long long kPerYear[] = {31622400, 527040, 8784, 366, 53, 12, 1};
    const int freq = static_cast<int>(rule.recur.freq) - static_cast<int>(ICAL_SECONDLY_RECURRENCE);
    if (freq < 0 || freq > 6 || interval < 10000 * kPerYear[freq]) return std::nullopt;
    return rule;
  }

  Participant participant(icalproperty* p, const char* address) const {
    Participant out;
    out.url = address ? address : "";
    if (icalparameter* cn = icalproperty_get_first_parameter(p, ICAL_CN_PARAMETER)) {
      if (const char* name = icalparameter_get_cn(cn)) out.name = name;
    }
    if (icalparameter* ps = icalproperty_get_first_parameter(p, ICAL_PARTSTAT_PARAMETER)) {
      out.status = statusOf(icalparameter_get_partstat(ps));
      // libical 3.0 files "IN-PROCESS" among the unknown values.
      const char* text = icalparameter_get_xvalue(ps);
      if (out.status == ParticipantStatus::unknown && text && equalNoCase(text, "IN-PROCESS")) {
        out.status = ParticipantStatus::inProcess;
      }
    }
    if (icalparameter* role = icalproperty_get_first_parameter(p, ICAL_ROLE_PARAMETER)) {
      out.role = roleOf(icalparameter_get_role(role));
    }
    out.isCurrentUser = userEmails_.count(normalizedAddress(out.url)) > 0;
    if (!out.isCurrentUser) {
      if (icalparameter* email = icalproperty_get_first_parameter(p, ICAL_EMAIL_PARAMETER)) {
        if (const char* e = icalparameter_get_email(email)) {
          out.isCurrentUser = userEmails_.count(normalizedAddress(e)) > 0;
        }
      }
    }
    return out;
  }

  Reading read(icalcomponent* vevent, const std::string& calendarID, FileZones& zones) const {
    Reading r;
    const char* uid = icalcomponent_get_uid(vevent);
    if (!uid || !*uid) return r;
    r.uid = uid;
    CalendarEvent& e = r.event;
    e.eventIdentifier = r.uid;
    e.externalIdentifier = r.uid;
    e.calendarID = calendarID;

    bool hasStart = false;
    std::optional<Stamp> dtend;
    std::optional<icaldurationtype> duration;
    for (icalproperty* p = icalcomponent_get_first_property(vevent, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(vevent, ICAL_ANY_PROPERTY)) {
      switch (icalproperty_isa(p)) {
        case ICAL_DTSTART_PROPERTY: {
          const icaltimetype t = icalproperty_get_dtstart(p);
          if (icaltime_is_null_time(t) || !isCalendarTime(t)) break;
          r.dtstart = stampOf(t, p, zones);
          hasStart = true;
          break;
        }
        case ICAL_DTEND_PROPERTY: {
          const icaltimetype t = icalproperty_get_dtend(p);
          if (!icaltime_is_null_time(t)) dtend = stampOf(t, p, zones);
          break;
        }
        case ICAL_DURATION_PROPERTY:
          duration = icalproperty_get_duration(p);
          break;
        case ICAL_RECURRENCEID_PROPERTY: {
          const icaltimetype t = icalproperty_get_recurrenceid(p);
          if (!icaltime_is_null_time(t)) r.recurrenceId = stampOf(t, p, zones);
          break;
        }
        case ICAL_RRULE_PROPERTY: {
          Rule rule{icalproperty_get_rrule(p), {}, false};
          if (rule.recur.freq == ICAL_NO_RECURRENCE) break;
          if (rule.recur.rscale) rule.rscale = rule.recur.rscale;
          rule.recur.rscale = nullptr;
          char* text = icalrecurrencetype_as_string_r(&rule.recur);
          if (text && !e.recurrenceRule) {
            std::string_view v(text);
            if (startsWithNoCase(v, "RRULE:")) v.remove_prefix(6);
            e.recurrenceRule = std::string(v);
          }
          std::free(text);
          r.rules.push_back(std::move(rule));
          break;
        }
        case ICAL_RDATE_PROPERTY: {
          const icaldatetimeperiodtype v = icalproperty_get_rdate(p);
          const icaltimetype t = icaltime_is_null_time(v.time) ? v.period.start : v.time;
          if (!icaltime_is_null_time(t)) r.rdates.push_back(stampOf(t, p, zones));
          break;
        }
        case ICAL_EXDATE_PROPERTY: {
          // Not icalproperty_get_exdate: it resolves the TZID in libical's own zone table.
          const icaltimetype t = icalvalue_get_datetimedate(icalproperty_get_value(p));
          if (icaltime_is_null_time(t)) break;
          const Stamp s = stampOf(t, p, zones);
          if (s.clock == Clock::date) r.exdateDays.push_back(s.wall);
          r.exdates.push_back(instantOf(s));
          break;
        }
        case ICAL_SUMMARY_PROPERTY:
          if (const char* v = icalproperty_get_summary(p)) e.title = v;
          break;
        case ICAL_LOCATION_PROPERTY:
          if (const char* v = icalproperty_get_location(p)) e.location = v;
          break;
        case ICAL_DESCRIPTION_PROPERTY:
          if (const char* v = icalproperty_get_description(p)) e.notes = v;
          break;
        case ICAL_URL_PROPERTY:
          if (const char* v = icalproperty_get_url(p)) e.url = v;
          break;
        case ICAL_ATTENDEE_PROPERTY:
          e.attendees.push_back(participant(p, icalproperty_get_attendee(p)));
          break;
        case ICAL_ORGANIZER_PROPERTY:
          if (!e.organizer) e.organizer = participant(p, icalproperty_get_organizer(p));
          break;
        default:
          break;
      }
    }
    if (!hasStart) return r;

    const Date start = instantOf(r.dtstart);
    e.start = start;
    e.allDay = r.dtstart.clock == Clock::date;
    if (e.allDay) {
      r.durationDays = 1;
      if (dtend && dtend->clock == Clock::date) {
        const int64_t days =
            daysFromCivil(dtend->wall.year, dtend->wall.month, dtend->wall.day) -
            daysFromCivil(r.dtstart.wall.year, r.dtstart.wall.month, r.dtstart.wall.day);
        if (days > 0) r.durationDays = static_cast<int>(std::min<int64_t>(days, 100000));
      } else if (!dtend && duration && !duration->is_neg &&
                 !icaldurationtype_is_bad_duration(*duration)) {
        r.durationDays = static_cast<int>(duration->weeks * 7 + duration->days);
        r.durationSeconds = duration->hours * 3600.0 + duration->minutes * 60.0 + duration->seconds;
        if (r.durationDays == 0 && r.durationSeconds == 0) r.durationDays = 1;
      }
    } else if (dtend) {
      r.durationSeconds = std::max(0.0, instantOf(*dtend) - start);
    } else if (duration && !icaldurationtype_is_bad_duration(*duration)) {
      r.durationSeconds = std::max(0, icaldurationtype_as_int(*duration));
    }
    e.end = endOf(r.dtstart.wall, r.dtstart.clock, start, r.durationDays, r.durationSeconds);

    for (icalcomponent* alarm = icalcomponent_get_first_component(vevent, ICAL_VALARM_COMPONENT);
         alarm; alarm = icalcomponent_get_next_component(vevent, ICAL_VALARM_COMPONENT)) {
      icalproperty* trigger = icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY);
      if (!trigger) continue;
      icalparameter* related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
      if (related && icalparameter_get_related(related) == ICAL_RELATED_END) continue;
      const icaltriggertype t = icalproperty_get_trigger(trigger);
      if (!icaltime_is_null_time(t.time) || icaldurationtype_is_bad_duration(t.duration)) continue;
      e.alarmMinutesBefore.push_back(-icaldurationtype_as_int(t.duration) / 60);
    }
    r.valid = true;
    return r;
  }

 public:
  // The end of an occurrence starting at `wall` (instant `start`).
  static Date endOf(const icaltimetype& wall, Clock clock, Date start, int days, double seconds) {
    if (clock != Clock::date) return start.adding(seconds);
    icaltimetype endDay = wall;
    icaltime_adjust(&endDay, days, 0, 0, 0);
    return instantOf(endDay, Clock::date, nullptr).adding(seconds);
  }

 private:
  ZoneRegistry& registry_;
  const std::unordered_set<std::string>& userEmails_;
};

// ----------------------------------------------------------------------------------- expansion

bool overlaps(Date start, Date end, const Window& w) {
  if (start >= w.end) return false;
  if (end > start) return end > w.start;
  return start >= w.start;  // an instant: inside the window or not
}

bool hasData(const short* by) { return by[0] != ICAL_RECURRENCE_ARRAY_MAX; }

// Appends the starts (instant, wall time) that `rule` gives in [lower, upper), in order.
//
// Rules of whole days (DAILY and coarser, no BYHOUR, BYMINUTE or BYSECOND) are iterated over
// dates and the time of DTSTART is put back on each: libical's iterator keeps the shift of a time
// that fell into a daylight-saving gap for every later occurrence otherwise. UNTIL is then
// checked here, against the real instants.
void expandRule(const Series& s, const Rule& rule, Date lower, Date upper,
                std::vector<std::pair<Date, icaltimetype>>& out) {
  constexpr int kMaxSteps = 200000;
  icalrecurrencetype recur = rule.recur;
  recur.rscale = rule.rscale.empty() ? nullptr : const_cast<char*>(rule.rscale.c_str());
  const Stamp& d0 = s.dtstart;
  const bool byDays = recur.freq >= ICAL_DAILY_RECURRENCE && recur.freq <= ICAL_YEARLY_RECURRENCE &&
                      !hasData(recur.by_hour) && !hasData(recur.by_minute) &&
                      !hasData(recur.by_second);
  const icaltimetype until = recur.until;
  const bool hasUntil = byDays && !icaltime_is_null_time(until);

  icaltimetype first = d0.wall;
  if (byDays) {
    recur.until = icaltime_null_time();
    first.is_date = 1;
    first.hour = first.minute = first.second = 0;
    first.zone = nullptr;
  }
  icalrecur_iterator* it = icalrecur_iterator_new(recur, first);
  if (!it) return;
  if (recur.count == 0) {
    icaltimetype from = wallOf(lower, d0.clock, d0.zone, byDays);
    if (byDays) from.zone = nullptr;
    if (icaltime_compare(from, first) > 0) icalrecur_iterator_set_start(it, from);
  }
  // A rule limited to its first period: the start of its second one.
  icaltimetype periodEnd = d0.wall;
  if (rule.firstPeriodOnly) {
    // Each period starts on its boundary: a minute at :00, a week on WKST, a year on 1 January.
    periodEnd.is_date = 0;
    periodEnd.zone = nullptr;
    const int freq = recur.freq;
    if (freq >= ICAL_MINUTELY_RECURRENCE) periodEnd.second = 0;
    if (freq >= ICAL_HOURLY_RECURRENCE) periodEnd.minute = 0;
    if (freq >= ICAL_DAILY_RECURRENCE) periodEnd.hour = 0;
    if (freq >= ICAL_MONTHLY_RECURRENCE) periodEnd.day = 1;
    if (freq >= ICAL_YEARLY_RECURRENCE) periodEnd.month = 1;
    switch (recur.freq) {
      case ICAL_SECONDLY_RECURRENCE:
        periodEnd.second += 1;
        break;
      case ICAL_MINUTELY_RECURRENCE:
        periodEnd.minute += 1;
        break;
      case ICAL_HOURLY_RECURRENCE:
        periodEnd.hour += 1;
        break;
      case ICAL_DAILY_RECURRENCE:
        periodEnd.day += 1;
        break;
      case ICAL_WEEKLY_RECURRENCE: {
        const int weekStart =
            recur.week_start == ICAL_NO_WEEKDAY ? ICAL_MONDAY_WEEKDAY : recur.week_start;
        const int ahead = (weekStart - icaltime_day_of_week(periodEnd) + 7) % 7;
        periodEnd.day += ahead == 0 ? 7 : ahead;
        break;
      }
      case ICAL_MONTHLY_RECURRENCE:
        periodEnd.month += 1;
        break;
      default:
        periodEnd.year += 1;
        break;
    }
    periodEnd = icaltime_normalize(periodEnd);
  }
  const bool untilIsInstant = hasUntil && !until.is_date && icaltime_is_utc(until);
  const Date untilInstant =
      untilIsInstant ? Date::fromUnix(static_cast<double>(icaltime_as_timet(until))) : Date{};
  for (int step = 0; step < kMaxSteps; ++step) {
    const icaltimetype t = icalrecur_iterator_next(it);
    if (icaltime_is_null_time(t)) break;
    icaltimetype wall = t;
    if (byDays) {
      wall.is_date = d0.wall.is_date;
      wall.hour = d0.wall.hour;
      wall.minute = d0.wall.minute;
      wall.second = d0.wall.second;
      wall.zone = d0.wall.zone;
    }
    if (rule.firstPeriodOnly && compareCivil(wall, periodEnd, false) >= 0) break;
    const Date at = instantOf(wall, d0.clock, d0.zone);
    if (hasUntil) {
      const bool past =
          untilIsInstant ? at > untilInstant : compareCivil(wall, until, until.is_date != 0) > 0;
      if (past) break;
    }
    if (at >= upper) break;
    if (at >= lower) out.emplace_back(at, wall);
  }
  icalrecur_iterator_free(it);
}

bool excluded(const Series& s, Date at, const icaltimetype& wall) {
  if (std::binary_search(s.exdates.begin(), s.exdates.end(), at)) return true;
  for (const icaltimetype& day : s.exdateDays) {
    if (compareCivil(day, wall, true) == 0) return true;
  }
  return false;
}

void expandSeries(const Series& s, const Window& w, std::vector<CalendarEvent>& out) {
  if (!s.hasMaster) {
    for (const Series::Override& o : s.overrides) {
      if (overlaps(o.event.start, o.event.end, w)) out.push_back(o.event);
    }
    return;
  }
  if (!s.recurring()) {
    if (overlaps(s.master.start, s.master.end, w)) {
      out.push_back(s.master);
      out.back().occurrenceDate.reset();
    }
    return;
  }
  // Occurrences starting before the window may still reach into it.
  const Date lower = w.start.adding(-(s.longestSeconds() + 2 * 86400.0));
  std::vector<std::pair<Date, icaltimetype>> starts;
  if (s.master.start >= lower && s.master.start < w.end) {
    starts.emplace_back(s.master.start, s.dtstart.wall);
  }
  for (const Rule& rule : s.rules) expandRule(s, rule, lower, w.end, starts);
  for (const Stamp& rdate : s.rdates) {
    const Date at = instantOf(rdate);
    if (at >= lower && at < w.end) {
      // An RDATE is read on the series' clock when it is written the same way.
      starts.emplace_back(at, rdate.wall);
    }
  }
  std::sort(starts.begin(), starts.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  starts.erase(std::unique(starts.begin(), starts.end(),
                           [](const auto& a, const auto& b) { return a.first == b.first; }),
               starts.end());

  auto overrideAt = [&](Date at) {
    auto it =
        std::lower_bound(s.overrides.begin(), s.overrides.end(), at,
                         [](const Series::Override& o, Date d) { return o.recurrenceId < d; });
    return it != s.overrides.end() && it->recurrenceId == at;
  };
  for (const auto& [at, wall] : starts) {
    if (excluded(s, at, wall) || overrideAt(at)) continue;
    const Date end = Parser::endOf(wall, s.dtstart.clock, at, s.durationDays, s.durationSeconds);
    if (!overlaps(at, end, w)) continue;
    CalendarEvent& e = out.emplace_back(s.master);
    e.start = at;
    e.end = end;
    e.occurrenceDate = at;
  }
  for (const Series::Override& o : s.overrides) {
    const icaltimetype ridWall = wallOf(o.recurrenceId, s.dtstart.clock, s.dtstart.zone, false);
    if (excluded(s, o.recurrenceId, ridWall)) continue;
    if (overlaps(o.event.start, o.event.end, w)) out.push_back(o.event);
  }
}

bool occurrenceBefore(const CalendarEvent& a, const CalendarEvent& b) {
  if (a.start != b.start) return a.start < b.start;
  if (a.eventIdentifier != b.eventIdentifier) return a.eventIdentifier < b.eventIdentifier;
  if (a.end != b.end) return a.end < b.end;
  return a.calendarID < b.calendarID;
}

// Files met unreadable, once per version: (path, size, modification time).
std::mutex gWarnedMutex;
std::set<std::tuple<std::string, uintmax_t, int64_t>> gWarned;

// Text from a file (a name, a TZID) as it may reach a terminal: control bytes become "?".
std::string printable(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return out;
}

void warnUnreadable(const std::string& path, const FileKey& key) {
  {
    std::lock_guard lock(gWarnedMutex);
    if (!gWarned.emplace(path, key.size, key.mtimeNs).second) return;
  }
  std::fprintf(
      stderr, "talewick : %s\n",
      Loc::format(Loc::string("calendar.unreadableFile", "fichier ignoré (illisible) : %@"),
                  {printable(path)})
          .c_str());
}

// TZIDs that name no zone, each told once with the first file met using it: its times are read
// on the local clock, which may place them hours off.
std::set<std::string> gUnknownZones;

void warnUnknownZone(const std::string& tzid, const std::string& path) {
  {
    std::lock_guard lock(gWarnedMutex);
    if (!gUnknownZones.insert(tzid).second) return;
  }
  std::fprintf(
      stderr, "talewick : %s\n",
      Loc::format(Loc::string("calendar.unknownZone",
                              "fuseau horaire inconnu « %@ », heures lues à l'heure locale : %@"),
                  {printable(tzid), printable(path)})
          .c_str());
}

}  // namespace

// ------------------------------------------------------------------------------------- store

struct VdirCalendarStore::Impl {
  fs::path root;
  std::unordered_set<std::string> userEmails;
  bool disabled;
  std::mutex mutex;
  ZoneRegistry zones;  // before the cache: parsed files point into it

  struct Entry {
    FileKey key;
    std::string calendarID;
    std::shared_ptr<ParsedFile> parsed;
  };
  std::map<std::string, Entry> cache;  // by path
  // UID → the paths holding it, by path (the same UID may sit in several calendars).
  std::unordered_map<std::string, std::vector<std::string>> uidPaths;
  std::string cacheZone;  // the process time zone the cache was read in

  Impl(fs::path r, const std::vector<std::string>& emails, bool d)
      : root(std::move(r)), disabled(d) {
    for (const std::string& e : emails) {
      std::string n = normalizedAddress(e);
      if (!n.empty()) userEmails.insert(std::move(n));
    }
  }

  // Brings the cache up to date with the folders of `calendarIDs`, parsing what changed and,
  // with a window, expanding it; returns the window's occurrences (unsorted), as they sit in the
  // cache until its next change.
  std::vector<const CalendarEvent*> load(const std::vector<std::string>& calendarIDs,
                                         const std::optional<Window>& window) {
    struct Job {
      std::string path;
      const std::string* calendarID;
      int folderFd;
      size_t nameOffset;  // the file name within `path`
      FileKey key;
      Entry* entry = nullptr;
      bool parse = false;
    };
    // Floating and all-day times were placed on the process clock: another clock, another read.
    std::string zone = processZoneId();
    if (zone != cacheZone) {
      cache.clear();
      cacheZone = std::move(zone);
    }
    std::vector<Job> jobs;
    std::vector<FolderPtr> folders;
    std::unordered_set<std::string> scanned(calendarIDs.begin(), calendarIDs.end());
    for (const std::string& id : calendarIDs) {
      const std::string folder = (root / id).string() + "/";
      FolderPtr dir(::opendir(folder.c_str()));
      if (!dir) continue;
      const int fd = ::dirfd(dir.get());
      while (const struct dirent* d = ::readdir(dir.get())) {
        const std::string_view name(d->d_name);
        if (vdir::isHidden(name) || name.size() < 5 ||
            !equalNoCase(name.substr(name.size() - 4), ".ics")) {
          continue;
        }
        struct stat st {};
        if (::fstatat(fd, d->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        jobs.push_back({folder + d->d_name, &id, fd, folder.size(), keyOf(st)});
      }
      folders.push_back(std::move(dir));
    }
    std::sort(jobs.begin(), jobs.end(), [](const Job& a, const Job& b) { return a.path < b.path; });

    // Forget the files that are gone, with their calendar or alone.
    {
      const std::vector<std::string> names = vdir::subfolders(root);
      const std::unordered_set<std::string> calendars(names.begin(), names.end());
      std::unordered_set<std::string_view> present;
      for (const Job& j : jobs) present.insert(j.path);
      for (auto it = cache.begin(); it != cache.end();) {
        const std::string& id = it->second.calendarID;
        if (!calendars.count(id) || (scanned.count(id) && !present.count(it->first))) {
          it = cache.erase(it);
        } else {
          ++it;
        }
      }
    }
    for (Job& j : jobs) {
      Entry& e = cache[j.path];
      if (!e.parsed || !(e.key == j.key) || e.calendarID != *j.calendarID) {
        e.key = j.key;
        e.calendarID = *j.calendarID;
        e.parsed.reset();
        j.parse = true;
      }
      j.entry = &e;
    }

    // Only files to parse or expand need the threads.
    std::vector<Job*> work;
    for (Job& j : jobs) {
      if (j.parse || (window && j.entry->parsed->ok && j.entry->parsed->expandedFor != window)) {
        work.push_back(&j);
      }
    }
    if (!work.empty()) ics::prepareBuiltinZones();  // before any thread may fill libical's table
    forEachInParallel(work.size(), [&](size_t i) {
      Job& j = *work[i];
      if (j.parse) {
        std::string text;
        Parser parser(zones, userEmails);
        const bool read = readWhole(j.folderFd, j.path.c_str() + j.nameOffset, j.key.size, text);
        j.entry->parsed = read ? parser.parse(text, *j.calendarID) : std::make_shared<ParsedFile>();
      }
      ParsedFile& f = *j.entry->parsed;
      if (window && f.ok && f.expandedFor != window) {
        f.occurrences.clear();
        for (const Series& s : f.series) expandSeries(s, *window, f.occurrences);
        f.expandedFor = window;
      }
    });

    std::vector<const CalendarEvent*> out;
    for (const Job& j : jobs) {
      const ParsedFile& f = *j.entry->parsed;
      if (!f.ok) {
        if (j.parse) warnUnreadable(j.path, j.key);
        continue;
      }
      if (j.parse) {
        for (const std::string& tzid : f.unknownZones) warnUnknownZone(tzid, j.path);
      }
      if (window) {
        for (const CalendarEvent& e : f.occurrences) out.push_back(&e);
      }
    }
    uidPaths.clear();
    for (const auto& [path, entry] : cache) {
      if (!entry.parsed || !entry.parsed->ok) continue;
      for (const Series& s : entry.parsed->series) {
        std::vector<std::string>& paths = uidPaths[s.uid];
        if (paths.empty() || paths.back() != path) paths.push_back(path);
      }
    }
    return out;
  }

  // The file and series of a UID, after a fresh look at every calendar.
  struct Located {
    std::string path;
    std::string calendarID;
    std::shared_ptr<ParsedFile> file;
    const Series* series = nullptr;
  };
  // The UID's files, one per calendar holding it, the first by path first.
  std::vector<Located> locateAll(const std::string& uid) {
    std::vector<Located> out;
    if (uid.empty()) return out;
    load(vdir::subfolders(root), std::nullopt);
    auto it = uidPaths.find(uid);
    if (it == uidPaths.end()) return out;
    for (const std::string& path : it->second) {
      const Entry& e = cache.at(path);
      const bool calendarMet = std::any_of(
          out.begin(), out.end(), [&](const Located& l) { return l.calendarID == e.calendarID; });
      if (calendarMet) continue;
      for (const Series& s : e.parsed->series) {
        if (s.uid == uid) {
          out.push_back(Located{path, e.calendarID, e.parsed, &s});
          break;
        }
      }
    }
    return out;
  }

  // The UID on `calendarID`; with no calendar, its first.
  std::optional<Located> locate(const std::string& uid, const std::string& calendarID) {
    for (Located& at : locateAll(uid)) {
      if (calendarID.empty() || at.calendarID == calendarID) return std::move(at);
    }
    return std::nullopt;
  }

  // The event a write means: the UID on the event's calendar, else the only calendar holding
  // it. Two others holding it leave the write without a target: refused, naming them.
  Located writeTarget(const CalendarEvent& event) {
    std::vector<Located> all = locateAll(event.eventIdentifier);
    for (Located& at : all) {
      if (at.calendarID == event.calendarID) return std::move(at);
    }
    if (all.size() == 1) return std::move(all.front());
    if (all.empty()) throw CalendarStoreError("Événement introuvable : " + event.eventIdentifier);
    std::string names;
    for (const Located& at : all) names += (names.empty() ? "" : ", ") + at.calendarID;
    throw CalendarStoreError(
        Loc::format(Loc::string("calendar.ambiguousEvent",
                                "Événement présent dans plusieurs agendas (%@) : %@"),
                    {names, event.eventIdentifier}));
  }

  void requireAccess() const {
    if (disabled) throw CalendarStoreError("Accès aux calendriers désactivé");
  }

  fs::path calendarFolder(const std::string& id) const {
    const fs::path folder = root / id;
    if (vdir::isHidden(id) || id.find('/') != std::string::npos || !isFolder(folder)) {
      throw CalendarStoreError("Calendrier introuvable : " + id);
    }
    return folder;
  }

  fs::path writableCalendarFolder(const std::string& id) {
    fs::path folder = calendarFolder(id);
    if (!isWritableFolder(folder)) throw CalendarStoreError("Calendrier en lecture seule : " + id);
    removeStaleTemporaries(folder);
    return folder;
  }

  // A writer killed half-way (an interrupted `add`) leaves its temporary file behind; other
  // programs skip it, but they pile up. Before this store first writes into a folder, the
  // temporaries of event files older than a minute go: a younger one may be another process
  // writing right now.
  std::set<std::string> tidiedFolders;
  void removeStaleTemporaries(const fs::path& folder) {
    if (!tidiedFolders.insert(folder.string()).second) return;
    FolderPtr dir(::opendir(folder.c_str()));
    if (!dir) return;
    const int fd = ::dirfd(dir.get());
    const int64_t nowNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    constexpr int64_t kStaleNs = 60'000'000'000;
    while (const struct dirent* d = ::readdir(dir.get())) {
      const std::optional<std::string> target = files::temporaryTarget(d->d_name);
      if (!target || target->size() < 5 ||
          !equalNoCase(std::string_view(*target).substr(target->size() - 4), ".ics")) {
        continue;
      }
      struct stat st {};
      if (::fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
      if (nowNs - keyOf(st).mtimeNs > kStaleNs) ::unlinkat(fd, d->d_name, 0);
    }
  }

  std::string editableText(const Located& at) {
    std::string text;
    if (!at.file->editable || !readWhole(AT_FDCWD, at.path.c_str(), 0, text)) {
      throw CalendarStoreError("Fichier illisible, laissé intact : " + at.path);
    }
    return text;
  }

  // What the system refused about a file, as the status line tells it: in the user's words,
  // naming the file, the system's own reason last.
  static CalendarStoreError fileError(const fs::path& path, std::error_code reason, const char* key,
                                      const char* french) {
    return CalendarStoreError(Loc::format(Loc::string(key, french), {path.string()}) + " (" +
                              reason.message() + ")");
  }

  void write(const fs::path& path, const std::string& text) {
    try {
      files::writeAtomically(path, text);
    } catch (const std::system_error& e) {
      throw fileError(path, e.code(), "calendar.writeFailed", "Écriture impossible : %@");
    }
    cache.erase(path.string());
  }

  void erase(const fs::path& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
      throw fileError(path, std::error_code(errno, std::generic_category()),
                      "calendar.removeFailed", "Suppression impossible : %@");
    }
    cache.erase(path.string());
  }

  // Writes what an edit left: the file itself (or its removal) and the new file beside it.
  void apply(const ics::Edit& edit, const fs::path& path, const fs::path& createdFolder) {
    if (edit.created) write(createdFolder / (edit.created->first + ".ics"), edit.created->second);
    if (edit.updated) {
      write(path, *edit.updated);
    } else {
      erase(path);
    }
  }

  void save(CalendarEvent& event, EventSpan span) {
    requireAccess();
    if (event.eventIdentifier.empty()) {
      const fs::path folder = writableCalendarFolder(event.calendarID);
      const std::string uid = randomUUID();
      const std::string text = ics::newEventFile(event, uid, now());
      write(folder / (uid + ".ics"), text);
      event.eventIdentifier = uid;
      event.externalIdentifier = uid;
      return;
    }
    const std::optional<Located> at = writeTarget(event);
    const fs::path source = writableCalendarFolder(at->calendarID);
    const std::string target = event.calendarID.empty() ? at->calendarID : event.calendarID;
    const fs::path targetFolder = writableCalendarFolder(target);
    const std::string text = editableText(*at);
    const fs::path path = at->path;
    if (target == at->calendarID) {
      apply(ics::saveOccurrence(text, event, span, now()), path, source);
      return;
    }
    // Another calendar: what the edit concerns goes to its folder.
    const bool series = at->series->recurring() && event.occurrenceDate.has_value();
    if (series && span == EventSpan::thisEvent) {
      // One occurrence leaves its series and becomes a single event over there.
      CalendarEvent single = event;
      single.recurrenceRule.reset();
      single.occurrenceDate.reset();
      single.hasRecurrenceRules = false;
      const std::string uid = randomUUID();
      write(targetFolder / (uid + ".ics"), ics::newEventFile(single, uid, now()));
      apply(ics::removeOccurrence(text, event, EventSpan::thisEvent), path, source);
      event = std::move(single);
      event.eventIdentifier = uid;
      event.externalIdentifier = uid;
      return;
    }
    const ics::Edit edit = ics::saveOccurrence(text, event, span, now());
    if (series && edit.created) {
      // This and the following occurrences: the new series goes over, the past stays.
      apply(edit, path, targetFolder);
      return;
    }
    const fs::path moved = targetFolder / path.filename();
    std::error_code ec;
    if (fs::exists(moved, ec) || ec) {
      throw fileError(moved, ec ? ec : std::make_error_code(std::errc::file_exists),
                      "calendar.targetTaken", "Un fichier de ce nom est déjà là : %@");
    }
    if (edit.created) write(targetFolder / (edit.created->first + ".ics"), edit.created->second);
    if (edit.updated) write(moved, *edit.updated);
    erase(path);
  }

  void remove(const CalendarEvent& event, EventSpan span) {
    requireAccess();
    const std::optional<Located> at = writeTarget(event);
    const fs::path folder = writableCalendarFolder(at->calendarID);
    const std::string text = editableText(*at);
    apply(ics::removeOccurrence(text, event, span), at->path, folder);
  }
};

VdirCalendarStore::VdirCalendarStore(std::filesystem::path root,
                                     std::vector<std::string> userEmails, bool accessDisabled)
    : impl_(std::make_unique<Impl>(std::move(root), userEmails, accessDisabled)) {}

VdirCalendarStore::~VdirCalendarStore() = default;

std::vector<CalendarInfo> VdirCalendarStore::calendars() {
  std::lock_guard lock(impl_->mutex);
  if (impl_->disabled) return {};
  std::vector<CalendarInfo> out;
  for (const std::string& id : vdir::subfolders(impl_->root)) {
    const fs::path folder = impl_->root / id;
    CalendarInfo info;
    info.identifier = id;
    const std::optional<std::string> name = files::read(folder / "displayname");
    info.title = name ? std::string(text::trim(*name)) : std::string();
    if (info.title.empty()) info.title = id;
    if (const std::optional<std::string> color = files::read(folder / "color")) {
      info.colorHex = normalizedColor(*color);
    }
    info.allowsContentModifications = isWritableFolder(folder);
    out.push_back(std::move(info));
  }
  return out;
}

std::vector<CalendarEvent> VdirCalendarStore::events(const EventQuery& query) {
  std::vector<CalendarEvent> out;
  readEvents(query, [&](std::span<const CalendarEvent* const> found) {
    out.reserve(found.size());
    for (const CalendarEvent* e : found) out.push_back(*e);
  });
  return out;
}

void VdirCalendarStore::readEvents(const EventQuery& query, const EventReader& read) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->disabled || !(query.start < query.end)) return read({});
  std::vector<std::string> ids = vdir::subfolders(impl_->root);
  if (query.calendarIDs) {
    const std::set<std::string> wanted(query.calendarIDs->begin(), query.calendarIDs->end());
    std::erase_if(ids, [&](const std::string& id) { return !wanted.count(id); });
  }
  std::vector<const CalendarEvent*> found = impl_->load(ids, Window{query.start, query.end});
  std::sort(found.begin(), found.end(), [](const CalendarEvent* a, const CalendarEvent* b) {
    return occurrenceBefore(*a, *b);
  });
  read(found);
}

std::optional<CalendarEvent> VdirCalendarStore::event(const std::string& eventIdentifier,
                                                      const std::string& calendarID) {
  std::lock_guard lock(impl_->mutex);
  if (impl_->disabled) return std::nullopt;
  const auto at = impl_->locate(eventIdentifier, calendarID);
  if (!at) return std::nullopt;
  const Series& s = *at->series;
  if (s.hasMaster) return s.master;
  if (!s.overrides.empty()) return s.overrides.front().event;
  return std::nullopt;
}

void VdirCalendarStore::save(CalendarEvent& event, EventSpan span) {
  std::lock_guard lock(impl_->mutex);
  try {
    impl_->save(event, span);
  } catch (const CalendarStoreError&) {
    throw;
  } catch (const std::exception& e) {
    throw CalendarStoreError(
        Loc::string("calendar.writeFailedSomewhere", "Écriture du calendrier impossible") + " (" +
        e.what() + ")");
  }
}

void VdirCalendarStore::remove(const CalendarEvent& event, EventSpan span) {
  std::lock_guard lock(impl_->mutex);
  try {
    impl_->remove(event, span);
  } catch (const CalendarStoreError&) {
    throw;
  } catch (const std::exception& e) {
    throw CalendarStoreError(
        Loc::string("calendar.writeFailedSomewhere", "Écriture du calendrier impossible") + " (" +
        e.what() + ")");
  }
}

bool VdirCalendarStore::requestFullAccess() {
  std::lock_guard lock(impl_->mutex);
  if (impl_->disabled) return false;
  return isFolder(impl_->root) && ::access(impl_->root.c_str(), R_OK | X_OK) == 0;
}

}  // namespace talewick
