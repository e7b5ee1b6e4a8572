// Side quests: rewards, reminder priorities, display order and JSON coding.
#include "game/side_quest.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talewick {
namespace {

SideQuest quest(const std::string& id, const std::string& title, std::optional<double> due) {
  SideQuest q;
  q.id = id;
  q.title = title;
  if (due) q.due = Date{*due};
  return q;
}

std::vector<std::string> ids(const std::vector<SideQuest>& quests) {
  std::vector<std::string> out;
  for (const auto& q : quests) out.push_back(q.id);
  return out;
}

TEST(SideQuests, RewardGrowsWithPriority) {
  EXPECT_EQ(SideQuests::reward(SideQuestPriority::basse), (SideQuests::Reward{15, 8}));
  EXPECT_EQ(SideQuests::reward(SideQuestPriority::moyenne), (SideQuests::Reward{22, 11}));
  EXPECT_EQ(SideQuests::reward(SideQuestPriority::haute), (SideQuests::Reward{30, 15}));
}

TEST(SideQuests, ReminderPriorityEdges) {
  using P = SideQuestPriority;
  EXPECT_EQ(SideQuests::priorityFromReminder(0), P::basse);  // no priority set
  EXPECT_EQ(SideQuests::priorityFromReminder(1), P::haute);
  EXPECT_EQ(SideQuests::priorityFromReminder(4), P::haute);
  EXPECT_EQ(SideQuests::priorityFromReminder(5), P::moyenne);
  EXPECT_EQ(SideQuests::priorityFromReminder(6), P::basse);
  EXPECT_EQ(SideQuests::priorityFromReminder(9), P::basse);
  // Numbers no reminder should carry still land somewhere harmless.
  EXPECT_EQ(SideQuests::priorityFromReminder(-1), P::basse);
  EXPECT_EQ(SideQuests::priorityFromReminder(10), P::basse);
}

TEST(SideQuests, SortPutsDueFirstEarliestFirst) {
  std::vector<SideQuest> quests{quest("sans-date", "Arroser les plantes", std::nullopt),
                                quest("tard", "Payer la cantine", 900),
                                quest("tot", "Zapper le réveil", 100)};
  SideQuests::sort(quests);
  EXPECT_EQ(ids(quests), (std::vector<std::string>{"tot", "tard", "sans-date"}));
}

TEST(SideQuests, SortBreaksTiesByTitleAndIsStable) {
  std::vector<SideQuest> quests{
      quest("z-sans", "Zèbre à nourrir", std::nullopt),
      quest("a-sans", "Appeler mamie", std::nullopt),
      quest("b2", "Banane", 500),
      quest("c", "Cerf-volant", 500),
      quest("b1", "Banane", 500),
      quest("a", "Acheter du pain", 500),
      quest("a-sans-bis", "Appeler mamie", std::nullopt),
  };
  SideQuests::sort(quests);
  // Same due: by title; same title: input order kept (b2 before b1, a-sans before a-sans-bis).
  EXPECT_EQ(ids(quests),
            (std::vector<std::string>{"a", "b2", "b1", "c", "a-sans", "a-sans-bis", "z-sans"}));

  // Enough equal keys for a sort that is not stable to shuffle them.
  std::vector<SideQuest> same;
  for (int i = 0; i < 40; ++i) same.push_back(quest(std::to_string(i), "Banane", 500));
  std::vector<SideQuest> sorted = same;
  SideQuests::sort(sorted);
  EXPECT_EQ(ids(sorted), ids(same));
}

TEST(SideQuests, JsonKeepsFieldOrderAndLeavesAbsentOptionalsOut) {
  SideQuest full;
  full.id = "rappel-1";
  full.title = "Réparer le vélo";
  full.start = Date{100};
  full.due = Date{200.5};
  full.dueHasTime = true;
  full.priority = SideQuestPriority::haute;
  full.location = "Garage";
  full.notes = "Rustine, pompe";
  full.url = "https://exemple.fr/velo";
  full.listTitle = "Maison";
  full.alarmCount = 2;
  full.recurrenceRuleCount = 1;
  full.createdAt = Date{10};
  full.modifiedAt = Date{20};

  const Json j = full;
  std::vector<std::string> keys;
  for (const auto& [key, value] : j.items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"id", "title", "start", "due", "dueHasTime", "priority",
                                            "location", "notes", "url", "listTitle", "alarmCount",
                                            "recurrenceRuleCount", "createdAt", "modifiedAt"}));
  EXPECT_EQ(j["priority"], "haute");
  EXPECT_EQ(decodeJsonText<SideQuest>(j.dump()), full);

  const SideQuest bare = quest("rappel-2", "Sortir le chien", std::nullopt);
  const Json b = bare;
  EXPECT_FALSE(b.contains("due"));
  EXPECT_FALSE(b.contains("url"));
  EXPECT_EQ(b["priority"], "basse");
  EXPECT_EQ(decodeJsonText<SideQuest>(b.dump()), bare);
}

TEST(SideQuests, JsonDecodingIsStrict) {
  Json j = quest("x", "Ranger la chambre", std::nullopt);
  j["priority"] = "urgente";
  EXPECT_THROW(decodeJsonText<SideQuest>(j.dump()), DecodeError);
  j["priority"] = "moyenne";
  j.erase("alarmCount");
  EXPECT_THROW(decodeJsonText<SideQuest>(j.dump()), DecodeError);
}

}  // namespace
}  // namespace talewick
