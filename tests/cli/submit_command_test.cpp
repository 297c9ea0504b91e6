#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/command_line.h"
#include "sites/site_line_codec.h"
#include "support/loopback_http_server.h"
#include "support/quick_run.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace farrow::cli {
namespace {

using namespace std::chrono_literals;

std::string targetLine(const std::string& name, const std::string& submitUrl) {
    std::vector<std::string> f(34, " ");
    f[0] = name;
    f[2] = submitUrl;
    f[3] = "GET";
    f[17] = "t=";
    std::string plain;
    for (const std::string& v : f) {
        plain += v + "|";
    }
    return sites::encodeSiteLine(plain) + "\n";
}

class SubmitCommandTest : public testing::Test {
protected:
    SubmitCommandTest() {
        server.routes().Get("/ok", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("Thanks", "text/html");
        });
        server.routes().Get("/listed", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("ERROR: Repeat URL", "text/html");
        });
        server.routes().Get(
            "/broken", [](const httplib::Request&, httplib::Response& res) { res.status = 500; });
        server.start();
        workspace.write("sites.enc", targetLine("Alpha", server.url("/ok?")) +
                                         targetLine("Bravo", server.url("/ok?")) +
                                         targetLine("Listed", server.url("/listed?")) +
                                         targetLine("Broken", server.url("/broken?")));
        for (base::Millis* wait :
             {&settings.timing.controllerPass, &settings.timing.dispatcherPass,
              &settings.timing.dispatcherHarvestPause, &settings.timing.dispatcherRefillPause,
              &settings.timing.controllerEndNap}) {
            *wait = 5ms;
        }
        settings.connectionTest = [this] { return connected; };
    }
    int run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return runCommand(args, out, err, settings);
    }
    // Runs the real farrowctl with `args` in the workspace, sends it `signals` (Ctrl-C unless
    // told) once `started` shows its first request under way, and gives back what it printed;
    // it must have exited with `expected`.
    std::string interruptOnceStarted(const std::vector<const char*>& args,
                                     const std::atomic<int>& started,
                                     const std::vector<int>& signals = {SIGINT}, int expected = 3) {
        int output[2];
        EXPECT_EQ(pipe(output), 0);
        const pid_t child = fork();
        if (child < 0) {
            ADD_FAILURE() << "fork failed";
            return {};
        }
        if (child == 0) {
            dup2(output[1], 1);
            close(output[0]);
            setenv("FARROWLANE_TIMING",
                   "controllerPass=10,dispatcherPass=10,dispatcherHarvestPause=10,"
                   "dispatcherRefillPause=10,controllerEndNap=10",
                   1);
            execl(FARROW_FARROWCTL, "farrowctl", args[0], args[1], static_cast<char*>(nullptr));
            _exit(127);
        }
        close(output[1]);
        for (int i = 0; i < 500 && started == 0; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_EQ(started, 1);
        for (int signal : signals) {
            kill(child, signal);
            std::this_thread::sleep_for(100ms);
        }
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = read(output[0], buffer, sizeof buffer)) > 0;) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
        close(output[0]);
        int status = 0;
        EXPECT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status)) << text;
        EXPECT_EQ(WEXITSTATUS(status), expected) << text;
        return text;
    }

    farrow::test::LoopbackHttpServer server;
    test::TempWorkspace workspace;
    test::WorkingDirectory inWorkspace{workspace.path()};
    CommandSettings settings;
    bool connected = true;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(SubmitCommandTest, EverySiteAcceptedExitsZeroAndNamesTheLogs) {
    workspace.write("p.fl2", test::profileFileText({"Alpha", "Bravo"}));
    EXPECT_EQ(run({"submit", "p.fl2"}), kExitOk) << err.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("SUCCESSFUL: Alpha\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SUCCESSFUL: Bravo\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Log: "), std::string::npos);
    EXPECT_NE(text.find("Error log: "), std::string::npos);
    EXPECT_EQ(text.find("Failure profile: "), std::string::npos);
    // The window's summary ends it.
    EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1),
              "1 run to 2 sites: 2 accepted, 0 failed.\n")
        << text;
}

TEST_F(SubmitCommandTest, AFailedSiteExitsThreeWithTheReasonAndTheReport) {
    workspace.write("p.fl2", test::profileFileText({"Listed", "Broken"}));
    EXPECT_EQ(run({"submit", "p.fl2", "--report", "-"}), 3) << err.str();
    std::vector<nlohmann::json> events;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        events.push_back(nlohmann::json::parse(line));
    }
    ASSERT_EQ(events.size(), 4u) << out.str();
    EXPECT_EQ(events[0]["event"], "run");
    EXPECT_EQ(events[0]["sites"], 2);
    int failed = 0;
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(events[i]["event"], "site");
        if (events[i]["siteName"] == "Listed") {
            // A site that already lists the URL took it.
            EXPECT_EQ(events[i]["outcome"], "SUCCESSFUL");
            EXPECT_EQ(events[i]["reason"], "already-listed");
            EXPECT_EQ(events[i]["status"], 200);
        } else {
            ++failed;
            EXPECT_EQ(events[i]["outcome"], "FAILED");
            EXPECT_EQ(events[i]["reason"], "exchange-failed");
            EXPECT_EQ(events[i]["status"], 500);
            EXPECT_NE(events[i]["errorText"].get<std::string>().find("Program.error"),
                      std::string::npos);
        }
    }
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(events[3]["event"], "end");
    EXPECT_EQ(events[3]["good"], 1);
    EXPECT_EQ(events[3]["failed"], 1);
    EXPECT_TRUE(events[3]["failureProfile"].is_string());
}

TEST_F(SubmitCommandTest, SwitchWordsChangeNoOutcome) {
    workspace.write("p.fl2", test::profileFileText({"Alpha", "Bravo"}));
    for (const char* word : {"/VERBOSE", "/HTML", "/SITELOG", "/VUZODURI"}) {
        EXPECT_EQ(run({"submit", "p.fl2", word}), kExitOk)
            << word << ": " << out.str() << err.str();
    }
}

// Headless, the debug window is text: each line once per change, on stderr or in --debug FILE.
TEST_F(SubmitCommandTest, VerboseWritesTheDebugLinesInsteadOfAComplaint) {
    workspace.write("p.fl2", test::profileFileText({"Alpha", "Bravo"}));
    EXPECT_EQ(run({"submit", "p.fl2", "/VERBOSE"}), kExitOk) << err.str();
    EXPECT_EQ(err.str().find("Could not create Debug Dialog"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("Write  0\n"), std::string::npos) << err.str();

    EXPECT_EQ(run({"submit", "p.fl2", "/TEST", "--debug", "debug.txt"}), kExitOk) << err.str();
    EXPECT_EQ(err.str(), "");
    const std::string lines = workspace.read("debug.txt");
    EXPECT_EQ(test::occurrences(lines, "Write  0\n"), 1u) << lines;
    EXPECT_NE(lines.find("Alpha"), std::string::npos) << lines;
    std::istringstream in(lines);
    std::string previous;
    for (std::string line; std::getline(in, line); previous = line) {
        EXPECT_NE(line, previous) << "a line repeated without a change";
        EXPECT_NE(line.find_first_not_of(' '), std::string::npos);
    }
}

TEST_F(SubmitCommandTest, BatchRunsEachProfileOfTheSessionWithBatchLogs) {
    workspace.write("good.fl2", test::profileFileText({"Alpha"}));
    workspace.write("bad.fl2", test::profileFileText({"Broken"}));
    workspace.write("s.flb", workspace.file("good.fl2") + "\r\ngood.fl2\r\n" +
                                 workspace.file("bad.fl2") + "\r\nbad.fl2\r\n" +
                                 workspace.file("gone.fl2") + "\r\ngone.fl2\r\nDATAEND\r\n");
    EXPECT_EQ(run({"batch", "s.flb"}), 3) << err.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("SUCCESSFUL: Alpha\n"), std::string::npos) << text;
    EXPECT_NE(text.find("FAILED: Broken: "), std::string::npos) << text;
    EXPECT_NE(text.find("Errors in: "), std::string::npos) << text;
    EXPECT_NE(text.find("Batch log: "), std::string::npos) << text;
    EXPECT_NE(text.find("\n2 profiles run, 1 could not be read.\n2 runs to 2 sites: 1 accepted, "
                        "1 failed.\n"),
              std::string::npos)
        << text;
    EXPECT_NE(err.str().find("gone.fl2"), std::string::npos) << err.str();
    EXPECT_FALSE(std::ifstream(workspace.file("BATCH.TMP")).good());

    EXPECT_EQ(run({"batch", "missing.flb"}), kExitFailed);
}

// A batch session of the workspace's files, named as the dialog names them.
std::string sessionOf(const test::TempWorkspace& workspace, const std::vector<std::string>& files) {
    std::string text;
    for (const std::string& file : files) {
        text += workspace.file(file) + "\r\n" + file + "\r\n";
    }
    return text + "DATAEND\r\n";
}

TEST_F(SubmitCommandTest, ABatchThatSubmittedNothingExitsOneAndSaysWhy) {
    workspace.write("gone-deep.fl2", [&] {
        std::string text = test::profileFileText({"Alpha"}, server.url("/nothing/here.html"));
        text.replace(text.find("SHALLOW"), 7, "DEEP");
        return text;
    }());
    struct Case {
        const char* label;
        std::vector<std::string> files;
        // The summary's line of the skipped profile; none for an empty session.
        std::string said;
    };
    for (const Case& c :
         {Case{"empty session", {}, ""},
          Case{"only profile missing",
               {"gone.fl2"},
               "Skipped: " + workspace.file("gone.fl2") + ": could not be read\n"},
          Case{"deep start page unreachable",
               {"gone-deep.fl2"},
               "Skipped: " + workspace.file("gone-deep.fl2") +
                   ": No Links Could Be Cataloged From " + server.url("/nothing/here.html")}}) {
        workspace.write("s.flb", sessionOf(workspace, c.files));
        EXPECT_EQ(run({"batch", "s.flb"}), kExitFailed) << c.label << ": " << out.str();
        EXPECT_EQ(out.str().find("Skipped: ") != std::string::npos, !c.said.empty()) << c.label;
        EXPECT_NE(out.str().find(c.said), std::string::npos) << c.label << ": " << out.str();
        EXPECT_NE(out.str().find("Batch log: "), std::string::npos) << c.label;
    }
}

TEST_F(SubmitCommandTest, ABatchThatSkippedAProfileExitsThreeAndNamesItInTheReport) {
    workspace.write("good.fl2", test::profileFileText({"Alpha"}));
    workspace.write("s.flb", sessionOf(workspace, {"good.fl2"}));
    EXPECT_EQ(run({"batch", "s.flb"}), kExitOk) << out.str() << err.str();
    EXPECT_EQ(out.str().find("Skipped: "), std::string::npos) << out.str();

    workspace.write("s.flb", sessionOf(workspace, {"gone.fl2", "good.fl2"}));
    EXPECT_EQ(run({"batch", "s.flb"}), 3) << out.str() << err.str();
    EXPECT_NE(out.str().find("Skipped: " + workspace.file("gone.fl2") + ": could not be read\n"),
              std::string::npos)
        << out.str();

    EXPECT_EQ(run({"batch", "s.flb", "--report", "-"}), 3) << out.str() << err.str();
    std::vector<nlohmann::json> events;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        // Stdout holds the report alone.
        events.push_back(nlohmann::json::parse(line));
    }
    ASSERT_FALSE(events.empty());
    const nlohmann::json& batch = events.back();
    EXPECT_EQ(batch["event"], "batch");
    EXPECT_EQ(batch["profilesRun"], nlohmann::json::array({workspace.file("good.fl2")}));
    ASSERT_EQ(batch["skipped"].size(), 1u) << batch.dump();
    EXPECT_EQ(batch["skipped"][0]["profile"], workspace.file("gone.fl2"));
    EXPECT_EQ(batch["skipped"][0]["reason"], "could not be read");
    EXPECT_EQ(batch["notRun"], nlohmann::json::array());
    EXPECT_EQ(batch["stopped"], false);
}

// The built program in a child process, as a user runs it from a shell.
TEST_F(SubmitCommandTest, InterruptPressesAbortAndTheRunEndsWithItsLogs) {
    std::atomic<int> started{0};
    server.routes().Get("/hang", [&](const httplib::Request&, httplib::Response& res) {
        ++started;
        std::this_thread::sleep_for(1500ms);
        res.set_content("late", "text/html");
    });
    workspace.write("sites.enc", targetLine("Hang", server.url("/hang?")));
    workspace.write("p.fl2", test::profileFileText({"Hang"}));
    const std::string text = interruptOnceStarted({"submit", "p.fl2"}, started);
    EXPECT_NE(text.find("Log: "), std::string::npos) << text;
    EXPECT_NE(text.find("1 run to 1 site: "), std::string::npos) << text;
    EXPECT_NE(text.find("\nABORT stopped the job: "), std::string::npos) << text;
}

// ABORT ends the batch after the run it stopped; the profiles after it are named, not run.
TEST_F(SubmitCommandTest, AnInterruptedBatchNamesTheProfilesItDidNotRun) {
    std::atomic<int> started{0};
    server.routes().Get("/hang", [&](const httplib::Request&, httplib::Response& res) {
        ++started;
        std::this_thread::sleep_for(1500ms);
        res.set_content("late", "text/html");
    });
    workspace.write("sites.enc", targetLine("Hang", server.url("/hang?")) +
                                     targetLine("Alpha", server.url("/ok?")));
    workspace.write("hang.fl2", test::profileFileText({"Hang"}));
    workspace.write("next.fl2", test::profileFileText({"Alpha"}));
    workspace.write("s.flb", sessionOf(workspace, {"hang.fl2", "next.fl2"}));
    const std::string text = interruptOnceStarted({"batch", "s.flb"}, started);
    EXPECT_EQ(text.find("SUCCESSFUL: Alpha"), std::string::npos) << text;
    EXPECT_NE(text.find("Not run: " + workspace.file("next.fl2") + ": stopped\n"),
              std::string::npos)
        << text;
    const std::string logLine = "Batch log: ";
    const std::size_t at = text.find(logLine);
    ASSERT_NE(at, std::string::npos) << text;
    const std::string batchLog =
        text.substr(at + logLine.size(), text.find('\n', at) - at - logLine.size());
    std::ifstream file(batchLog);
    const std::string log((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("<TR><TD>not run: stopped<TD>" + workspace.file("next.fl2") + "\n"),
              std::string::npos)
        << log;
}

// A `systemctl stop` or a shutdown sends SIGTERM: the batch ends as after Ctrl-C, with its logs
// and without its run file; a second one ends it at once.
TEST_F(SubmitCommandTest, SigtermStopsABatchAsCtrlCDoes) {
    std::atomic<int> started{0};
    server.routes().Get("/hang", [&](const httplib::Request&, httplib::Response& res) {
        ++started;
        std::this_thread::sleep_for(1500ms);
        res.set_content("late", "text/html");
    });
    workspace.write("sites.enc", targetLine("Hang", server.url("/hang?")) +
                                     targetLine("Alpha", server.url("/ok?")));
    workspace.write("hang.fl2", test::profileFileText({"Hang"}));
    workspace.write("next.fl2", test::profileFileText({"Alpha"}));
    workspace.write("s.flb", sessionOf(workspace, {"hang.fl2", "next.fl2"}));
    const std::string text = interruptOnceStarted({"batch", "s.flb"}, started, {SIGTERM});
    EXPECT_NE(text.find("Not run: " + workspace.file("next.fl2") + ": stopped\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Batch error log: "), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(workspace.file("BATCH.TMP")));

    started = 0;
    const std::string cut =
        interruptOnceStarted({"batch", "s.flb"}, started, {SIGTERM, SIGTERM}, kExitTerminated);
    EXPECT_EQ(cut.find("Batch log: "), std::string::npos) << cut;
}

// A full disk under the report or the debug lines fails the run, naming the file; nothing of
// the run is lost from its logs.
TEST_F(SubmitCommandTest, AnOutputThatCannotBeWrittenFailsTheRunAndIsNamed) {
    workspace.write("p.fl2", test::profileFileText({"Alpha"}));
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"submit", "p.fl2", "--report", "/dev/full"},
          {"submit", "p.fl2", "/TEST", "--debug", "/dev/full"},
          {"deep", "p.fl2", "--sitemap", "map.xml", "--report", "/dev/full"}}) {
        // A page of the profile's own site: a sitemap's other pages are left out.
        workspace.write("map.xml", "<urlset><url><loc>http://my.site/ok</loc></url></urlset>");
        EXPECT_EQ(run(args), kExitFailed) << args[2] << ": " << err.str();
        EXPECT_NE(err.str().find("farrowctl: cannot write \"/dev/full\": No space left on device"),
                  std::string::npos)
            << args[2] << ": " << err.str();
        EXPECT_NE(out.str().find("Log: "), std::string::npos) << args[2] << ": " << out.str();
    }
}

TEST_F(SubmitCommandTest, NothingSubmittableExitsOne) {
    EXPECT_EQ(run({"submit", "missing.fl2"}), kExitFailed);
    workspace.write("p.fl2", test::profileFileText({"Alpha"}));
    connected = false;
    EXPECT_EQ(run({"submit", "p.fl2"}), kExitFailed);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(run({"submit"}), kExitUsage);
    EXPECT_EQ(run({"submit", "p.fl2", "/NOPE"}), kExitUsage);
}

TEST_F(SubmitCommandTest, DeepListsTheChecklistAndRunsThePagesNotExcluded) {
    server.routes().Get("/site/index.html", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(
            "<title>Home</title>\n<a href=\"news.html\">News</a>\n"
            "<a href=\"shop.html\">Shop</a>\n",
            "text/html");
    });
    for (const char* page : {"/site/news.html", "/site/shop.html"}) {
        server.routes().Get(page, [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<title>A page</title>\n", "text/html");
        });
    }
    workspace.write("p.fl2", test::profileFileText({"Alpha"}, server.url("/site/index.html")));
    EXPECT_EQ(run({"deep", "p.fl2", "--list"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "A page ( " + server.url("/site/news.html") + " )\n" + "A page ( " +
                             server.url("/site/shop.html") + " )\n" + "Mine ( " +
                             server.url("/site/index.html") + " )\n");

    EXPECT_EQ(run({"deep", "p.fl2", "--exclude", "shop", "--report", "-"}), kExitOk) << err.str();
    std::vector<std::string> urls;
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json event = nlohmann::json::parse(line);
        if (event["event"] == "run") {
            urls.push_back(event["url"]);
        }
    }
    EXPECT_EQ(urls, (std::vector<std::string>{server.url("/site/news.html"),
                                              server.url("/site/index.html")}));

    workspace.write("gone.fl2", test::profileFileText({"Alpha"}, server.url("/nothing/here.html")));
    EXPECT_EQ(run({"deep", "gone.fl2", "--list"}), kExitFailed);
    EXPECT_NE(err.str().find("No Links Could Be Cataloged From "), std::string::npos) << err.str();
}

}  // namespace
}  // namespace farrow::cli
