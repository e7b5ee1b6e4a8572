// The time zones the TZIDs of an .ics file name: its own VTIMEZONE components first, then the
// zones libical knows by name.
//
// libical fills its table of built-in zones on first use and grows it on lookups, without a lock
// of its own: the table is filled here before threads share it, and every lookup in it goes
// through builtinZone, one thread at a time. No code here asks libical to resolve a TZID by
// itself (icalproperty_get_dtstart and its kind look in that table).
#pragma once

#include <libical/ical.h>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/ics/lines.hpp"

namespace talewick::ics {

icaltimezone* utcZone();

// Fills libical's table of built-in zones; called before threads may read it.
void prepareBuiltinZones();

// The built-in zone a TZID names (vendor prefixes such as "/mozilla.org/20050126_1/Europe/Paris"
// taken off); null for an empty TZID or one libical does not know.
icaltimezone* builtinZone(const std::string& tzid);

// Gives the calendar a VTIMEZONE named `tzid` when it has none and libical knows the zone (its
// rules from 1970 on), ahead of its other components.
void ensureTimezone(Component& calendar, const std::string& tzid);

// Many files carry the same VTIMEZONE (each exporter copies its own into every file), and libical
// spends most of a millisecond on the first conversion in a zone. Identical definitions, compared
// as text, share one icaltimezone here, parsed once; the registry owns them. Safe to share between
// threads.
class ZoneRegistry {
 public:
  ZoneRegistry() = default;
  ZoneRegistry(const ZoneRegistry&) = delete;
  ZoneRegistry& operator=(const ZoneRegistry&) = delete;
  ~ZoneRegistry();

  // The zone the text of a VTIMEZONE defines; nullptr when it defines none.
  icaltimezone* adopt(std::string_view definition);

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
std::optional<SplitText> splitZones(std::string_view text);

// The zones one file may name. A file read whole gives the definitions it holds (views into its
// text, which must outlive this); a calendar being edited gives its VTIMEZONE components.
class Zones {
 public:
  Zones(ZoneRegistry& registry, const SplitText& split);
  // With a registry of its own: an edit reads one file.
  explicit Zones(const Component& calendar);
  Zones(const Zones&) = delete;
  Zones& operator=(const Zones&) = delete;

  // null for an empty TZID or one nobody can name.
  icaltimezone* find(const std::string& tzid);

  // The TZIDs met that name no zone, in order of appearance.
  std::vector<std::string>& unknown() { return unknown_; }

 private:
  struct Local {
    explicit Local(std::string_view d) : definition(d) {}
    std::string_view definition;
    icaltimezone* zone = nullptr;
    bool adopted = false;
  };
  void define(std::string_view tzid, std::string_view definition);

  std::unique_ptr<ZoneRegistry> ownRegistry_;
  ZoneRegistry& registry_;
  std::deque<std::string> ownTexts_;  // the definitions written from components
  std::unordered_map<std::string, Local> local_;
  std::vector<std::string> unknown_;
};

}  // namespace talewick::ics
