#include <curl/curl.h>
#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "submit/submission_controller.h"
#include "submit/transport.h"
#include "support/fake_run_frontend.h"
#include "support/quick_run.h"
#include "support/soak_targets.h"

namespace farrow::submit {
namespace {

using namespace std::chrono_literals;

// A few hundred sites of every behaviour through the real transports with the pacing shrunk:
// the logs account for every site exactly once and agree with the counters.
TEST(Soak, EverySiteIsLoggedOnceAndEveryFailureOnceMore) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    test::TempWorkspace ws;
    RunParams params = test::quickRunParams(ws, "http://soak.example/");
    base::Timing& t = params.timing;
    t.controllerPass = 5ms;
    t.httpConnectTimeout = 2000ms;
    t.httpReceiveTimeout = 400ms;
    // Far above any answer's time, so that only the hanging targets reach it on a loaded machine.
    t.workerLatencyLimit = 1500ms;
    test::SoakTargets targets(t.httpReceiveTimeout, t.workerLatencyLimit);

    const std::vector<test::SoakSite> sites = test::soakSites(256);
    for (const test::SoakSite& s : sites) {
        params.requests.push_back({s.name, targets.url(s.behaviour), "u=1", "GET", 0, "", ""});
    }
    test::FakeRunFrontend frontend;
    base::SystemClock clock;
    const RunResult r = runSubmission(std::move(params), frontend, makeExchangeTransport(), clock);

    ASSERT_TRUE(r.ran);
    const test::SoakCheck check =
        test::checkSoakLogs(sites, test::wholeFile(r.logPath), test::wholeFile(r.errorLogName),
                            test::wholeFile(r.failureProfilePath));
    for (const std::string& problem : check.problems) {
        ADD_FAILURE() << problem;
    }
    EXPECT_EQ(r.processed, 256);
    EXPECT_EQ(r.good, check.successful);
    EXPECT_EQ(r.failed, check.failed + check.terminated);
    EXPECT_EQ(check.errorRows, r.failed);
    EXPECT_EQ(static_cast<int>(r.failureList.size()), r.failed);
    EXPECT_EQ(check.terminated, 32);
    EXPECT_EQ(frontend.reports.size(), sites.size());
}

}  // namespace
}  // namespace farrow::submit
