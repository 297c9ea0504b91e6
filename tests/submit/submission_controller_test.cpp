#include "submit/submission_controller.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "base/text.h"
#include "platform/file_system.h"
#include "support/fake_run_frontend.h"
#include "support/loopback_http_server.h"
#include "support/quick_run.h"

namespace farrow::submit {
namespace {

using namespace std::chrono_literals;
using test::FakeRunFrontend;
using test::ManualClock;
using test::ScriptedTransport;

struct ControllerFixture : ::testing::Test {
    static void SetUpTestSuite() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    ControllerFixture() : params(test::quickRunParams(ws, "http://my.example/")) {
        params.runStopped = &runStopped;
    }
    static SiteRequest request(const std::string& name, const std::string& method,
                               const std::string& url, const std::string& payload = " ") {
        return {name, url, payload, method, 0, "", ""};
    }
    std::string read(const std::string& path) const {
        return ws.read(path.substr(ws.path().string().size() + 1));
    }
    bool reported(const std::string& name) const {
        return std::any_of(frontend.reports.begin(), frontend.reports.end(),
                           [&](const SiteReport& r) { return r.siteName == name; });
    }

    test::TempWorkspace ws;
    RunParams params;
    FakeRunFrontend frontend;
    std::atomic<bool> runStopped{false};
};

constexpr const char* kHead =
    "<HTML>\n<BODY BGCOLOR=#C0C0C0 LINK=#FF0000 VLINK=#FF0000 ALINK=#FF0000>\n";

TEST_F(ControllerFixture, ASmallRunWritesBothLogsByteForByte) {
    auto transport = std::make_shared<ScriptedTransport>();
    TransportOutcome refused;
    refused.ok = false;
    refused.errorText = "Failed with RC of 500";
    refused.status = 500;
    refused.responseCode = 500;
    transport->script("B", refused);
    // The rows come in a fixed order: C (answered at once), then A, then B.
    transport->hold("A");
    transport->hold("B");
    frontend.onPump = [&](FakeRunFrontend& f) {
        if (f.reports.size() >= 1) {
            transport->release("A");
        }
        if (f.reports.size() >= 2) {
            transport->release("B");
        }
    };
    params.requests = {request("C", "GET", "http://c/"), request("A", "GET", "http://a/"),
                       request("B", "POST", "http://b/")};
    frontend.answerYes = true;
    ManualClock clock(test::fixedStart());
    const RunResult r = runSubmission(params, frontend, transport, clock);

    ASSERT_TRUE(r.ran);
    EXPECT_EQ(r.processed, 3);
    EXPECT_EQ(r.good, 2);
    EXPECT_EQ(r.failed, 1);
    EXPECT_FALSE(r.stopped);
    EXPECT_TRUE(r.offerErrorLog);
    EXPECT_EQ(frontend.questions, 1);
    EXPECT_EQ(frontend.shownLogs, std::vector<std::string>{r.errorLogName});
    EXPECT_EQ(r.logPath, ws.file("LOGS/my.example+-03070905.HTM"));
    EXPECT_EQ(r.failureProfilePath, ws.file("ERRORS/my.example+-03070905.fl2"));

    const std::string e = r.errorLogName;
    EXPECT_EQ(read(r.logPath),
              std::string(kHead) + "<TITLE>Submission Log Of my.example+</TITLE>\n" +
                  "<B>Submission Log File created on Sunday, March 07, 2004 at 09:05</B><BR>\n" +
                  "<a href=\"" + e + "\"> Verbose Error Log </a><BR><BR>\n" +
                  "<B>Now Submitting http://my.example/</B><BR>\n<TABLE>\n" +
                  "<TR><TD>SUCCESSFUL:<TD>C\n<TR><TD>SUCCESSFUL:<TD>A\n" +
                  "<TR><TD><FONT COLOR=#D00000><a href=\"" + e + "#B\">FAILED:</FONT><TD>B\n" +
                  "</TABLE>\n<B>Submission took: 0 hours 0 minutes and 0 seconds\n" +
                  "<BR>Effective Ratio of Failures to Successes for this submission: " +
                  "33.33<BR>\n</BODY>\n</HTML>\n");
    EXPECT_EQ(read(e),
              std::string(kHead) + "<TITLE>Submission Error Log Of my.example+</TITLE>\n" +
                  "<B>Error Log File created on Sunday, March 07, 2004 at 09:05</B><BR>\n" +
                  "<B>Now Submitting http://my.example/</B><BR>\n<TABLE>\n" +
                  "<TR><TD><A NAME=\"B\">B<TD>Program.error [0] [Failed with RC of 500]</A>\n" +
                  "</TABLE>\n<BR><B><I>Wrote Failure Profile " + r.failureProfilePath +
                  "</B></I><BR>\n<B>Error Log File closed at Sunday, March 07, 2004</B><BR>\n" +
                  "</BODY>\n</HTML>\n");
    EXPECT_NE(read(r.failureProfilePath).find("\r\nB\r\nDATAEND\r\n"), std::string::npos);

    EXPECT_EQ(frontend.statuses, (std::vector<std::string>{"BUSY", "IDLE"}));
    const auto& texts = frontend.progress.texts;
    EXPECT_EQ(texts.front(), "caption: Submitting: http://my.example/");
    EXPECT_NE(std::find(texts.begin(), texts.end(), "total: 0/3"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "total:    3"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "failRate: 33.33"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "good:    2"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "failure:    1"), texts.end());
    EXPECT_EQ(frontend.progress.barMaximum, 4);
    EXPECT_EQ(frontend.progress.barPosition, 3);
    EXPECT_TRUE(frontend.progress.destroyed);
    EXPECT_NE(std::find(frontend.captions.begin(), frontend.captions.end(),
                        "   3 Logging to: ./LOGS/my.example+-03070905.HTM"),
              frontend.captions.end());
    ASSERT_EQ(frontend.reports.size(), 3u);
    EXPECT_EQ(frontend.reports[2].httpStatus, 500);
    EXPECT_EQ(frontend.reports[2].reason, ReportReason::ExchangeFailed);
    EXPECT_EQ(frontend.reports[0].reason, ReportReason::Accepted);
}

// With "/HTML" the exchanges go to the dump in the order they ended, and the failure profile
// keeps the failed site's category.
TEST_F(ControllerFixture, ADumpedRunWritesTheDumpAndTheFailureProfileByteForByte) {
    auto transport = std::make_shared<ScriptedTransport>();
    TransportOutcome accepted;
    accepted.reply = "Thanks, we will look";
    transport->script("A", accepted);
    TransportOutcome refused;
    refused.ok = false;
    refused.errorText = "Failed with RC of 500";
    refused.status = 500;
    refused.responseCode = 500;
    refused.reply = "down for now";
    transport->script("B", refused);
    transport->hold("B");
    frontend.onPump = [&](FakeRunFrontend& f) {
        if (!f.reports.empty()) {
            transport->release("B");
        }
    };
    params.switches.htmlDump = true;
    params.profile.title = "Mine";
    params.requests = {request("A", "GET", "http://a/?u=1"),
                       {"B", "http://b/", "u=1", "POST", 1, "Arts", ""}};
    ManualClock clock(test::fixedStart());
    const RunResult r = runSubmission(params, frontend, transport, clock);

    ASSERT_EQ(r.failed, 1);
    EXPECT_EQ(ws.read("LOGS/HTMLDUMP.WRI"),
              "sz: http://a/?u=1\nThanks, we will look\nsz: http://b/\ndown for now\n");
    const std::string profile = read(r.failureProfilePath);
    // The header line, then the profile's URL and title.
    EXPECT_EQ(profile.find("\r\nhttp://my.example/\r\nMine\r\n"), profile.find("\r\n")) << profile;
    const std::string end = "\r\nSAFE\r\nSAFE\r\nSHALLOW\r\nB\r\nArts\r\nDATAEND\r\n";
    ASSERT_GE(profile.size(), end.size());
    EXPECT_EQ(profile.substr(profile.size() - end.size()), end);
    EXPECT_EQ(std::count(profile.begin(), profile.end(), '\n'), 38) << profile;
}

TEST_F(ControllerFixture, FortyLoopbackTargetsRunFifteenAtOnceAndA500Fails) {
    test::LoopbackHttpServer server;
    std::atomic<int> inFlight{0};
    std::atomic<int> most{0};
    server.routes().Get("/add", [&](const httplib::Request&, httplib::Response& res) {
        const int now = ++inFlight;
        int seen = most;
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        // The first wave waits until all of it has arrived (or gives up after a while).
        for (int i = 0; i < 300 && most < 15; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        std::this_thread::sleep_for(20ms);
        --inFlight;
        res.set_content("Thank you", "text/html");
    });
    server.routes().Post("/broken",
                         [](const httplib::Request&, httplib::Response& res) { res.status = 500; });
    server.start();
    // The first wave may take a while to gather on a loaded machine; nobody is cut off meanwhile.
    params.timing.httpReceiveTimeout = 10s;
    for (int i = 0; i < 40; ++i) {
        params.requests.push_back(
            request(base::format("Site%02d", i), "GET", server.url("/add"), "?q=1"));
    }
    params.requests.push_back(request("Broken", "POST", server.url("/broken"), "a=1"));
    base::SystemClock clock;
    const RunResult r = runSubmission(params, frontend, makeExchangeTransport(), clock);
    EXPECT_EQ(most, 15);
    EXPECT_EQ(r.processed, 41);
    EXPECT_EQ(r.good, 40);
    EXPECT_EQ(r.failed, 1);
    ASSERT_EQ(r.failureList.size(), 1u);
    EXPECT_EQ(r.failureList[0].siteName, "Broken");
    const std::string log = read(r.logPath);
    EXPECT_NE(log.find("<a href=\"" + r.errorLogName + "#Broken\">FAILED:</FONT><TD>Broken\n"),
              std::string::npos);
    EXPECT_NE(read(r.errorLogName).find("<A NAME=\"Broken\">Broken<TD>Program.error [0]"),
              std::string::npos);
}

TEST_F(ControllerFixture, AHangingTargetIsTerminatedOnceAndItsLateAnswerDropped) {
    test::LoopbackHttpServer server;
    std::atomic<bool> answered{false};
    std::atomic<bool> release{false};
    // The answer comes only after the run has given the site up, however slow the machine.
    server.routes().Get("/hang", [&](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 1000 && !release; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        res.set_content("late", "text/html");
        answered = true;
    });
    server.start();
    params.switches.htmlDump = true;
    // Doubled by the dump switch.
    params.timing.workerLatencyLimit = 100ms;
    params.requests = {request("Hang", "GET", server.url("/hang"), "")};
    base::SystemClock clock;
    const RunResult r = runSubmission(params, frontend, makeExchangeTransport(), clock);
    EXPECT_EQ(r.processed, 1);
    EXPECT_EQ(r.failed, 1);
    ASSERT_EQ(r.failureList.size(), 1u);
    ASSERT_EQ(frontend.reports.size(), 1u);
    EXPECT_EQ(frontend.reports[0].outcome, ReportOutcome::Terminated);
    const std::string log = read(r.logPath);
    const std::string errors = read(r.errorLogName);
    release = true;
    for (int i = 0; i < 1000 && !answered; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(answered);
    // Give the abandoned worker time to do whatever it would do with the answer.
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(read(r.logPath), log);
    EXPECT_EQ(read(r.errorLogName), errors);
    EXPECT_NE(errors.find("Latent Thread Terminated"), std::string::npos);
    EXPECT_EQ(log.find("SUCCESSFUL"), std::string::npos);
    EXPECT_FALSE(platform::fileExists(ws.file("LOGS/HTMLDUMP.WRI")));
}

TEST_F(ControllerFixture, AbortLeavesTheUnstartedSitesInTheFailureProfile) {
    auto transport = std::make_shared<ScriptedTransport>();
    for (int i = 0; i < 20; ++i) {
        const std::string name = base::format("Site%02d", i);
        transport->hold(name);
        params.requests.push_back(request(name, "GET", "http://x/"));
    }
    int pumpsSinceAbort = 0;
    frontend.onPump = [&](FakeRunFrontend& f) {
        if (transport->sent().size() == 15) {
            f.progress.abort = true;
        }
        // The workers answer once the stop has surely reached the dispatcher.
        if (f.progress.abort && ++pumpsSinceAbort == 20) {
            for (int i = 0; i < 20; ++i) {
                transport->release(base::format("Site%02d", i));
            }
        }
    };
    base::SystemClock clock;
    const RunResult r = runSubmission(params, frontend, transport, clock);
    EXPECT_TRUE(r.stopped);
    EXPECT_TRUE(runStopped);
    EXPECT_EQ(r.processed, 15);
    EXPECT_EQ(r.failed, 0);
    ASSERT_EQ(r.failureList.size(), 5u);
    EXPECT_EQ(r.failureList[0].siteName, "Site15");
    // No site failed, but a failure profile was written: the run had failures all the same.
    EXPECT_TRUE(r.hadFailures());
    EXPECT_TRUE(r.offerErrorLog);
    EXPECT_EQ(frontend.questions, 1);
    ASSERT_FALSE(r.failureProfilePath.empty());
    EXPECT_NE(read(r.failureProfilePath).find("Site19\r\nDATAEND"), std::string::npos);
    ASSERT_EQ(frontend.reports.size(), 20u);
    EXPECT_EQ(frontend.reports.back().outcome, ReportOutcome::NotStarted);
    const std::string log = read(r.logPath);
    const std::size_t stop =
        log.find("<FONT COLOR=#0000FF> Stopping Submission due to user request</FONT>\n");
    const std::size_t stopped =
        log.find("<FONT COLOR=#0000FF> Submission Stopped Successfully</FONT>\n");
    ASSERT_NE(stop, std::string::npos);
    ASSERT_NE(stopped, std::string::npos);
    EXPECT_LT(stop, stopped);
    EXPECT_NE(read(r.errorLogName).find("Submission Stopped Successfully"), std::string::npos);
}

TEST_F(ControllerFixture, PauseHoldsTheResultsUntilReleased) {
    auto transport = std::make_shared<ScriptedTransport>();
    transport->hold("A");
    params.requests = {request("A", "GET", "http://a/")};
    int pausedPumps = 0;
    bool heldWhilePaused = true;
    frontend.onPump = [&](FakeRunFrontend& f) {
        if (!f.progress.pause && pausedPumps == 0) {
            f.progress.pause = true;
        }
        if (f.progress.pause) {
            ++pausedPumps;
            if (pausedPumps == 20) {
                transport->release("A");
            }
            if (pausedPumps > 20 && !f.reports.empty()) {
                heldWhilePaused = false;
            }
            if (pausedPumps == 60) {
                f.progress.pause = false;
            }
        }
    };
    base::SystemClock clock;
    const RunResult r = runSubmission(params, frontend, transport, clock);
    EXPECT_TRUE(heldWhilePaused);
    EXPECT_EQ(r.good, 1);
    EXPECT_NE(std::find(frontend.captions.begin(), frontend.captions.end(), "Paused....."),
              frontend.captions.end());
    EXPECT_NE(std::find(frontend.captions.begin(), frontend.captions.end(), "Resuming..."),
              frontend.captions.end());
    EXPECT_NE(read(r.logPath).find("Pausing Submission due to user request"), std::string::npos);
}

TEST_F(ControllerFixture, ABatchRunCopiesItsRowsAndAsksNothing) {
    auto transport = std::make_shared<ScriptedTransport>();
    TransportOutcome refused;
    refused.ok = false;
    refused.errorText = "down";
    transport->script("B", refused);
    params.requests = {request("A", "GET", "http://a/"), request("B", "GET", "http://b/")};
    params.currentProfilePath = "/profiles/p.fl2";
    params.batchLogPath = ws.file("LOGS/BatchLog.HTM");
    params.batchErrorLogPath = ws.file("ERRORS/BatchLog.HTM");
    params.switches.verbose = true;
    base::SystemClock clock;
    const RunResult r = runSubmission(params, frontend, transport, clock);
    EXPECT_EQ(frontend.questions, 0);
    EXPECT_TRUE(r.batchHadErrors);
    const std::string batch = read(params.batchLogPath);
    EXPECT_EQ(batch.find("<TR><TR>http://my.example/ From /profiles/p.fl2\n"), 0u);
    EXPECT_NE(batch.find("<TR><TD><a href=\"" + r.errorLogName +
                         "\"> Verbose Error Log </a><BR><BR>\n\n"),
              std::string::npos);
    EXPECT_NE(batch.find("<TR><TD>SUCCESSFUL:<TD>A\n"), std::string::npos);
    EXPECT_NE(batch.find("#B\">FAILED:</FONT><TD>B\n"), std::string::npos);
    const std::string batchErrors = read(params.batchErrorLogPath);
    EXPECT_EQ(batchErrors,
              "<TR><TR>http://my.example/ From /profiles/p.fl2\n"
              "<TR><TD><A NAME=\"B\">B<TD>Program.error [0] [down]</A>\n");
    EXPECT_EQ(frontend.debugLines.size(), 16u);
    EXPECT_EQ(frontend.debugLines[15], "Write  0");
}

// A batch run that an ABORT stopped before any site failed still notes its error log.
TEST_F(ControllerFixture, AStoppedBatchRunWithOnlyUnstartedSitesNotesItsErrors) {
    auto transport = std::make_shared<ScriptedTransport>();
    for (int i = 0; i < 16; ++i) {
        const std::string name = base::format("Site%02d", i);
        transport->hold(name);
        params.requests.push_back(request(name, "GET", "http://x/"));
    }
    frontend.onPump = [&](FakeRunFrontend& f) {
        if (transport->sent().size() == 15) {
            f.progress.abort = true;
        }
        // Nothing is harvested, so nothing could be started, before the stop.
        if (runStopped) {
            for (int i = 0; i < 16; ++i) {
                transport->release(base::format("Site%02d", i));
            }
        }
    };
    params.currentProfilePath = "/profiles/p.fl2";
    params.batchLogPath = ws.file("LOGS/BatchLog.HTM");
    params.batchErrorLogPath = ws.file("ERRORS/BatchLog.HTM");
    base::SystemClock clock;
    const RunResult r = runSubmission(params, frontend, transport, clock);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.failed, 0);
    ASSERT_EQ(r.failureList.size(), 1u);
    EXPECT_EQ(r.failureList[0].siteName, "Site15");
    EXPECT_TRUE(r.batchHadErrors);
    EXPECT_EQ(frontend.questions, 0);
}

// A typing error in a site's method reaches nobody: FAILED, with the error row its link names,
// and kept for the failure profile.
TEST_F(ControllerFixture, AnUnknownMethodFailsAndIsKeptForTheFailureProfile) {
    auto transport = std::make_shared<ScriptedTransport>();
    params.requests = {request("Typo", "get", "http://t/"), request("A", "GET", "http://a/")};
    ManualClock clock(test::fixedStart());
    const RunResult r = runSubmission(params, frontend, transport, clock);
    EXPECT_EQ(r.good, 1);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(transport->sent(), std::vector<std::string>{"A"});
    const std::string log = read(r.logPath);
    EXPECT_NE(log.find("<a href=\"" + r.errorLogName + "#Typo\">FAILED:</FONT><TD>Typo\n"),
              std::string::npos)
        << log;
    EXPECT_NE(read(r.errorLogName)
                  .find("<A NAME=\"Typo\">Typo<TD>Unknown method &quot;get&quot;: nothing was "
                        "sent</A>\n"),
              std::string::npos);
    EXPECT_NE(read(r.failureProfilePath).find("\r\nTypo\r\nDATAEND\r\n"), std::string::npos);
    const auto typo = std::find_if(frontend.reports.begin(), frontend.reports.end(),
                                   [](const SiteReport& s) { return s.siteName == "Typo"; });
    ASSERT_NE(typo, frontend.reports.end());
    EXPECT_EQ(typo->outcome, ReportOutcome::Failed);
    EXPECT_EQ(typo->reason, ReportReason::NotSent);
}

// Two runs of one URL in one minute share their logs, but each keeps its own failure profile.
TEST_F(ControllerFixture, ASecondRunInTheSameMinuteWritesItsFailureProfileBeside) {
    auto transport = std::make_shared<ScriptedTransport>();
    TransportOutcome refused;
    refused.ok = false;
    refused.errorText = "down";
    transport->script("First", refused);
    transport->script("Second", refused);
    ManualClock clock(test::fixedStart());
    RunParams first = params;
    first.requests = {request("First", "GET", "http://a/")};
    const RunResult one = runSubmission(first, frontend, transport, clock);
    RunParams second = params;
    second.requests = {request("Second", "GET", "http://b/")};
    const RunResult two = runSubmission(second, frontend, transport, clock);

    EXPECT_EQ(one.failureProfilePath, ws.file("ERRORS/my.example+-03070905.fl2"));
    EXPECT_EQ(two.failureProfilePath, ws.file("ERRORS/my.example+-03070905-2.fl2"));
    EXPECT_NE(read(one.failureProfilePath).find("\r\nFirst\r\nDATAEND"), std::string::npos);
    EXPECT_NE(read(two.failureProfilePath).find("\r\nSecond\r\nDATAEND"), std::string::npos);
    const std::string errors = read(two.errorLogName);
    EXPECT_NE(errors.find("Wrote Failure Profile " + one.failureProfilePath + "</B>"),
              std::string::npos);
    EXPECT_NE(errors.find("Wrote Failure Profile " + two.failureProfilePath + "</B>"),
              std::string::npos);
}

TEST_F(ControllerFixture, ABatchRunOpensWithItsUrlAndProfilePathAsPlainText) {
    params = test::quickRunParams(ws, "http://my.example/?a=1&b=\"x\"");
    params.runStopped = &runStopped;
    params.requests = {request("A", "GET", "http://a/")};
    params.currentProfilePath = "/p/<img src=x onerror=alert(1)>.fl2";
    params.batchLogPath = ws.file("LOGS/BatchLog.HTM");
    params.batchErrorLogPath = ws.file("ERRORS/BatchLog.HTM");
    auto transport = std::make_shared<ScriptedTransport>();
    base::SystemClock clock;
    runSubmission(params, frontend, transport, clock);
    const std::string opening =
        "<TR><TR>http://my.example/?a=1&amp;b=&quot;x&quot; From "
        "/p/&lt;img src=x onerror=alert(1)&gt;.fl2\n";
    for (const std::string& path : {params.batchLogPath, params.batchErrorLogPath}) {
        const std::string text = read(path);
        EXPECT_EQ(text.find(opening), 0u) << path << ":\n" << text;
        EXPECT_EQ(text.find("<img"), std::string::npos) << path;
    }
}

TEST_F(ControllerFixture, NoProgressDialogSubmitsNothingAndLeavesTheProgramIdle) {
    frontend.failProgress = true;
    params.requests = {request("A", "GET", "http://a/")};
    auto transport = std::make_shared<ScriptedTransport>();
    base::SystemClock clock;
    const RunResult r = runSubmission(params, frontend, transport, clock);
    EXPECT_FALSE(r.ran);
    EXPECT_TRUE(transport->sent().empty());
    EXPECT_EQ(frontend.fakeMessenger().texts(),
              std::vector<std::string>{"Could not create Progress Dialog"});
    EXPECT_EQ(frontend.statuses, (std::vector<std::string>{"BUSY", "IDLE"}));
}

// Without the dispatcher's thread nothing is sent: the run ends at once with every site
// unstarted and kept for the failure profile, and says why.
TEST_F(ControllerFixture, ARunWhoseDispatcherCannotStartSendsNothingAndKeepsEverySite) {
    auto transport = std::make_shared<ScriptedTransport>();
    params.requests = {request("A", "GET", "http://a/"), request("B", "POST", "http://b/")};
    ManualClock clock(test::fixedStart());
    test::RefusingLauncher refusing(1);
    const RunResult r = runSubmission(params, frontend, transport, clock, refusing);

    EXPECT_TRUE(transport->sent().empty());
    EXPECT_EQ(r.processed, 0);
    ASSERT_EQ(r.failureList.size(), 2u);
    EXPECT_TRUE(r.hadFailures());
    EXPECT_NE(read(r.failureProfilePath).find("\r\nA\r\nB\r\nDATAEND\r\n"), std::string::npos);
    ASSERT_EQ(frontend.reports.size(), 2u);
    EXPECT_EQ(frontend.reports[1].outcome, ReportOutcome::NotStarted);
    EXPECT_EQ(frontend.fakeMessenger().texts(),
              std::vector<std::string>{"Could not start the submission: " +
                                       platform::systemReason(EAGAIN)});
    EXPECT_EQ(frontend.statuses.back(), "IDLE");
}

}  // namespace
}  // namespace farrow::submit
