// The metadata block in event notes, linked items and title modes.
#include "text/event_metadata.hpp"

#include <gtest/gtest.h>

#include "tests/support/test_environment.hpp"
#include "text/calendar_linked_item.hpp"
#include "text/quest_display_title.hpp"

namespace talewick {
namespace {

namespace Meta = TalewickEventMetadata;

TEST(EventMetadata, BlocksAreWrittenLineByLineBetweenTheirMarkers) {
  EXPECT_EQ(Meta::linearTimeBlock("b1", "i1", "ENG-1", std::nullopt, std::nullopt, false),
            "<!-- TALEWICK-METADATA\nkind=linear_time_block\nblock_id=b1\nlinear_issue_id=i1\n"
            "linear_identifier=ENG-1\nTALEWICK-METADATA-END -->");
  EXPECT_EQ(Meta::externalTimeBlock("notion", "n1", "Plan", "https://n", true),
            "<!-- TALEWICK-METADATA\nkind=external_time_block\nprovider=notion\nitem_id=n1\n"
            "source_title=Plan\nevent_title_role=quest_name\nurl=https://n\n"
            "TALEWICK-METADATA-END -->");
}

TEST(EventMetadata, ValuesWithLineFeedsAndBackslashesRoundTrip) {
  const std::string title = "a\\nb\nc\\\\";
  const std::string notes = "Avant\n" + Meta::todoistTimeBlock("b", "t", title, "u", false);
  const auto todoist = Meta::todoistTimeBlock(notes);
  ASSERT_TRUE(todoist);
  EXPECT_EQ(todoist->title, title);
  EXPECT_EQ(todoist->url, "u");
  EXPECT_EQ(Meta::displayTitle(notes)->realTitle, title);
  EXPECT_FALSE(Meta::displayTitle(notes)->eventTitleIsQuestName);
  EXPECT_EQ(Meta::unescape("x\\"), "x\\");  // a trailing backslash is kept
  EXPECT_EQ(Meta::unescape("\\t\\n"), "t\n");
}

TEST(EventMetadata, ReadersNeedCompleteBlocksOfTheirKind) {
  const std::string linear =
      Meta::linearTimeBlock("b1", "i1", "ENG-1", "https://l", std::nullopt, false);
  EXPECT_FALSE(Meta::todoistTimeBlock(linear));
  EXPECT_FALSE(Meta::displayTitle(linear));  // written without a title
  EXPECT_EQ(Meta::linkedItem(linear),
            (CalendarLinkedItem{LinearIssueLink{"b1", "i1", "ENG-1", "https://l"}}));
  EXPECT_FALSE(Meta::linkedItem(std::nullopt));
  EXPECT_FALSE(Meta::linkedItem(std::string(Meta::beginMarker) + "\nkind=linear_time_block\n"));
  EXPECT_FALSE(Meta::linearTimeBlock(std::string(Meta::beginMarker) +
                                     "\nkind=linear_time_block\nblock_id=b\n" +
                                     std::string(Meta::endMarker)));
  // Later keys replace earlier ones; lines without "=" are ignored; lines are trimmed.
  const auto fields =
      Meta::metadataFields(std::string(Meta::beginMarker) +
                           "\n  kind=x  \nnoise\nkind=y\n\nk=a=b\n" + std::string(Meta::endMarker));
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->at("kind"), "y");
  EXPECT_EQ(fields->at("k"), "a=b");
  EXPECT_EQ(fields->count("noise"), 0u);
}

TEST(EventMetadata, RemovingBlocks) {
  const std::string block = Meta::externalTimeBlock("p", "1", "T", std::nullopt, false);
  EXPECT_EQ(
      Meta::removingMetadataBlocks("Intro\n\n" + block + "\n\n\nMilieu\n" + block + "\n\nFin\n"),
      "Intro\n\nMilieu\n\nFin");
  const std::string unfinished = "  Notes\n\n\n\n" + std::string(Meta::beginMarker) + "\nx=1 ";
  EXPECT_EQ(Meta::removingMetadataBlocks(unfinished),
            "Notes\n\n" + std::string(Meta::beginMarker) + "\nx=1");
  EXPECT_FALSE(Meta::metadataFields(unfinished));
}

TEST(CalendarLinkedItem, JsonHasExactlyOneKey) {
  const CalendarLinkedItem todo{TodoistTaskLink{"b", "t", "Titre", std::nullopt}};
  const Json j = json_coding::encode(todo);
  EXPECT_EQ(j.dump(), R"({"todoistTask":{"blockID":"b","taskID":"t","title":"Titre"}})");
  EXPECT_EQ(decodeJsonText<CalendarLinkedItem>(j.dump()), todo);
  for (const char* bad : {"{}", R"({"linearIssue":{},"todoistTask":{}})", R"({"other":{}})",
                          R"({"linearIssue":{"blockID":"b","issueID":"i"}})", "[]"}) {
    EXPECT_THROW(decodeJsonText<CalendarLinkedItem>(bad), DecodeError) << bad;
  }
}

TEST(TitleModes, RawValuesAndLines) {
  EXPECT_EQ(calendarTitleModeOrEpic(std::nullopt), CalendarTitleMode::epic);
  EXPECT_EQ(calendarTitleModeOrEpic("weird"), CalendarTitleMode::epic);
  EXPECT_EQ(calendarTitleModeOrEpic("both"), CalendarTitleMode::both);
  EXPECT_TRUE(showsRealName(CalendarTitleMode::both));
  EXPECT_FALSE(showsQuestName(CalendarTitleMode::real));
  const QuestDisplayTitle t{"Donjon Orion", "Point Orion"};
  EXPECT_EQ(t.primaryLine(CalendarTitleMode::epic), "Donjon Orion");
  EXPECT_EQ(t.primaryLine(CalendarTitleMode::both), "Point Orion");
  EXPECT_EQ(t.subtitleLine(CalendarTitleMode::both), "Donjon Orion");
  EXPECT_EQ(t.subtitleLine(CalendarTitleMode::real), std::nullopt);
}

TEST(QuestDisplayTitles, TrimsAndNamesDrafts) {
  const Date start = testing::localDate(2026, 12, 5, 10, 0);
  const QuestDisplayTitle t =
      QuestDisplayTitles::make("draft", "  Point Orion \n", start, 0, std::nullopt, {});
  EXPECT_EQ(t.realName, "Point Orion");
  EXPECT_NE(t.questName.find("Orion"), std::string::npos);
  EXPECT_EQ(QuestDisplayTitles::make("draft", " \n", start, 30, std::nullopt, {}).realName,
            "Sans titre");
}

}  // namespace
}  // namespace talewick
