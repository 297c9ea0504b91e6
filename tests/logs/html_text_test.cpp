#include "logs/html_text.h"

#include <gtest/gtest.h>

namespace farrow::logs {
namespace {

TEST(HtmlText, EscapesMarkupCharacters) {
    EXPECT_EQ(escapeHtml(R"(Tom & "Jerry" <b>'s</b>)"),
              "Tom &amp; &quot;Jerry&quot; &lt;b&gt;'s&lt;/b&gt;");
    EXPECT_EQ(escapeHtml("plain text+ok"), "plain text+ok");
    EXPECT_EQ(escapeHtml("&amp;"), "&amp;amp;");
}

TEST(HtmlText, LinkPathKeepsQueryAndFragmentCharactersInTheName) {
    EXPECT_EQ(linkPath("/w/ERRORS/host+p?id=3#x%y-01020304.HTM"),
              "/w/ERRORS/host+p%3Fid=3%23x%25y-01020304.HTM");
    EXPECT_EQ(linkPath("/w/ERRORS/a b&c.HTM"), "/w/ERRORS/a b&c.HTM");
}

}  // namespace
}  // namespace farrow::logs
