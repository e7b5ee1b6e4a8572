// Content lines: unfolding, folding, names and values, TEXT escapes, and the document model that
// writes back untouched lines byte for byte.
#include "platform/ics/lines.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/date.hpp"

namespace talewick::ics {
namespace {

// Whether `s` is whole UTF-8 sequences: none starts before it or runs past its end.
bool wholeSequences(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char lead = static_cast<unsigned char>(s[i]);
    const size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (n == 0 || i + n > s.size()) return false;
    i += n;
  }
  return true;
}

// Content lines of every length around the fold points, made of sequences of 1 to 4 bytes at
// every offset, and lines whose cut falls on a space.
std::vector<std::string> awkwardLines() {
  std::vector<std::string> lines;
  for (const std::string piece : {"a", "é", "€", "🦊", "é€🦊a"}) {
    for (size_t lead = 0; lead < 8; ++lead) {
      std::string line = "SUMMARY:" + std::string(lead, 'x');
      while (line.size() < 260) {
        line += piece;
        lines.push_back(line);
      }
    }
  }
  lines.push_back("DESCRIPTION:" + std::string(63, 'a') + " " + std::string(80, ' ') + "fin");
  lines.push_back(std::string(75, 'a'));
  lines.push_back("");
  return lines;
}

TEST(IcsFold, PhysicalLinesFit75OctetsWithoutCuttingACharacterAndUnfoldBack) {
  for (const std::string eol : {"\r\n", "\n"}) {
    for (const std::string& line : awkwardLines()) {
      SCOPED_TRACE(line);
      const std::string folded = fold(line, eol);
      ASSERT_TRUE(folded.ends_with(eol));
      size_t start = 0;
      for (size_t end; (end = folded.find(eol, start)) != std::string::npos;
           start = end + eol.size()) {
        std::string physical = folded.substr(start, end - start);
        EXPECT_LE(physical.size(), 75u);
        // Full lines: a cut moves back over at most the three bytes of an unfinished sequence.
        if (end + eol.size() < folded.size()) {
          EXPECT_GE(physical.size(), 72u);
        }
        if (start > 0) {
          ASSERT_TRUE(physical.starts_with(' '));
          physical.erase(0, 1);
        }
        EXPECT_TRUE(wholeSequences(physical)) << "at octet " << start;
      }
      const std::vector<Line> lines = unfold(folded, BlankLines::keep);
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_EQ(lines[0].text, line);
      EXPECT_EQ(lines[0].raw, folded);
    }
  }
}

TEST(IcsFold, SeventyFiveOctetsFitAndTheSeventySixthGoesOnAContinuation) {
  const std::string full(75, 'a');
  EXPECT_EQ(fold(full, "\r\n"), full + "\r\n");
  EXPECT_EQ(fold(full + "b", "\r\n"), full + "\r\n b\r\n");
  // A continuation holds 74 octets after its space.
  const std::string two = full + std::string(74, 'b') + "c";
  EXPECT_EQ(fold(two, "\n"), full + "\n " + std::string(74, 'b') + "\n c\n");
  // "é" straddling octets 75 and 76 moves whole to the next line.
  const std::string straddling = std::string(74, 'a') + "é";
  EXPECT_EQ(fold(straddling, "\r\n"), std::string(74, 'a') + "\r\n é\r\n");
}

TEST(IcsUnfold, ContinuationsJoinTheirLineAndRawBytesAreKept) {
  const std::string text =
      "DESCRIPTION:Deux\r\n  espaces\r\n\tet une tabulation\r\nUID:1\r\n\r\nX-FIN:oui";
  const std::vector<Line> kept = unfold(text, BlankLines::keep);
  ASSERT_EQ(kept.size(), 4u);
  // Only the first space or tab of a continuation is folding.
  EXPECT_EQ(kept[0].text, "DESCRIPTION:Deux espaceset une tabulation");
  EXPECT_EQ(kept[1].text, "UID:1");
  EXPECT_EQ(kept[2].text, "");
  EXPECT_EQ(kept[3].text, "X-FIN:oui");
  std::string joined;
  for (const Line& line : kept) joined += line.raw;
  EXPECT_EQ(joined, text);
}

TEST(IcsUnfold, SkippedBlankLinesVanishAndALineAfterThemContinuesTheOneBefore) {
  const std::string text = "SUMMARY:Goûter\n\n au parc\n \t \nUID:2\n";
  const std::vector<Line> skipped = unfold(text, BlankLines::skip);
  ASSERT_EQ(skipped.size(), 2u);
  EXPECT_EQ(skipped[0].text, "SUMMARY:Goûterau parc\t ");
  EXPECT_EQ(skipped[0].raw, "SUMMARY:Goûter\n au parc\n \t \n");
  EXPECT_EQ(skipped[1].raw, "UID:2\n");

  // Kept, the blank line is a line of its own, and the continuation joins it.
  const std::vector<Line> kept = unfold(text, BlankLines::keep);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_EQ(kept[1].text, "au parc\t ");
  EXPECT_EQ(kept[1].raw, "\n au parc\n \t \n");
}

TEST(IcsContentLine, AColonInsideQuotesIsPartOfAParameter) {
  const std::string line = "x-apple-travel;X-NOTE=\"rdv: 14h; gare\";X-ALT=b:AUTO:MATIC";
  EXPECT_EQ(nameOf(line), "X-APPLE-TRAVEL");
  EXPECT_EQ(valueOf(line), "AUTO:MATIC");
  EXPECT_EQ(valueOf("NO-COLON;X=\"a:b\""), "");

  const auto p = parseProp(line);
  ASSERT_TRUE(p);
  ASSERT_EQ(p->params.size(), 2u);
  EXPECT_EQ(p->paramValue("X-NOTE"), "rdv: 14h; gare");
  EXPECT_EQ(p->paramValue("X-ALT"), "b");
  // Put back together (name in upper case), the value that needs them gets its quotes again.
  EXPECT_EQ(p->line(), "X-APPLE-TRAVEL;X-NOTE=\"rdv: 14h; gare\";X-ALT=b:AUTO:MATIC");
}

TEST(IcsContentLine, ParameterListsAndCaretEscapesReadAndWriteBack) {
  const std::string line =
      "ATTENDEE;CN=^'Zoé^' l^^a ^nFée;DELEGATED-FROM=\"mailto:a@x.fr\",\"mailto:b@x.fr\";"
      "RSVP=TRUE:mailto:zoe@x.fr";
  const auto p = parseProp(line);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->paramValue("CN"), "\"Zoé\" l^a \nFée");
  ASSERT_TRUE(p->param("DELEGATED-FROM"));
  EXPECT_EQ(p->param("DELEGATED-FROM")->values,
            (std::vector<std::string>{"mailto:a@x.fr", "mailto:b@x.fr"}));
  EXPECT_EQ(p->line(), line);

  Prop edited = *p;
  edited.setParam("RSVP", "FALSE");
  edited.setParam("PARTSTAT", "ACCEPTED");
  edited.removeParam("DELEGATED-FROM");
  EXPECT_EQ(edited.line(),
            "ATTENDEE;CN=^'Zoé^' l^^a ^nFée;RSVP=FALSE;PARTSTAT=ACCEPTED:mailto:zoe@x.fr");

  EXPECT_FALSE(parseProp("SUMMARY;X-A=\"jamais fermé:valeur"));
  EXPECT_FALSE(parseProp("SUMMARY"));
  EXPECT_FALSE(parseProp("SUMMARY;LANGUAGE=fr"));
}

TEST(IcsText, EscapesRoundTripAndStampsAreToTheSecond) {
  const std::string plain =
      "Pique-nique; pain, fromage\\beurre\net \"vin\" — à l'ombre\ttranquille";
  const std::string escaped = escapeText(plain);
  EXPECT_EQ(escaped,
            "Pique-nique\\; pain\\, fromage\\\\beurre\\net \"vin\" — à l'ombre\ttranquille");
  EXPECT_EQ(unescapeText(escaped), plain);
  for (const std::string s : {"", "\\", ";;,,", "\\n littéral", "fin\\", "\n\n"}) {
    EXPECT_EQ(unescapeText(escapeText(s)), s) << s;
  }

  // CRLF and a lone CR are line breaks; other control bytes are left out.
  EXPECT_EQ(escapeText("a\r\nb\rc"), "a\\nb\\nc");
  EXPECT_EQ(escapeText(std::string("a\x01\x1F") + "b\x7F"), "ab\x7F");
  // Read back: \N is a line break too, and a lone backslash at the end stays.
  EXPECT_EQ(unescapeText("A\\NB\\:C\\"), "A\nB:C\\");

  const double at =
      static_cast<double>(daysFromCivil(2026, 12, 5) * 86400 + 8 * 3600 + 15 * 60 + 7);
  EXPECT_EQ(utcStamp(Date::fromUnix(at + 0.9)), "20261205T081507Z");
  EXPECT_EQ(utcStamp(Date::fromUnix(0)), "19700101T000000Z");
}

// An event with an alarm, a folded line, a lower-case name and a quoted colon, ended by `eol`.
std::string picnic(const std::string& eol) {
  std::string text =
      "BEGIN:VCALENDAR\nVERSION:2.0\nBEGIN:VEVENT\nuid:pique-nique\n"
      "SUMMARY;LANGUAGE=fr:Pique-nique au\n\t bord du lac\nX-HUMEUR;X-NOTE=\"a:b\":radieuse\n"
      "BEGIN:VALARM\nTRIGGER:-PT15M\nEND:VALARM\nEND:VEVENT\nEND:VCALENDAR\n";
  for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += eol.size()) {
    text.replace(at, 1, eol);
  }
  return text;
}

TEST(IcsDocument, UntouchedTextIsWrittenBackByteForByte) {
  for (const std::string eol : {"\r\n", "\n"}) {
    const std::string text = picnic(eol);
    const auto doc = parseDocument(text);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->eol, eol);
    EXPECT_EQ(serialize(*doc), text);

    ASSERT_EQ(doc->root.children.size(), 1u);
    const Component& calendar = doc->root.children.front();
    ASSERT_EQ(calendar.children.size(), 1u);
    const Component& event = calendar.children.front();
    EXPECT_EQ(event.name, "VEVENT");
    EXPECT_EQ(textValue(event, "UID"), "pique-nique");
    EXPECT_EQ(textValue(event, "SUMMARY"), "Pique-nique au bord du lac");
    ASSERT_EQ(event.children.size(), 1u);
    EXPECT_EQ(event.children.front().name, "VALARM");
  }
}

TEST(IcsDocument, LinesWrittenHereTakeTheLineEndOfTheFile) {
  const std::string title = "SUMMARY:" + std::string(80, 'o') + "h, un canard !";
  for (const std::string eol : {"\n", "\r\n"}) {
    SCOPED_TRACE(eol.size());
    std::string text = picnic(eol);
    text.resize(text.size() - eol.size());  // a last line without its end gets the file's
    auto doc = parseDocument(text);
    ASSERT_TRUE(doc);
    Component& event = doc->root.children.front().children.front();
    setProperty(event, "SUMMARY", title);
    insertAfter(event, {"UID"}, "DTSTAMP:20260102T083000Z");

    // Only the edited lines differ from what was read.
    std::string expected = picnic(eol);
    const std::string summary = "SUMMARY;LANGUAGE=fr:Pique-nique au" + eol + "\t bord du lac" + eol;
    expected.replace(expected.find(summary), summary.size(), fold(title, eol));
    const std::string uid = "uid:pique-nique" + eol;
    expected.insert(expected.find(uid) + uid.size(), "DTSTAMP:20260102T083000Z" + eol);
    EXPECT_EQ(serialize(*doc), expected);
  }
  EXPECT_EQ(lineEndOf("BEGIN:VCALENDAR\nVERSION:2.0\r\n"), "\n");
  EXPECT_EQ(lineEndOf("BEGIN:VCALENDAR\r\nVERSION:2.0\n"), "\r\n");
  EXPECT_EQ(lineEndOf("BEGIN:VCALENDAR"), "\r\n");
}

TEST(IcsDocument, BlankLinesAndAByteOrderMarkAreDroppedAndUnpairedComponentsRefused) {
  // A blank line before the first line continues nothing: it goes too.
  const auto doc = parseDocument(
      "\xEF\xBB\xBF"
      " \t\nBEGIN:VCALENDAR\n\nVERSION:2.0\n\nEND:VCALENDAR\n");
  ASSERT_TRUE(doc);
  EXPECT_EQ(serialize(*doc), "BEGIN:VCALENDAR\nVERSION:2.0\nEND:VCALENDAR\n");

  EXPECT_FALSE(parseDocument("BEGIN:VCALENDAR\nBEGIN:VEVENT\nEND:VCALENDAR\nEND:VEVENT\n"));
  EXPECT_FALSE(parseDocument("BEGIN:VCALENDAR\nBEGIN:VEVENT\nEND:VEVENT\n"));
  EXPECT_FALSE(parseDocument("BEGIN:VCALENDAR\nEND:VCALENDAR\nEND:VCALENDAR\n"));
  EXPECT_FALSE(parseDocument("BEGIN: \nEND:\n"));
  // Names of components are read without regard to case or surrounding blanks.
  EXPECT_TRUE(parseDocument("begin:vcalendar\nEND: VCALENDAR \n"));
}

TEST(IcsDocument, SetPropertyReplacesInPlaceDropsRepeatsAndLeavesEqualLinesAlone) {
  Component c = newComponent("VTODO");
  c.properties = {Line{"UID:1", "UID:1\r\n"}, Line{"STATUS:NEEDS-ACTION", "STATUS:NEEDS-ACTION\n"},
                  Line{"X-A:1", "X-A:1\n"}, Line{"status:IN-PROCESS", "status:IN-PROCESS\n"}};
  setProperty(c, "STATUS", "STATUS:COMPLETED");
  ASSERT_EQ(c.properties.size(), 3u);
  EXPECT_EQ(c.properties[1].text, "STATUS:COMPLETED");
  EXPECT_EQ(c.properties[1].raw, "");
  EXPECT_EQ(c.properties[2].text, "X-A:1");

  setProperty(c, "UID", "UID:1");
  EXPECT_EQ(c.properties[0].raw, "UID:1\r\n");  // unchanged: read bytes kept
  setProperty(c, "PRIORITY", "PRIORITY:5");
  EXPECT_EQ(c.properties.back().text, "PRIORITY:5");

  // insertAfter prefers the first name it finds, after its last line.
  insertAfter(c, {"RRULE", "X-A", "UID"}, "EXDATE:20260105");
  EXPECT_EQ(c.properties[3].text, "EXDATE:20260105");
  insertAfter(c, {"RRULE"}, "X-B:2");
  EXPECT_EQ(c.properties.back().text, "X-B:2");
  removeProperties(c, "X-A");
  EXPECT_FALSE(hasProperty(c, "X-A"));
  EXPECT_EQ(c.properties.size(), 5u);
}

}  // namespace
}  // namespace talewick::ics
