// Task files, the day's columns, conflicts and open slots as `talewick rules` reaches them.
//
// A calendar argument is {"timeZone": IANA name}; without it the rule reads days in the process
// time zone. The rules read days through the process calendar, so the zone is switched for the
// one rule the command runs, before its dates are read, and put back after.
#include <unicode/timezone.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kingdom/availability.hpp"
#include "kingdom/calendar_layout.hpp"
#include "kingdom/conflicts.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "text/vault_tasks.hpp"
#include "text/vault_tasks_write.hpp"
#include "ui/commands/rule_arguments.hpp"
#include "ui/commands/rule_table.hpp"

namespace talewick::ui {
namespace {

using namespace rule_arguments;

std::string idOf(const icu::TimeZone& zone) {
  icu::UnicodeString id;
  zone.getID(id);
  std::string out;
  id.toUTF8String(out);
  return out;
}

class CalendarScope {
 public:
  explicit CalendarScope(const Json& j) {
    const auto it = j.find("calendar");
    if (it == j.end() || it->is_null()) return;
    std::string zoneID;
    try {
      zoneID = required<std::string>(*it, "timeZone");
    } catch (const DecodeError& e) {
      throw e.within("calendar");
    }
    const std::unique_ptr<icu::TimeZone> zone(
        icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zoneID)));
    if (idOf(*zone) == "Etc/Unknown") {
      throw DecodeError(
          "calendar.timeZone",
          Loc::format(Loc::string("cli.rules.unknownTimeZone", "fuseau horaire inconnu « %@ »"),
                      {zoneID}));
    }
    previous_ = idOf(*std::unique_ptr<icu::TimeZone>(icu::TimeZone::createDefault()));
    LocalCalendar::setTimeZone(zoneID);
  }
  ~CalendarScope() {
    if (previous_) LocalCalendar::setTimeZone(*previous_);
  }
  CalendarScope(const CalendarScope&) = delete;
  CalendarScope& operator=(const CalendarScope&) = delete;

 private:
  std::optional<std::string> previous_;
};

template <class T>
Json orNull(const std::optional<T>& value) {
  return value ? Json(*value) : Json(nullptr);
}

Json interval(const DateInterval& i) {
  return Json{{"start", json_coding::encode(i.start)}, {"end", json_coding::encode(i.end)}};
}

std::vector<DateInterval> intervals(const Json& j, const char* key) {
  std::vector<DateInterval> out;
  for (size_t k = 0; k < array(j, key).size(); ++k) {
    const Json& item = j[key][k];
    try {
      out.push_back({required<Date>(item, "start"), required<Date>(item, "end")});
    } catch (const DecodeError& e) {
      throw e.within("[" + std::to_string(k) + "]").within(key);
    }
  }
  return out;
}

Json parse(const Json& j) {
  CalendarScope calendar(j);
  return orNull(VaultTasks::parse(required<std::string>(j, "line")));
}
Json parseFile(const Json& j) {
  CalendarScope calendar(j);
  return VaultTasks::parseFile(required<std::string>(j, "contents"));
}
Json isRemainingToday(const Json& j) {
  CalendarScope calendar(j);
  return VaultTasks::isRemainingToday(required<VaultTask>(j, "task"), required<Date>(j, "today"));
}
Json reward(const Json& j) {
  const SideQuests::Reward r = VaultTasks::reward(required<VaultTask>(j, "for"));
  return Json{{"xp", r.xp}, {"gold", r.gold}};
}

Json complete(const Json& j) {
  CalendarScope calendar(j);
  return orNull(VaultTasksWrite::complete(required<std::string>(j, "in"),
                                          required<VaultTask>(j, "matching"),
                                          required<Date>(j, "today")));
}
Json completeLine(const Json& j) {
  CalendarScope calendar(j);
  return VaultTasksWrite::completeLine(required<std::string>(j, "line"),
                                       required<Date>(j, "today"));
}
Json nextOccurrence(const Json& j) {
  CalendarScope calendar(j);
  return orNull(VaultTasksWrite::nextOccurrence(required<std::string>(j, "date"),
                                                required<std::string>(j, "recurrence"),
                                                required<Date>(j, "today")));
}

// The items are any JSON objects; `start` and `durationMin` name the keys that hold each item's
// start and length ("start" and "durationMin" when not given).
Json place(const Json& j) {
  struct Timed {
    Date start;
    int64_t durationMin;
  };
  const std::string startKey = optional<std::string>(j, "start").value_or("start");
  const std::string durationKey = optional<std::string>(j, "durationMin").value_or("durationMin");
  const Json& items = array(j, "items");
  std::vector<Timed> timed;
  for (size_t k = 0; k < items.size(); ++k) {
    try {
      timed.push_back(Timed{required<Date>(items[k], startKey.c_str()),
                            required<int64_t>(items[k], durationKey.c_str())});
    } catch (const DecodeError& e) {
      throw e.within("[" + std::to_string(k) + "]").within("items");
    }
  }
  const auto placements = CalendarLayout::place(
      timed, [](const Timed& t) { return t.start; }, [](const Timed& t) { return t.durationMin; });
  Json out = Json::array();
  for (size_t k = 0; k < items.size(); ++k) {
    out.push_back(
        {{"item", items[k]}, {"column", placements[k].column}, {"columns", placements[k].columns}});
  }
  return out;
}
Json lanes(const Json& j) {
  Json out = Json::array();
  for (const auto& lane : CalendarLayout::lanes(required<std::vector<Quest>>(j, "quests"))) {
    out.push_back({{"quest", json_coding::encode(lane.item)},
                   {"column", lane.column},
                   {"columns", lane.columns}});
  }
  return out;
}
Json overlapping(const Json& j) {
  return json_coding::encode(Conflicts::overlapping(required<Date>(j, "start"),
                                                    required<int64_t>(j, "durationMin"),
                                                    required<std::vector<DayEvent>>(j, "in")));
}
Json openSlots(const Json& j) {
  CalendarScope calendar(j);
  Json out = Json::array();
  for (const DateInterval& slot : Availability::openSlots(
           intervals(j, "busy"), required<Date>(j, "from"),
           optional<AvailabilityConfig>(j, "config").value_or(AvailabilityConfig{}))) {
    out.push_back(interval(slot));
  }
  return out;
}

constexpr std::array kRules{
    Rule{"VaultTasks.parse", parse},
    Rule{"VaultTasks.parseFile", parseFile},
    Rule{"VaultTasks.isRemainingToday", isRemainingToday},
    Rule{"VaultTasks.reward", reward},
    Rule{"VaultTasksWrite.complete", complete},
    Rule{"VaultTasksWrite.completeLine", completeLine},
    Rule{"VaultTasksWrite.nextOccurrence", nextOccurrence},
    Rule{"CalendarLayout.place", place},
    Rule{"CalendarLayout.lanes", lanes},
    Rule{"Conflicts.overlapping", overlapping},
    Rule{"Availability.openSlots", openSlots},
};

}  // namespace

std::span<const Rule> taskRules() { return kRules; }

}  // namespace talewick::ui
