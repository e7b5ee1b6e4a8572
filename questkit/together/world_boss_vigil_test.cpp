// Vigil slots in UTC, the holding rule, the reward and the cries.
#include "together/world_boss_vigil.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/loc.hpp"

namespace talewick {
namespace {

namespace V = WorldBossVigil;

// An instant written with its offset.
Date at(std::string_view iso) {
  const auto parsed = iso8601::parse(iso);
  EXPECT_TRUE(parsed && parsed->offsetSeconds) << iso;
  return iso8601::instant(parsed->civil, *parsed->offsetSeconds);
}

TEST(WorldBossVigil, SlotsAreHalfHoursOfUtc) {
  EXPECT_EQ(V::slot(at("2026-12-04T09:30:00Z")), "2026-12-04T09:30Z");
  EXPECT_EQ(V::slot(at("2026-12-04T09:59:59Z")), "2026-12-04T09:30Z");
  EXPECT_EQ(V::slot(at("2026-12-04T09:59:59.999Z")), "2026-12-04T09:30Z");
  EXPECT_EQ(V::slot(at("2026-12-04T10:00:00Z")), "2026-12-04T10:00Z");
  EXPECT_EQ(V::nextSlot(at("2026-12-04T09:45:00Z")), "2026-12-04T10:00Z");
  EXPECT_EQ(V::slotStart(at("2026-12-04T09:44:10Z")), at("2026-12-04T09:30:00Z"));
  // The local clock plays no part: 10:40 in Paris is 09:40 UTC.
  EXPECT_EQ(V::slot(at("2026-12-04T10:40:00+01:00")), "2026-12-04T09:30Z");
  EXPECT_EQ(V::slot(at("2026-12-04T15:10:00+05:30")), "2026-12-04T09:30Z");
}

TEST(WorldBossVigil, SlotsCrossMidnightMonthsAndYears) {
  EXPECT_EQ(V::nextSlot(at("2026-12-31T23:45:00Z")), "2027-01-01T00:00Z");
  EXPECT_EQ(V::nextSlot(at("2028-02-28T23:31:00Z")), "2028-02-29T00:00Z");
  EXPECT_EQ(V::slot(at("2028-02-29T23:59:59Z")), "2028-02-29T23:30Z");
  // An evening in New York is already tomorrow's slot.
  EXPECT_EQ(V::slot(at("2026-12-04T19:15:00-05:00")), "2026-12-05T00:00Z");
  EXPECT_EQ(V::slot(at("1969-12-31T23:59:00Z")), "1969-12-31T23:30Z");
}

TEST(WorldBossVigil, DaylightSavingNeverBendsTheSlots) {
  // Paris falls back on 2026-10-25: 02:30 happens twice, an hour apart, in two slots.
  EXPECT_EQ(V::slot(at("2026-10-25T02:30:00+02:00")), "2026-10-25T00:30Z");
  EXPECT_EQ(V::slot(at("2026-10-25T02:30:00+01:00")), "2026-10-25T01:30Z");
  // Springing forward on 2026-03-29, local 01:59 and 03:00 are one minute apart.
  EXPECT_EQ(V::slot(at("2026-03-29T01:59:00+01:00")), "2026-03-29T00:30Z");
  EXPECT_EQ(V::nextSlot(at("2026-03-29T01:59:00+01:00")), V::slot(at("2026-03-29T03:00:00+02:00")));
}

TEST(WorldBossVigil, AnIdentifierReadsBackAsItsStart) {
  EXPECT_EQ(V::slotStart("2026-12-04T09:30Z"), at("2026-12-04T09:30:00Z"));
  EXPECT_EQ(V::slot(*V::slotStart("2027-01-01T00:00Z")), "2027-01-01T00:00Z");
  EXPECT_EQ(V::lobbyOpens("2026-12-04T10:00Z"), at("2026-12-04T09:50:00Z"));
  EXPECT_EQ(V::sessionEnd("2026-12-04T10:00Z"), at("2026-12-04T10:25:00Z"));
  EXPECT_EQ(V::slotClose("2026-12-04T23:30Z"), at("2026-12-05T00:00:00Z"));
  for (const char* bad :
       {"", "2026-12-04T09:30", "2026-12-04T09:30:00Z", "2026-12-04 09:30Z", "2026-02-30T09:30Z",
        "2026-12-04T24:00Z", "2026-12-04T09:60Z", "2026-13-04T09:30Z", "+026-12-04T09:30Z",
        "0000-12-04T09:30Z", "2026-12-04t09:30z"}) {
    EXPECT_EQ(V::slotStart(bad), std::nullopt) << bad;
    EXPECT_EQ(V::lobbyOpens(bad), std::nullopt) << bad;
    EXPECT_EQ(V::slotClose(bad), std::nullopt) << bad;
  }
}

TEST(WorldBossVigil, InstantsNoIdentifierCanSpellHaveNone) {
  EXPECT_EQ(V::slot(Date{std::numeric_limits<double>::quiet_NaN()}), "");
  EXPECT_EQ(V::slot(Date{std::numeric_limits<double>::infinity()}), "");
  EXPECT_EQ(V::slot(Date::fromUnix(1e15)), "");
  EXPECT_EQ(V::slot(Date::fromUnix(253402300799.0)), "9999-12-31T23:30Z");
  EXPECT_EQ(V::nextSlot(Date::fromUnix(253402300799.0)), "");
}

TEST(WorldBossVigil, TheCandleHoldsAtFourFifthsOfTheSession) {
  EXPECT_TRUE(V::holds(20, 25));
  EXPECT_FALSE(V::holds(19, 25));
  EXPECT_TRUE(V::holds(1, 0));  // a session of no minutes counts as one
  EXPECT_FALSE(V::holds(0, 0));
  EXPECT_FALSE(V::holds(-5, 1));
  EXPECT_TRUE(V::holds(INT64_MAX, INT64_MAX));
  EXPECT_FALSE(V::holds(INT64_MAX / 2, INT64_MAX));
}

TEST(WorldBossVigil, TheRewardGrowsWithTheRoomAndThePledgeUpToItsCap) {
  EXPECT_EQ(V::reward(true, 3, 5), 115);
  EXPECT_EQ(V::reward(true, 1, 1), 65);
  EXPECT_EQ(V::reward(false, 3, 3), 0);
  EXPECT_EQ(V::reward(true, 0, 0), 40);
  EXPECT_EQ(V::reward(true, -2, -1), 40);
  EXPECT_EQ(V::reward(true, 2, 3), 100);
  EXPECT_EQ(V::reward(true, 5, 0), 115);
  EXPECT_EQ(V::reward(true, INT64_MAX, INT64_MAX), 115);
  EXPECT_EQ(V::reward(true, 3), 85);
  EXPECT_EQ(V::reward(true, 9), 115);
  EXPECT_EQ(V::reward(false, 9), 0);
  EXPECT_EQ(V::receiptID("2026-12-04T09:30Z", 2), "worldboss:vigil:2026-12-04T09:30Z:2");
}

TEST(WorldBossVigil, CriesAreFoundByKeyAndSpeakTheUsersLanguage) {
  ASSERT_TRUE(V::cry("presque"));
  EXPECT_EQ(V::cry("presque")->emoji, "⏳");
  EXPECT_EQ(V::cry("Presque"), std::nullopt);
  EXPECT_EQ(V::cry(""), std::nullopt);
  EXPECT_EQ(V::localizedMessage(*V::cry("on-lache-rien")), "On ne lâche rien !");
  Loc::setLanguage(Loc::Language::en);
  EXPECT_EQ(V::localizedMessage(*V::cry("on-lache-rien")), "We never yield!");
  Loc::setLanguage(Loc::Language::fr);
}

}  // namespace
}  // namespace talewick
