#include "sandbox/search_console_service.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "google/json_web_token.h"
#include "support/search_console_fixture.h"

namespace farrow::sandbox {
namespace {

class SearchConsoleServiceTest : public testing::Test {
protected:
    SearchConsoleServiceTest() : client("127.0.0.1", console.server.port()) {
        console.service->addProperty(console.site(), "siteOwner");
    }

    google::ServiceAccount account() const {
        const SandboxAccount& a = console.service->account();
        return {a.clientEmail, a.privateKeyPem, a.privateKeyId, console.tokenUri()};
    }

    httplib::Result grant(const std::string& assertion,
                          const std::string& type = "application/x-www-form-urlencoded") {
        return client.Post(kGoogleTokenPath,
                           "grant_type=urn%3Aietf%3Aparams%3Aoauth%3Agrant-type%3Ajwt-bearer"
                           "&assertion=" +
                               assertion,
                           type);
    }

    test::SearchConsoleFixture console;
    httplib::Client client;
};

TEST_F(SearchConsoleServiceTest, GrantsATokenOnlyForAFreshAssertionOfItsOwnAccount) {
    const auto now = std::chrono::system_clock::now();
    const std::string good = *google::signAssertion(account(), now).jwt;
    google::ServiceAccount otherAudience = account();
    otherAudience.tokenUri = "https://elsewhere.example/token";
    google::ServiceAccount otherIssuer = account();
    otherIssuer.clientEmail = "someone@else.example";
    std::string touched = good;
    touched[touched.size() - 5] = touched[touched.size() - 5] == 'A' ? 'B' : 'A';
    struct Case {
        const char* name;
        std::string assertion;
        std::string type;
        std::string description;
    } cases[] = {
        {"expired", *google::signAssertion(account(), now - std::chrono::hours(2)).jwt,
         "application/x-www-form-urlencoded", "Check your iat and exp values"},
        {"audience", *google::signAssertion(otherAudience, now).jwt,
         "application/x-www-form-urlencoded", "audience"},
        {"issuer", *google::signAssertion(otherIssuer, now).jwt,
         "application/x-www-form-urlencoded", "Invalid email"},
        {"signature", touched, "application/x-www-form-urlencoded", "Signature"},
        {"json", good, "application/json", "form"},
    };
    for (const Case& c : cases) {
        const auto res = grant(c.assertion, c.type);
        ASSERT_TRUE(res) << c.name;
        EXPECT_EQ(res->status, 400) << c.name;
        EXPECT_NE(nlohmann::json::parse(res->body)["error_description"].get<std::string>().find(
                      c.description),
                  std::string::npos)
            << c.name << ": " << res->body;
    }
    EXPECT_EQ(console.service->tokensIssued(), 0u);
    const auto res = grant(good);
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200) << res->body;
    EXPECT_EQ(console.service->tokensIssued(), 1u);
}

TEST_F(SearchConsoleServiceTest, RoutesOnTheRawTargetAndRefusesUnknownTokens) {
    const auto res = grant(*google::signAssertion(account(), std::chrono::system_clock::now()).jwt);
    ASSERT_TRUE(res);
    const std::string token = nlohmann::json::parse(res->body)["access_token"];
    const httplib::Headers bearer = {{"Authorization", "Bearer " + token}};
    const std::string encodedSite =
        "http%3A%2F%2F127.0.0.1%3A" + std::to_string(console.server.port()) + "%2F";
    const std::string feed =
        "http%3A%2F%2F127.0.0.1%3A" + std::to_string(console.server.port()) + "%2Fsitemap.xml";
    struct Case {
        const char* method;
        std::string target;
        httplib::Headers headers;
        int status;
    } cases[] = {
        {"PUT", "/webmasters/v3/sites/" + encodedSite + "/sitemaps/" + feed, bearer, 204},
        // The same sitemap with its slashes as they are: no route.
        {"PUT",
         "/webmasters/v3/sites/" + encodedSite + "/sitemaps/" + console.site() + "sitemap.xml",
         bearer, 404},
        {"GET", "/webmasters/v3/sites/" + encodedSite + "/sitemaps", bearer, 200},
        {"GET", "/webmasters/v3/sites/sc-domain%3Aother.example/sitemaps", bearer, 403},
        {"GET", "/webmasters/v3/sites", {{"Authorization", "Bearer ya29.unknown"}}, 401},
        {"GET", "/webmasters/v3/sites", {}, 401},
    };
    for (const Case& c : cases) {
        httplib::Request req;
        req.method = c.method;
        req.path = c.target;
        req.headers = c.headers;
        const auto answer = client.send(req);
        ASSERT_TRUE(answer) << c.target;
        EXPECT_EQ(answer->status, c.status) << c.method << ' ' << c.target << ": " << answer->body;
    }
}

// Beyond the minute's quota a property's inspections are refused as the service refuses them,
// and another property's still go through.
TEST(SearchConsoleServiceQuotaTest, AnswersResourceExhaustedBeyondTheMinutesInspections) {
    SearchConsoleSettings settings;
    settings.minuteQuota = 3;
    test::SearchConsoleFixture console(settings);
    const std::string own = console.site();
    const std::string lent = console.site() + "lent/";
    console.service->addProperty(own, "siteOwner");
    console.service->addProperty(lent, "siteFullUser");
    httplib::Client client("127.0.0.1", console.server.port());
    const SandboxAccount& a = console.service->account();
    const google::ServiceAccount account{a.clientEmail, a.privateKeyPem, a.privateKeyId,
                                         console.tokenUri()};
    const auto granted =
        client.Post(kGoogleTokenPath,
                    "grant_type=urn%3Aietf%3Aparams%3Aoauth%3Agrant-type%3Ajwt-bearer&assertion=" +
                        *google::signAssertion(account, std::chrono::system_clock::now()).jwt,
                    "application/x-www-form-urlencoded");
    ASSERT_TRUE(granted);
    const std::string token = nlohmann::json::parse(granted->body)["access_token"];
    const httplib::Headers bearer = {{"Authorization", "Bearer " + token}};
    const auto inspect = [&](const std::string& property, const std::string& page) {
        const nlohmann::json body{{"inspectionUrl", property + page}, {"siteUrl", property}};
        return client.Post("/v1/urlInspection/index:inspect", bearer, body.dump(),
                           "application/json");
    };
    for (const char* page : {"a.htm", "b.htm", "c.htm"}) {
        const auto answer = inspect(own, page);
        ASSERT_TRUE(answer) << page;
        EXPECT_EQ(answer->status, 200) << page << ": " << answer->body;
    }
    const auto spent = inspect(own, "d.htm");
    ASSERT_TRUE(spent);
    EXPECT_EQ(spent->status, 429);
    const nlohmann::json error = nlohmann::json::parse(spent->body, nullptr, false);
    EXPECT_EQ(error["error"]["status"], "RESOURCE_EXHAUSTED") << spent->body;
    EXPECT_EQ(error["error"]["code"], 429) << spent->body;
    const auto other = inspect(lent, "a.htm");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 200) << other->body;
    // A refusal is no inspection: the minute's count stays where it was.
    EXPECT_EQ(console.service->inspections(), 4u);
}

}  // namespace
}  // namespace farrow::sandbox
