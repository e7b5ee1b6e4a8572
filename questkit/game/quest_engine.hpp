// The forge: turns one calendar occurrence into one quest. Forging is a pure function of the
// occurrence, the narrative mode and the local day; every pick is a hash of a text seed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "game/day_event.hpp"
#include "game/enums.hpp"
#include "game/quest.hpp"
#include "support/date.hpp"
#include "support/json.hpp"

namespace talewick {

// The numbers behind a quest, for display.
struct QuestBreakdown {
  std::string archetypeId;
  std::string archetypeLabel;
  int64_t archetypeBaseXp = 0;
  int64_t durationMin = 0;
  double durationMult = 0;
  int64_t xp = 0;
  int64_t attendees = 0;
  int64_t attendeesBonus = 0;
  std::optional<double> intensity;
  std::optional<double> intensityMult;
  bool isNight = false;
  double nightMult = 1;
  double threatScore = 0;
  Threat threat;
  bool operator==(const QuestBreakdown&) const = default;
};

void to_json(Json& j, const QuestBreakdown& v);
void from_json(const Json& j, QuestBreakdown& v);

namespace QuestEngine {

// Everything forging reads from an occurrence: equal signatures forge equal quests on the same
// day. The quest cache is keyed by it.
struct InputSignature {
  std::string id;
  std::string title;
  std::optional<std::string> notes;
  Date start;
  Date end;
  bool allDay = false;
  std::optional<std::string> location;
  int64_t attendees = 0;
  std::optional<double> intensity;
  bool needsResponse = false;
  RPGMode mode = RPGMode::heroicPapa;
  bool operator==(const InputSignature&) const = default;
};

struct InputSignatureHash {
  size_t operator()(const InputSignature& s) const;
};

Quest eventToQuest(const DayEvent& event, RPGMode mode);
// The quest without its story (intro and choices), which is most of a quest's memory and is read
// only where one quest is shown in full: what lists, the kingdom and notifications read.
Quest outline(const DayEvent& event, RPGMode mode);
// Gives `quest`, the outline of `event` in `mode`, its story: it becomes eventToQuest(event, mode).
void tell(Quest& quest, const DayEvent& event, RPGMode mode);
QuestBreakdown breakdown(const DayEvent& event, RPGMode mode);
InputSignature eventToQuestSignature(const DayEvent& event, RPGMode mode);

// A new name for a quest: variants 0, 1, 2… give successive, reproducible names.
std::string rerollTitle(std::string_view raw, std::string_view archetypeId, RPGMode mode,
                        int64_t variant);

// "yyyy-MM-dd" of the local day.
std::string dayKey(Date date);

// 60 for all-day occurrences; else (end − start) in minutes rounded half away from zero, or 30
// when that is negative or not finite.
int64_t durationMinutes(const DayEvent& event);

// durationMinutes / 120 + 0.8, held between 0.8 and 1.6.
double durationMult(int64_t durationMin);

// Whether the all-day span [start, end) covers the local day holding `day`.
bool allDayCovers(Date day, Date start, Date end);

// The end of an all-day span whose first and last days hold `startDay` and `endDay`: the start
// of the day after the last. nullopt when the last day comes before the first.
std::optional<Date> allDayEndDate(Date startDay, Date endDay);

// The default flavour of a band (empty for jour) and heroic label of a tier, localised.
std::string todFlavor(TimeOfDay band);
std::string heroicLabel(int64_t tier);

}  // namespace QuestEngine
}  // namespace talewick
