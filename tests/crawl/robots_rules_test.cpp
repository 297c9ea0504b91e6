#include "crawl/robots_rules.h"

#include <gtest/gtest.h>

#include "base/timing.h"

namespace farrow::crawl {
namespace {

// The example file of RFC 9309 section 5.1.
constexpr const char* kSimpleExample =
    "User-Agent: *\n"
    "Disallow: *.gif$\n"
    "Disallow: /example/\n"
    "Allow: /publications/\n"
    "\n"
    "User-Agent: foobot\n"
    "Disallow:/\n"
    "Allow:/example/page.html\n"
    "Allow:/example/allowed.gif\n"
    "\n"
    "User-Agent: barbot\n"
    "User-Agent: bazbot\n"
    "Disallow: /example/page.html\n"
    "\n"
    "User-Agent: quxbot\n"
    "\n"
    "EOF\n";

// The longest-match example of RFC 9309 section 5.2.
constexpr const char* kLongestMatchExample =
    "User-Agent: foobot\n"
    "Allow: /example/page/\n"
    "Disallow: /example/page/disallowed.gif\n";

struct Verdict {
    const char* file;
    const char* agent;
    const char* target;
    bool allowed;
};

const Verdict kVerdicts[] = {
    // foobot: only its two allowed paths.
    {kSimpleExample, "foobot", "/example/page.html", true},
    {kSimpleExample, "foobot", "/example/allowed.gif", true},
    {kSimpleExample, "foobot", "/", false},
    {kSimpleExample, "foobot", "/publications/x.html", false},
    // barbot and bazbot share one group.
    {kSimpleExample, "barbot", "/example/page.html", false},
    {kSimpleExample, "bazbot", "/example/page.html", false},
    {kSimpleExample, "bazbot", "/example/other.html", true},
    {kSimpleExample, "barbot", "/pic.gif", true},
    // quxbot's group is empty: everything allowed, none of the "*" rules.
    {kSimpleExample, "quxbot", "/example/page.html", true},
    {kSimpleExample, "quxbot", "/pic.gif", true},
    // Any other crawler takes the "*" group.
    {kSimpleExample, "otherbot", "/pic.gif", false},
    {kSimpleExample, "otherbot", "/pic.gif?size=2", true},
    {kSimpleExample, "otherbot", "/example/", false},
    {kSimpleExample, "otherbot", "/publications/a.html", true},
    {kSimpleExample, "otherbot", "/publications/a.gif", true},
    {kSimpleExample, "otherbot", "/elsewhere", true},
    // Product tokens compare without regard to case; /robots.txt is always allowed.
    {kSimpleExample, "FOOBOT", "/example/page.html", true},
    {kSimpleExample, "foobot", "/robots.txt", true},
    {kLongestMatchExample, "foobot", "/example/page/", true},
    {kLongestMatchExample, "foobot", "/example/page/disallowed.gif", false},
    {kLongestMatchExample, "foobot", "/example/page/other.gif", true},
    {kLongestMatchExample, "otherbot", "/example/page/disallowed.gif", true},
    // "$" ends the pattern, "*" spans anything; Allow wins a tie of equal length.
    {"User-agent: *\nAllow: /this/path/exactly$\nDisallow: /this/", "x", "/this/path/exactly",
     true},
    {"User-agent: *\nAllow: /this/path/exactly$\nDisallow: /this/", "x", "/this/path/exactly/no",
     false},
    {"User-agent: *\nDisallow: /this/*/exactly", "x", "/this/a/b/exactly/x", false},
    {"User-agent: *\nDisallow: /this/*/exactly", "x", "/this/exactly", true},
    {"User-agent: *\nDisallow: /a\nAllow: /a", "x", "/a", true},
    {"User-agent: *\nAllow: /a\nDisallow: /a", "x", "/a", true},
    // Non-ASCII paths match their percent-encoded spelling both ways.
    {"User-agent: *\nDisallow: /foo/bar/\xE3\x83\x84", "x", "/foo/bar/%E3%83%84", false},
    {"User-agent: *\nDisallow: /foo/bar/%e3%83%84", "x", "/foo/bar/\xE3\x83\x84", false},
    // A rule line with no value is no rule; comments and CRLF line ends are fine.
    {"User-agent: *\r\nDisallow:\r\n", "x", "/", true},
    {"user-agent: * # all\ndisallow: /private # keep out\n", "x", "/private/a", false},
    // Our group and "*" are never combined.
    {"User-agent: *\nDisallow: /a\n\nUser-agent: Farrowlane\nDisallow: /b\n", "Farrowlane", "/a",
     true},
    {"User-agent: *\nDisallow: /a\n\nUser-agent: Farrowlane\nDisallow: /b\n", "Farrowlane", "/b",
     false},
    // "Farrowlane-Extra/2.0" names the token Farrowlane-Extra, not ours.
    {"User-agent: Farrowlane-Extra/2.0\nDisallow: /\n", "Farrowlane", "/a", true},
    // Junk lines are skipped and rules before any group belong to none.
    {"Disallow: /\n<html>\x01\x02 junk ::: \nUser-agent *\n", "x", "/a", true},
};

TEST(RobotsRules, RfcExamplesAndTheMatchingRules) {
    for (const Verdict& v : kVerdicts) {
        EXPECT_EQ(RobotsRules::parse(v.file, v.agent).allows(v.target), v.allowed)
            << v.agent << " " << v.target << " under:\n"
            << v.file;
    }
}

// The cases that the test suite of a widely used open-source parser (google/robotstxt,
// robots_test.cc) checks against RFC 9309, as facts. Where that parser goes beyond the RFC we
// follow the RFC: a line without a colon is no rule (it reads "disallow /" as "disallow: /"), a
// raw byte beyond ASCII in a target matches its percent-encoded pattern (it leaves encoding the
// URL to its caller, the RFC encodes both before comparing), and "index.html" at the end of a
// pattern means itself alone (it takes it for the folder too).
constexpr const char* kFoo = "user-agent: FooBot\n";
constexpr const char* kGroups =
    "allow: /foo/bar/\n\nuser-agent: FooBot\ndisallow: /\nallow: /x/\nuser-agent: BarBot\n"
    "disallow: /\nallow: /y/\n\n\nallow: /w/\nuser-agent: BazBot\n\nuser-agent: FooBot\n"
    "allow: /z/\ndisallow: /\n";
constexpr const char* kUpperCaseGroup = "User-Agent: FOO BAR\nAllow: /x/\nDisallow: /\n";
constexpr const char* kGlobal = "user-agent: *\nallow: /\nuser-agent: FooBot\ndisallow: /\n";
constexpr const char* kOnlySpecific =
    "user-agent: FooBot\nallow: /\nuser-agent: BarBot\ndisallow: /\nuser-agent: BazBot\n"
    "disallow: /\n";

struct SuiteCase {
    std::string file;
    const char* agent;
    const char* target;
    bool allowed;
};

const SuiteCase kSuiteCases[] = {
    // Lines are "name: value"; unknown names are no rules.
    {std::string(kFoo) + "disallow: /\n", "FooBot", "/x/y", false},
    {"foo: FooBot\nbar: /\n", "FooBot", "/x/y", true},
    {"user-agent FooBot\ndisallow /\n", "FooBot", "/x/y", true},
    // Groups of one agent are combined; rules before any group belong to none.
    {kGroups, "FooBot", "/x/b", true},
    {kGroups, "FooBot", "/z/d", true},
    {kGroups, "FooBot", "/y/c", false},
    {kGroups, "BarBot", "/y/c", true},
    {kGroups, "BarBot", "/w/a", true},
    {kGroups, "BarBot", "/z/d", false},
    {kGroups, "BazBot", "/z/d", true},
    {kGroups, "FooBot", "/foo/bar/", false},
    {kGroups, "BarBot", "/foo/bar/", false},
    {kGroups, "BazBot", "/foo/bar/", false},
    // Names of lines and agents compare without regard to case; an agent's value ends at
    // its token.
    {"USER-AGENT: FooBot\nALLOW: /x/\nDISALLOW: /\n", "FooBot", "/x/y", true},
    {"uSeR-aGeNt: FooBot\nAlLoW: /x/\ndIsAlLoW: /\n", "FooBot", "/a/b", false},
    {kUpperCaseGroup, "Foo", "/x/y", true},
    {kUpperCaseGroup, "foo", "/x/y", true},
    {kUpperCaseGroup, "Foo", "/a/b", false},
    {"User-Agent: foo bar\nAllow: /x/\nDisallow: /\n", "FOO", "/a/b", false},
    // No group of ours: the "*" group; none of either: everything allowed.
    {"", "FooBot", "/x/y", true},
    {kGlobal, "FooBot", "/x/y", false},
    {kGlobal, "BarBot", "/x/y", true},
    {kOnlySpecific, "QuxBot", "/x/y", true},
    // Patterns compare with regard to case.
    {std::string(kFoo) + "disallow: /x/\n", "FooBot", "/x/y", false},
    {std::string(kFoo) + "disallow: /X/\n", "FooBot", "/x/y", true},
    // The longest match decides, the least strict on a tie.
    {std::string(kFoo) + "disallow: /x/page.html\nallow: /x/\n", "FooBot", "/x/page.html", false},
    {std::string(kFoo) + "allow: /x/page.html\ndisallow: /x/\n", "FooBot", "/x/page.html", true},
    {std::string(kFoo) + "allow: /x/page.html\ndisallow: /x/\n", "FooBot", "/x/", false},
    {std::string(kFoo) + "disallow: \nallow: \n", "FooBot", "/x/page.html", true},
    {std::string(kFoo) + "disallow: /\nallow: /\n", "FooBot", "/x/page.html", true},
    {std::string(kFoo) + "disallow: /x\nallow: /x/\n", "FooBot", "/x", false},
    {std::string(kFoo) + "disallow: /x\nallow: /x/\n", "FooBot", "/x/", true},
    {std::string(kFoo) + "disallow: /x/page.html\nallow: /x/page.html\n", "FooBot", "/x/page.html",
     true},
    {std::string(kFoo) + "allow: /page\ndisallow: /*.html\n", "FooBot", "/page.html", false},
    {std::string(kFoo) + "allow: /page\ndisallow: /*.html\n", "FooBot", "/page", true},
    {std::string(kFoo) + "allow: /x/page.\ndisallow: /*.html\n", "FooBot", "/x/page.html", true},
    {std::string(kFoo) + "allow: /x/page.\ndisallow: /*.html\n", "FooBot", "/x/y.html", false},
    {"User-agent: *\nDisallow: /x/\nUser-agent: FooBot\nDisallow: /y/\n", "FooBot", "/x/page",
     true},
    {"User-agent: *\nDisallow: /x/\nUser-agent: FooBot\nDisallow: /y/\n", "FooBot", "/y/page",
     false},
    // Encoding: a query stays as it is; bytes beyond ASCII and their escapes are one; an
    // escaped unreserved letter is not the letter.
    {"User-agent: FooBot\nDisallow: /\nAllow: /foo/bar?qux=taz&baz=http://foo.bar?tar&par\n",
     "FooBot", "/foo/bar?qux=taz&baz=http://foo.bar?tar&par", true},
    {"User-agent: FooBot\nDisallow: /\nAllow: /foo/bar/\xE3\x83\x84\n", "FooBot",
     "/foo/bar/%E3%83%84", true},
    {"User-agent: FooBot\nDisallow: /\nAllow: /foo/bar/\xE3\x83\x84\n", "FooBot",
     "/foo/bar/\xE3\x83\x84", true},
    {"User-agent: FooBot\nDisallow: /\nAllow: /foo/bar/%E3%83%84\n", "FooBot", "/foo/bar/%E3%83%84",
     true},
    {"User-agent: FooBot\nDisallow: /\nAllow: /foo/bar/%62%61%7A\n", "FooBot", "/foo/bar/baz",
     false},
    {"User-agent: FooBot\nDisallow: /\nAllow: /foo/bar/%62%61%7A\n", "FooBot", "/foo/bar/%62%61%7A",
     true},
    // "*", "$" and "#".
    {std::string(kFoo) + "Disallow: /foo/bar/quz\nAllow: /foo/*/qux\n", "FooBot", "/foo/bar/quz",
     false},
    {std::string(kFoo) + "Disallow: /foo/bar/quz\nAllow: /foo/*/qux\n", "FooBot", "/foo/quz", true},
    {std::string(kFoo) + "Disallow: /foo/bar/quz\nAllow: /foo/*/qux\n", "FooBot", "/foo//quz",
     true},
    {std::string(kFoo) + "Disallow: /foo/bar/quz\nAllow: /foo/*/qux\n", "FooBot", "/foo/bax/quz",
     true},
    {std::string(kFoo) + "Disallow: /foo/bar$\nAllow: /foo/bar/qux\n", "FooBot", "/foo/bar", false},
    {std::string(kFoo) + "Disallow: /foo/bar$\nAllow: /foo/bar/qux\n", "FooBot", "/foo/bar/qux",
     true},
    {std::string(kFoo) + "Disallow: /foo/bar$\nAllow: /foo/bar/qux\n", "FooBot", "/foo/bar/", true},
    {std::string(kFoo) + "Disallow: /foo/bar$\nAllow: /foo/bar/qux\n", "FooBot", "/foo/bar/baz",
     true},
    {std::string(kFoo) + "# Disallow: /\nDisallow: /foo/quz#qux\nAllow: /\n", "FooBot", "/foo/bar",
     true},
    {std::string(kFoo) + "# Disallow: /\nDisallow: /foo/quz#qux\nAllow: /\n", "FooBot", "/foo/quz",
     false},
    {"User-Agent: *\nAllow: /allowed-slash/index.html\nDisallow: /\n", "foobot",
     "/allowed-slash/index.html", true},
    {"User-Agent: *\nAllow: /allowed-slash/index.html\nDisallow: /\n", "foobot", "/allowed-slash/",
     false},
    // Lines end in LF, CRLF or CR, mixed, the last one maybe without.
    {"User-Agent: foo\nAllow: /some/path\nUser-Agent: bar\n\n\nDisallow: /\n", "bar", "/x", false},
    {"User-Agent: foo\r\nAllow: /some/path\r\nUser-Agent: bar\r\n\r\n\r\nDisallow: /\r\n", "bar",
     "/x", false},
    {"User-Agent: foo\rAllow: /some/path\rUser-Agent: bar\r\r\rDisallow: /\r", "bar", "/x", false},
    {"User-Agent: foo\rAllow: /some/path\rUser-Agent: bar\r\r\rDisallow: /\r", "foo", "/x", true},
    {"User-Agent: foo\nAllow: /some/path\r\nUser-Agent: bar\n\r\n\nDisallow: /", "bar", "/x",
     false},
    // A byte-order mark at the start, whole or begun, is skipped; one broken or further on
    // spoils its line.
    {"\xEF\xBB\xBFUser-Agent: foo\nDisallow: /AnyValue\n", "foo", "/AnyValue", false},
    {"\xEF\xBBUser-Agent: foo\nDisallow: /AnyValue\n", "foo", "/AnyValue", false},
    {"\xEF"
     "User-Agent: foo\nDisallow: /AnyValue\n",
     "foo", "/AnyValue", false},
    {"\xEF\x11\xBFUser-Agent: foo\nDisallow: /AnyValue\n", "foo", "/AnyValue", true},
    {"User-Agent: foo\n\xEF\xBB\xBF"
     "Disallow: /AnyValue\n",
     "foo", "/AnyValue", true},
};

TEST(RobotsRules, ThePublicSuitesRfcCases) {
    for (const SuiteCase& c : kSuiteCases) {
        EXPECT_EQ(RobotsRules::parse(c.file, c.agent).allows(c.target), c.allowed)
            << c.agent << " " << c.target << " under:\n"
            << c.file;
    }
}

TEST(RobotsRules, DisallowAllStillLetsRobotsTxtBeRead) {
    const RobotsRules rules = RobotsRules::disallowAll();
    EXPECT_FALSE(rules.allows("/"));
    EXPECT_TRUE(rules.allows("/robots.txt"));
}

TEST(RobotsRules, SitemapLinesBelongToNoGroup) {
    const RobotsRules rules = RobotsRules::parse(
        "Sitemap: http://a/s1.xml\nUser-agent: other\nSitemap: http://a/s2.xml\n", "Farrowlane");
    EXPECT_EQ(rules.sitemaps(), (std::vector<std::string>{"http://a/s1.xml", "http://a/s2.xml"}));
}

TEST(RobotsRules, CrawlDelayIsTheFirstOfTheGroupTheRulesComeFrom) {
    using std::chrono::milliseconds;
    const struct Case {
        const char* text;
        std::optional<milliseconds> delay;
    } cases[] = {
        {"User-agent: *\nCrawl-delay: 10\n", milliseconds(10000)},
        {"User-agent: *\nCrawl-delay: 0.25\nCrawl-delay: 7\n", milliseconds(250)},
        // Our own group wins, even without a delay of its own.
        {"User-agent: *\nCrawl-delay: 5\n\nUser-agent: Farrowlane\nCrawl-delay: 2\n",
         milliseconds(2000)},
        {"User-agent: *\nCrawl-delay: 5\n\nUser-agent: farrowlane\nDisallow: /x\n", std::nullopt},
        // Read before our user-agent line, it is another agent's: files name one agent's delay
        // and then go on to the next group without a rule in between.
        {"User-agent: otherbot\nCrawl-delay: 3\n\nUser-agent: Farrowlane\nDisallow: /\n",
         std::nullopt},
        {"User-agent: otherbot\nUser-agent: Farrowlane\nCrawl-delay: 3\n", milliseconds(3000)},
        {"Crawl-delay: 3\nUser-agent: *\nDisallow: /\n", std::nullopt},
        {"User-agent: *\nCrawl-delay: soon\n", std::nullopt},
        {"User-agent: *\nCrawl-delay: 1e3\n", std::nullopt},
        {"User-agent: *\nCrawl-delay: 99999999999999999999\n", milliseconds(1'000'000'000'000LL)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RobotsRules::parse(c.text, "Farrowlane").crawlDelay(), c.delay) << c.text;
    }
}

TEST(RobotsRules, AMegabyteOfJunkEndsWithoutRules) {
    std::string junk;
    for (int i = 0; i < 1 << 20; ++i) {
        junk += static_cast<char>((static_cast<unsigned>(i) * 7919u) % 251u + 1u);
    }
    const RobotsRules rules = RobotsRules::parse(junk, "Farrowlane");
    EXPECT_TRUE(rules.allows("/any"));
}

TEST(RobotsPattern, LongPatternsAndTargetsStayPolynomial) {
    const std::string stars(200, '*');
    const std::string target(4000, 'a');
    EXPECT_FALSE(robotsPatternMatches(stars + "b", target));
    EXPECT_TRUE(robotsPatternMatches(stars + "a$", target));
    // Half a megabyte of stars is one star; a pattern past the step bound matches nothing.
    const std::string run = "/" + std::string(500000, '*') + "x";
    EXPECT_TRUE(robotsPatternMatches(run, "/a/bx", 20));
    EXPECT_FALSE(robotsPatternMatches("/*a*b*c", "/" + target, 1000));
    RobotsRules rules = RobotsRules::parse("User-agent: *\nDisallow: " + run + "\n", "Farrowlane");
    rules.setMatchSteps(base::Timing{}.robotsMatchSteps);
    EXPECT_FALSE(rules.allows("/shop/x"));
}

}  // namespace
}  // namespace farrow::crawl
