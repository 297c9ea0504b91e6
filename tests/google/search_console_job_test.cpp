#include "google/search_console_job.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "google/search_console_client.h"
#include "indexnow/announcement_ledger.h"
#include "support/loopback_http_server.h"
#include "support/search_console_fixture.h"
#include "support/temp_workspace.h"
#include "support/test_certificate.h"

namespace farrow::google {
namespace {

using namespace std::chrono_literals;

class RecordingFrontend final : public SearchConsoleFrontend {
public:
    void step(SearchConsoleStep) override {}
    void pageDone(const crawl::CrawledPage&, std::size_t, std::size_t) override {}
    void warning(const std::string& text) override { warnings.push_back(text); }
    void note(const indexnow::SourceNote&) override {}
    void submitted(const SitemapSubmission& s, const std::string&) override {
        submissions.push_back(s);
    }
    void inspecting(std::size_t count) override { planned = count; }
    void inspected(const IndexStatus& i) override { inspections.push_back(i); }
    const std::atomic<bool>* stopFlag() const override { return nullptr; }

    std::optional<std::size_t> planned;
    std::vector<std::string> warnings;
    std::vector<SitemapSubmission> submissions;
    std::vector<IndexStatus> inspections;
};

base::Timing quickTiming() {
    base::Timing t;
    t.googleRetryWait = 1ms;
    t.googleInspectPace = 0ms;
    t.googleConnectTimeout = 2000ms;
    t.googleDeadline = 5000ms;
    return t;
}

class SearchConsoleJobTest : public testing::Test {
protected:
    SearchConsoleJobTest() {
        console.service->addProperty(console.site(), "siteOwner");
        params.credentialsFile = console.credentials();
        params.siteUrl = console.site() + "site/index.htm";
        params.api = apiSettings(console.api());
        params.ledgerFile = indexnow::ledgerPath(console.dir.workspace());
    }

    SearchConsoleJob::Inspection inspectList(const std::vector<std::string>& pages) {
        std::string text;
        for (const std::string& page : pages) {
            text += console.site() + page + "\n";
        }
        list.str(text);
        list.clear();
        params.list = "-";
        params.listInput = &list;
        return SearchConsoleJob::inspect(params, timing, clock, frontend);
    }

    test::SearchConsoleFixture console;
    SearchConsoleJob::Params params;
    base::Timing timing = quickTiming();
    base::SystemClock clock;
    RecordingFrontend frontend;
    std::istringstream list;
};

TEST_F(SearchConsoleJobTest, ReusesItsTokenAndTakesANewOneOnceWhenItIsRefused) {
    const LoadedAccount loaded = readServiceAccount(console.credentials());
    ASSERT_TRUE(loaded.account);
    TokenClient tokens(*loaded.account, params.api, timing, clock);
    SearchConsoleClient client(tokens, params.api, timing);
    EXPECT_TRUE(client.sites().done());
    EXPECT_TRUE(client.sitemaps(console.site()).done());
    EXPECT_EQ(console.service->tokensIssued(), 1u);
    console.service->forgetTokens();
    EXPECT_TRUE(client.sites().done());
    EXPECT_EQ(console.service->tokensIssued(), 2u);
    // A token about to expire is not sent again.
    timing.googleTokenMargin = 3600s;
    EXPECT_TRUE(client.sites().done());
    EXPECT_EQ(console.service->tokensIssued(), 3u);
}

TEST_F(SearchConsoleJobTest, SaysWhyTheKeyOrThePropertyCannotBeUsed) {
    const auto failureOf = [this] {
        const SearchConsoleJob::Check check =
            SearchConsoleJob::check(params, timing, clock, frontend);
        return check.failure ? token(check.failure->problem) + ": " + check.failure->detail
                             : std::string("none");
    };
    EXPECT_EQ(failureOf(), "none");

    // Another key under the same name: the endpoint's description comes back.
    std::string error;
    sandbox::SandboxAccount other = *sandbox::makeSandboxAccount(error);
    other.privateKeyId = console.service->account().privateKeyId;
    ASSERT_TRUE(
        sandbox::writeCredentials(console.dir.file("other.json"), other, console.tokenUri()));
    params.credentialsFile = console.dir.file("other.json");
    EXPECT_EQ(failureOf(), "token-refused: Invalid JWT Signature.");

    params.credentialsFile = console.credentials();
    params.siteUrl = "https://elsewhere.example/";
    EXPECT_NE(failureOf().find("no-property: no property of the account covers "
                               "https://elsewhere.example/: add " +
                               console.service->account().clientEmail + " as a user"),
              std::string::npos);
    params.property = "sc-domain:elsewhere.example";
    EXPECT_NE(failureOf().find("no-property: the account is no user of the property "
                               "sc-domain:elsewhere.example"),
              std::string::npos);
    console.service->addProperty("sc-domain:elsewhere.example", "siteUnverifiedUser");
    EXPECT_NE(failureOf().find("no-permission:"), std::string::npos);
    params.credentialsFile = console.dir.file("none.json");
    EXPECT_NE(failureOf().find("no-credentials:"), std::string::npos);
}

TEST_F(SearchConsoleJobTest, PacesItsInspectionsAndKeepsToTheDailyQuotaAcrossRuns) {
    timing.googleDailyInspections = 3;
    timing.googleInspectPace = 40ms;
    const std::vector<std::string> pages = {"site/index.htm", "site/cakes.htm",
                                            "site/ring/west.htm", "site/old-offers.htm",
                                            "site/breads.htm"};
    const auto start = std::chrono::steady_clock::now();
    const SearchConsoleJob::Inspection first = inspectList(pages);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(first.check.failure) << first.check.failure->detail;
    ASSERT_EQ(first.inspections.size(), 3u);
    EXPECT_GE(took, 80ms);
    EXPECT_TRUE(first.quotaEnded);
    EXPECT_EQ(first.notInspected, 2u);
    EXPECT_EQ(first.inspections[1].coverageState, "Discovered - currently not indexed");
    EXPECT_EQ(first.inspections[2].robotsTxtState, "DISALLOWED");

    // The ledger remembers the three: a second run has nothing left today.
    const SearchConsoleJob::Inspection second = inspectList(pages);
    EXPECT_TRUE(second.inspections.empty());
    EXPECT_TRUE(second.quotaEnded);
    EXPECT_EQ(console.service->inspections(), 3u);

    // A day later the two never inspected come first.
    timing.googleQuotaWindow = 0ms;
    timing.googleInspectPace = 0ms;
    const SearchConsoleJob::Inspection third = inspectList(pages);
    ASSERT_GE(third.planned.size(), 2u);
    EXPECT_EQ(third.planned[0], console.site() + "site/old-offers.htm");
    EXPECT_EQ(third.planned[1], console.site() + "site/breads.htm");
}

TEST_F(SearchConsoleJobTest, EndsTheRunWhenTheServiceSaysTheQuotaIsSpent) {
    test::SearchConsoleFixture small(sandbox::SearchConsoleSettings{2, 3600});
    small.service->addProperty(small.site(), "siteOwner");
    params.credentialsFile = small.credentials();
    params.siteUrl = small.site();
    params.api = apiSettings(small.api());
    std::string text;
    for (const char* page : {"a", "b", "c", "d"}) {
        text += small.site() + page + "\n";
    }
    list.str(text);
    params.list = "-";
    params.listInput = &list;
    const SearchConsoleJob::Inspection r =
        SearchConsoleJob::inspect(params, timing, clock, frontend);
    ASSERT_EQ(r.inspections.size(), 3u);
    EXPECT_EQ(r.inspections[2].outcome, InspectionOutcome::QuotaSpent);
    EXPECT_TRUE(r.quotaEnded);
    EXPECT_EQ(r.notInspected, 2u);
    // All four were planned: the service's quota, not the job's, ended the run.
    EXPECT_EQ(frontend.planned, 4u);
}

TEST_F(SearchConsoleJobTest, ADryRunSendsNothingAndMakesNoLedger) {
    params.dryRun = true;
    const SearchConsoleJob::Inspection r = inspectList({"site/index.htm", "site/cakes.htm"});
    EXPECT_EQ(r.planned.size(), 2u);
    EXPECT_EQ(r.check.property->siteUrl, console.site());
    EXPECT_FALSE(r.check.propertyGiven);
    EXPECT_EQ(console.service->tokensIssued(), 0u);
    EXPECT_EQ(console.service->inspections(), 0u);
    EXPECT_FALSE(std::filesystem::exists(params.ledgerFile));
    EXPECT_FALSE(frontend.planned);
}

TEST_F(SearchConsoleJobTest, SubmitsSitemapsAndRecordsTheRefusedOnes) {
    console.service->addProperty("sc-domain:shop.example", "siteRestrictedUser");
    params.sitemaps = {console.site() + "sitemap.xml"};
    SearchConsoleJob::Sitemaps r =
        SearchConsoleJob::sitemaps(params, true, timing, clock, frontend);
    ASSERT_FALSE(r.check.failure) << r.check.failure->detail;
    EXPECT_EQ(r.refused, 0u);
    ASSERT_EQ(r.states.size(), 1u);
    EXPECT_EQ(r.states[0].path, console.site() + "sitemap.xml");
    EXPECT_GT(r.states[0].submitted, 0);

    params.property = "sc-domain:shop.example";
    params.sitemaps = {"https://shop.example/sitemap.xml"};
    r = SearchConsoleJob::sitemaps(params, true, timing, clock, frontend);
    EXPECT_EQ(r.refused, 1u);
    ASSERT_EQ(frontend.submissions.size(), 2u);
    EXPECT_EQ(frontend.submissions[1].outcome, "refused");
    EXPECT_EQ(frontend.submissions[1].status, 403);

    auto opened = SearchConsoleLedger::open(params.ledgerFile);
    ASSERT_TRUE(opened.ledger);
    const auto history = opened.ledger->history(std::nullopt);
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[1].submission->outcome, "refused");
}

TEST(InspectionOrder, NeverInspectedThenAnnouncedThenNotIndexedThenOldestFirst) {
    const auto at = [](int s) { return base::TimePoint(std::chrono::seconds(s)); };
    const std::map<std::string, UrlRecord> records = {
        {"old-indexed", {at(10), true, std::nullopt}},
        {"older-indexed", {at(5), true, std::nullopt}},
        {"announced", {at(10), true, at(20)}},
        {"announced-before", {at(30), true, at(20)}},
        {"not-indexed", {at(40), false, std::nullopt}},
    };
    const std::vector<std::string> urls = {"old-indexed", "new-1",         "announced-before",
                                           "not-indexed", "older-indexed", "announced",
                                           "new-2"};
    EXPECT_EQ(inspectionOrder(urls, records),
              (std::vector<std::string>{"new-1", "new-2", "announced", "not-indexed",
                                        "older-indexed", "old-indexed", "announced-before"}));
}

// A service that fails as it is told, counting the calls.
class FailingService : public testing::Test {
protected:
    FailingService() {
        server.routes().Post("/token", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(R"({"access_token":"t","expires_in":3600})", "application/json");
        });
        const auto handler = [this](const httplib::Request& req, httplib::Response& res) {
            targets.push_back(req.target);
            res.status = status;
            res.set_content(R"({"error":{"code":)" + std::to_string(status) +
                                R"(,"message":"said by the fake","status":"X"}})",
                            "application/json");
        };
        server.routes().Get(R"(/.*)", handler);
        server.routes().Put(R"(/.*)", handler);
        server.routes().Post(R"(/v1/.*)", handler);
        server.start();
    }

    ApiAnswer callEach(const std::function<ApiAnswer(SearchConsoleClient&)>& call) {
        targets.clear();
        ServiceAccount account;
        account.tokenUri = server.url("/token");
        std::string error;
        account.privateKeyPem = sandbox::makeSandboxAccount(error)->privateKeyPem;
        TokenClient tokens(account, apiSettings(server.url("")), timing, clock);
        SearchConsoleClient client(tokens, apiSettings(server.url("")), timing);
        return call(client);
    }

    test::LoopbackHttpServer server;
    std::vector<std::string> targets;
    int status = 500;
    base::Timing timing = quickTiming();
    base::SystemClock clock;
};

TEST_F(FailingService, RetriesWhatMayPassAndNotWhatWillNot) {
    timing.googleRetries = 2;
    struct Case {
        int status;
        bool inspect;
        CallOutcome outcome;
        std::size_t calls;
    } cases[] = {
        {500, false, CallOutcome::ServerFailed, 3},
        {503, true, CallOutcome::ServerFailed, 3},
        {429, false, CallOutcome::QuotaSpent, 3},
        {429, true, CallOutcome::QuotaSpent, 1},
        {403, true, CallOutcome::PermissionDenied, 1},
        {400, false, CallOutcome::Refused, 1},
        // A new token once, then the refusal stands.
        {401, false, CallOutcome::Unauthenticated, 2},
    };
    for (const Case& c : cases) {
        status = c.status;
        const ApiAnswer a = callEach([&c](SearchConsoleClient& client) {
            return c.inspect ? client.inspect("sc-domain:a.example", "https://a.example/")
                             : client.sites();
        });
        EXPECT_EQ(a.outcome, c.outcome) << c.status;
        EXPECT_EQ(a.message, "said by the fake") << c.status;
        EXPECT_EQ(targets.size(), c.calls) << c.status;
    }
}

TEST_F(FailingService, ACertificateThatFailsIsNotAskedAgain) {
    timing.googleRetries = 2;
    test::TempWorkspace dir;
    const test::TestCertificate cert = test::makeTestCertificate(dir.path());
    test::LoopbackHttpServer untrusted(cert);
    untrusted.start();
    ServiceAccount account;
    account.tokenUri = server.url("/token");
    std::string error;
    account.privateKeyPem = sandbox::makeSandboxAccount(error)->privateKeyPem;
    TokenClient tokens(account, apiSettings(server.url("")), timing, clock);
    SearchConsoleClient client(tokens, apiSettings(untrusted.url("")), timing);
    const ApiAnswer a = client.sites();
    EXPECT_EQ(a.outcome, CallOutcome::Unreachable) << a.message;
    EXPECT_EQ(untrusted.tlsHandshakes(), 1u);
}

TEST_F(FailingService, SendsThePropertyAndTheSitemapAsOneEncodedSegmentEach) {
    status = 204;
    const ApiAnswer a = callEach([](SearchConsoleClient& client) {
        return client.submitSitemap("https://a.example/", "https://a.example/s map.xml?x=1");
    });
    EXPECT_TRUE(a.done()) << a.message;
    ASSERT_EQ(targets.size(), 1u);
    EXPECT_EQ(targets[0],
              "/webmasters/v3/sites/https%3A%2F%2Fa.example%2F/sitemaps/"
              "https%3A%2F%2Fa.example%2Fs%20map.xml%3Fx%3D1");
}

}  // namespace
}  // namespace farrow::google
