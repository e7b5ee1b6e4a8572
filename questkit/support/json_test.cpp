// Strict decoding and field-order encoding of records.
#include "support/json.hpp"

#include <gtest/gtest.h>

#include "game/day_event.hpp"
#include "game/hero.hpp"
#include "game/quest.hpp"
#include "game/stats.hpp"

namespace talewick {
namespace {

template <class T>
std::string decodeFailure(const std::string& text) {
  try {
    decodeJsonText<T>(text);
  } catch (const DecodeError& e) {
    return e.path() + " | " + e.reason();
  }
  return "decoded";
}

TEST(JsonCoding, ReportsWhereAndWhatFailed) {
  EXPECT_EQ(decodeFailure<Threat>(R"({"tier": 1, "label": "x"})"), "emoji | champ manquant");
  EXPECT_EQ(decodeFailure<Threat>(R"({"tier": "1", "label": "x", "emoji": "y"})"),
            "tier | entier attendu");
  EXPECT_EQ(decodeFailure<Threat>(R"({"tier": 1.5, "label": "x", "emoji": "y"})"),
            "tier | entier attendu");
  EXPECT_EQ(decodeFailure<std::vector<Threat>>(R"([{"tier":1,"label":"","emoji":""}, 3])"),
            "[1] | objet attendu");
  EXPECT_EQ(decodeFailure<Threat>(R"({"tier": 1,)"), " | JSON illisible à l'octet 12");
  EXPECT_EQ(decodeFailure<Threat>(R"([])"), " | objet attendu");
  EXPECT_EQ(decodeFailure<Threat>(R"({"tier": 18446744073709551615, "label":"", "emoji":""})"),
            "tier | entier attendu");
}

TEST(JsonCoding, NestedPathsJoinKeysAndIndices) {
  const std::string quest = R"({"id":"q","name":"n","emoji":"e","intro":"i","baseXp":1,
    "rarity":"rare","threat":{"tier":1,"label":"l","emoji":"e"},"timeOfDay":"jour",
    "rawTitle":"t","startDate":0,"durationMin":30,"archetypeId":"a","choices":[
    {"id":"o","label":"l","consequence":"c","statDelta":{"luck":1},"xpDelta":0}],
    "intensityHot":false,"needsResponse":false})";
  EXPECT_EQ(decodeFailure<Quest>(quest), "choices[0].statDelta.luck | valeur inconnue « luck »");
  std::string unknownRarity = quest;
  unknownRarity.replace(unknownRarity.find("\"rare\""), 6, "\"mythic\"");
  EXPECT_EQ(decodeFailure<Quest>(unknownRarity), "rarity | valeur inconnue « mythic »");
}

TEST(JsonCoding, StatDeltasUseStatNames) {
  EXPECT_TRUE(decodeJsonText<StatDelta>("{}").empty());
  const StatDelta d = decodeJsonText<StatDelta>(R"({"chaos": -1, "love": 2})");
  EXPECT_EQ(d, (StatDelta{{StatKey::love, 2}, {StatKey::chaos, -1}}));
  // Written in stat order, whatever the order read.
  EXPECT_EQ(json_coding::encode(d).dump(), R"({"love":2,"chaos":-1})");
}

TEST(JsonCoding, OptionalsMayBeNullOrAbsentAndAreLeftOutWhenEmpty) {
  const DayEvent e = decodeJsonText<DayEvent>(R"({"id":"1","title":"t","location":null,
    "startDate":"2026-12-05T09:00:00+01:00","endDate":"2026-12-05T10:00:00+01:00",
    "allDay":false,"attendees":0,"attendeeLabels":[],"attendeeEmails":[],
    "needsResponse":false})");
  EXPECT_FALSE(e.location);
  EXPECT_EQ(e.endDate - e.startDate, 3600.0);
  const Json encoded = json_coding::encode(e);
  EXPECT_FALSE(encoded.contains("location"));
  EXPECT_FALSE(encoded.contains("occurrenceAnchor"));
  EXPECT_EQ(encoded.begin().key(), "id");  // field order, not alphabetical
}

TEST(JsonCoding, DatesAreReferenceSecondsUnlessIsoIsAsked) {
  const Date d = Date::fromUnix(1796459400);
  EXPECT_EQ(json_coding::encode(d), Json(d.seconds));
  {
    DateStyleScope iso(DateStyle::iso8601);
    EXPECT_EQ(json_coding::encode(d), Json("2026-12-05T09:30:00+01:00"));
  }
  EXPECT_EQ(decodeJsonText<Date>("\"2026-12-05T09:30:00+01:00\""), d);
  EXPECT_EQ(decodeJsonText<Date>("\"2026-12-05T09:30\""), d);  // local time without offset
  EXPECT_TRUE(decodeFailure<Date>("\"demain\"").starts_with(" | date attendue"));
}

TEST(HeroCoding, RequiredAndOptionalFields) {
  Hero hero;
  hero.name = "Aria";
  Json j = json_coding::encode(hero);
  for (const char* absent : {"tally", "rivalry", "vocation", "tagline", "lastReplayDateISO"}) {
    EXPECT_FALSE(j.contains(absent)) << absent;
  }
  EXPECT_EQ(decodeJsonText<Hero>(j.dump()), hero);

  hero.tally = DeedTally{};
  hero.tally->archetypeCounts["sport"] = 3;
  hero.vocation = "barde";
  EXPECT_EQ(decodeJsonText<Hero>(json_coding::encode(hero).dump()), hero);

  for (const char* required : {"cosmeticsVersion", "archivedRecaps"}) {
    Json missing = j;
    missing.erase(required);
    EXPECT_EQ(decodeFailure<Hero>(missing.dump()), std::string(required) + " | champ manquant");
  }
}

TEST(Rarity, WeightsOrderTheCases) {
  EXPECT_LT(weight(Rarity::common), weight(Rarity::rare));
  EXPECT_LT(weight(Rarity::rare), weight(Rarity::epic));
  EXPECT_LT(weight(Rarity::epic), weight(Rarity::legendary));
  EXPECT_EQ(fromRaw<RPGMode>("fairyTale"), RPGMode::fairyTale);
  EXPECT_FALSE(fromRaw<RPGMode>("heroic"));
}

}  // namespace
}  // namespace talewick
