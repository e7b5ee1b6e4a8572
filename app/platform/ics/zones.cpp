#include "platform/ics/zones.hpp"

#include <algorithm>
#include <mutex>

#include "support/text.hpp"

namespace talewick::ics {

icaltimezone* utcZone() {
  prepareBuiltinZones();
  return icaltimezone_get_utc_timezone();
}

namespace {

std::mutex& builtinZonesMutex() {
  static std::mutex mutex;
  return mutex;
}

icaltimezone* lookUpBuiltinZone(const std::string& tzid) {
  if (tzid.empty() || tzid.find("..") != std::string::npos) return nullptr;
  if (icaltimezone* z = icaltimezone_get_builtin_timezone_from_tzid(tzid.c_str())) return z;
  if (icaltimezone* z = icaltimezone_get_builtin_timezone(tzid.c_str())) return z;
  // Vendor prefixes such as "/mozilla.org/20050126_1/Europe/Paris".
  for (size_t slash = tzid.find('/'); slash != std::string::npos;
       slash = tzid.find('/', slash + 1)) {
    const std::string rest = tzid.substr(slash + 1);
    if (rest.find('/') == std::string::npos) break;  // "Paris" alone names nothing
    if (icaltimezone* z = icaltimezone_get_builtin_timezone(rest.c_str())) return z;
  }
  return nullptr;
}

}  // namespace

void prepareBuiltinZones() {
  static std::once_flag filled;
  std::call_once(filled, [] {
    std::lock_guard lock(builtinZonesMutex());
    icaltimezone_get_builtin_timezones();
  });
}

icaltimezone* builtinZone(const std::string& tzid) {
  prepareBuiltinZones();
  std::lock_guard lock(builtinZonesMutex());
  // Remembered, misses included: a TZID libical does not know costs it a search of the disk.
  static std::unordered_map<std::string, icaltimezone*> known;
  auto [it, added] = known.try_emplace(tzid, nullptr);
  if (added) it->second = lookUpBuiltinZone(tzid);
  return it->second;
}

// --- Zone definitions ---

ZoneRegistry::~ZoneRegistry() {
  for (auto& [text, zone] : zones_) {
    if (zone) icaltimezone_free(zone, 1);
  }
}

icaltimezone* ZoneRegistry::adopt(std::string_view definition) {
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

// --- The zones of one file ---

Zones::Zones(ZoneRegistry& registry, const SplitText& split) : registry_(registry) {
  for (const auto& [tzid, definition] : split.zones) define(tzid, definition);
}

Zones::Zones(const Component& calendar)
    : ownRegistry_(std::make_unique<ZoneRegistry>()), registry_(*ownRegistry_) {
  for (const Component& c : calendar.children) {
    if (c.name != "VTIMEZONE" || !hasProperty(c, "TZID")) continue;
    std::string& text = ownTexts_.emplace_back();
    writeComponent(c, "\r\n", text);
    define(textValue(c, "TZID"), text);
  }
}

void Zones::define(std::string_view tzid, std::string_view definition) {
  local_.try_emplace(std::string(text::trim(tzid)), definition);
}

icaltimezone* Zones::find(const std::string& tzid) {
  if (tzid.empty()) return nullptr;
  auto it = local_.find(tzid);
  if (it != local_.end()) {
    if (!it->second.adopted) {
      it->second.zone = registry_.adopt(it->second.definition);
      it->second.adopted = true;
    }
    if (it->second.zone) return it->second.zone;
  }
  icaltimezone* zone = builtinZone(tzid);
  if (!zone && std::find(unknown_.begin(), unknown_.end(), tzid) == unknown_.end()) {
    unknown_.emplace_back(tzid);
  }
  return zone;
}

// --- Zones written into a calendar ---

namespace {

// A VTIMEZONE named `olson` from libical's zone data, from 1970 on.
std::optional<Component> builtinTimezone(const std::string& olson) {
  icaltimezone* zone = builtinZone(olson);
  if (!zone || zone == utcZone()) return std::nullopt;
  icalcomponent* source = icaltimezone_get_component(zone);
  if (!source) return std::nullopt;
  icalcomponent* copy = icalcomponent_new_clone(source);
  icaltimezone_truncate_vtimezone(copy, icaltime_from_string("19700101T000000Z"),
                                  icaltime_null_time(), 0);
  char* text = icalcomponent_as_ical_string_r(copy);
  icalcomponent_free(copy);
  if (!text) return std::nullopt;
  auto doc = parseDocument(std::string("BEGIN:VCALENDAR\r\n") + text + "END:VCALENDAR\r\n");
  icalmemory_free_buffer(text);
  if (!doc || doc->root.children.size() != 1) return std::nullopt;
  Component& calendar = doc->root.children.front();
  if (calendar.children.size() != 1 || calendar.children.front().name != "VTIMEZONE") {
    return std::nullopt;
  }
  Component vtimezone = std::move(calendar.children.front());
  forgetLayout(vtimezone);
  setProperty(vtimezone, "TZID", "TZID:" + escapeText(olson));
  return vtimezone;
}

}  // namespace

void ensureTimezone(Component& calendar, const std::string& tzid) {
  for (const Component& c : calendar.children) {
    if (c.name == "VTIMEZONE" && hasProperty(c, "TZID") && textValue(c, "TZID") == tzid) return;
  }
  auto vtimezone = builtinTimezone(tzid);
  if (!vtimezone) return;
  auto at = std::find_if(calendar.children.begin(), calendar.children.end(),
                         [](const Component& c) { return c.name != "VTIMEZONE"; });
  calendar.children.insert(at, std::move(*vtimezone));
}

}  // namespace talewick::ics
