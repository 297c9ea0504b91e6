#include "indexnow/url_source.h"

#include <gtest/gtest.h>

#include <sstream>

namespace farrow::indexnow {
namespace {

TEST(UrlList, KeepsUrlsAndNamesJunkLines) {
    const std::string longLine = "http://www.example.com/" + std::string(5000, 'x');
    std::istringstream in(
        "http://www.example.com/a\r\n"
        "\n"
        "   \n"
        "# a comment\n"
        "  https://www.example.com/b  \n"
        "not a url\n"
        "ftp://www.example.com/c\n"
        "http://\n"
        "/relative/path\n"
        "<script>alert(1)</script>\n" +
        longLine +
        "\n"
        "http://www.example.com/last-without-break");
    const UrlSourceResult r = readUrlList(in);
    EXPECT_TRUE(r.error.empty()) << r.error;
    std::vector<std::string> urls;
    for (const CandidateUrl& u : r.urls) {
        urls.push_back(u.url);
        EXPECT_EQ(u.origin, UrlOrigin::List);
    }
    EXPECT_EQ(urls,
              (std::vector<std::string>{"http://www.example.com/a", "https://www.example.com/b",
                                        "http://www.example.com/last-without-break"}));
    ASSERT_EQ(r.leftOut.size(), 6u);
    for (const LeftOutUrl& u : r.leftOut) {
        EXPECT_EQ(u.reason, "not-a-url") << u.url;
        EXPECT_LE(u.url.size(), 130u);
    }
    EXPECT_EQ(r.leftOut[0].url, "not a url");
    EXPECT_EQ(r.leftOut[5].url.substr(0, 23), "http://www.example.com/");
    EXPECT_TRUE(r.leftOut[5].url.ends_with("..."));
}

TEST(UrlList, BinaryAndEmptyInputGiveNoUrls) {
    std::istringstream empty("");
    EXPECT_TRUE(readUrlList(empty).urls.empty());
    std::istringstream binary(std::string("\0\x01\xff\xfe", 4) + "\n" + std::string(100000, '\0'));
    const UrlSourceResult r = readUrlList(binary);
    EXPECT_TRUE(r.urls.empty());
    EXPECT_EQ(r.leftOut.size(), 2u);
}

}  // namespace
}  // namespace farrow::indexnow
