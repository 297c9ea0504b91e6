#include "indexnow/key_scope.h"

#include <gtest/gtest.h>

#include "indexnow/announcement.h"
#include "indexnow/indexnow_request.h"

namespace farrow::indexnow {
namespace {

TEST(KeyScope, DefaultKeyFileCoversTheWholeHost) {
    const ScopeResult r = keyScope("http://WWW.Example.com/index.html", "abcdefgh", "");
    ASSERT_TRUE(r.scope) << r.error.reason;
    EXPECT_EQ(r.scope->host, "www.example.com");
    EXPECT_EQ(r.scope->keyLocation, "http://www.example.com/abcdefgh.txt");
    EXPECT_FALSE(r.scope->keyLocationGiven);
}

TEST(KeyScope, KeyLocationMustBeOnTheSiteAndWithoutQuery) {
    struct Case {
        std::string location;
        bool good;
    } cases[] = {
        {"https://www.example.com/keys/k.txt", true},
        {"https://other.example.com/k.txt", false},
        {"https://www.example.com:8443/k.txt", false},
        {"https://www.example.com/k.txt?x=1", false},
        {"/k.txt", false},
    };
    for (const Case& c : cases) {
        const ScopeResult r = keyScope("http://www.example.com/", "abcdefgh", c.location);
        EXPECT_EQ(r.scope.has_value(), c.good) << c.location << ": " << r.error.reason;
    }
    EXPECT_FALSE(keyScope("ftp://www.example.com/", "abcdefgh", "").scope);
}

TEST(KeyScope, FiltersNameWhyAUrlIsLeftOut) {
    const KeyScope scope =
        *keyScope("http://www.example.com/", "abcdefgh", "http://www.example.com/shop/k.txt").scope;
    const std::vector<CandidateUrl> urls = {
        {"http://www.example.com/shop/a"},
        {"https://WWW.EXAMPLE.COM/shop/b?q=1"},
        {"http://www.example.com/shop/a"},
        {"http://www.example.com/blog/c"},
        {"http://www.example.com/shop/../blog/d"},
        {"http://www.example.com/shopping"},
        {"http://example.com/shop/e"},
        {"http://www.example.com:8080/shop/f"},
        {"mailto:me@example.com"},
        {"http://www.example.com/shop/" + std::string(kMaxUrlLength, 'x')},
        // One page however it is written: the default port, a fragment, a character to encode.
        {"http://www.example.com:80/shop/a#top"},
        {"http://www.example.com/shop/caf\xc3\xa9"},
    };
    const FilterResult r = filterUrls(urls, scope);
    EXPECT_EQ(r.kept, (std::vector<std::string>{"http://www.example.com/shop/a",
                                                "https://www.example.com/shop/b?q=1",
                                                "http://www.example.com/shop/caf%C3%A9"}));
    std::vector<std::string> reasons;
    for (const LeftOutUrl& u : r.leftOut) {
        reasons.push_back(token(u));
    }
    EXPECT_EQ(reasons,
              (std::vector<std::string>{"duplicate", "outside-key-location", "outside-key-location",
                                        "outside-key-location", "other-host", "other-host",
                                        "not-a-url", "not-a-url", "duplicate"}));
}

TEST(IndexNowRequest, OneUrlIsAGetAndManyArePostsOfAtMostTenThousand) {
    const KeyScope root = *keyScope("https://www.example.com/", "abcdefgh", "").scope;
    const std::vector<PlannedRequest> one =
        planRequests({"https://www.example.com/a b?x=1&y"}, root);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].method, "GET");
    EXPECT_EQ(requestAddress(one[0], "https://engine.test/indexnow", root),
              "https://engine.test/indexnow?url=https%3A%2F%2Fwww.example.com%2Fa%20b%3Fx%3D1%26y"
              "&key=abcdefgh");

    struct Case {
        std::size_t urls;
        std::vector<std::size_t> sizes;
    } cases[] = {{2, {2}}, {10000, {10000}}, {10001, {10000, 1}}, {25000, {10000, 10000, 5000}}};
    for (const Case& c : cases) {
        std::vector<std::string> urls;
        for (std::size_t i = 0; i < c.urls; ++i) {
            urls.push_back("https://www.example.com/" + std::to_string(i));
        }
        std::vector<std::size_t> sizes;
        for (const PlannedRequest& p : planRequests(urls, root)) {
            EXPECT_EQ(p.method, "POST");
            sizes.push_back(p.urls.size());
        }
        EXPECT_EQ(sizes, c.sizes) << c.urls;
    }

    const KeyScope given =
        *keyScope("https://www.example.com/", "abcdefgh", "https://www.example.com/k/key.txt")
             .scope;
    const std::vector<PlannedRequest> two =
        planRequests({"https://www.example.com/k/a", "https://www.example.com/k/\"b"}, given);
    EXPECT_EQ(two[0].body,
              "{\"host\":\"www.example.com\",\"key\":\"abcdefgh\",\"keyLocation\":"
              "\"https://www.example.com/k/key.txt\",\"urlList\":[\"https://www.example.com/k/a\","
              "\"https://www.example.com/k/\\\"b\"]}");
    EXPECT_EQ(
        planRequests({"https://www.example.com/a", "https://www.example.com/b"}, root)[0].body,
        "{\"host\":\"www.example.com\",\"key\":\"abcdefgh\",\"urlList\":["
        "\"https://www.example.com/a\",\"https://www.example.com/b\"]}");
    EXPECT_TRUE(planRequests({}, root).empty());
}

TEST(IndexNowRequest, AnswerCodesAreClassedAsThePublishedTableSays) {
    struct Case {
        long status;
        AnswerClass answer;
        const char* word;
    } cases[] = {
        {200, AnswerClass::Accepted, "accepted"},     {202, AnswerClass::Pending, "pending"},
        {400, AnswerClass::OurFault, "refused"},      {403, AnswerClass::OurFault, "refused"},
        {422, AnswerClass::OurFault, "refused"},      {429, AnswerClass::EngineTrouble, "busy"},
        {500, AnswerClass::EngineTrouble, "failed"},  {503, AnswerClass::EngineTrouble, "failed"},
        {204, AnswerClass::Unexpected, "unexpected"}, {301, AnswerClass::Unexpected, "unexpected"},
        {404, AnswerClass::Unexpected, "unexpected"}, {405, AnswerClass::Unexpected, "unexpected"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(classifyStatus(c.status), c.answer) << c.status;
        EXPECT_EQ(token(outcomeOf(c.status)), c.word) << c.status;
    }
}

TEST(IndexNowRequest, RetryAfterReadsSecondsAndDates) {
    // Wed, 09 Dec 2026 08:00:00 GMT.
    const base::TimePoint now = std::chrono::system_clock::from_time_t(1796803200);
    struct Case {
        std::string value;
        std::optional<long long> seconds;
    } cases[] = {
        {"5", 5},
        {" 0 ", 0},
        {"", std::nullopt},
        {"-1", std::nullopt},
        {"soon", std::nullopt},
        {"1.5", std::nullopt},
        {"99999999999999999999", std::numeric_limits<long long>::max()},
        {"Wed, 09 Dec 2026 08:00:30 GMT", 30},
        {"Wed, 09 Dec 2026 07:00:00 GMT", 0},
        {"Wed, 09 Dec 2026 08:00:30 CET", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(retryAfterSeconds(c.value, now), c.seconds) << "\"" << c.value << "\"";
    }
}

TEST(IndexNowRequest, AnswerBodyBecomesOneShortLine) {
    EXPECT_EQ(bodyLine("<html><body>\n<h1>Bad\r\nRequest</h1>  <p>no key</p></body></html>"),
              "Bad Request no key");
    EXPECT_EQ(bodyLine(std::string(500, 'x'), 10), "xxxxxxxxxx...");
    // Never half a character.
    EXPECT_EQ(bodyLine("aaaaaaaaa\xC3\xA9", 10), "aaaaaaaaa...");
    EXPECT_EQ(bodyLine(""), "");
}

}  // namespace
}  // namespace farrow::indexnow
