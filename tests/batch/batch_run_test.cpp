#include "batch/batch_run.h"

#include <gtest/gtest.h>

#include <map>

#include "batch/error_log_offer.h"
#include "platform/file_system.h"
#include "support/fake_frontend.h"
#include "support/temp_workspace.h"

namespace farrow::batch {
namespace {

using Names = std::vector<std::string>;

// 7 March 2004, 09:05:00 local time.
std::time_t marchSeventh() {
    std::tm t{};
    t.tm_year = 104;
    t.tm_mon = 2;
    t.tm_mday = 7;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

const char* kHead = "<HTML>\n<BODY BGCOLOR=#C0C0C0 LINK=#FF0000 VLINK=#FF0000 ALINK=#FF0000>\n";

class BatchRunTest : public testing::Test {
protected:
    BatchRunTest() {
        platform::makeDirectory(workspace.file("LOGS"));
        platform::makeDirectory(workspace.file("ERRORS"));
        params.runFilePath = workspace.file("BATCH.TMP");
        params.logsDir = workspace.file("LOGS");
        params.errorsDir = workspace.file("ERRORS");
        params.now = [this] { return clock; };
        params.setCurrentProfilePath = [this](const std::string& p) { pathsSet.push_back(p); };
        params.messenger = &messenger;
    }

    // Stands in for loading and running one profile: reports what `reports` holds for its path
    // (a plain successful run otherwise) and writes a line into both batch files as a run would.
    BatchResult run() {
        return runBatch(params, [this](const ProfileRun& run) {
            runs.push_back(run.profilePath);
            clock += 61;
            ProfileRunReport report;
            if (auto it = reports.find(run.profilePath); it != reports.end()) {
                report = it->second;
            }
            if (report.outcome == ProfileRunOutcome::Ran) {
                platform::appendTextToFile(run.batchLogs->logPath, "run " + run.profilePath + "\n");
                platform::appendTextToFile(run.batchLogs->errorLogPath,
                                           "run " + run.profilePath + "\n");
            }
            return report;
        });
    }

    test::TempWorkspace workspace;
    test::FakeMessenger messenger;
    BatchParams params;
    // Each run takes a minute and a second.
    std::time_t clock = marchSeventh();
    Names pathsSet;
    Names runs;
    std::map<std::string, ProfileRunReport> reports;
};

ProfileRunReport failedRun(const std::string& errorLog, bool stopped = false) {
    ProfileRunReport r;
    r.hadFailures = true;
    r.errorLogPath = errorLog;
    r.stopped = stopped;
    return r;
}

TEST_F(BatchRunTest, ThreeProfilesGiveThreeRunEndsInEachFileAndTheFailedRuns) {
    workspace.write("BATCH.TMP", "/p/a.fl2\r\n/p/b.fl2\r\n/p/c.fl2\r\nDATAEND\r\n");
    reports["/p/a.fl2"] = failedRun("/e/a-03070905.HTM");
    reports["/p/c.fl2"] = failedRun("/e/c-03070907.HTM");
    const BatchResult result = run();

    EXPECT_EQ(runs, (Names{"/p/a.fl2", "/p/b.fl2", "/p/c.fl2"}));
    EXPECT_EQ(pathsSet, (Names{"NULL", "/p/a.fl2", "/p/b.fl2", "/p/c.fl2", "NULL", "NULL"}));
    EXPECT_EQ(result.logs.logPath, workspace.file("LOGS/BatchLog-03070905.HTM"));
    EXPECT_EQ(result.logs.errorLogPath, workspace.file("ERRORS/BatchLog-03070905.HTM"));
    ASSERT_EQ(result.failedRuns.size(), 2u);
    EXPECT_EQ(result.failedRuns[0].errorLogPath, "/e/a-03070905.HTM");
    EXPECT_EQ(result.failedRuns[1].errorLogPath, "/e/c-03070907.HTM");
    EXPECT_LT(result.failedRuns[0].noted, result.failedRuns[1].noted);
    EXPECT_FALSE(result.stopped);
    EXPECT_FALSE(platform::fileExists(params.runFilePath));

    const std::string errorLog = result.logs.errorLogPath;
    EXPECT_EQ(workspace.read("LOGS/BatchLog-03070905.HTM"),
              std::string(kHead) + "<TITLE>BATCH: Submission Log</TITLE>\n" +
                  "<B>Submission Log File created on Sunday, March 07, 2004 at 09:05</B><BR>\n" +
                  "<TABLE>\n" + "<a href=\"" + errorLog + "\"> Verbose Error Log </a><BR><BR>\n" +
                  "run /p/a.fl2\n<TR>\nrun /p/b.fl2\n<TR>\nrun /p/c.fl2\n<TR>\n" +
                  "</TABLE>\n<B>BATCH: Submission took: 0 hours 3 minutes and 3 seconds\n");
    EXPECT_EQ(workspace.read("ERRORS/BatchLog-03070905.HTM"),
              std::string(kHead) + "<TITLE>BATCH: Submission Error Log</TITLE>\n" +
                  "<B>Error Log File created on Sunday, March 07, 2004 at 09:05</B><BR>\n" +
                  "<TABLE>\n" + "run /p/a.fl2\n<TR>\nrun /p/b.fl2\n<TR>\nrun /p/c.fl2\n<TR>\n" +
                  "</TABLE>\n");
}

TEST_F(BatchRunTest, AnUnreadableProfileIsSkippedWithItsMessageAndNoRunEnd) {
    workspace.write("BATCH.TMP", "/p/gone.fl2\n/p/b.fl2\nDATAEND\n");
    ProfileRunReport unreadable;
    unreadable.outcome = ProfileRunOutcome::Unreadable;
    unreadable.loaderMessage = " The File /p/gone.fl2 could not be opened";
    reports["/p/gone.fl2"] = unreadable;
    const BatchResult result = run();

    EXPECT_EQ(runs, (Names{"/p/gone.fl2", "/p/b.fl2"}));
    EXPECT_EQ(result.profilesSkipped, (Names{"/p/gone.fl2"}));
    EXPECT_EQ(result.profilesRun, (Names{"/p/b.fl2"}));
    ASSERT_EQ(messenger.messages().size(), 1u);
    EXPECT_EQ(messenger.messages()[0].text, " The File /p/gone.fl2 could not be opened");
    EXPECT_EQ(messenger.messages()[0].icon, base::MessageIcon::None);
    const std::string log = workspace.read("LOGS/BatchLog-03070905.HTM");
    EXPECT_NE(log.find("<BR><BR>\nrun /p/b.fl2\n<TR>\n</TABLE>\n"), std::string::npos) << log;
}

TEST_F(BatchRunTest, AStoppedRunEndsTheBatchWithTheFootersWritten) {
    workspace.write("BATCH.TMP", "/p/a.fl2\n/p/b.fl2\n/p/c.fl2\nDATAEND\n");
    reports["/p/b.fl2"] = failedRun("/e/b.HTM", true);
    const BatchResult result = run();

    EXPECT_EQ(runs, (Names{"/p/a.fl2", "/p/b.fl2"}));
    EXPECT_TRUE(result.stopped);
    ASSERT_EQ(result.failedRuns.size(), 1u);
    EXPECT_EQ(result.failedRuns[0].errorLogPath, "/e/b.HTM");
    EXPECT_EQ(pathsSet.back(), "NULL");
    EXPECT_FALSE(platform::fileExists(params.runFilePath));
    const std::string errorLog = workspace.read("ERRORS/BatchLog-03070905.HTM");
    EXPECT_TRUE(errorLog.ends_with("run /p/b.fl2\n<TR>\n</TABLE>\n")) << errorLog;
}

TEST_F(BatchRunTest, AStopRequestedBetweenRunsStartsNoFurtherProfile) {
    workspace.write("BATCH.TMP", "/p/a.fl2\n/p/b.fl2\nDATAEND\n");
    std::atomic<bool> stop = false;
    params.stopRequested = &stop;
    const BatchResult result = runBatch(params, [&](const ProfileRun& r) {
        runs.push_back(r.profilePath);
        stop = true;
        return ProfileRunReport{};
    });
    EXPECT_EQ(runs, (Names{"/p/a.fl2"}));
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.profilesNotRun, (Names{"/p/b.fl2"}));
}

TEST_F(BatchRunTest, AStoppedBatchNamesEveryProfileItDidNotRun) {
    workspace.write("BATCH.TMP", "/p/a.fl2\n/p/b.fl2\n/p/<c>&.fl2\n/p/d.fl2\nDATAEND\n/p/e.fl2\n");
    reports["/p/a.fl2"].stopped = true;
    const BatchResult result = run();

    EXPECT_EQ(runs, (Names{"/p/a.fl2"}));
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.profilesNotRun, (Names{"/p/b.fl2", "/p/<c>&.fl2", "/p/d.fl2"}));
    const std::string log = workspace.read("LOGS/BatchLog-03070905.HTM");
    EXPECT_NE(log.find("run /p/a.fl2\n<TR>\n"
                       "<TR><TD>not run: stopped<TD>/p/b.fl2\n"
                       "<TR><TD>not run: stopped<TD>/p/&lt;c&gt;&amp;.fl2\n"
                       "<TR><TD>not run: stopped<TD>/p/d.fl2\n"
                       "</TABLE>\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(workspace.read("ERRORS/BatchLog-03070905.HTM").find("not run"), std::string::npos);
    EXPECT_FALSE(platform::fileExists(params.runFilePath));
}

TEST_F(BatchRunTest, ProfilesThatSubmittedNothingAreToldApartFromThoseRun) {
    workspace.write("BATCH.TMP", "/p/gone.fl2\n/p/deep.fl2\n/p/b.fl2\nDATAEND\n");
    reports["/p/gone.fl2"].outcome = ProfileRunOutcome::Unreadable;
    reports["/p/deep.fl2"].outcome = ProfileRunOutcome::NothingSubmitted;
    const BatchResult result = run();

    EXPECT_EQ(result.profilesSkipped, (Names{"/p/gone.fl2"}));
    EXPECT_EQ(result.profilesNothingSubmitted, (Names{"/p/deep.fl2"}));
    EXPECT_EQ(result.profilesRun, (Names{"/p/b.fl2"}));
    EXPECT_TRUE(result.profilesNotRun.empty());
    // Its "Build + GO!" did return, so it closes like any run.
    const std::string log = workspace.read("LOGS/BatchLog-03070905.HTM");
    EXPECT_NE(log.find("<BR><BR>\n<TR>\nrun /p/b.fl2\n<TR>\n</TABLE>\n"), std::string::npos) << log;
}

TEST_F(BatchRunTest, WithoutARunFileOnlyHeadsAndFootersAreWritten) {
    const BatchResult result = run();
    EXPECT_TRUE(result.runFileMissing);
    EXPECT_TRUE(runs.empty());
    const std::string log = workspace.read("LOGS/BatchLog-03070905.HTM");
    EXPECT_NE(log.find("<BR><BR>\n</TABLE>\n<B>BATCH: Submission took:"), std::string::npos) << log;
    EXPECT_EQ(pathsSet, (Names{"NULL", "NULL"}));
}

TEST_F(BatchRunTest, ARunFileWithoutEndMarkerRunsWhatItListsAndLongPathsStayWhole) {
    const std::string longPath = "/" + std::string(3000, 'x') + ".fl2";
    workspace.write("BATCH.TMP", "/p/a.fl2\n" + longPath);
    const BatchResult result = run();
    EXPECT_EQ(runs, (Names{"/p/a.fl2", longPath}));
    EXPECT_TRUE(result.failedRuns.empty());
    EXPECT_FALSE(platform::fileExists(params.runFilePath));
}

TEST_F(BatchRunTest, AnEmptyBatchRunFileRunsNothing) {
    workspace.write("BATCH.TMP", "DATAEND\r\n/p/after.fl2\r\n");
    const BatchResult result = run();
    EXPECT_TRUE(runs.empty());
    EXPECT_FALSE(result.runFileMissing);
    EXPECT_FALSE(platform::fileExists(params.runFilePath));
}

struct DurationCase {
    long long seconds;
    const char* text;
};

class BatchDuration : public testing::TestWithParam<DurationCase> {};

TEST_P(BatchDuration, FooterGivesHoursMinutesAndSeconds) {
    test::TempWorkspace workspace;
    std::tm start{};
    start.tm_mon = 0;
    start.tm_mday = 2;
    const BatchLogNames names = makeBatchLogNames(workspace.file("L"), workspace.file("E"), start);
    EXPECT_EQ(names.stamp, "01020000");
    platform::makeDirectory(workspace.file("L"));
    writeBatchFooters(names, GetParam().seconds);
    EXPECT_EQ(workspace.read("L/BatchLog-01020000.HTM"),
              std::string("</TABLE>\n<B>BATCH: Submission took: ") + GetParam().text + "\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, BatchDuration,
                         testing::Values(DurationCase{0, "0 hours 0 minutes and 0 seconds"},
                                         DurationCase{3661, "1 hours 1 minutes and 1 seconds"},
                                         DurationCase{86399, "23 hours 59 minutes and 59 seconds"},
                                         DurationCase{-5, "0 hours 0 minutes and 0 seconds"}));

class ErrorOfferTest : public testing::Test {
protected:
    ErrorOffer offer(const std::vector<FailedRun>& runs) {
        return offerErrorLogs(
            runs, "Netscape Navigator",
            [this](const std::string& choice) {
                browserAsked.push_back(choice);
                return browser;
            },
            [this](const Names& entries, const std::string& program) {
                shownEntries = entries;
                shownProgram = program;
            },
            messenger);
    }

    test::FakeMessenger messenger;
    std::optional<std::string> browser = "/usr/bin/firefox";
    Names browserAsked;
    Names shownEntries;
    std::string shownProgram;
};

TEST_F(ErrorOfferTest, NoFailedRunMeansNoDialogAndNoLookup) {
    EXPECT_EQ(offer({}), ErrorOffer::NoFailures);
    EXPECT_TRUE(browserAsked.empty());
    EXPECT_TRUE(messenger.messages().empty());
}

TEST_F(ErrorOfferTest, FailedRunsAreOfferedOnceEachWithTheBrowserFound) {
    EXPECT_EQ(offer({{"/e/a.HTM", 1}, {"/e/b.HTM", 2}, {"/e/a.HTM", 3}}), ErrorOffer::Shown);
    EXPECT_EQ(shownEntries, (Names{"/e/a.HTM", "/e/b.HTM"}));
    EXPECT_EQ(shownProgram, "/usr/bin/firefox");
}

TEST_F(ErrorOfferTest, AMissingBrowserIsNamedAndNoDialogShown) {
    browser.reset();
    EXPECT_EQ(offer({{"/e/a.HTM", 1}}), ErrorOffer::BrowserMissing);
    EXPECT_TRUE(shownEntries.empty());
    EXPECT_EQ(messenger.texts(), (Names{"Could Not Find Netscape Navigator"}));
}

}  // namespace
}  // namespace farrow::batch
