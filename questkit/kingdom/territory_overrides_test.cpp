// Territory overrides: which pin applies to a quest, how pins are replaced and cleared, and their
// stored form.
#include "kingdom/territory_overrides.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talewick {
namespace {

using Scope = TerritoryOverride::Scope;

std::vector<std::string> pins(const TerritoryOverrides& o) {
  std::vector<std::string> out;
  for (const auto& pin : o.overrides) out.push_back(pin.id() + "=" + pin.realm);
  return out;
}

TEST(TerritoryOverrides, QuestPinWinsThenCalendarPinFirstMatchFirst) {
  TerritoryOverrides o;
  o.overrides = {{Scope::calendar("cal"), "family"},
                 {Scope::unknown("tag", "q1"), "personal"},
                 {Scope::quest("q1"), "tickets"},
                 {Scope::quest("q1"), "deadlines"},
                 {Scope::calendar("cal"), "personal"}};
  EXPECT_EQ(o.resolve("q1", "cal")->realm, "tickets");
  EXPECT_EQ(o.resolve("q2", "cal")->realm, "family");
  EXPECT_EQ(o.resolve("q2", std::nullopt), std::nullopt);
  EXPECT_EQ(o.resolve("cal", "q1"), std::nullopt);  // scopes never mix
  o.set("factions", Scope::quest("q1"));            // kept, but the heuristics decide
  EXPECT_EQ(o.forcedRealm("q1", "cal"), std::nullopt);
  EXPECT_EQ(o.forcedRealm("q2", "cal"), KingdomRealm::family);
}

TEST(TerritoryOverrides, SetMovesThePinToTheEndAndRemoveTellsWhatWent) {
  TerritoryOverrides o;
  o.set("family", Scope::quest("a"));
  o.set("tickets", Scope::calendar("a"));
  o.overrides.push_back({Scope::quest("a"), "personal"});  // a duplicate read from disk
  o.set("personal", Scope::quest("b"));
  o.set("deadlines", Scope::quest("a"));
  EXPECT_EQ(pins(o), (std::vector<std::string>{"calendar:a=tickets", "quest:b=personal",
                                               "quest:a=deadlines"}));
  EXPECT_FALSE(o.remove(Scope::quest("c")));
  EXPECT_TRUE(o.remove(Scope::calendar("a")));
  EXPECT_EQ(pins(o), (std::vector<std::string>{"quest:b=personal", "quest:a=deadlines"}));
}

TEST(TerritoryOverrides, ClearingAQuestPinnedThroughItsCalendarUnpinsTheCalendar) {
  TerritoryOverrides o;
  o.set("family", Scope::calendar("cal"));
  o.set("tickets", Scope::quest("q1"));
  EXPECT_FALSE(o.clearResolved("q9", std::nullopt));
  EXPECT_TRUE(o.clearResolved("q1", "cal"));  // the quest pin first…
  EXPECT_EQ(pins(o), (std::vector<std::string>{"calendar:cal=family"}));
  EXPECT_TRUE(o.clearResolved("q1", "cal"));  // …then the calendar pin it falls back to
  EXPECT_TRUE(o.overrides.empty());
}

TEST(TerritoryOverrides, JsonKeepsUnknownScopesAndIsStrict) {
  const std::string stored =
      R"({"overrides":[{"scope":{"kind":"quest","id":"q1"},"realm":"tickets"},)"
      R"({"scope":{"kind":"calendar","id":"cal"},"realm":"factions"},)"
      R"({"scope":{"kind":"label","id":"rouge"},"realm":"family"}]})";
  const auto o = decodeJsonText<TerritoryOverrides>(stored);
  EXPECT_EQ(o.overrides.at(0).scope, Scope::quest("q1"));
  EXPECT_EQ(o.overrides.at(1).scope, Scope::calendar("cal"));
  EXPECT_EQ(o.overrides.at(2).scope, Scope::unknown("label", "rouge"));
  EXPECT_EQ(Json(o).dump(), stored);
  EXPECT_THROW(decodeJsonText<TerritoryOverrides>(
                   R"({"overrides":[{"scope":{"kind":"quest"},"realm":"family"}]})"),
               DecodeError);
}

}  // namespace
}  // namespace talewick
