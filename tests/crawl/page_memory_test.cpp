#include "crawl/page_memory.h"

#include <gtest/gtest.h>

namespace farrow::crawl {
namespace {

TEST(PageFingerprint, MarkupIndentedAnewIsTheSameAndAnyOtherChangeIsNot) {
    const std::string page = "<html>\n  <body>\n    <p>One  two</p>\n  </body>\n</html>\n";
    struct Case {
        const char* body;
        bool same;
    } cases[] = {
        {"<html> <body> <p>One two</p> </body> </html>", true},
        {"\r\n<html>\t<body>\f<p>One\n\ntwo</p>\r\n</body>\v</html>", true},
        {"<html><body><p>One two</p></body></html>", false},
        {"<html>\n  <body>\n    <p>One  twO</p>\n  </body>\n</html>\n", false},
        {"<html>\n  <body>\n    <p>Onetwo</p>\n  </body>\n</html>\n", false},
    };
    const std::string fingerprint = pageFingerprint(page);
    EXPECT_EQ(fingerprint.size(), 64u);
    // The SHA-256 of the folded text, as sha256sum gives it.
    EXPECT_EQ(pageFingerprint(" a \n"),
              "ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb");
    for (const Case& c : cases) {
        EXPECT_EQ(pageFingerprint(c.body) == fingerprint, c.same) << c.body;
    }
    // Folded across the pieces the digest is fed in.
    const std::string longPage(100000, 'x');
    EXPECT_EQ(pageFingerprint(longPage), pageFingerprint("\n" + longPage + "  "));
    EXPECT_NE(pageFingerprint(longPage), pageFingerprint(longPage + "y"));
}

TEST(ConditionalHeaders, OnlyTheValidatorsKnownAndNoneCut) {
    PageReading known;
    EXPECT_TRUE(conditionalHeaders(known).empty());
    platform::WebResponse answer;
    answer.headers = {{"etag", "W/\"abc\""}, {"last-modified", std::string(300, 'x')}};
    takeValidators(answer, 256, known);
    EXPECT_EQ(conditionalHeaders(known), std::vector<std::string>{"If-None-Match: W/\"abc\""});
    // A 304 that repeats nothing keeps what was known.
    answer.headers = {{"last-modified", "Wed, 09 Dec 2026 07:30:00 GMT"}};
    takeValidators(answer, 256, known);
    EXPECT_EQ(conditionalHeaders(known),
              (std::vector<std::string>{"If-None-Match: W/\"abc\"",
                                        "If-Modified-Since: Wed, 09 Dec 2026 07:30:00 GMT"}));
}

}  // namespace
}  // namespace farrow::crawl
