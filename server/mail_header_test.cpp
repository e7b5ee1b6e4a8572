// Header values nobody's text can break, and that read back as written.
#include "server/mail_header.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "server/mime.hpp"

namespace talewick::server::mail {
namespace {

// The text of a header value written by headerText, decoding its encoded words.
std::string decoded(const std::string& value) {
  if (!value.starts_with("=?UTF-8?B?")) return value;
  std::string text;
  for (std::size_t at = value.find("=?UTF-8?B?"); at != std::string::npos;
       at = value.find("=?UTF-8?B?", at + 1)) {
    const std::size_t end = value.find("?=", at + 10);
    const std::string word = mime::decodeBase64(value.substr(at + 10, end - at - 10));
    // No encoded word may hold a piece of a UTF-8 sequence.
    EXPECT_FALSE(!word.empty() && (static_cast<unsigned char>(word.front()) & 0xC0) == 0x80)
        << value;
    text += word;
  }
  return text;
}

TEST(MailHeaders, keepLineBreaksOutAndTextIntact) {
  const std::string long_ = std::string(40, 'e') + "é😀 " + std::string(80, 'x');
  for (const std::string& text :
       {std::string("Déjeuner"), std::string("plain words"), std::string("a\r\nBcc: b@x.org"),
        std::string("Dupont, Marie"), std::string("=?UTF-8?B?Zm9v?="), long_}) {
    const std::string value = headerText(text);
    // Lines break only as folding (CR LF and a space), each at most 78 characters.
    std::size_t start = 0;
    for (std::size_t at = value.find("\r\n"); at != std::string::npos;
         at = value.find("\r\n", start)) {
      EXPECT_EQ(value[at + 2], ' ') << value;
      EXPECT_LE(at - start, 78u);
      start = at + 2;
    }
    EXPECT_EQ(std::count(value.begin(), value.end(), '\n'),
              std::count(value.begin(), value.end(), '\r'))
        << value;
    EXPECT_LE(value.size() - start, 78u);
    std::string expected = text;
    for (char& c : expected) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    EXPECT_EQ(decoded(value), expected) << value;
  }
  EXPECT_EQ(headerText("plain words"), "plain words");
  EXPECT_EQ(mailbox("", "a@x.org"), "a@x.org");
  EXPECT_EQ(mailbox("Ana", "a@x.org"), "Ana <a@x.org>");
}

TEST(MailHeaders, acceptOnlyPlainAddresses) {
  EXPECT_TRUE(isAddress("rsvp+Tok3n@mail.example.org"));
  for (const std::string& bad : std::vector<std::string>{
           "", "@x.org", "a@", "a", "a@b@c", "a b@x.org", "a@x.org\r\nBcc: c@d", "<a@x.org>",
           "\"a\"@x.org", "é@x.org", std::string(250, 'a') + "@x.org"}) {
    EXPECT_FALSE(isAddress(bad)) << bad;
  }
}

TEST(MailHeaders, dateIsTheHeadersForm) {
  EXPECT_EQ(headerDate(1'796'641'200), "Mon, 07 Dec 2026 11:00:00 +0000");
}

}  // namespace
}  // namespace talewick::server::mail
