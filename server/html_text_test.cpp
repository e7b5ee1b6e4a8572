#include "server/html_text.hpp"

#include <gtest/gtest.h>

namespace talewick::server::html {
namespace {

TEST(HtmlEscaped, LeavesNoMarkupAndNoWayOutOfAnAttribute) {
  EXPECT_EQ(escaped(R"(<script>alert("x")</script>)"),
            "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;");
  EXPECT_EQ(escaped(R"(" onmouseover='x' a=")"), "&quot; onmouseover=&#39;x&#39; a=&quot;");
  // An entity typed as text stays text.
  EXPECT_EQ(escaped("&lt; &amp;"), "&amp;lt; &amp;amp;");
  EXPECT_EQ(escaped("Zoë — 日本"), "Zoë — 日本");
  EXPECT_EQ(escaped(""), "");
}

TEST(HtmlDocument, EscapesTheTitleAndKeepsTheBodyAsMade) {
  const std::string page = document("</title><script>x</script>", "p{}", "<p>ok</p>");
  EXPECT_NE(page.find("<title>&lt;/title&gt;&lt;script&gt;x&lt;/script&gt;</title>"),
            std::string::npos)
      << page;
  EXPECT_EQ(page.find("<script>"), std::string::npos) << page;
  EXPECT_NE(page.find("<style>p{}</style>"), std::string::npos);
  EXPECT_NE(page.find("<body>\n<p>ok</p></body>"), std::string::npos) << page;
}

}  // namespace
}  // namespace talewick::server::html
