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
