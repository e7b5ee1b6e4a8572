// Reading mail as mail programs write it: folded headers, nested multiparts, forwarded messages,
// base64 and quoted-printable bodies, address lists.
#include "server/mime.hpp"

#include <gtest/gtest.h>

namespace talewick::server::mime {
namespace {

TEST(Mime, readsFoldedHeadersAndTheBodyWithEitherLineEnd) {
  for (const std::string end : {"\r\n", "\n"}) {
    const Part message = parse("To: Ana <ana@x.org>,\r\n\tBob <bob@y.org>" + end + "Subject: one" +
                               end + " two" + end + "X-Empty:" + end + end + "Hello" + end);
    EXPECT_EQ(message.header("TO"), "Ana <ana@x.org>,\tBob <bob@y.org>");
    EXPECT_EQ(message.header("subject"), "one two");
    EXPECT_EQ(message.header("x-empty"), "");
    EXPECT_EQ(message.header("cc"), std::nullopt);
    EXPECT_EQ(message.mediaType, "text/plain");
    EXPECT_EQ(message.body, "Hello" + end);
  }
}

TEST(Mime, walksNestedMultipartsAndForwardedMessages) {
  const std::string text =
      "Content-Type: multipart/mixed; boundary=\"outer; b\"\r\n\r\n"
      "preamble\r\n"
      "--outer; b\r\n"
      "Content-Type: multipart/alternative; boundary=inner\r\n\r\n"
      "--inner\r\n"
      "Content-Type: text/plain\r\n\r\n"
      "plain\r\n"
      "--inner\r\n"
      "Content-Type: TEXT/Calendar; Method=REPLY; charset=\"utf-8\"\r\n"
      "Content-Transfer-Encoding: quoted-printable\r\n\r\n"
      "BEGIN:VCALENDAR=0D=0A=\r\nMETHOD:REPLY caf=C3=A9 a=3Db\r\n"
      "--inner--\r\n"
      "--outer; b\r\n"
      "Content-Type: message/rfc822\r\n\r\n"
      "Subject: forwarded\r\n"
      "Content-Type: application/ics\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\n"
      "QkVHSU46VkNB\r\nTEVOREFS\r\n"
      "--outer; b--\r\n"
      "epilogue\r\n";
  const Part message = parse(text);
  EXPECT_EQ(message.mediaType, "multipart/mixed");
  EXPECT_EQ(message.parameters.at("boundary"), "outer; b");
  ASSERT_EQ(message.parts.size(), 2u);
  ASSERT_EQ(message.parts[0].parts.size(), 2u);
  EXPECT_EQ(message.parts[0].parts[0].body, "plain");
  const Part& calendar = message.parts[0].parts[1];
  EXPECT_EQ(calendar.mediaType, "text/calendar");
  EXPECT_EQ(calendar.parameters.at("method"), "REPLY");
  EXPECT_EQ(calendar.body, "BEGIN:VCALENDAR\r\nMETHOD:REPLY café a=b");
  ASSERT_EQ(message.parts[1].parts.size(), 1u);
  EXPECT_EQ(message.parts[1].parts[0].header("subject"), "forwarded");
  EXPECT_EQ(message.parts[1].parts[0].body, "BEGIN:VCALENDAR");

  const std::vector<const Part*> found = partsOfType(message, {"text/calendar", "application/ics"});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0], &calendar);
}

TEST(Mime, survivesDamagedAndHostileMessages) {
  // No closing boundary: the last part runs to the end.
  const Part open = parse("Content-Type: multipart/mixed; boundary=b\n\n--b\n\nfirst\n--b\n\nlast");
  ASSERT_EQ(open.parts.size(), 2u);
  EXPECT_EQ(open.parts[1].body, "last");
  // No blank line after the headers, a mailbox's "From " line first.
  const Part mbox = parse("From someone Mon Dec 7\nSubject: s\nnot a header\nbody");
  EXPECT_EQ(mbox.header("subject"), "s");
  EXPECT_EQ(mbox.body, "not a header\nbody");
  // Thousands of nested multiparts stop at a depth without exhausting the stack.
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "Content-Type: multipart/mixed; boundary=b\n\n--b\n";
  const Part nested = parse(deep);
  int depth = 0;
  for (const Part* part = &nested; !part->parts.empty(); part = &part->parts[0]) ++depth;
  EXPECT_LT(depth, 20);
  EXPECT_EQ(parse("").headers.size(), 0u);
}

TEST(Mime, decodesTransferEncodingsLeniently) {
  EXPECT_EQ(decodeBase64("Y2Fmw6k=\r\n"), "café");
  EXPECT_EQ(decodeBase64("Y2F\nmw6k"), "café");
  EXPECT_EQ(decodeQuotedPrintable("a=3D=C3=A9=\r\nb= \nc"), "a=ébc");
  EXPECT_EQ(decodeQuotedPrintable("100=% sure="), "100=% sure");
}

TEST(Mime, listsTheAddressesOfAnAddressHeader) {
  EXPECT_EQ(addresses("\"Dupont, Marie\" <RSVP+Tok3n@Mail.example.org>, bob@y.org (Bob, B.)"),
            (std::vector<std::string>{"RSVP+Tok3n@Mail.example.org", "bob@y.org"}));
  EXPECT_EQ(addresses("team: a@x.org, b@x.org;"), (std::vector<std::string>{"a@x.org", "b@x.org"}));
  EXPECT_EQ(addresses("undisclosed-recipients:;"), std::vector<std::string>{});
  EXPECT_EQ(addresses("<a@x.org>"), std::vector<std::string>{"a@x.org"});
}

}  // namespace
}  // namespace talewick::server::mime
