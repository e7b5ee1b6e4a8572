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

}  // namespace
}  // namespace talewick::server::html
