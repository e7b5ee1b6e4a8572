// Task lines of the notes folder: which lines are tasks, what their markers give, what a task
// earns, and the names that follow a task through edits of the lines around it.
#include "text/vault_tasks.hpp"

#include <gtest/gtest.h>

#include <set>

#include "support/json.hpp"
#include "text/vault_tasks_layout.hpp"

namespace talewick {

void PrintTo(const VaultTask& t, std::ostream* os) { *os << Json(t).dump(); }

namespace {

using VaultTasks::parse;

VaultTask openTask(std::string text) {
  VaultTask task;
  task.text = std::move(text);
  return task;
}

// The instant an ISO-8601 text with an offset names.
Date at(const char* text) {
  const auto parsed = iso8601::parse(text);
  EXPECT_TRUE(parsed && parsed->offsetSeconds) << text;
  return iso8601::instant(parsed->civil, parsed->offsetSeconds.value_or(0));
}

TEST(VaultTasksParse, OnlyCheckBoxLinesAreTasks) {
  const auto done = parse("* [X] fait");
  ASSERT_TRUE(done);
  EXPECT_TRUE(done->done);
  EXPECT_EQ(done->text, "fait");
  EXPECT_TRUE(parse("- [x] fait")->done);
  EXPECT_FALSE(parse("  + [ ] indenté")->done);
  EXPECT_FALSE(parse("\t- [/] commencé")->done);
  EXPECT_FALSE(parse("- [✓] coche d'une autre appli")->done);  // any other character is open
  EXPECT_EQ(parse("- [ ]")->text, "");
  EXPECT_EQ(parse("- [ ]collé")->text, "collé");

  for (const char* line : {"-[ ] x", "- [] x", "-  [ ] x", "1. [ ] x", "[ ] x", "- (x) x", "- [ x",
                           "- [xx] x", "Courses : - [ ] pain", "", "- ["}) {
    EXPECT_FALSE(parse(line)) << line;
  }
}

TEST(VaultTasksParse, MarkersGiveFieldsAndLeaveTheWords) {
  const auto task =
      parse("- [ ] Payer la cantine 📅 2026-03-10 🔁 every 2 weeks ⭐ 7 ➕ 2026-03-01 ✅ 2026-03-09  ");
  ASSERT_TRUE(task);
  EXPECT_EQ(*task, (VaultTask{"Payer la cantine", false, at("2026-03-10T00:00:00+01:00"),
                              at("2026-03-09T00:00:00+01:00"), "every 2 weeks", 7}));

  // The markers that give no field still end the value before them.
  const auto started =
      parse("- [ ] Appeler 📅 2026-04-10 ⏳ 2026-04-08 🛫 2026-04-07 ⏰ 9h ❌");
  EXPECT_EQ(started->due, at("2026-04-10T00:00:00+02:00"));
  EXPECT_EQ(started->text, "Appeler");

  // The emoji presentation selector belongs to its marker.
  EXPECT_EQ(parse("- [ ] Lire ⭐\uFE0F 3")->xp, 3);
  EXPECT_EQ(parse("- [ ] Lire 📅\uFE0F2026-03-10")->due, at("2026-03-10T00:00:00+01:00"));
}

TEST(VaultTasksParse, ValuesThatDoNotReadLeaveTheirFieldEmpty) {
  for (const char* line :
       {"- [ ] x 📅 2026-02-30", "- [ ] x 📅 demain", "- [ ] x 📅 2026-3-1", "- [ ] x ⭐ beaucoup",
        "- [ ] x ⭐ 99999999999999999999", "- [ ] x 🔁", "- [ ] x ✅ 2026-03-10T10:00"}) {
    const auto task = parse(line);
    ASSERT_TRUE(task) << line;
    EXPECT_EQ(*task, openTask("x")) << line;
  }
  // The first readable value of a marker is the one kept.
  EXPECT_EQ(parse("- [ ] x ⭐ deux ⭐ 2 ⭐ 5")->xp, 2);
}

TEST(VaultTasksParse, DatesAreDaysOfTheLocalCalendar) {
  // The clocks go forward that night: the day still starts at midnight, an hour earlier in UTC
  // than the next day does.
  EXPECT_EQ(parse("- [ ] x 📅 2026-03-29")->due, at("2026-03-29T00:00:00+01:00"));
  EXPECT_EQ(parse("- [ ] x 📅 2026-03-30")->due, at("2026-03-30T00:00:00+02:00"));
}

TEST(VaultTasksParse, HostileTextNeverBreaksTheRecord) {
  const std::string withNul = std::string("- [ ] a") + '\0' + "b 📅 2026-03-10";
  EXPECT_EQ(parse(withNul)->text, std::string("a\0b", 3));

  const auto broken = parse("- [ ] caf\xC3 \xFF\xFE 🔁 every \xE2\x82 week");
  ASSERT_TRUE(broken);
  EXPECT_EQ(broken->text, "caf\uFFFD \uFFFD\uFFFD");
  EXPECT_EQ(broken->recurrence, "every \uFFFD week");
  EXPECT_NO_THROW(Json(*broken).dump());
  EXPECT_TRUE(parse("- [\xFF] octet seul"));

  const std::string huge = "- [ ] " + std::string(1 << 20, 'a') + " ⭐ 4";
  EXPECT_EQ(parse(huge)->xp, 4);
  EXPECT_EQ(parse(huge)->text.size(), size_t{1} << 20);
  EXPECT_FALSE(parse(std::string(1 << 20, ' ')));
  EXPECT_EQ(parse("- [ ] " + std::string(100000, '\xF0'))->text.size(), 300000u);
}

TEST(VaultTasksFile, LinesKeepEveryLineAndNoEnding) {
  using V = std::vector<std::string_view>;
  EXPECT_EQ(VaultTasks::lines("a\r\nb\n\nc"), (V{"a", "b", "", "c"}));
  EXPECT_EQ(VaultTasks::lines("a\n"), (V{"a"}));
  EXPECT_EQ(VaultTasks::lines("a\r"), (V{"a"}));
  EXPECT_EQ(VaultTasks::lines("a\rb"), (V{"a\rb"}));
  EXPECT_EQ(VaultTasks::lines("\n"), (V{""}));
  EXPECT_EQ(VaultTasks::lines(""), V{});
  EXPECT_EQ(VaultTasks::lines("\xEF\xBB\xBF- [ ] x\n"), (V{"- [ ] x"}));
}

TEST(VaultTasksFile, TasksComeInOrderWithTheirLines) {
  const std::string file =
      "\xEF\xBB\xBF- [ ] Courses\r\n# Maison\r\n\r\n  - [x] Vaisselle ✅ 2026-03-01\r\n"
      "Texte - [ ] pas une tâche\r\n* [ ] Lessive ⭐ 3";
  const std::vector<VaultTasks::FileTask> tasks = VaultTasks::tasksOfFile(file, "maison.md");
  ASSERT_EQ(tasks.size(), 3u);
  EXPECT_EQ(tasks[0].task.text, "Courses");
  EXPECT_EQ(tasks[0].lineIndex, 0);
  VaultTask dishes = openTask("Vaisselle");
  dishes.done = true;
  dishes.completed = at("2026-03-01T00:00:00+01:00");
  EXPECT_EQ(tasks[1].task, dishes);
  EXPECT_EQ(tasks[1].lineIndex, 3);
  EXPECT_EQ(tasks[2].task.xp, 3);
  EXPECT_EQ(tasks[2].lineIndex, 5);

  std::vector<VaultTask> plain;
  for (const auto& t : tasks) plain.push_back(t.task);
  EXPECT_EQ(VaultTasks::parseFile(file), plain);
}

TEST(VaultTasksFile, NamesFollowATaskWhenOtherLinesMove) {
  const auto ids = [](std::string_view file, std::string_view rel = "maison.md") {
    std::vector<std::string> out;
    for (const auto& t : VaultTasks::tasksOfFile(file, rel)) out.push_back(t.id);
    return out;
  };
  const auto before = ids("- [ ] Pain\n- [ ] Lait\n- [ ] Pain\n");
  ASSERT_EQ(before.size(), 3u);
  EXPECT_EQ(before[0].size(), 22u);
  EXPECT_TRUE(before[0].starts_with("vault_"));
  EXPECT_EQ(std::set<std::string>(before.begin(), before.end()).size(), 3u);  // twins differ

  // Lines added above, another task moved, CRLF endings, new indentation: the same names.
  const auto after = ids("# Courses\r\n- [ ] Lait\r\n\r\n- [ ] Pain\r\n  - [ ] Pain   \r\n");
  EXPECT_EQ(after, (std::vector<std::string>{before[1], before[0], before[2]}));

  // An edited line, the same line in another file: new names.
  EXPECT_NE(ids("- [ ] Pain 📅 2026-03-10")[0], before[0]);
  EXPECT_NE(ids("- [ ] Pain", "ecole.md")[0], before[0]);
}

TEST(VaultTasks, RemainingTodayIsOpenAndDueByToday) {
  const Date today = at("2026-03-20T08:00:00+01:00");
  const Date midnight = at("2026-03-20T00:00:00+01:00");
  const auto due = [](const char* day) { return *parse(std::string("- [ ] x 📅 ") + day); };
  EXPECT_TRUE(VaultTasks::isRemainingToday(*parse("- [ ] sans date"), today));
  EXPECT_TRUE(VaultTasks::isRemainingToday(due("2026-03-20"), today));
  EXPECT_TRUE(VaultTasks::isRemainingToday(due("2026-03-20"), midnight));
  EXPECT_TRUE(VaultTasks::isRemainingToday(due("2026-01-02"), today));
  EXPECT_FALSE(VaultTasks::isRemainingToday(due("2026-03-21"), today));
  EXPECT_FALSE(VaultTasks::isRemainingToday(*parse("- [x] faite 📅 2026-03-01"), today));
}

TEST(VaultTasks, RewardFollowsTheStar) {
  const auto reward = [](const char* line) { return VaultTasks::reward(*parse(line)); };
  EXPECT_EQ(reward("- [ ] Lire ⭐ 1"), (SideQuests::Reward{1, 1}));
  EXPECT_EQ(reward("- [ ] Lire ⭐ 7"), (SideQuests::Reward{7, 3}));
  EXPECT_EQ(reward("- [ ] Lire ⭐ 2"), (SideQuests::Reward{2, 1}));
  EXPECT_EQ(reward("- [ ] Lire"), (SideQuests::Reward{15, 8}));
  EXPECT_EQ(reward("- [ ] Lire ⭐ 0"), (SideQuests::Reward{15, 8}));
  EXPECT_EQ(reward("- [ ] Lire ⭐ -4"), (SideQuests::Reward{15, 8}));
}

TEST(VaultTasks, JsonNamesTheFieldsAndLeavesAbsentOnesOut) {
  DateStyleScope seconds(DateStyle::referenceSeconds);
  const VaultTask task = *parse("- [ ] Lire 📅 2026-03-10 ⭐ 2");
  const Json j = task;
  EXPECT_EQ(j.dump(), R"({"text":"Lire","done":false,"due":794790000.0,"xp":2})");
  EXPECT_EQ(decodeJsonText<VaultTask>(j.dump()), task);
  EXPECT_THROW(decodeJsonText<VaultTask>(R"({"text":"Lire"})"), DecodeError);
}

TEST(VaultTasksLayout, RolesComeFromThePath) {
  using VaultTasks::FileRole;
  using VaultTasks::roleOf;
  EXPECT_EQ(roleOf("famille.md"), FileRole::familyProfiles);
  EXPECT_EQ(roleOf("./famille.md"), FileRole::familyProfiles);
  EXPECT_EQ(roleOf("archives/famille.md"), FileRole::notes);
  EXPECT_EQ(roleOf("talewick-completions.md"), FileRole::credits);
  EXPECT_EQ(roleOf("01 - Enfants/Léo/Tâches récurrentes.md"), FileRole::childRecurringTasks);
  // The same name as a Mac writes it: decomposed accents.
  EXPECT_EQ(roleOf("01 - Enfants/Le\u0301o/Ta\u0302ches re\u0301currentes.md"),
            FileRole::childRecurringTasks);
  EXPECT_EQ(roleOf("01 - Enfants/Tâches récurrentes.md"), FileRole::notes);
  EXPECT_EQ(roleOf("01 - Enfants/Léo/école.md"), FileRole::notes);
  EXPECT_EQ(roleOf("suivi/gami-lea.md"), FileRole::activity);
  EXPECT_EQ(roleOf("gami-lea.json"), FileRole::activity);
  EXPECT_EQ(roleOf("Courses.MD"), FileRole::notes);
  for (const char* ignored :
       {"photo.jpg", ".obsidian/notes.md", ".trash/gami-x.md", "", "/", "notes.md.bak", ".md"}) {
    EXPECT_EQ(roleOf(ignored), FileRole::ignored) << ignored;
  }

  EXPECT_EQ(VaultTasks::childOf("01 - Enfants/Léo/Tâches récurrentes.md"), "Léo");
  EXPECT_EQ(VaultTasks::childOf("01 - Enfants/Le\u0301o/sport/foot.md"), "Léo");
  EXPECT_EQ(VaultTasks::childOf("01 - Enfants/liste.md"), std::nullopt);
  EXPECT_EQ(VaultTasks::childOf("Enfants/Léo/x.md"), std::nullopt);
}

}  // namespace
}  // namespace talewick
