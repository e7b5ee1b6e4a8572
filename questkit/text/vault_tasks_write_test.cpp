// Completing a task in its file: repeating tasks move to their next day, others are ticked, the
// rest of the file keeps every byte, and the credit line has its exact form.
#include "text/vault_tasks_write.hpp"

#include <gtest/gtest.h>

#include "support/json.hpp"

namespace talewick {
namespace {

using VaultTasksWrite::Change;
using VaultTasksWrite::CompletedLine;
using VaultTasksWrite::completeLine;
using VaultTasksWrite::nextOccurrence;
using VaultTasksWrite::Rewrite;
using Kind = Change::Kind;

Date at(const char* text) {
  const auto parsed = iso8601::parse(text);
  EXPECT_TRUE(parsed && parsed->offsetSeconds) << text;
  return iso8601::instant(parsed->civil, parsed->offsetSeconds.value_or(0));
}

VaultTask openTask(std::string text, std::optional<int64_t> xp = std::nullopt) {
  VaultTask task;
  task.text = std::move(text);
  task.xp = xp;
  return task;
}

const Date kToday = at("2026-03-20T10:00:00+01:00");
// Still the 20th in UTC, already the 21st in Paris.
const Date kLateToday = at("2026-03-20T23:30:00Z");

TEST(VaultTasksWriteNext, StepsUntilNotBeforeToday) {
  const std::vector<std::tuple<const char*, const char*, const char*>> cases{
      {"2026-03-10", "every week", "2026-03-24"},
      {"2026-03-25", "every day", "2026-03-26"},      // due ahead: one step
      {"2026-03-06", "every 2 weeks", "2026-03-20"},  // today itself is not before today
      {"2026-01-01", "every 3 days", "2026-03-20"},
      {"2026-03-20", "EVERY 1 MONTHS", "2026-04-20"},
      {"2025-03-20", "every 12 months", "2026-03-20"},
      {"2026-03-31", "every month", "2026-04-30"},
      // Each step starts from the last: clipped to February's 28th, the day stays the 28th.
      {"2026-01-31", "every month", "2026-03-28"},
      {"2023-12-28", "every  2\tdays", "2026-03-21"},
  };
  for (const auto& [due, rule, next] : cases) {
    EXPECT_EQ(nextOccurrence(due, rule, kToday), next) << due << " " << rule;
  }
  EXPECT_EQ(nextOccurrence("2026-03-06", "every 2 weeks", kLateToday), "2026-04-03");
}

TEST(VaultTasksWriteNext, RefusesWhatItCannotRead) {
  const std::vector<std::pair<const char*, const char*>> cases{
      {"2026-02-30", "every day"},
      {"10/03/2026", "every day"},
      {"2026-03-10", "every 0 days"},
      {"2026-03-10", "every week on monday"},
      {"2026-03-10", " every week"},
      {"2026-03-10", "weekly"},
      {"2026-03-10", "every 2days"},
      {"2026-03-10", "every 99999999999999999999 days"},
      {"2026-03-10", "every 9999999999 months"},
      {"9999-12-30", "every week"},
      {"9999-12-15", "every month"},
  };
  for (const auto& [due, rule] : cases) {
    EXPECT_EQ(nextOccurrence(due, rule, kToday), std::nullopt) << due << " " << rule;
  }
}

TEST(VaultTasksWriteLine, RepeatingTaskAdvancesAndStaysOpen) {
  EXPECT_EQ(completeLine("- [ ] Sortir les poubelles 🔁 every week 📅 2026-03-10", kToday),
            (CompletedLine{"- [ ] Sortir les poubelles 🔁 every week 📅 2026-03-24",
                           Change{Kind::advanced, "2026-03-24"}}));
  // Only the date changes (its spacing and the markers around it stay), and the box is open.
  EXPECT_EQ(completeLine("\t* [/] Arroser 📅2026-03-19 ⭐ 2 🔁 Every 2 days  ", kToday),
            (CompletedLine{"\t* [ ] Arroser 📅2026-03-21 ⭐ 2 🔁 Every 2 days  ",
                           Change{Kind::advanced, "2026-03-21"}}));
  // The rule is read from its first words.
  EXPECT_EQ(completeLine("- [ ] Loyer 🔁 every month on the 1st 📅 2026-03-01", kToday).change,
            (Change{Kind::advanced, "2026-04-01"}));
}

TEST(VaultTasksWriteLine, OtherTasksAreTickedWithTodaysStamp) {
  const std::vector<std::pair<const char*, const char*>> cases{
      {"- [ ] Lire ⭐ 1   ", "- [x] Lire ⭐ 1 ✅ 2026-03-20"},
      {"* [X] fait ✅ 2026-03-01 #maison\t", "* [X] fait #maison ✅ 2026-03-20"},
      {"- [ ] x ✅ 2026-03-01 ✅2026-03-02", "- [x] x ✅ 2026-03-20"},
      {"- [ ] x ✅ hier", "- [x] x ✅ hier ✅ 2026-03-20"},
      // Without a due day, with a rule that does not read, or one that gives no day: ticked.
      {"- [ ] Courses 🔁 every week", "- [x] Courses 🔁 every week ✅ 2026-03-20"},
      {"- [ ] Voir 🔁 when I can 📅 2026-03-10", "- [x] Voir 🔁 when I can 📅 2026-03-10 ✅ 2026-03-20"},
      {"- [ ] x 🔁 every 0 days 📅 2026-03-10", "- [x] x 🔁 every 0 days 📅 2026-03-10 ✅ 2026-03-20"},
  };
  for (const auto& [line, ticked] : cases) {
    EXPECT_EQ(completeLine(line, kToday), (CompletedLine{ticked, {Kind::checked, "2026-03-20"}}))
        << line;
  }
  EXPECT_EQ(completeLine("- [ ] Lire", kLateToday).line, "- [x] Lire ✅ 2026-03-21");
}

TEST(VaultTasksWriteFile, OneLineChangesAndEveryOtherByteStays) {
  const std::string binary("\0bin\xFF\xFE", 6);
  const std::string file =
      "\xEF\xBB\xBF# Semaine\r\n- [ ] Pain\r\n" + binary + "\r\n- [ ] Pain\n- [ ] Lait ⭐ 2";
  const VaultTask pain = openTask("Pain");

  const auto first = VaultTasksWrite::complete(file, pain, kToday);
  ASSERT_TRUE(first);
  EXPECT_EQ(*first, (Rewrite{"\xEF\xBB\xBF# Semaine\r\n- [x] Pain ✅ 2026-03-20\r\n" + binary +
                                 "\r\n- [ ] Pain\n- [ ] Lait ⭐ 2",
                             1,
                             {Kind::checked, "2026-03-20"}}));
  // The first twin is done now: the second is the one that matches.
  const auto second = VaultTasksWrite::complete(first->contents, pain, kToday);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->lineIndex, 3);
  EXPECT_EQ(second->contents, "\xEF\xBB\xBF# Semaine\r\n- [x] Pain ✅ 2026-03-20\r\n" + binary +
                                  "\r\n- [x] Pain ✅ 2026-03-20\n- [ ] Lait ⭐ 2");
  EXPECT_EQ(VaultTasksWrite::complete(second->contents, pain, kToday), std::nullopt);

  // The last line keeps having no line feed.
  const auto milk = VaultTasksWrite::complete(file, openTask("Lait", 2), kToday);
  ASSERT_TRUE(milk);
  EXPECT_EQ(milk->contents, file.substr(0, file.rfind('\n') + 1) + "- [x] Lait ⭐ 2 ✅ 2026-03-20");
  // A task that changed in the file since it was read is not found.
  EXPECT_EQ(VaultTasksWrite::complete(file, openTask("Lait", 3), kToday), std::nullopt);
}

TEST(VaultTasksWriteFile, CompletingAtALineChecksItStillReadsTheSame) {
  const std::string file = "- [ ] Pain\r\n# Notes\r\n- [ ] Pain\r\n";
  const auto rewrite = VaultTasksWrite::completeAt(file, 2, "- [ ] Pain", kToday);
  ASSERT_TRUE(rewrite);
  EXPECT_EQ(rewrite->contents, "- [ ] Pain\r\n# Notes\r\n- [x] Pain ✅ 2026-03-20\r\n");
  EXPECT_EQ(rewrite->lineIndex, 2);

  EXPECT_EQ(VaultTasksWrite::completeAt(file, 2, "- [ ] Lait", kToday), std::nullopt);
  EXPECT_EQ(VaultTasksWrite::completeAt(file, 2, "- [ ] Pain\r", kToday), std::nullopt);
  EXPECT_EQ(VaultTasksWrite::completeAt(file, 1, "# Notes", kToday), std::nullopt);
  EXPECT_EQ(VaultTasksWrite::completeAt(file, 3, "", kToday), std::nullopt);
  EXPECT_EQ(VaultTasksWrite::completeAt(file, -1, "- [ ] Pain", kToday), std::nullopt);
}

TEST(VaultTasksWrite, ResultsAsJson) {
  const Rewrite rewrite{"- [ ] x 📅 2026-03-24\n", 0, {Kind::advanced, "2026-03-24"}};
  EXPECT_EQ(Json(rewrite).dump(), R"({"contents":"- [ ] x 📅 2026-03-24\n","lineIndex":0,)"
                                  R"("change":{"kind":"advanced","to":"2026-03-24"}})");
  EXPECT_EQ(
      Json(CompletedLine{"- [x] x ✅ 2026-03-20", {Kind::checked, "2026-03-20"}}).dump(),
      R"({"line":"- [x] x ✅ 2026-03-20","change":{"kind":"checked","completedOn":"2026-03-20"}})");
}

TEST(VaultTasksWriteCredit, EntryAndFile) {
  using VaultTasksWrite::creditEntry;
  EXPECT_EQ(creditEntry(at("2026-03-20T10:15:00.250+01:00"), 7, "famille/courses.md", "Pain"),
            "- 2026-03-20T09:15:00.250Z | 7 | famille/courses.md | Pain");
  EXPECT_EQ(creditEntry(Date::fromUnix(-0.5), std::nullopt, "a\r\nb.md", "deux\nlignes"),
            "- 1969-12-31T23:59:59.500Z | - | a  b.md | deux lignes");

  const std::string entry = "- 2026-03-20T09:15:00.250Z | - | x.md | x";
  const std::string header = std::string(VaultTasksWrite::CREDIT_FILE_HEADER) + "\n";
  EXPECT_EQ(header,
            "<!-- Talewick → Hearthbook : complétions à créditer (XP/plantes). Consommé puis vidé "
            "par Hearthbook. Ne pas éditer. -->\n");
  EXPECT_EQ(VaultTasksWrite::withCredit(std::nullopt, entry), header + entry + "\n");
  EXPECT_EQ(VaultTasksWrite::withCredit(header + entry + "\n", "- b"), header + entry + "\n- b\n");
  EXPECT_EQ(VaultTasksWrite::withCredit("- a", "- b"), "- a\n- b\n");  // an edited file
  EXPECT_EQ(VaultTasksWrite::withCredit("", "- b"), "- b\n");          // emptied by the family app
}

}  // namespace
}  // namespace talewick
