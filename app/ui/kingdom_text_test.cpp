// The kingdom's words: the day's verdict never reads lighter than the kingdom's own judgement.
#include "ui/kingdom_text.hpp"

#include <gtest/gtest.h>

namespace talewick::ui {
namespace {

TEST(KingdomText, TheDaysVerdictIsTheHeavierOfTheCalendarsAndTheKingdoms) {
  using Level = Capacity::Level;
  struct Case {
    LoadTier calendar;
    Level kingdom;
    LoadTier shown;
  };
  for (const Case& c : std::vector<Case>{
           {LoadTier::patrouille, Level::steady, LoadTier::patrouille},
           {LoadTier::patrouille, Level::loaded, LoadTier::remplie},
           {LoadTier::patrouille, Level::overloaded, LoadTier::siege},
           {LoadTier::remplie, Level::steady, LoadTier::remplie},
           {LoadTier::siege, Level::loaded, LoadTier::siege},
       }) {
    DayLoad load;
    load.tier = c.calendar;
    Capacity::Assessment assessment;
    assessment.level = c.kingdom;
    EXPECT_EQ(dayVerdict(load, assessment), DayLoadEngine::verdict(c.shown))
        << rawValue(c.calendar) << " / " << rawValue(c.kingdom);
  }
}

}  // namespace
}  // namespace talewick::ui
