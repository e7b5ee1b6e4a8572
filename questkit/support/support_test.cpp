// Text folding, hashes, dates and the local calendar.
#include <gtest/gtest.h>

#include "support/date.hpp"
#include "support/hashes.hpp"
#include "support/loc.hpp"
#include "support/local_calendar.hpp"
#include "support/text.hpp"
#include "tests/support/test_environment.hpp"

namespace talewick {
namespace {

using testing::localDate;

TEST(Text, FoldRemovesAccentsAndCaseButKeepsPunctuation) {
  EXPECT_EQ(text::fold("Réunion d'Équipe !"), "reunion d'equipe !");
  EXPECT_EQ(text::fold("ÇA CRÈVE L'ÉCRAN"), "ca creve l'ecran");
  EXPECT_EQ(text::fold("Straße"), "straße");           // not a diacritic: kept
  EXPECT_EQ(text::fold("e\xCC\x81t\xC3\xA9"), "ete");  // combining and precomposed accents
}

TEST(Text, FoldTableAgreesWithFullNormalisation) {
  // Texts below U+0300 fold one code point at a time; a Greek letter sends the same text
  // through full normalisation. Both roads must give the same answer.
  for (char32_t cp = 0x80; cp < 0x300; ++cp) {
    std::string one;
    if (cp < 0x800) {
      one += static_cast<char>(0xC0 | (cp >> 6));
      one += static_cast<char>(0x80 | (cp & 0x3F));
    }
    EXPECT_EQ(text::fold(one) + "ω", text::fold(one + "Ω")) << static_cast<int>(cp);
  }
}

TEST(Text, PerceivedLengthCountsGraphemesNotBytes) {
  EXPECT_EQ(text::perceivedLength("abc"), 3);
  EXPECT_EQ(text::perceivedLength("été"), 3);
  EXPECT_EQ(text::perceivedLength("e\xCC\x81"), 1);
  EXPECT_EQ(text::perceivedLength("👨‍👩‍👧"), 1);  // one family, five code points
  EXPECT_EQ(text::perceivedLength("é\r\n"), 2);               // CR LF is one character
  EXPECT_EQ(text::utf16Length("a🎂"), 3);
}

TEST(Text, TrimAndCapitalize) {
  EXPECT_EQ(text::trim(" \n\t Léo \u00A0\n"), "Léo");
  EXPECT_EQ(text::trim("   "), "");
  EXPECT_EQ(text::capitalizeFirst("éléonore"), "Éléonore");
  EXPECT_EQ(text::capitalizeFirst(""), "");
}

TEST(Text, TerminalSafeDropsWhatWouldDriveTheTerminal) {
  struct Case {
    std::string input, oneLine, withLines;
  } cases[] = {
      {"Réunion 🎂", "Réunion 🎂", "Réunion 🎂"},
      {"\x1b[31mRouge\x1b[0m", "[31mRouge[0m", "[31mRouge[0m"},
      {"titre\x1b]0;pwned\x07", "titre]0;pwned", "titre]0;pwned"},
      {std::string("a\x7f\x08"
                   "b\0c",
                   6),
       "abc", "abc"},
      {"C1 \xc2\x9b"
       "31m ici",
       "C1 31m ici", "C1 31m ici"},
      {"ligne 1\r\nligne 2\rfin", "ligne 1 ligne 2 fin", "ligne 1\nligne 2\nfin"},
      {"col\tonne", "col onne", "col\tonne"},
      {"abc\u202Egnp.exe", "abcgnp.exe", "abcgnp.exe"},
      {"\u2066isolé\u2069 \u200Dok", "isolé \u200Dok", "isolé \u200Dok"},
      {"octet \xff perdu", "octet \uFFFD perdu", "octet \uFFFD perdu"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(text::terminalSafe(c.input), c.oneLine) << c.input;
    EXPECT_EQ(text::terminalSafe(c.input, true), c.withLines) << c.input;
  }
}

TEST(Hashes, Djb2MatchesReferenceValues) {
  EXPECT_EQ(hashes::djb2Low31(""), 5381);
  EXPECT_EQ(hashes::djb2Low31("a"), 177670);
  EXPECT_EQ(hashes::djb2Low31("réunion"), 1717272972);
  EXPECT_EQ(hashes::djb2Low31("deadline sprint|2026-12-05"), 1065096259);
}

TEST(Hashes, Fnv1aRunsOverUtf16Units) {
  EXPECT_EQ(hashes::fnv1aUtf16Abs(""), 2128831035);
  EXPECT_EQ(hashes::fnv1aUtf16Abs("a"), 468965076);
  EXPECT_EQ(hashes::fnv1aUtf16Abs("réunion"), 1893265123);
  EXPECT_EQ(hashes::fnv1aUtf16Abs("Léo 🎂"), 242636657);  // a surrogate pair
}

TEST(Iso8601, ParsesOffsetsAndRejectsNonsense) {
  auto p = iso8601::parse("2026-12-05T09:30:00+01:00");
  ASSERT_TRUE(p);
  EXPECT_EQ(*p->offsetSeconds, 3600);
  EXPECT_EQ(iso8601::instant(p->civil, 3600), Date::fromUnix(1796459400));
  EXPECT_EQ(iso8601::parse("2026-12-05T08:30Z")->offsetSeconds, 0);
  EXPECT_EQ(iso8601::parse("2026-12-05 08:30:15.250-0530")->civil.second, 15.25);
  EXPECT_FALSE(iso8601::parse("2026-12-05")->offsetSeconds);
  for (const char* bad : {"", "2026-13-01", "2026-02-30", "2026-12-05T25:00", "05/12/2026",
                          "2026-12-05T09:30:00+01:00 trailing", "2026-12-05T"}) {
    EXPECT_FALSE(iso8601::parse(bad)) << bad;
  }
  EXPECT_TRUE(iso8601::parse("2024-02-29"));
}

TEST(Iso8601, FormatRoundTrips) {
  const Date d = Date::fromUnix(1796459400);
  EXPECT_EQ(iso8601::format(d, 3600), "2026-12-05T09:30:00+01:00");
  EXPECT_EQ(iso8601::format(d, 0), "2026-12-05T08:30:00Z");
  EXPECT_EQ(iso8601::format(d.adding(0.5), -19800), "2026-12-05T03:00:00.500-05:30");
  EXPECT_EQ(iso8601::format(Date{0}, 0), "2001-01-01T00:00:00Z");
}

TEST(LocalCalendar, DayKeysAndHoursFollowTheLocalZone) {
  // Paris is UTC+1 in winter: 23:30 UTC is already the next local day.
  const Date lateUtc = Date::fromUnix(1796513400);  // 2026-12-05T23:30Z
  EXPECT_EQ(LocalCalendar::dayKey(lateUtc), "2026-12-06");
  EXPECT_EQ(LocalCalendar::hour(lateUtc), 0);
  EXPECT_EQ(LocalCalendar::utcOffsetSeconds(lateUtc), 3600);
  EXPECT_EQ(LocalCalendar::startOfDay(lateUtc), localDate(2026, 12, 6));
  // Another zone takes effect at once, remembered offsets included.
  LocalCalendar::setTimeZone("America/New_York");
  EXPECT_EQ(LocalCalendar::dayKey(lateUtc), "2026-12-05");
  EXPECT_EQ(LocalCalendar::hour(lateUtc), 18);
  LocalCalendar::setTimeZone("Europe/Paris");
  EXPECT_EQ(LocalCalendar::hour(lateUtc), 0);
}

TEST(LocalCalendar, FieldsAcrossDaylightSavingChanges) {
  auto at = [](double unix) { return LocalCalendar::fields(Date::fromUnix(unix)); };
  // Ask for the day after first, so a remembered offset could leak into the change day.
  EXPECT_EQ(at(1774836000).hour, 4);  // 2026-03-30T02:00Z is 04:00 summer time
  EXPECT_EQ(at(1774745999).hour, 1);  // 2026-03-29T00:59:59Z, 01:59:59 winter time
  EXPECT_EQ(at(1774746000).hour, 3);  // one second later the clocks jump to 03:00
  EXPECT_EQ(at(1792889999).hour, 2);  // 2026-10-25T00:59:59Z, 02:59:59 summer time
  EXPECT_EQ(at(1792890000).hour, 2);  // and back to 02:00 winter time
  EXPECT_EQ(at(1792890000).minute, 0);
  EXPECT_EQ(at(1792890000).weekday, 1);  // a Sunday
  EXPECT_EQ(LocalCalendar::utcOffsetSeconds(Date::fromUnix(1792890000)), 3600);
}

TEST(LocalCalendar, AddingDaysKeepsWallClockAcrossDaylightSaving) {
  const Date before = localDate(2026, 3, 28, 9, 0);  // the clocks go forward on the 29th
  const Date after = LocalCalendar::addingDays(before, 1);
  EXPECT_EQ(after - before, 23 * 3600.0);
  EXPECT_EQ(LocalCalendar::hour(after), 9);
  EXPECT_EQ(LocalCalendar::dayKey(LocalCalendar::addingDays(before, -28)), "2026-02-28");
}

TEST(Loc, FrenchDefaultAndEnglishTranslation) {
  Loc::setLanguage(Loc::Language::fr);
  EXPECT_EQ(Loc::string("rpgmode.comic.name", "Comique"), "Comique");
  Loc::setLanguage(Loc::Language::en);
  EXPECT_EQ(Loc::string("rpgmode.comic.name", "Comique"), "Comic");
  EXPECT_EQ(Loc::string("no.such.key", "Défaut"), "Défaut");
  Loc::setLanguage(Loc::Language::fr);
  EXPECT_EQ(Loc::format("%@ et %@ (%@)", {"a", "b"}), "a et b (%@)");
}

TEST(Loc, CountedAgreesTheNounInEachLanguage) {
  struct Case {
    Loc::Language language;
    int64_t n;
    std::string expected;
  } cases[] = {
      {Loc::Language::fr, 0, "0 événement"},  {Loc::Language::fr, 1, "1 événement"},
      {Loc::Language::fr, 2, "2 événements"}, {Loc::Language::en, 0, "0 events"},
      {Loc::Language::en, 1, "1 event"},      {Loc::Language::en, 12, "12 events"},
  };
  for (const Case& c : cases) {
    Loc::setLanguage(c.language);
    EXPECT_EQ(Loc::counted(c.n, "cli.kingdom.events", "%@ événement", "%@ événements"), c.expected)
        << c.n;
  }
  Loc::setLanguage(Loc::Language::fr);
}

}  // namespace
}  // namespace talewick
