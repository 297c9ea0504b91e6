#include <curl/curl.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/file_system.h"
#include "submit/submission_controller.h"
#include "submit/transport.h"
#include "support/fake_run_frontend.h"
#include "support/soak_targets.h"
#include "support/temp_workspace.h"

namespace farrow::submit {
namespace {

using namespace std::chrono_literals;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A few hundred sites of every behaviour through the real transports with the pacing shrunk:
// the logs account for every site exactly once and agree with the counters.
TEST(Soak, EverySiteIsLoggedOnceAndEveryFailureOnceMore) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    test::TempWorkspace ws;
    RunParams params;
    platform::makeDirectory(ws.file("LOGS"));
    platform::makeDirectory(ws.file("ERRORS"));
    params.profile.url = "http://soak.example/";
    params.logsDir = ws.file("LOGS");
    params.errorsDir = ws.file("ERRORS");
    base::Timing& t = params.timing;
    t.controllerPass = 5ms;
    t.controllerWait = 1ms;
    t.dispatcherPass = 2ms;
    t.dispatcherHarvestPause = 0ms;
    t.dispatcherRefillPause = 0ms;
    t.controllerEndNap = 0ms;
    t.workerPoll = 1ms;
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
    const test::SoakCheck check = test::checkSoakLogs(
        sites, slurp(r.logPath), slurp(r.errorLogName), slurp(r.failureProfilePath));
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
