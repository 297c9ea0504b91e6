#include "app/startup_sequence.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/fake_frontend.h"
#include "support/ftp_test_server.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace farrow::app {
namespace {

class StartupSequenceTest : public ::testing::Test {
protected:
    StartupSequenceTest() {
        state.timing.threadSettle = base::Millis{1};
        state.timing.startupPoll = base::Millis{1};
        state.databaseServer = "127.0.0.1:1";
        state.workspace = workspace.workspace();
    }

    StartupOutcome start(test::FakeStartupFrontend& frontend,
                         std::vector<std::string> argv = {"farrowlane"}) {
        loadBranding(state, frontend.messenger());
        StartupOutcome outcome = runStartupSequence(state, argv, frontend);
        if (outcome.ok) {
            finishStartup(state);
        }
        return outcome;
    }

    test::TempWorkspace workspace;
    AppState state;
};

TEST_F(StartupSequenceTest, FirstRunWithSkipAndNoFiles) {
    std::filesystem::create_directory(workspace.file("LOGS"));
    workspace.write("LOGS/FRRWLOG.WRI", "old trace");
    test::FakeStartupFrontend frontend(/*checkNow=*/false);
    StartupOutcome outcome = start(frontend);

    EXPECT_TRUE(outcome.ok);
    EXPECT_FALSE(outcome.settingsFileExisted);
    EXPECT_EQ(mainCaption(state), "NULL 0 Sites Available");
    EXPECT_EQ(state.statusText, "READY");
    EXPECT_EQ(state.currentProfilePath, "NULL");
    EXPECT_EQ(frontend.questionsAsked, 1);
    EXPECT_TRUE(frontend.initLog.shown);
    EXPECT_EQ(frontend.initLog.stages, (std::vector<std::string>{"Reading Sites File from Disk"}));
    EXPECT_TRUE(frontend.fakeMessenger().messages().empty());

    EXPECT_EQ(state.logsDir, workspace.file("LOGS"));
    EXPECT_EQ(state.errorsDir, workspace.file("ERRORS"));
    EXPECT_TRUE(std::filesystem::is_directory(workspace.file("ERRORS")));
    EXPECT_FALSE(std::filesystem::exists(workspace.file("LOGS/FRRWLOG.WRI")));
    EXPECT_EQ(workspace.read("farrow.cfg"),
              "Your\n\nName\nyou@example.com\nInternet Explorer\n\n[ProgInfo]\nJuly 19, 1998\n"
              "1.5.50\n");
}

TEST_F(StartupSequenceTest, ReadsSettingsBrandingAndSites) {
    workspace.write("farrow.cfg",
                    "Ann\r\nB\r\nLee\r\nann@example.test\r\nnetscape\r\n\r\nmore\r\n");
    workspace.write("sysconfig.fls",
                    "Farrowlane\nline\nMorvel Media\ns\ni\nm\ng\nh\nh2\nsupport\neleventh\n");
    workspace.write("sites.enc", test::encodedSitesFile({test::plainSiteLine("Adult Portal"),
                                                         test::plainSiteLine("Engine")}));
    test::FakeStartupFrontend frontend;
    StartupOutcome outcome = start(frontend);

    EXPECT_TRUE(outcome.settingsFileExisted);
    EXPECT_EQ(state.userSettings.userFirstName, "Ann");
    EXPECT_EQ(state.userSettings.userEmail, "ann@example.test");
    EXPECT_EQ(browserIndexFor(state.userSettings.browserChoice), 1);
    EXPECT_EQ(state.branding.supportMail, "support");
    EXPECT_TRUE(state.adultOnlyEdition);
    EXPECT_EQ(mainCaption(state), "Farrowlane 2 Sites Available");
    EXPECT_EQ(state.siteTable.size(), 1u);
    EXPECT_EQ(frontend.initLog.counts, (std::vector<std::string>{"1 Sites", "1 Sites"}));
}

TEST_F(StartupSequenceTest, CheckNowDownloadsBeforeReading) {
    test::FtpTestServer server;
    server.putFile("database/sites.enc", test::encodedSitesFile({test::plainSiteLine("Fresh")}));
    state.databaseServer = server.address();
    test::FakeStartupFrontend frontend(/*checkNow=*/true);
    EXPECT_TRUE(start(frontend).ok);
    EXPECT_EQ(state.siteCount, 1);
    EXPECT_EQ(state.siteTable[0].name(), "Fresh");
    EXPECT_GT(frontend.pumps, 0);
    EXPECT_EQ(frontend.initLog.stages.back(), "Reading Sites File from Disk");
}

TEST_F(StartupSequenceTest, FailedUpdateEndsStartup) {
    test::FakeStartupFrontend frontend(/*checkNow=*/true);
    EXPECT_FALSE(start(frontend).ok);
    const auto texts = frontend.fakeMessenger().texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], "Sites Database Problem.");
    EXPECT_EQ(frontend.fakeMessenger().messages()[1].icon, base::MessageIcon::Stop);
}

TEST_F(StartupSequenceTest, NoDownloadSwitchSkipsTheServerEvenAfterCheckNow) {
    test::FakeStartupFrontend frontend(/*checkNow=*/true);
    EXPECT_TRUE(start(frontend, {"farrowlane", "/VUZODURI"}).ok);
    EXPECT_TRUE(frontend.fakeMessenger().messages().empty());
    EXPECT_TRUE(state.switches.skipDatabaseDownload);
}

TEST_F(StartupSequenceTest, MissingInitWindowIsReportedAndStartupGoesOn) {
    test::FakeStartupFrontend frontend;
    frontend.failInitView = true;
    EXPECT_TRUE(start(frontend).ok);
    EXPECT_EQ(frontend.fakeMessenger().texts(),
              (std::vector<std::string>{"Could not create Initialization Dialog"}));
}

TEST(Switches, AreWholeCaseSensitiveArguments) {
    struct Case {
        std::vector<std::string> argv;
        base::Switches expected;
    };
    const Case cases[] = {
        {{"prog"}, {}},
        {{"prog", "/verbose", "/VERBOSEX", "VERBOSE"}, {}},
        {{"prog", "/VERBOSE"}, {.verbose = true}},
        {{"prog", "/TEST", "/LOG"}, {.verbose = true}},
        {{"prog", "/SITELOG", "/HTML"}, {.siteLog = true, .htmlDump = true}},
        {{"prog", "/VUZODURI"}, {true, true, true, true}},
        // The program's own name is never a switch.
        {{"/HTML"}, {}},
    };
    for (const Case& c : cases) {
        base::Switches s = parseSwitches(c.argv);
        SCOPED_TRACE(c.argv.back());
        EXPECT_EQ(s.verbose, c.expected.verbose);
        EXPECT_EQ(s.siteLog, c.expected.siteLog);
        EXPECT_EQ(s.htmlDump, c.expected.htmlDump);
        EXPECT_EQ(s.skipDatabaseDownload, c.expected.skipDatabaseDownload);
    }
}

TEST(UserSettings, BrowserChoiceMatchesAPrefixIgnoringCase) {
    EXPECT_EQ(browserIndexFor("Internet Explorer"), 0);
    EXPECT_EQ(browserIndexFor("NETSCAPE"), 1);
    EXPECT_EQ(browserIndexFor(""), 0);
    EXPECT_EQ(browserIndexFor("Lynx"), -1);
}

}  // namespace
}  // namespace farrow::app
