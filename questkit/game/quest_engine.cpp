#include "game/quest_engine.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "game/archetypes.hpp"
#include "game/choice_consequences.hpp"
#include "game/classifier.hpp"
#include "game/lore.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "text/event_metadata.hpp"
#include "text/title_composer.hpp"

namespace talewick {

using json_coding::Field;
static const auto kQuestBreakdownFields =
    std::tuple{Field{"archetypeId", &QuestBreakdown::archetypeId},
               Field{"archetypeLabel", &QuestBreakdown::archetypeLabel},
               Field{"archetypeBaseXp", &QuestBreakdown::archetypeBaseXp},
               Field{"durationMin", &QuestBreakdown::durationMin},
               Field{"durationMult", &QuestBreakdown::durationMult},
               Field{"xp", &QuestBreakdown::xp},
               Field{"attendees", &QuestBreakdown::attendees},
               Field{"attendeesBonus", &QuestBreakdown::attendeesBonus},
               Field{"intensity", &QuestBreakdown::intensity},
               Field{"intensityMult", &QuestBreakdown::intensityMult},
               Field{"isNight", &QuestBreakdown::isNight},
               Field{"nightMult", &QuestBreakdown::nightMult},
               Field{"threatScore", &QuestBreakdown::threatScore},
               Field{"threat", &QuestBreakdown::threat}};
TALEWICK_JSON_CODING(QuestBreakdown, kQuestBreakdownFields)

namespace QuestEngine {
namespace {

// What forging derives from the occurrence before the texts: shared by the quest and its
// breakdown so that both always agree.
struct Numbers {
  const Archetype* archetype;
  int64_t durationMin;
  double durationMult;
  int64_t xp;
  TimeOfDay band;
  Classifier::ThreatParts threat;
};

Numbers numbers(const DayEvent& event, const Archetype& archetype, TimeOfDay band) {
  Numbers n{&archetype, durationMinutes(event), 0, 0, band, {}};
  n.durationMult = durationMult(n.durationMin);
  n.xp = static_cast<int64_t>(std::round(static_cast<double>(archetype.baseXp) * n.durationMult));
  n.threat = Classifier::threatParts(n.xp, event.attendees, band, event.intensity);
  return n;
}

// The dominant of love, wisdom and strength in the archetype's delta (ties to the earlier).
StatKey dominantStat(const StatDelta& delta) {
  StatKey best = StatKey::love;
  int64_t bestValue = 0;
  bool first = true;
  for (StatKey key : {StatKey::love, StatKey::wisdom, StatKey::strength}) {
    auto it = delta.find(key);
    const int64_t value = it == delta.end() ? 0 : it->second;
    if (first || value > bestValue) {
      best = key;
      bestValue = value;
      first = false;
    }
  }
  return best;
}

std::string intro(const Archetype& archetype, RPGMode mode, TimeOfDay band,
                  const std::optional<std::string>& biome, int64_t attendees, bool hot) {
  std::string base = Lore::intro(mode, archetype.id).value_or(archetype.intro);
  std::string extras;
  auto add = [&extras](std::string_view sentence) {
    if (sentence.empty()) return;
    if (!extras.empty()) extras += ' ';
    extras += sentence;
  };
  add(Lore::todFlavor(mode, band).value_or(todFlavor(band)));
  if (biome) add(Loc::format(Loc::string("quest.intro.biome", "Le décor : %@."), {*biome}));
  if (attendees >= 4) {
    add(Loc::string("quest.intro.crowd", "Une foule t'entoure : les regards pèsent."));
  } else if (attendees >= 1) {
    add(Loc::string("quest.intro.company", "Tu n'es pas seul à mener ce combat."));
  }
  if (hot) {
    add(Loc::string("quest.intro.intensity",
                    "Ton cœur s'emballe — l'épreuve te happe pour de vrai."));
  }
  return extras.empty() ? base : extras + " " + base;
}

}  // namespace

int64_t durationMinutes(const DayEvent& event) {
  if (event.allDay) return 60;
  const double minutes = (event.endDate - event.startDate) / 60.0;
  if (!std::isfinite(minutes) || minutes < 0) return 30;
  return static_cast<int64_t>(std::round(minutes));
}

double durationMult(int64_t durationMin) {
  return std::clamp(static_cast<double>(durationMin) / 120.0 + 0.8, 0.8, 1.6);
}

std::string dayKey(Date date) { return LocalCalendar::dayKey(date); }

std::string todFlavor(TimeOfDay band) {
  static constexpr std::array<std::string_view, 4> kFrench{
      "Aux premières lueurs, alors que le monde dort encore,", "",
      "Le jour décline, les ombres s'allongent —",
      "En pleine nuit, quand le courage se mesure à la fatigue,"};
  const std::string_view french = kFrench[static_cast<size_t>(band)];
  if (french.empty()) return {};
  return Loc::string("quest.tod." + std::string(rawValue(band)), french);
}

std::string heroicLabel(int64_t tier) {
  static constexpr std::array<std::string_view, 5> kFrench{
      "L'écraser d'un revers, avec panache", "Le terrasser à mains nues, en hurlant",
      "Lever ta lame et charger sans trembler", "Le regarder dans les yeux et ne pas ciller",
      "Le défier — pour la légende"};
  if (tier < 1 || tier > 5) {
    return Loc::string("quest.heroicLabel.fallback", "Charger sans trembler, lame au clair");
  }
  return Loc::string("quest.heroicLabel." + std::to_string(tier),
                     kFrench[static_cast<size_t>(tier - 1)]);
}

namespace {

// The seed every pick of a quest hashes: its folded title (the occurrence id when untitled) and
// its local day.
std::string seedOf(const std::string& folded, const std::string& title, const DayEvent& event,
                   const LocalCalendar::Fields& local) {
  std::string seed = title.empty() ? event.id : folded;
  seed += '|';
  seed += LocalCalendar::dayKey(local);
  return seed;
}

Quest outlineWith(const DayEvent& event, RPGMode mode, const std::string& title,
                  const Archetype& archetype, const std::string& seed,
                  const LocalCalendar::Fields& local, bool titleIsName) {
  const Numbers n = numbers(event, archetype, Classifier::timeOfDayForHour(local.hour));
  const Classifier::BiomeEntry* biome = Classifier::matchBiome(event.location);

  Quest q;
  q.id = "quest_" + event.id;
  q.name =
      titleIsName ? event.title : TitleComposer::composeQuestName(title, archetype, seed, mode);
  q.emoji = archetype.emoji;
  q.baseXp = n.xp;
  q.rarity = archetype.rarity;
  q.threat = Classifier::threatFor(n.threat.score, archetype.id, mode);
  if (biome) {
    q.biome = Classifier::biomeDisplayName(*biome, mode);
    q.biomeKey = biome->key;
  }
  q.timeOfDay = n.band;
  q.rawTitle = title;
  q.startDate = event.startDate;
  q.durationMin = n.durationMin;
  q.archetypeId = archetype.id;
  q.intensityHot = event.intensity && *event.intensity >= Classifier::intensityHotThreshold;
  q.needsResponse = event.needsResponse;
  q.linkedItem = TalewickEventMetadata::linkedItem(event.notes);
  return q;
}

void tellWith(Quest& q, const DayEvent& event, RPGMode mode, const Archetype& archetype,
              const std::string& seed) {
  q.intro = intro(archetype, mode, q.timeOfDay, q.biome, event.attendees, q.intensityHot);
  q.choices.clear();
  q.choices.reserve(archetype.choices.size() + 1);
  for (size_t i = 0; i < archetype.choices.size(); ++i) {
    const ArchetypeChoice& t = archetype.choices[i];
    q.choices.push_back(ChoiceOption{
        event.id + "_opt" + std::to_string(i), t.label,
        ChoiceConsequences::consequence(archetype.id, static_cast<int>(i), t.consequence, seed),
        t.statDelta, t.xpDelta, t.realQuest});
  }
  ChoiceOption heroic;
  heroic.id = event.id + "_optHero";
  heroic.label = Lore::heroicLabel(mode, q.threat.tier).value_or(heroicLabel(q.threat.tier));
  heroic.consequence = Lore::heroicConsequence(mode, seed, q.threat.emoji, q.threat.label);
  heroic.xpDelta = static_cast<int64_t>(std::round(0.5 * static_cast<double>(q.baseXp)));
  // Later writes replace earlier ones: with strength dominant, strength ends at +1.
  heroic.statDelta[dominantStat(archetype.statDelta)] = 3;
  heroic.statDelta[StatKey::strength] = 1;
  heroic.statDelta[StatKey::chaos] = 3;
  heroic.statDelta[StatKey::energy] = -2;
  q.choices.push_back(std::move(heroic));
}

// Forges the outline of `event`, and its story when `whole`.
Quest forge(const DayEvent& event, RPGMode mode, bool whole) {
  const auto display = TalewickEventMetadata::displayTitle(event.notes);
  const std::string& title = display ? display->realTitle : event.title;
  // The seed and the classifier both start from the folded title: fold it once.
  const std::string folded = TitleComposer::normalize(title);
  const Archetype& archetype = Classifier::classifyNormalized(Classifier::normalizeFolded(folded));
  const LocalCalendar::Fields local = LocalCalendar::fields(event.startDate);
  const std::string seed = seedOf(folded, title, event, local);
  Quest q = outlineWith(event, mode, title, archetype, seed, local,
                        display && display->eventTitleIsQuestName);
  if (whole) tellWith(q, event, mode, archetype, seed);
  return q;
}

}  // namespace

Quest eventToQuest(const DayEvent& event, RPGMode mode) { return forge(event, mode, true); }

Quest outline(const DayEvent& event, RPGMode mode) { return forge(event, mode, false); }

void tell(Quest& quest, const DayEvent& event, RPGMode mode) {
  const Archetype* archetype = Archetypes::byId(quest.archetypeId);
  tellWith(quest, event, mode, archetype ? *archetype : Archetypes::fallback(),
           seedOf(TitleComposer::normalize(quest.rawTitle), quest.rawTitle, event,
                  LocalCalendar::fields(event.startDate)));
}

QuestBreakdown breakdown(const DayEvent& event, RPGMode mode) {
  const Archetype& archetype = Classifier::classify(event.title);
  const Numbers n = numbers(event, archetype, Classifier::timeOfDay(event.startDate));
  QuestBreakdown b;
  b.archetypeId = archetype.id;
  b.archetypeLabel = Archetypes::label(archetype.id);
  b.archetypeBaseXp = archetype.baseXp;
  b.durationMin = n.durationMin;
  b.durationMult = n.durationMult;
  b.xp = n.xp;
  b.attendees = event.attendees;
  b.attendeesBonus = n.threat.attendeesBonus;
  b.intensity = event.intensity;
  b.intensityMult = n.threat.intensityMult;
  b.isNight = n.threat.isNight;
  b.nightMult = n.threat.nightMult;
  b.threatScore = n.threat.score;
  b.threat = Classifier::threatFor(n.threat.score, archetype.id, mode);
  return b;
}

InputSignature eventToQuestSignature(const DayEvent& e, RPGMode mode) {
  return InputSignature{e.id,       e.title,     e.notes,     e.startDate,     e.endDate, e.allDay,
                        e.location, e.attendees, e.intensity, e.needsResponse, mode};
}

size_t InputSignatureHash::operator()(const InputSignature& s) const {
  size_t h = std::hash<std::string>{}(s.id);
  auto mix = [&h](size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
  mix(std::hash<std::string>{}(s.title));
  mix(std::hash<double>{}(s.start.seconds));
  mix(std::hash<double>{}(s.end.seconds));
  mix(static_cast<size_t>(s.mode));
  return h;
}

std::string rerollTitle(std::string_view raw, std::string_view archetypeId, RPGMode mode,
                        int64_t variant) {
  const Archetype* found = Archetypes::byId(archetypeId);
  const Archetype& archetype = found ? *found : Archetypes::fallback();
  std::string seed = raw.empty() ? archetype.id : TitleComposer::normalize(raw);
  seed += "#reroll" + std::to_string(variant);
  return TitleComposer::composeQuestName(raw, archetype, seed, mode);
}

bool allDayCovers(Date day, Date start, Date end) {
  const Date dayStart = LocalCalendar::startOfDay(day);
  return LocalCalendar::startOfDay(start) <= dayStart &&
         dayStart <= LocalCalendar::startOfDay(end.adding(-1));
}

std::optional<Date> allDayEndDate(Date startDay, Date endDay) {
  const Date first = LocalCalendar::startOfDay(startDay);
  const Date last = LocalCalendar::startOfDay(endDay);
  if (last < first) return std::nullopt;
  return LocalCalendar::addingDays(last, 1);
}

}  // namespace QuestEngine
}  // namespace talewick
