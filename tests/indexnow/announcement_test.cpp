#include "indexnow/announcement.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "support/fake_indexnow_engine.h"
#include "support/loopback_listener.h"
#include "support/temp_workspace.h"
#include "support/test_certificate.h"

namespace farrow::indexnow {
namespace {

using namespace std::chrono_literals;
using Answer = test::FakeIndexNowEngine::Answer;

class RecordingObserver final : public AnnounceObserver {
public:
    void urlLeftOut(const LeftOutUrl& url) override { leftOut.push_back(url); }
    void requestPlanned(const std::string& method, const std::string& address,
                        const std::string& body) override {
        planned.push_back(method + " " + address + " " + body);
    }
    void requestAnswered(const RequestRecord& record) override { answered.push_back(record); }
    void waiting(const std::string&, base::Millis wait) override { waits.push_back(wait); }
    void progress(std::size_t sent, std::size_t total) override { lastProgress = {sent, total}; }

    std::vector<LeftOutUrl> leftOut;
    std::vector<std::string> planned;
    std::vector<RequestRecord> answered;
    std::vector<base::Millis> waits;
    std::pair<std::size_t, std::size_t> lastProgress;
};

class FixedClock final : public base::Clock {
public:
    base::TimePoint now() const override { return at; }
    base::TimePoint at = std::chrono::system_clock::from_time_t(1796803200);
};

std::vector<CandidateUrl> pages(std::size_t n, const std::string& prefix = "http://site.test/p") {
    std::vector<CandidateUrl> urls;
    for (std::size_t i = 0; i < n; ++i) {
        urls.push_back({prefix + std::to_string(i), UrlOrigin::List});
    }
    return urls;
}

class AnnouncementTest : public testing::Test {
protected:
    AnnouncementTest() {
        timing.indexnowRetryWait = 1ms;
        timing.indexnowRetryWaitLimit = 5000ms;
        timing.indexnowConnectTimeout = 2000ms;
        timing.indexnowStallTimeout = 2000ms;
        params.scope = *keyScope("http://site.test/", "abcdefgh", "").scope;
        params.logsDir = dir.workspace().logsDir();
        ledger.emplace(std::move(*AnnouncementLedger::open(ledgerPath(dir.workspace())).ledger));
    }

    AnnounceResult run(const std::atomic<bool>* cancel = nullptr) {
        observer = RecordingObserver();
        return announce(params, &*ledger, timing, clock, observer, cancel);
    }

    std::vector<std::string> outcomes() const {
        std::vector<std::string> words;
        for (const RequestRecord& r : observer.answered) {
            words.push_back(token(r.outcome));
        }
        return words;
    }

    test::TempWorkspace dir;
    base::Timing timing;
    FixedClock clock;
    AnnounceParams params;
    std::optional<AnnouncementLedger> ledger;
    RecordingObserver observer;
};

TEST_F(AnnouncementTest, EachAnswerCodeIsTakenAsThePublishedTableSays) {
    struct Case {
        int status;
        AnnounceEnding ending;
        std::size_t accepted, pending, refused, undelivered;
        // Requests the first endpoint gets, then the second.
        std::size_t first, second;
    } cases[] = {
        {200, AnnounceEnding::Finished, 3, 0, 0, 0, 1, 0},
        {202, AnnounceEnding::Finished, 0, 3, 0, 0, 1, 0},
        {400, AnnounceEnding::Refused, 0, 0, 3, 0, 1, 0},
        // Engines check the key each on their own.
        {403, AnnounceEnding::Finished, 3, 0, 0, 0, 1, 1},
        {422, AnnounceEnding::Refused, 0, 0, 3, 0, 1, 0},
        {429, AnnounceEnding::Finished, 3, 0, 0, 0, kAttemptsPerEndpoint, 1},
        {500, AnnounceEnding::Finished, 3, 0, 0, 0, kAttemptsPerEndpoint, 1},
        {503, AnnounceEnding::Finished, 3, 0, 0, 0, kAttemptsPerEndpoint, 1},
        {404, AnnounceEnding::Finished, 3, 0, 0, 0, 1, 1},
    };
    for (const Case& c : cases) {
        test::FakeIndexNowEngine first(
            {{c.status, "<h1>said " + std::to_string(c.status) + "</h1>", {}}});
        test::FakeIndexNowEngine second({{200, "", {}}});
        params.endpoints = {first.url(), second.url()};
        params.urls = pages(3, "http://site.test/" + std::to_string(c.status) + "/");
        const AnnounceResult r = run();
        EXPECT_EQ(r.ending, c.ending) << c.status;
        EXPECT_EQ(r.accepted, c.accepted) << c.status;
        EXPECT_EQ(r.pending, c.pending) << c.status;
        EXPECT_EQ(r.refused, c.refused) << c.status;
        EXPECT_EQ(r.undelivered, c.undelivered) << c.status;
        EXPECT_EQ(first.count(), c.first) << c.status;
        EXPECT_EQ(second.count(), c.second) << c.status;
        EXPECT_TRUE(r.anyAnswer);
        EXPECT_EQ(r.keyRefusedBy, c.status == 403 ? std::vector<std::string>{first.url()}
                                                  : std::vector<std::string>{})
            << c.status;
        if (c.ending == AnnounceEnding::Refused) {
            EXPECT_EQ(r.engineWords, "said " + std::to_string(c.status));
            EXPECT_FALSE(r.advice.empty());
        }
    }
}

TEST_F(AnnouncementTest, OnlyAKeyRefusedByEveryEngineIsARefusal) {
    test::FakeIndexNowEngine first({{403, "no key", {}}});
    test::FakeIndexNowEngine second({{403, "no key here either", {}}});
    const std::string closed =
        "http://127.0.0.1:" + std::to_string(test::closedLoopbackPort()) + "/indexnow";
    params.endpoints = {first.url(), second.url()};
    params.urls = pages(2);
    AnnounceResult r = run();
    EXPECT_EQ(r.ending, AnnounceEnding::Refused);
    EXPECT_EQ(r.refused, 2u);
    EXPECT_EQ(r.engineWords, "no key here either");
    EXPECT_FALSE(r.advice.empty());

    // One refused, the other never answered: nothing to fix that is known, nothing delivered.
    params.endpoints = {first.url(), closed};
    r = run();
    EXPECT_EQ(r.ending, AnnounceEnding::Finished);
    EXPECT_EQ(r.undelivered, 2u);
    EXPECT_TRUE(r.advice.empty());
    EXPECT_EQ(r.keyRefusedBy, std::vector<std::string>{first.url()});
}

TEST_F(AnnouncementTest, PostCarriesTheProtocolsJsonAndSplitsAtTenThousand) {
    test::FakeIndexNowEngine engine;
    params.endpoints = {engine.url()};
    params.urls = pages(20001);
    const AnnounceResult r = run();
    EXPECT_EQ(r.accepted, 20001u);
    const auto seen = engine.seen();
    ASSERT_EQ(seen.size(), 3u);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].method, "POST");
        EXPECT_EQ(seen[i].contentType, "application/json; charset=utf-8");
        EXPECT_EQ(seen[i].urlCount, i < 2 ? 10000 : 1);
        EXPECT_TRUE(
            seen[i].body.starts_with("{\"host\":\"site.test\",\"key\":\"abcdefgh\","
                                     "\"urlList\":[\"http://site.test/p"))
            << seen[i].body.substr(0, 80);
    }
    EXPECT_EQ(observer.lastProgress, (std::pair<std::size_t, std::size_t>{20001, 20001}));
    EXPECT_EQ(ledger->history(std::nullopt).size(), 20001u);
}

TEST_F(AnnouncementTest, SingleUrlGoesAsGetWithItsKeyLocation) {
    test::FakeIndexNowEngine engine({{202, "", {}}});
    params.scope =
        *keyScope("http://site.test/", "abcdefgh", "http://site.test/k/abcdefgh.txt").scope;
    params.endpoints = {engine.url()};
    params.urls = {{"http://site.test/k/a?b=c&d", UrlOrigin::Profile}};
    EXPECT_EQ(run().pending, 1u);
    const auto seen = engine.seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(seen[0].url, "http://site.test/k/a?b=c&d");
    EXPECT_EQ(seen[0].key, "abcdefgh");
    EXPECT_EQ(seen[0].keyLocation, "http://site.test/k/abcdefgh.txt");
}

TEST_F(AnnouncementTest, RetryAfterIsWaitedWithinItsBoundThenTheNextEngineIsTried) {
    test::FakeIndexNowEngine busy({{429, "", {{"Retry-After", "0"}}}});
    test::FakeIndexNowEngine tooBusy({{503, "", {{"Retry-After", "3600"}}}});
    const std::string closed =
        "http://127.0.0.1:" + std::to_string(test::closedLoopbackPort()) + "/indexnow";
    test::FakeIndexNowEngine failing({{500, "", {}}});
    test::FakeIndexNowEngine fine;
    timing.indexnowRetryWait = 3ms;
    timing.indexnowRetryWaitLimit = 60000ms;
    params.endpoints = {busy.url(), tooBusy.url(), closed, failing.url(), fine.url()};
    params.urls = pages(2);
    const AnnounceResult r = run();
    EXPECT_EQ(r.accepted, 2u);
    EXPECT_EQ(busy.count(), static_cast<std::size_t>(kAttemptsPerEndpoint));
    // An hour is past the bound: the next engine at once.
    EXPECT_EQ(tooBusy.count(), 1u);
    EXPECT_EQ(failing.count(), static_cast<std::size_t>(kAttemptsPerEndpoint));
    EXPECT_EQ(fine.count(), 1u);
    std::vector<std::string> expected(kAttemptsPerEndpoint, "busy");
    expected.push_back("failed");
    expected.insert(expected.end(), kAttemptsPerEndpoint, "unreachable");
    expected.insert(expected.end(), kAttemptsPerEndpoint, "failed");
    expected.push_back("accepted");
    EXPECT_EQ(outcomes(), expected);
    EXPECT_EQ(observer.answered[0].retryAfter, 0);
    EXPECT_EQ(observer.answered[kAttemptsPerEndpoint].retryAfter, 3600);
    // Retry-After's own wait, then the default one where none was given.
    std::vector<base::Millis> waits(kAttemptsPerEndpoint - 1, 0ms);
    waits.insert(waits.end(), 2 * (kAttemptsPerEndpoint - 1), 3ms);
    EXPECT_EQ(observer.waits, waits);
    // What nothing answered is not written down.
    EXPECT_EQ(ledger->history(std::nullopt).size(), 2u * (2 * kAttemptsPerEndpoint + 2));
}

TEST_F(AnnouncementTest, NoEngineReachableLeavesEverythingUndelivered) {
    params.endpoints = {"http://127.0.0.1:" + std::to_string(test::closedLoopbackPort()) + "/"};
    params.urls = pages(10001);
    const AnnounceResult r = run();
    EXPECT_FALSE(r.anyAnswer);
    EXPECT_EQ(r.undelivered, 10001u);
    EXPECT_EQ(r.accepted, 0u);
    EXPECT_TRUE(ledger->history(std::nullopt).empty());
}

TEST_F(AnnouncementTest, LedgerSkipsWhatWasAcceptedRecentlyUnlessForced) {
    test::FakeIndexNowEngine engine;
    params.endpoints = {engine.url()};
    params.urls = pages(3);
    EXPECT_EQ(run().accepted, 3u);

    params.urls = pages(5);
    clock.at += 23h;
    AnnounceResult r = run();
    EXPECT_EQ(r.toSend, 2u);
    EXPECT_EQ(r.leftOut, 3u);
    EXPECT_EQ(token(observer.leftOut[0]), "sent-recently");
    EXPECT_EQ(engine.seen().back().urlCount, 2);

    params.force = true;
    EXPECT_EQ(run().toSend, 5u);
    params.force = false;
    // A day after the last sending, all go again.
    clock.at += 25h;
    EXPECT_EQ(run().toSend, 5u);
}

TEST_F(AnnouncementTest, PagesThatSayWhenTheyChangedGoAgainOnlyWhenTheyDid) {
    test::FakeIndexNowEngine engine;
    params.endpoints = {engine.url()};
    params.urls = pages(4);
    ASSERT_EQ(run().accepted, 4u);

    // An hour later: p0 changed before it was taken, p1 after, p3 the moment it was; p2 does
    // not say; p4 is new however old its date.
    const base::TimePoint taken = clock.at;
    clock.at += 1h;
    params.urls = pages(5);
    params.urls[0].lastModified = taken - 1min;
    params.urls[1].lastModified = taken + 30min;
    params.urls[2].lastModified.reset();
    params.urls[3].lastModified = taken;
    params.urls[4].lastModified = taken - 48h;
    params.dryRun = true;
    AnnounceResult r = run();
    EXPECT_EQ(r.toSend, 2u);
    std::map<std::string, std::string> reasons;
    for (const LeftOutUrl& url : observer.leftOut) {
        reasons[url.url] = token(url);
    }
    EXPECT_EQ(reasons, (std::map<std::string, std::string>{{"http://site.test/p0", "unchanged"},
                                                           {"http://site.test/p2", "sent-recently"},
                                                           {"http://site.test/p3", "unchanged"}}));
    // Once the resend wait is over, lastmod still holds back what did not change.
    clock.at += 48h;
    EXPECT_EQ(run().toSend, 3u);
    params.force = true;
    EXPECT_EQ(run().toSend, 5u);
}

TEST_F(AnnouncementTest, ADateStillToComeIsTakenAsNone) {
    test::FakeIndexNowEngine engine;
    params.endpoints = {engine.url()};
    params.urls = pages(2);
    ASSERT_EQ(run().accepted, 2u);
    clock.at += 1h;
    params.urls[0].lastModified = clock.at + 24h * 365 * 170;
    params.urls[1].lastModified = clock.at + 1s;
    const AnnounceResult r = run();
    EXPECT_EQ(r.toSend, 0u);
    ASSERT_EQ(observer.leftOut.size(), 2u);
    EXPECT_EQ(token(observer.leftOut[0]), "sent-recently");
    EXPECT_EQ(r.futureDated, (std::vector<std::string>{params.urls[0].url, params.urls[1].url}));
    std::ifstream in(r.logPath);
    std::stringstream log;
    log << in.rdbuf();
    EXPECT_NE(log.str().find("Dated In The Future"), std::string::npos) << log.str();
}

TEST_F(AnnouncementTest, TheRequestUnderWayWhenStoppedEndsAndIsRecorded) {
    test::FakeIndexNowEngine engine;
    engine.holdFrom(1);
    params.endpoints = {engine.url()};
    params.urls = pages(10001);
    std::atomic<bool> cancel{false};
    std::jthread canceller([&] {
        while (engine.count() == 0) {
            std::this_thread::sleep_for(1ms);
        }
        cancel = true;
        // Long enough for a stop that would drop the request to be seen first.
        std::this_thread::sleep_for(200ms);
        engine.release();
    });
    const AnnounceResult r = run(&cancel);
    EXPECT_EQ(r.ending, AnnounceEnding::Cancelled);
    EXPECT_EQ(r.accepted, 10000u);
    EXPECT_EQ(r.undelivered, 1u);
    EXPECT_EQ(engine.count(), 1u);
    EXPECT_EQ(ledger->history(std::nullopt).size(), 10000u);
}

TEST_F(AnnouncementTest, AnAnswerTheLedgerCannotTakeCountsAsTakenAndNotRecorded) {
    test::FakeIndexNowEngine engine({{202, "", {}}});
    params.endpoints = {engine.url()};
    params.urls = pages(10001);
    // A disk that fills as the answer is written down.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(ledgerPath(dir.workspace()).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TRIGGER full BEFORE INSERT ON sending BEGIN SELECT "
                           "RAISE(ABORT, 'database or disk is full'); END",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const AnnounceResult r = run();
    EXPECT_EQ(r.ending, AnnounceEnding::LedgerFailed);
    EXPECT_EQ(r.pending, 10000u);
    EXPECT_EQ(r.notRecorded, 10000u);
    EXPECT_EQ(r.undelivered, 1u);
    EXPECT_EQ(r.ledgerError, "database or disk is full");
    EXPECT_EQ(engine.count(), 1u);
    std::ifstream in(r.logPath);
    std::stringstream log;
    log << in.rdbuf();
    EXPECT_NE(log.str().find("accepted, not recorded: 10000"), std::string::npos) << log.str();
}

TEST_F(AnnouncementTest, RunsStartedInOneSecondKeepALogEach) {
    test::FakeIndexNowEngine engine;
    params.endpoints = {engine.url()};
    params.urls = pages(1);
    params.force = true;
    const std::string first = run().logPath;
    const std::string second = run().logPath;
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(second.ends_with("-2.HTM")) << second;
    std::ifstream in(first);
    std::stringstream log;
    log << in.rdbuf();
    EXPECT_EQ(log.str().find("<HTML>", 1), std::string::npos) << log.str();
}

TEST_F(AnnouncementTest, DryRunSendsAndRecordsNothing) {
    test::FakeIndexNowEngine engine;
    params.endpoints = {engine.url()};
    params.urls = pages(10001);
    params.urls.push_back({"http://other.test/x", UrlOrigin::List});
    params.dryRun = true;
    const AnnounceResult r = run();
    EXPECT_EQ(r.toSend, 10001u);
    EXPECT_EQ(r.leftOut, 1u);
    ASSERT_EQ(observer.planned.size(), 2u);
    EXPECT_TRUE(observer.planned[0].starts_with("POST " + engine.url() + " {\"host\""));
    EXPECT_EQ(engine.count(), 0u);
    EXPECT_TRUE(ledger->history(std::nullopt).empty());
    EXPECT_TRUE(r.logPath.empty());
    // Without endpoints, the shared one.
    params.endpoints.clear();
    run();
    EXPECT_TRUE(observer.planned[0].starts_with("POST https://api.indexnow.org/indexnow {"));
}

TEST_F(AnnouncementTest, HugeOrHtmlAnswersAreReadBoundedAndShownAsALine) {
    test::LoopbackHttpServer server;
    server.routes().Post("/huge", [](const httplib::Request&, httplib::Response& res) {
        res.status = 500;
        res.set_content_provider(std::size_t{2} << 30, "text/html",
                                 [](std::size_t, std::size_t length, httplib::DataSink& sink) {
                                     static const std::string block(64 * 1024, 'z');
                                     return sink.write(block.data(),
                                                       std::min(length, block.size()));
                                 });
    });
    server.routes().Post("/html", [](const httplib::Request&, httplib::Response& res) {
        res.status = 422;
        res.set_content("<!DOCTYPE html>\n<html><body><p>URLs &amp; key\ndo not match</p>",
                        "text/html");
    });
    server.start();
    params.endpoints = {server.url("/huge"), server.url("/html")};
    params.urls = pages(2);
    const AnnounceResult r = run();
    EXPECT_EQ(r.ending, AnnounceEnding::Refused);
    ASSERT_EQ(observer.answered.size(), static_cast<std::size_t>(kAttemptsPerEndpoint + 1));
    EXPECT_LE(observer.answered[0].detail.size(), 163u);
    EXPECT_EQ(r.engineWords, "URLs &amp; key do not match");
}

TEST_F(AnnouncementTest, CancelStopsBetweenRequestsAndDuringWaits) {
    test::FakeIndexNowEngine busy({{429, "", {{"Retry-After", "2"}}}});
    params.endpoints = {busy.url()};
    params.urls = pages(2);
    std::atomic<bool> cancel{false};
    std::jthread canceller([&] {
        while (busy.count() == 0) {
            std::this_thread::sleep_for(1ms);
        }
        cancel = true;
    });
    const AnnounceResult r = run(&cancel);
    EXPECT_EQ(r.ending, AnnounceEnding::Cancelled);
    EXPECT_EQ(r.undelivered, 2u);
    EXPECT_EQ(busy.count(), 1u);
}

TEST_F(AnnouncementTest, LogHoldsEachRequestAndLeftOutUrlEscaped) {
    test::FakeIndexNowEngine engine({{403, "<b>key & file</b>", {}}});
    params.endpoints = {engine.url()};
    params.urls = pages(2);
    params.leftOut = {{"<script>x</script>", LeftOutReason::NotAUrl}};
    const AnnounceResult r = run();
    ASSERT_FALSE(r.logPath.empty());
    std::ifstream in(r.logPath);
    std::stringstream text;
    text << in.rdbuf();
    const std::string log = text.str();
    EXPECT_TRUE(log.starts_with("<HTML>\n<BODY BGCOLOR=#C0C0C0")) << log;
    EXPECT_NE(log.find("&lt;script&gt;x&lt;/script&gt;"), std::string::npos) << log;
    EXPECT_EQ(log.find("<script>"), std::string::npos);
    EXPECT_NE(log.find("key &amp; file"), std::string::npos) << log;
    EXPECT_NE(log.find("<B>refused</B>"), std::string::npos) << log;
    EXPECT_NE(log.find("To fix: the key is not valid"), std::string::npos) << log;
    EXPECT_TRUE(log.ends_with("</BODY>\n</HTML>\n"));
}

TEST(AnnouncementTls, SpeaksHttpsWithTheGivenCaOnly) {
    test::TempWorkspace dir;
    const test::TestCertificate cert = test::makeTestCertificate(dir.path());
    test::FakeIndexNowEngine engine({{200, "", {}}}, &cert);
    AnnounceParams params;
    params.scope = *keyScope("https://site.test/", "abcdefgh", "").scope;
    params.endpoints = {engine.url()};
    params.urls = pages(2, "https://site.test/");
    base::Timing timing;
    timing.indexnowRetryWait = 1ms;
    FixedClock clock;
    RecordingObserver observer;
    AnnounceResult r = announce(params, nullptr, timing, clock, observer);
    EXPECT_EQ(r.accepted, 0u);
    EXPECT_FALSE(r.anyAnswer);
    EXPECT_EQ(engine.count(), 0u);
    params.caFile = cert.certFile;
    r = announce(params, nullptr, timing, clock, observer);
    EXPECT_EQ(r.accepted, 2u);
    EXPECT_EQ(engine.count(), 1u);
}

TEST(AnnouncementTls, ACertificateThatFailsIsNotAskedAgainNorWaitedFor) {
    test::TempWorkspace dir;
    const test::TestCertificate cert = test::makeTestCertificate(dir.path());
    test::FakeIndexNowEngine first({{200, "", {}}}, &cert);
    test::FakeIndexNowEngine second({{200, "", {}}}, &cert);
    std::ofstream(dir.file("garbage.pem")) << "no certificate\n";
    AnnounceParams params;
    params.scope = *keyScope("https://site.test/", "abcdefgh", "").scope;
    params.endpoints = {first.url(), second.url()};
    params.urls = pages(2, "https://site.test/");
    base::Timing timing;
    timing.indexnowRetryWait = 1ms;
    FixedClock clock;
    // Untrusted, then a CA file that cannot be used: one try per engine, no wait between.
    for (const std::string& caFile : {std::string(), dir.file("garbage.pem")}) {
        params.caFile = caFile;
        RecordingObserver observer;
        const AnnounceResult r = announce(params, nullptr, timing, clock, observer);
        EXPECT_EQ(r.undelivered, 2u) << caFile;
        ASSERT_EQ(observer.answered.size(), 2u) << caFile;
        EXPECT_TRUE(observer.waits.empty()) << caFile;
        if (!caFile.empty()) {
            EXPECT_EQ(observer.answered[0].detail,
                      "FARROWLANE_CA_FILE " + caFile + ": holds no PEM certificate");
        }
    }
}

}  // namespace
}  // namespace farrow::indexnow

namespace farrow::indexnow {
namespace {

TEST(AnnouncementTiming, EveryWaitOfTheChannelCanBeSetByName) {
    const base::TimingOverrides r = base::applyTimingOverrides(
        "indexnowConnectTimeout=1,indexnowStallTimeout=2,indexnowDeadline=3,indexnowRetryWait=4,"
        "indexnowRetryWaitLimit=5,indexnowResendAfter=6,indexnowLockWait=7,sitemapDeadline=8",
        base::Timing{});
    ASSERT_TRUE(r.timing) << r.error;
    const base::Timing& t = *r.timing;
    EXPECT_EQ(
        std::vector<long long>({t.indexnowConnectTimeout.count(), t.indexnowStallTimeout.count(),
                                t.indexnowDeadline.count(), t.indexnowRetryWait.count(),
                                t.indexnowRetryWaitLimit.count(), t.indexnowResendAfter.count(),
                                t.indexnowLockWait.count(), t.sitemapDeadline.count()}),
        std::vector<long long>({1, 2, 3, 4, 5, 6, 7, 8}));
    // The day of the resend window is a whole number of milliseconds the parser takes.
    EXPECT_EQ(base::Timing{}.indexnowResendAfter, std::chrono::hours(24));
}

}  // namespace
}  // namespace farrow::indexnow
