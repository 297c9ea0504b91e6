#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "logs/log_names.h"
#include "platform/file_system.h"
#include "submit/submission_controller.h"
#include "submit/transport.h"
#include "support/fake_run_frontend.h"
#include "support/loopback_http_server.h"
#include "support/quick_run.h"
#include "support/scripted_smtp_server.h"

namespace farrow::submit {
namespace {

using namespace std::chrono_literals;

using test::occurrences;
using test::wholeFile;

// Runs that meet trouble outside the program: the run goes on and says what went wrong.
struct RunFaults : ::testing::Test {
    static void SetUpTestSuite() { curl_global_init(CURL_GLOBAL_DEFAULT); }
    RunFaults() : params(test::quickRunParams(ws, "http://my.example/")) {
        names = logs::makeLogNames(params.profile.url, params.logsDir, params.errorsDir,
                                   clock.toLocal(clock.now()));
    }
    RunResult run(std::shared_ptr<Transport> transport) {
        return runSubmission(params, frontend, std::move(transport), clock);
    }
    std::vector<std::string> messages() { return frontend.fakeMessenger().texts(); }

    test::TempWorkspace ws;
    test::ManualClock clock{test::fixedStart()};
    RunParams params;
    logs::LogNames names;
    test::FakeRunFrontend frontend;
};

std::shared_ptr<test::ScriptedTransport> oneOfThreeFails() {
    auto transport = std::make_shared<test::ScriptedTransport>();
    TransportOutcome refused;
    refused.ok = false;
    refused.errorText = "Failed with RC of 500";
    refused.status = 500;
    refused.responseCode = 500;
    transport->script("B", refused);
    return transport;
}

TEST_F(RunFaults, AFullDiskUnderTheErrorLogIsReportedOnceAndTheRunGoesOn) {
    std::filesystem::create_symlink("/dev/full", names.errorLogName);
    params.requests = {{"A", "http://a/", " ", "GET", 0, "", ""},
                       {"B", "http://b/", " ", "GET", 0, "", ""},
                       {"C", "http://c/", " ", "GET", 0, "", ""}};
    const RunResult r = run(oneOfThreeFails());

    EXPECT_EQ(r.processed, 3);
    EXPECT_EQ(r.good, 2);
    EXPECT_EQ(r.failed, 1);
    const std::string expected =
        "Could not write " + names.errorLogName + ": " + platform::systemReason(ENOSPC);
    EXPECT_EQ(r.firstLogError, expected);
    EXPECT_EQ(messages(), std::vector<std::string>{expected});
    // The submission log on the healthy disk is whole, and the failure profile was written.
    const std::string log = wholeFile(r.logPath);
    EXPECT_EQ(occurrences(log, "SUCCESSFUL:"), 2u) << log;
    EXPECT_EQ(occurrences(log, "FAILED:"), 1u) << log;
    EXPECT_EQ(log.substr(log.size() - 16), "</BODY>\n</HTML>\n");
    EXPECT_NE(wholeFile(r.failureProfilePath).find("\r\nB\r\nDATAEND\r\n"), std::string::npos);
}

TEST_F(RunFaults, AFullDiskUnderTheSubmissionLogLeavesTheErrorLogWhole) {
    std::filesystem::create_symlink("/dev/full", names.logPath);
    params.requests = {{"A", "http://a/", " ", "GET", 0, "", ""},
                       {"B", "http://b/", " ", "GET", 0, "", ""},
                       {"C", "http://c/", " ", "GET", 0, "", ""}};
    const RunResult r = run(oneOfThreeFails());

    EXPECT_EQ(r.processed, 3);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(messages().size(), 1u);
    const std::string errors = wholeFile(r.errorLogName);
    EXPECT_EQ(
        occurrences(errors, "<A NAME=\"B\">B<TD>Program.error [0] [Failed with RC of 500]</A>\n"),
        1u)
        << errors;
    EXPECT_EQ(errors.substr(errors.size() - 16), "</BODY>\n</HTML>\n");
}

TEST_F(RunFaults, AWholeRunWithoutTroubleSaysNothing) {
    params.requests = {{"A", "http://a/", " ", "GET", 0, "", ""}};
    const RunResult r = run(std::make_shared<test::ScriptedTransport>());
    EXPECT_EQ(r.good, 1);
    EXPECT_TRUE(r.firstLogError.empty());
    EXPECT_TRUE(messages().empty());
}

// A target that answers with a body that never ends is given up at the latency limit, once, and
// its reading ends soon after; the sites after it are run as usual.
TEST_F(RunFaults, AnEndlessBodyIsTerminatedOnceAndTheRunEnds) {
    test::LoopbackHttpServer server;
    server.routes().Get("/endless", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/html", [](std::size_t, httplib::DataSink& sink) {
            static const std::string block(16384, 'y');
            return sink.write(block.data(), block.size());
        });
    });
    server.routes().Get("/ok", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("Thank you", "text/html");
    });
    server.start();
    params.timing.workerLatencyLimit = 300ms;
    params.requests = {{"Endless", server.url("/endless?"), "u=1", "GET", 0, "", ""},
                       {"After", server.url("/ok?"), "u=1", "GET", 0, "", ""}};
    base::SystemClock systemClock;
    const RunResult r = runSubmission(params, frontend, makeExchangeTransport(), systemClock);

    EXPECT_EQ(r.processed, 2);
    EXPECT_EQ(r.good, 1);
    EXPECT_EQ(r.failed, 1);
    const std::string log = wholeFile(r.logPath);
    EXPECT_EQ(occurrences(log, "TERMINATED:</FONT><TD>Endless\n"), 1u) << log;
    EXPECT_EQ(occurrences(log, "SUCCESSFUL:<TD>After\n"), 1u) << log;
    EXPECT_EQ(occurrences(wholeFile(r.errorLogName), "Latent Thread Terminated"), 1u);
}

// A mail server that hangs up in the middle of the message fails that site only.
TEST_F(RunFaults, AMailServerClosingMidMessageFailsItsSiteOnly) {
    test::ScriptedSmtpServer mail;
    mail.setReply(".", test::ScriptedSmtpServer::kClose);
    test::LoopbackHttpServer server;
    server.routes().Get("/ok", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("Thank you", "text/html");
    });
    server.start();
    params.userEmail = "ann@my.example";
    params.mailSetting = mail.address();
    params.timing.mailTimeout = 2000ms;
    params.requests = {
        {"Mailed", "SMTP:add@dir.example", "Please add my site", "MAILTO", 0, "", ""},
        {"After", server.url("/ok?"), "u=1", "GET", 0, "", ""}};
    const RunResult r = run(makeExchangeTransport());

    EXPECT_EQ(r.processed, 2);
    EXPECT_EQ(r.good, 1);
    EXPECT_EQ(r.failed, 1);
    ASSERT_EQ(r.failureList.size(), 1u);
    EXPECT_EQ(r.failureList.front().siteName, "Mailed");
    // The FAILED row's link lands on a row that says why.
    EXPECT_NE(wholeFile(r.logPath).find("#Mailed\">FAILED:"), std::string::npos);
    const std::string errors = wholeFile(r.errorLogName);
    EXPECT_EQ(occurrences(errors, "<A NAME=\"Mailed\">Mailed<TD>The mail was not sent: "), 1u)
        << errors;
    // The conversation reached the message before the server went.
    const auto commands = mail.commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "DATA"), commands.end());
    EXPECT_TRUE(messages().empty());
}

}  // namespace
}  // namespace farrow::submit
