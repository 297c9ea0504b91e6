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

TEST(ResolveReference, TheRfcsWalkThroughOfDotSegments) {
    EXPECT_EQ(resolveReference("http://a/", "/a/b/c/./../../g"), "http://a/a/g");
    EXPECT_EQ(resolveReference("http://a/", "mid/content=5/../6"), "http://a/mid/6");
    EXPECT_EQ(resolveReference("http://a/b/", "/.."), "http://a/");
}

TEST(WebUrl, AsABrowserReadsAnHrefAndInTheCharactersRfc3986Allows) {
    const struct {
        const char* href;
        const char* url;
    } cases[] = {
        {"dir\\bs.html", "http://h/a/dir/bs.html"},
        {"\\\\other\\x", "http://other/x"},
        {"a|b[1]{2}.html", "http://h/a/a%7Cb%5B1%5D%7B2%7D.html"},
        {"100%.html", "http://h/a/100%25.html"},
        {"caf\xc3\xa9 au lait.html", "http://h/a/caf%C3%A9%20au%20lait.html"},
        {"q?a=\"<b>\"&c=\\#x#y", "http://h/a/q?a=%22%3Cb%3E%22&c=%5C"},
        {"%2e%2E/x/%2e/y", "http://h/x/y"},
        {" \t/x\ny\r\n ", "http://h/xy"},
        {"HTTP://H:80/%7euser/./a/../b%2f", "http://h/~user/b%2F"},
        {"//other:8080", "http://other:8080/"},
        {"https://h:443?q", "https://h/?q"},
        {"e.html#top", "http://h/a/e.html"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(webUrl("http://h/a/b.html", c.href).value_or("(none)"), c.url) << c.href;
    }
    for (const char* other :
         {"mailto:x@y", "javascript:void(0)", "ftp://h/", "data:,x", "http://", "http://[::1"}) {
        EXPECT_FALSE(webUrl("http://h/a/b.html", other)) << other;
    }
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
        {"https://example.com/caf\xc3\xa9#x", "https://example.com/caf%C3%A9"},
        {"file:///usr/share/doc/x.html#y", "file:///usr/share/doc/x.html"},
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
