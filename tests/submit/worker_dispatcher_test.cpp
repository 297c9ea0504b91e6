#include "submit/worker_dispatcher.h"

#include <algorithm>
#include <thread>

#include <gtest/gtest.h>

#include "base/text.h"
#include "platform/file_system.h"
#include "support/fake_run_frontend.h"
#include "support/temp_workspace.h"

namespace farrow::submit {
namespace {

using test::DeferredLauncher;
using test::ManualClock;
using test::ScriptedTransport;

RequestList requests(int n) {
    RequestList list;
    for (int i = 0; i < n; ++i) {
        list.push_back({base::format("Site%02d", i), "http://127.0.0.1:9/", " ", "GET", 0, "", ""});
    }
    return list;
}

// The dispatcher driven one step at a time on the test's thread; the workers run only when the
// test runs their bodies.
struct DispatcherFixture : ::testing::Test {
    DispatcherFixture()
        : clock(test::fixedStart()),
          names(logs::makeLogNames("http://my.example", ws.file("LOGS"), ws.file("ERRORS"),
                                   clock.toLocal(clock.now()))),
          writer(names, "http://my.example", base::Branding{}) {
        platform::makeDirectory(ws.file("LOGS"));
        platform::makeDirectory(ws.file("ERRORS"));
        transport = std::make_shared<ScriptedTransport>();
        auto ctx = std::make_shared<WorkerContext>();
        ctx->transport = transport;
        ctx->writeFlag = std::make_shared<WriteFlag>();
        ctx->clock = &clock;
        context = ctx;
    }
    void make(int n) {
        DispatchParams p;
        p.requests = requests(n);
        p.timing = base::Timing{};
        p.timing.dispatcherPass = p.timing.dispatcherHarvestPause = p.timing.dispatcherRefillPause =
            base::Millis(0);
        p.latencyLimit = base::Millis(60000);
        p.verbose = true;
        p.context = context;
        dispatcher =
            std::make_unique<WorkerDispatcher>(std::move(p), state, writer, launcher, clock);
    }
    std::string log() const { return ws.read(names.logPath.substr(ws.path().string().size() + 1)); }
    std::string errorLog() const {
        return ws.read(names.errorLogName.substr(ws.path().string().size() + 1));
    }

    test::TempWorkspace ws;
    ManualClock clock;
    logs::LogNames names;
    logs::SubmissionLogWriter writer;
    std::shared_ptr<ScriptedTransport> transport;
    std::shared_ptr<const WorkerContext> context;
    RunState state;
    DeferredLauncher launcher;
    std::unique_ptr<WorkerDispatcher> dispatcher;
};

TEST_F(DispatcherFixture, FifteenAtOnceAndTheSixteenthGoesToTheFirstHarvestedSlot) {
    make(40);
    dispatcher->start();
    EXPECT_EQ(dispatcher->slotCount(), 15);
    ASSERT_EQ(launcher.bodies.size(), 15u);
    EXPECT_TRUE(dispatcher->mainPass());
    EXPECT_EQ(launcher.bodies.size(), 15u) << "nothing finished, nothing started";
    launcher.bodies[7]();
    EXPECT_TRUE(dispatcher->mainPass());
    ASSERT_EQ(launcher.bodies.size(), 16u);
    EXPECT_EQ(state.lastSiteText.get(), "Site15");
    EXPECT_EQ(state.debugLines.line(7).substr(0, 56), " 7: " + std::string(44, ' ') + "Site15: ");
    EXPECT_EQ(state.processed, 1);
    EXPECT_EQ(state.good, 1);
    EXPECT_EQ(state.debugLines.line(15), "Write  0");
}

TEST_F(DispatcherFixture, ALatentWorkerIsRecordedOnceAndItsLateAnswerDropped) {
    TransportOutcome late;
    late.ok = false;
    late.errorText = "late answer";
    transport->script("Site00", late);
    make(2);
    dispatcher->start();
    launcher.bodies[1]();
    clock.advance(base::Millis(59999));
    EXPECT_FALSE(dispatcher->mainPass()) << "no request is left after the first harvest";
    dispatcher->beginDrain();
    EXPECT_FALSE(dispatcher->drainPass());
    EXPECT_EQ(state.processed, 1);
    EXPECT_EQ(state.failed, 0);
    clock.advance(base::Millis(1));
    dispatcher->drainPass();
    EXPECT_EQ(state.failed, 1);
    EXPECT_EQ(state.processed, 2);
    // The given-up worker answers now: nothing of it may reach the run.
    launcher.bodies[0]();
    EXPECT_TRUE(dispatcher->drainPass());
    dispatcher->finish();
    EXPECT_TRUE(state.dispatcherDone);
    EXPECT_EQ(state.processed, 2);
    EXPECT_EQ(state.failed, 1);
    EXPECT_EQ(state.good, 1);
    ASSERT_EQ(state.failureList.size(), 1u);
    EXPECT_EQ(state.failureList[0].siteName, "Site00");
    EXPECT_EQ(errorLog(), "<TR><TD><A NAME=\"Site00\">Site00<TD>Latent Thread Terminated</A>\n");
    const std::string link = names.errorLogName + "#Site00";
    EXPECT_EQ(log(), "<TR><TD>SUCCESSFUL:<TD>Site01\n<TR><TD><FONT COLOR=#D00000><a href=\"" +
                         link + "\">TERMINATED:</FONT><TD>Site00\n");
    const auto reports = state.reports.takeAll();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].outcome, ReportOutcome::Terminated);
    EXPECT_EQ(reports[1].reason, ReportReason::Latent);
}

TEST_F(DispatcherFixture, InTheMainLoopATerminatedSlotIsRefilledWithoutASecondRecord) {
    make(30);
    dispatcher->start();
    for (std::size_t i = 1; i < launcher.bodies.size(); ++i) {
        launcher.bodies[i]();
    }
    clock.advance(base::Millis(60000));
    // Slot 0 is given up; slots 1 to 14 are harvested and refilled.
    EXPECT_TRUE(dispatcher->mainPass());
    EXPECT_EQ(state.failed, 1);
    EXPECT_EQ(state.processed, 15);
    EXPECT_EQ(launcher.bodies.size(), 29u);
    // The next pass only refills the given-up slot.
    EXPECT_TRUE(dispatcher->mainPass());
    EXPECT_EQ(launcher.bodies.size(), 30u);
    EXPECT_EQ(state.failed, 1);
    EXPECT_EQ(state.processed, 15);
    EXPECT_EQ(state.failureList.size(), 1u);
    EXPECT_EQ(log().find("FAILED:"), std::string::npos);
    EXPECT_NE(log().find("TERMINATED:"), std::string::npos);
}

TEST_F(DispatcherFixture, PausedTimeDoesNotCountTowardTheLimit) {
    make(1);
    dispatcher->start();
    state.pauseRequested = true;
    std::jthread releaser([&] {
        // The clock moves only once the dispatcher has begun timing the pause.
        while (!state.dispatcherPaused) {
            std::this_thread::yield();
        }
        clock.advance(base::Millis(120000));
        state.pauseRequested = false;
    });
    dispatcher->mainPass();
    releaser.join();
    dispatcher->mainPass();
    EXPECT_EQ(state.failed, 0) << "two paused minutes made the worker latent";
}

TEST_F(DispatcherFixture, AStopLeavesTheRestUnstartedForTheFailureProfile) {
    TransportOutcome bad;
    bad.ok = false;
    bad.errorText = "refused";
    transport->script("Site01", bad);
    make(20);
    dispatcher->start();
    state.stopRequested = true;
    EXPECT_FALSE(dispatcher->mainPass());
    dispatcher->beginDrain();
    EXPECT_FALSE(dispatcher->drainPass());
    for (auto& body : launcher.bodies) {
        body();
    }
    while (!dispatcher->drainPass()) {
    }
    dispatcher->finish();
    EXPECT_EQ(launcher.bodies.size(), 15u);
    EXPECT_EQ(state.processed, 15);
    EXPECT_EQ(state.failed, 1);
    ASSERT_EQ(state.failureList.size(), 6u);
    EXPECT_EQ(state.failureList[0].siteName, "Site01");
    EXPECT_EQ(state.failureList[1].siteName, "Site15");
    const auto reports = state.reports.takeAll();
    ASSERT_EQ(reports.size(), 20u);
    EXPECT_EQ(reports.back().outcome, ReportOutcome::NotStarted);
    EXPECT_EQ(reports[14].outcome, ReportOutcome::Successful);
    EXPECT_EQ(state.lastSiteText.get(), "Last Site(s) being submitted...");
}

// ABORT pressed while a pass harvests and refills: the start under way is the last one.
TEST_F(DispatcherFixture, AStopDuringAPassEndsTheStartsAtOnce) {
    make(40);
    dispatcher->start();
    for (auto& body : launcher.bodies) {
        body();
    }
    launcher.onLaunch = [&](std::size_t launches) {
        if (launches == 16) {
            state.stopRequested = true;
        }
    };
    EXPECT_FALSE(dispatcher->mainPass());
    EXPECT_EQ(launcher.bodies.size(), 16u) << "requests started after the stop";
    launcher.bodies[15]();
    dispatcher->beginDrain();
    while (!dispatcher->drainPass()) {
    }
    dispatcher->finish();
    EXPECT_EQ(state.processed, 16);
    EXPECT_EQ(state.failureList.size(), 24u);
    EXPECT_EQ(state.failureList.front().siteName, "Site16");
}

// Pause pressed while a pass harvests and refills: nothing more is harvested, logged or started
// until it is released.
TEST_F(DispatcherFixture, APauseDuringAPassHoldsTheRestOfThePass) {
    make(40);
    dispatcher->start();
    for (auto& body : launcher.bodies) {
        body();
    }
    launcher.onLaunch = [&](std::size_t launches) {
        if (launches == 16) {
            state.pauseRequested = true;
        }
    };
    std::size_t launchedWhilePaused = 0;
    int processedWhilePaused = 0;
    std::string logWhilePaused;
    std::jthread releaser([&] {
        while (!state.dispatcherPaused) {
            std::this_thread::yield();
        }
        // The dispatcher holds still until the pause is released.
        launchedWhilePaused = launcher.bodies.size();
        processedWhilePaused = state.processed;
        logWhilePaused = log();
        state.pauseRequested = false;
    });
    EXPECT_TRUE(dispatcher->mainPass());
    releaser.join();
    EXPECT_EQ(launchedWhilePaused, 16u);
    EXPECT_EQ(processedWhilePaused, 1);
    EXPECT_EQ(logWhilePaused, "<TR><TD>SUCCESSFUL:<TD>Site00\n");
    EXPECT_EQ(launcher.bodies.size(), 30u) << "the pass goes on once released";
    EXPECT_EQ(state.processed, 15);
}

// Whether a site is TERMINATED depends on when its answer came, not on when a pass looked: an
// answer at the limit is terminated even when no pass saw the worker running past it, and one
// that came in time keeps its own outcome however late it is harvested.
struct LateCase {
    long long answeredAtMs;
    std::string row;
    std::string errorRow;
};

class LateAnswers : public DispatcherFixture, public ::testing::WithParamInterface<LateCase> {};

TEST_P(LateAnswers, TheAnswersTimeDecides) {
    TransportOutcome cut;
    cut.ok = false;
    cut.errorText = "the exchange ran for 60600 ms";
    transport->script("Site00", cut);
    make(1);
    dispatcher->start();
    clock.advance(base::Millis(GetParam().answeredAtMs));
    launcher.bodies[0]();
    // A long pass: the dispatcher looks only now.
    clock.advance(base::Millis(5000));
    EXPECT_FALSE(dispatcher->mainPass());
    dispatcher->beginDrain();
    EXPECT_TRUE(dispatcher->drainPass());
    dispatcher->finish();
    EXPECT_EQ(state.processed, 1);
    EXPECT_EQ(state.failed, 1);
    EXPECT_EQ(state.failureList.size(), 1u);
    const std::string link = names.errorLogName + "#Site00";
    EXPECT_EQ(log(), "<TR><TD><FONT COLOR=#D00000><a href=\"" + link + "\">" + GetParam().row +
                         ":</FONT><TD>Site00\n");
    EXPECT_EQ(errorLog(), "<TR><TD><A NAME=\"Site00\">Site00<TD>" + GetParam().errorRow + "</A>\n");
}

INSTANTIATE_TEST_SUITE_P(
    Dispatcher, LateAnswers,
    ::testing::Values(LateCase{60000, "TERMINATED", "Latent Thread Terminated"},
                      LateCase{60600, "TERMINATED", "Latent Thread Terminated"},
                      LateCase{59999, "FAILED",
                               "Program.error [0] [the exchange ran for 60600 ms]"}));

// A thread the system refuses fails its site with the system's reason; the run goes on.
TEST_F(DispatcherFixture, AWorkerThreadThatCannotStartFailsItsSiteOnly) {
    test::RefusingLauncher refusing(2);
    DispatchParams p;
    p.requests = requests(3);
    p.timing.dispatcherPass = p.timing.dispatcherHarvestPause = p.timing.dispatcherRefillPause =
        base::Millis(0);
    p.context = context;
    WorkerDispatcher d(std::move(p), state, writer, refusing, clock);
    d.run();
    EXPECT_EQ(state.processed, 3);
    EXPECT_EQ(state.good, 2);
    EXPECT_EQ(state.failed, 1);
    ASSERT_EQ(state.failureList.size(), 1u);
    EXPECT_EQ(state.failureList[0].siteName, "Site01");
    EXPECT_NE(log().find("\">FAILED:</FONT><TD>Site01\n"), std::string::npos) << log();
    EXPECT_EQ(errorLog(), "<TR><TD><A NAME=\"Site01\">Site01<TD>Could not start a worker thread: " +
                              platform::systemReason(EAGAIN) + "</A>\n");
    const auto reports = state.reports.takeAll();
    ASSERT_EQ(reports.size(), 3u);
    const auto refused = std::find_if(reports.begin(), reports.end(),
                                      [](const SiteReport& r) { return r.siteName == "Site01"; });
    ASSERT_NE(refused, reports.end());
    EXPECT_EQ(refused->outcome, ReportOutcome::Failed);
    EXPECT_EQ(refused->reason, ReportReason::NotSent);
}

}  // namespace
}  // namespace farrow::submit
