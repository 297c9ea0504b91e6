#include "crawl/uri_reference.h"

#include <gtest/gtest.h>

namespace farrow::crawl {
namespace {

struct Resolution {
    const char* reference;
    const char* expected;
};

// Every example of RFC 3986 section 5.4, normal and abnormal, against its base.
constexpr Resolution kRfc3986Examples[] = {
    {"g:h", "g:h"},
    {"g", "http://a/b/c/g"},
    {"./g", "http://a/b/c/g"},
    {"g/", "http://a/b/c/g/"},
    {"/g", "http://a/g"},
    {"//g", "http://g"},
    {"?y", "http://a/b/c/d;p?y"},
    {"g?y", "http://a/b/c/g?y"},
    {"#s", "http://a/b/c/d;p?q#s"},
    {"g#s", "http://a/b/c/g#s"},
    {"g?y#s", "http://a/b/c/g?y#s"},
    {";x", "http://a/b/c/;x"},
    {"g;x", "http://a/b/c/g;x"},
    {"g;x?y#s", "http://a/b/c/g;x?y#s"},
    {"", "http://a/b/c/d;p?q"},
    {".", "http://a/b/c/"},
    {"./", "http://a/b/c/"},
    {"..", "http://a/b/"},
    {"../", "http://a/b/"},
    {"../g", "http://a/b/g"},
    {"../..", "http://a/"},
    {"../../", "http://a/"},
    {"../../g", "http://a/g"},
    // Abnormal examples.
    {"../../../g", "http://a/g"},
    {"../../../../g", "http://a/g"},
    {"/./g", "http://a/g"},
    {"/../g", "http://a/g"},
    {"g.", "http://a/b/c/g."},
    {".g", "http://a/b/c/.g"},
    {"g..", "http://a/b/c/g.."},
    {"..g", "http://a/b/c/..g"},
    {"./../g", "http://a/b/g"},
    {"./g/.", "http://a/b/c/g/"},
    {"g/./h", "http://a/b/c/g/h"},
    {"g/../h", "http://a/b/c/h"},
    {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
    {"g;x=1/../y", "http://a/b/c/y"},
    {"g?y/./x", "http://a/b/c/g?y/./x"},
    {"g?y/../x", "http://a/b/c/g?y/../x"},
    {"g#s/./x", "http://a/b/c/g#s/./x"},
    {"g#s/../x", "http://a/b/c/g#s/../x"},
    {"http:g", "http:g"},
};

TEST(ResolveReference, EveryExampleOfRfc3986) {
    for (const Resolution& r : kRfc3986Examples) {
        EXPECT_EQ(resolveReference("http://a/b/c/d;p?q", r.reference), r.expected)
            << "reference \"" << r.reference << "\"";
    }
}

TEST(ResolveReference, AgainstBasesWithoutPathOrWithEmptyParts) {
    EXPECT_EQ(resolveReference("http://a", "g"), "http://a/g");
    EXPECT_EQ(resolveReference("http://a?q", ""), "http://a?q");
    EXPECT_EQ(resolveReference("http://a/b?", "#f"), "http://a/b?#f");
    EXPECT_EQ(resolveReference("http://a/b/", "?"), "http://a/b/?");
}

TEST(RemoveDotSegments, TheRfcsWalkThrough) {
    EXPECT_EQ(removeDotSegments("/a/b/c/./../../g"), "/a/g");
    EXPECT_EQ(removeDotSegments("mid/content=5/../6"), "mid/6");
    EXPECT_EQ(removeDotSegments("/.."), "/");
}

TEST(NormalizedUrl, OneSpellingPerPage) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"HTTP://Example.COM", "http://example.com/"},
        {"http://example.com:80/a#top", "http://example.com/a"},
        {"https://example.com:443/a?b=1", "https://example.com/a?b=1"},
        {"http://127.0.0.1:8080/A/B", "http://127.0.0.1:8080/A/B"},
        {"http://user:pw@example.com/", "http://example.com/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(normalizedUrl(c.in), c.out) << c.in;
    }
}

TEST(WebAddress, OnlyHttpAndHttpsWithAHostAndAGoodPort) {
    for (const char* bad : {"ftp://a/b", "mailto:x@y", "http:g", "http://:80/", "http://a:0/",
                            "http://a:99999/", "http://a:8x/", "relative/path"}) {
        EXPECT_FALSE(webAddress(bad)) << bad;
    }
    const auto address = webAddress("https://[::1]:8443/x?y");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->host, "[::1]");
    EXPECT_EQ(address->port, 8443);
    EXPECT_EQ(address->target, "/x?y");
}

}  // namespace
}  // namespace farrow::crawl
