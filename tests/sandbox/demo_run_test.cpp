#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "sandbox/demo_key.h"
#include "sandbox/sandbox_server.h"
#include "sandbox/sandbox_sites.h"
#include "sandbox/workspace_writer.h"
#include "support/temp_workspace.h"

namespace farrow::sandbox {
namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The output and exit code of a shell command run in the current directory.
struct Ran {
    std::string out;
    int code = -1;
};

Ran runShell(const std::string& command) {
    Ran ran;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return ran;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        ran.out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    ran.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

// The sandbox program, started in the background on free ports with its workspace in the
// current directory, and stopped with SIGTERM as a user's Ctrl-C would.
class RunningSandbox final {
public:
    explicit RunningSandbox(const std::filesystem::path& dir) : output_(dir / "sandbox.out") {
        pid_ = ::fork();
        if (pid_ == 0) {
            const int fd = ::creat(output_.c_str(), 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            const std::string workspace = (dir / "ws").string();
            // --for bounds a sandbox whose test died before stopping it.
            ::execl(FARROW_SANDBOX, "farrowlane-sandbox", "--workspace", workspace.c_str(), "--for",
                    "60", "--slow-step", "50", static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }

    ~RunningSandbox() {
        if (pid_ > 0 && exitCode_ < 0) {
            stop();
        }
    }

    // Waits for the "Ready" line; false when the sandbox ended or never got there.
    bool waitUntilReady() {
        for (int i = 0; i < 500; ++i) {
            if (readFile(output_).find("Ready;") != std::string::npos) {
                return true;
            }
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    int stop() {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return exitCode_;
    }

    std::string output() const { return readFile(output_); }

private:
    std::filesystem::path output_;
    pid_t pid_ = -1;
    int exitCode_ = -1;
};

// Short waits: the stalling and silent targets fail after the receive time-out, and the slow
// one (50 ms between pieces) still gets through.
const char* kShortTiming =
    "FARROWLANE_TIMING=httpReceiveTimeout=600,"
    "mailTimeout=2000,dispatcherHarvestPause=5,dispatcherRefillPause=5,dispatcherPass=10,"
    "controllerPass=10,controllerEndNap=0";

TEST(DemoRunTest, SubmittingTheDemoProfileEndsWithTheSandboxesMixOfOutcomes) {
    test::TempWorkspace dir;
    test::WorkingDirectory inWorkspace{dir.path()};
    RunningSandbox sandbox(dir.path());
    ASSERT_TRUE(sandbox.waitUntilReady()) << sandbox.output();

    const Ran run = runShell(std::string("cd ws && ") + kShortTiming +
                             " " FARROW_FARROWCTL " submit " + kDemoProfileName);
    // Some sites failed, as the sandbox means them to.
    EXPECT_EQ(run.code, 3) << run.out;
    std::map<std::string, std::string> outcomes;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        for (const std::string outcome : {"SUCCESSFUL", "FAILED", "TERMINATED"}) {
            if (line.rfind(outcome + ": ", 0) == 0) {
                const std::string rest = line.substr(outcome.size() + 2);
                outcomes[rest.substr(0, rest.find(": "))] = outcome;
            }
        }
    }
    ASSERT_EQ(outcomes.size(), sandboxSites().size()) << run.out;
    for (const SandboxSite& site : sandboxSites()) {
        EXPECT_EQ(outcomes[site.name], site.expectSuccess ? "SUCCESSFUL" : "FAILED")
            << site.name << " in\n"
            << run.out;
    }
    EXPECT_NE(run.out.find("Failure profile: "), std::string::npos) << run.out;
    // A refused mail has no error row; its line still says why.
    for (const SandboxSite& site : sandboxSites()) {
        if (site.method == "MAILTO" && !site.expectSuccess) {
            EXPECT_NE(run.out.find("FAILED: " + site.name +
                                   ": RCPT TO answered: 550 no such mailbox here"),
                      std::string::npos)
                << run.out;
        }
    }

    const Ran deep =
        runShell(std::string("cd ws && ") + FARROW_FARROWCTL " deep --list " + kDemoProfileName);
    EXPECT_EQ(deep.code, 0) << deep.out;
    // The ring is listed once per page, the mail link, "#" and the missing page not at all.
    EXPECT_NE(deep.out.find("Bakers' Ring: West Quay ("), std::string::npos) << deep.out;
    EXPECT_EQ(deep.out.find("404 NOT FOUND"), std::string::npos) << deep.out;
    EXPECT_EQ(deep.out.find("mailto"), std::string::npos) << deep.out;
    EXPECT_EQ(std::count(deep.out.begin(), deep.out.end(), '\n'), 5) << deep.out;

    EXPECT_EQ(sandbox.stop(), 0) << sandbox.output();
    EXPECT_NE(sandbox.output().find("Stopped; 1 mail(s) kept."), std::string::npos)
        << sandbox.output();
}

// The sandbox's address of `label` as its start-up lines name it.
std::string addressOf(const std::string& output, const std::string& label) {
    const std::size_t at = output.find("  " + label + " http");
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t start = at + label.size() + 3;
    return output.substr(start, output.find('\n', start) - start);
}

TEST(DemoRunTest, AnnouncingTheDemoPagesOverHttpsFallsBackFromTheBusyEndpoint) {
    test::TempWorkspace dir;
    test::WorkingDirectory inWorkspace{dir.path()};
    RunningSandbox sandbox(dir.path());
    ASSERT_TRUE(sandbox.waitUntilReady()) << sandbox.output();
    const std::string endpoint = addressOf(sandbox.output(), "announcement endpoint");
    const std::string busy = addressOf(sandbox.output(), "announcement endpoint, busy (429)");
    ASSERT_EQ(endpoint.rfind("https://127.0.0.1:", 0), 0u) << sandbox.output();
    // A busy engine's second wait is cut short by the limit; its third answer gives it up.
    const std::string quick =
        "cd ws && FARROWLANE_TIMING=indexnowRetryWait=1,indexnowRetryWaitLimit=1 ";
    const std::string env = quick + "FARROWLANE_CA_FILE=sandbox-ca.pem ";

    const Ran verify = runShell(env + FARROW_FARROWCTL " indexnow verify " + kDemoProfileName);
    EXPECT_EQ(verify.code, 0) << verify.out;
    const std::string submit = env + FARROW_FARROWCTL " indexnow submit " + kDemoProfileName +
                               " --deep --endpoint " + busy + " --endpoint " + endpoint;
    const Ran first = runShell(submit);
    EXPECT_EQ(first.code, 0) << first.out;
    EXPECT_NE(first.out.find("busy: " + busy + ": 5 URLs, status 429"), std::string::npos)
        << first.out;
    EXPECT_NE(first.out.find("pending: " + endpoint + ": 5 URLs, status 202"), std::string::npos)
        << first.out;
    // Without the CA file the sandbox is a stranger, and nothing is announced.
    const Ran untrusted = runShell(quick + FARROW_FARROWCTL " indexnow submit " + kDemoProfileName +
                                   " --force --endpoint " + endpoint);
    EXPECT_EQ(untrusted.code, 1) << untrusted.out;
    EXPECT_NE(untrusted.out.find("SSL certificate problem"), std::string::npos) << untrusted.out;
    const Ran again = runShell(submit + " --force");
    EXPECT_EQ(again.code, 0) << again.out;
    EXPECT_NE(again.out.find("accepted: " + endpoint + ": 5 URLs, status 200"), std::string::npos)
        << again.out;

    EXPECT_EQ(sandbox.stop(), 0);
    const std::string log = sandbox.output();
    EXPECT_NE(log.find("https POST /indexnow-busy ("), std::string::npos) << log;
    EXPECT_NE(log.find(": demo site's key file"), std::string::npos) << log;
    EXPECT_NE(log.find("indexnow answers 202 for 5 URL(s)"), std::string::npos) << log;
}

// run.sh's last step: the audit of the chandlery, which fails on its broken link as a pipeline
// would, and says where the audit is; with its pages inspected first, as pictures.sh does, the
// audit joins the Search Console's answers page by page.
TEST(DemoRunTest, AuditingTheSecondDemoSiteFailsOnItsBrokenLinkAndJoinsItsInspections) {
    test::TempWorkspace dir;
    test::WorkingDirectory inWorkspace{dir.path()};
    RunningSandbox sandbox(dir.path());
    ASSERT_TRUE(sandbox.waitUntilReady()) << sandbox.output();
    const std::string output = sandbox.output();
    const std::size_t api = output.find("Sandbox Search Console: ");
    ASSERT_NE(api, std::string::npos) << output;
    const std::size_t from = api + std::string("Sandbox Search Console: ").size();
    const std::string env = "cd ws && FARROWLANE_CA_FILE=sandbox-ca.pem FARROWLANE_GOOGLE_API=" +
                            output.substr(from, output.find(' ', from) - from) + " ";

    const Ran inspect =
        runShell(env + FARROW_FARROWCTL " google inspect " + kAuditProfileName + " --crawl");
    EXPECT_EQ(inspect.code, 0) << inspect.out;
    const Ran run = runShell(env + FARROW_FARROWCTL " audit " + kAuditProfileName);
    EXPECT_EQ(run.code, 3) << run.out;
    EXPECT_NE(run.out.find("\nFindings: error "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nAnnounced: 0; inspected: 7; indexed: 2.\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Wrote " + (dir.path() / "ws" / "audit.html").string() + "\n"),
              std::string::npos)
        << run.out;
    const std::string html = readFile(dir.path() / "ws" / "audit.html");
    EXPECT_NE(html.find("lanterns.htm"), std::string::npos);
    EXPECT_NE(html.find("Duplicate without user-selected canonical"), std::string::npos);
    EXPECT_EQ(sandbox.stop(), 0);
}

// A port another sandbox holds is refused before the workspace is written or "Ready" said, so
// that no two sandboxes share the clients of one port; bad usage ends with 2, as farrowctl's.
TEST(SandboxProgramTest, RefusesThePortsOfARunningSandboxAndBadUsage) {
    test::TempWorkspace dir;
    std::ostringstream log;
    SandboxSettings settings;
    settings.mailbox = dir.path() / "MAILBOX";
    SandboxServer first(settings, log);
    ASSERT_TRUE(first.valid()) << first.error();
    first.start();

    const std::string program = std::string(FARROW_SANDBOX) + " --for 5 --workspace '" +
                                (dir.path() / "second").string() + "' ";
    const std::vector<std::pair<std::string, int>> held = {
        {"--http-port", first.httpPort()},
        {"--https-port", first.httpsPort()},
        {"--mail-port", first.mailPort()},
    };
    for (const auto& [option, port] : held) {
        SCOPED_TRACE(option);
        const Ran second = runShell(program + option + " " + std::to_string(port));
        EXPECT_EQ(second.code, 1) << second.out;
        EXPECT_NE(second.out.find("127.0.0.1:" + std::to_string(port) + ": Address already in use"),
                  std::string::npos)
            << second.out;
        EXPECT_EQ(second.out.find("Usage:"), std::string::npos) << second.out;
        EXPECT_EQ(second.out.find("Ready"), std::string::npos) << second.out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "second"));

    for (const char* usage : {"--http-port 70000", "--no-such-option", "--for -1"}) {
        SCOPED_TRACE(usage);
        const Ran bad = runShell(program + usage);
        EXPECT_EQ(bad.code, 2) << bad.out;
        EXPECT_NE(bad.out.find("Usage:"), std::string::npos) << bad.out;
    }
}

TEST(WorkspaceWriterTest, WorkspaceLoadsWithFarrowctl) {
    test::TempWorkspace dir;
    test::WorkingDirectory inWorkspace{dir.path()};
    const WrittenWorkspace written =
        writeWorkspace({dir.path() / "ws", 4321, 4322, "-----BEGIN CERTIFICATE-----\n", 4323});
    ASSERT_TRUE(written.ok) << written.error;
    // The demo key as the workspace's key, its published file, and the CA file beside them.
    EXPECT_EQ(readFile(written.keyFile), std::string(kDemoKey) + "\n");
    EXPECT_EQ(readFile(dir.path() / "ws" / demoKeyFileName()), kDemoKey);
    EXPECT_EQ(readFile(dir.path() / "ws" / "sandbox-ca.pem"), "-----BEGIN CERTIFICATE-----\n");

    const Ran dump = runShell("cd ws && " FARROW_FARROWCTL " sites dump");
    EXPECT_EQ(dump.code, 0);
    EXPECT_NE(dump.out.find("\n" + std::to_string(sandboxSites().size()) + " Sites"),
              std::string::npos)
        << dump.out;
    EXPECT_NE(dump.out.find("http://127.0.0.1:4321/search?q="), std::string::npos);
    EXPECT_NE(readFile(written.brandingFile).find("\r\n127.0.0.1:4322\r\n"), std::string::npos);

    const Ran check =
        runShell(std::string("cd ws && ") + FARROW_FARROWCTL " profile check " + kDemoProfileName);
    EXPECT_EQ(check.code, 0) << check.out;
    const Ran build =
        runShell(std::string("cd ws && ") + FARROW_FARROWCTL " build " + kDemoProfileName);
    EXPECT_EQ(build.code, 0) << build.out;
    // The sites that take a category get the one the profile remembers, without a question.
    EXPECT_NE(build.out.find("\"category\":\"Food+and+Drink\""), std::string::npos) << build.out;
    EXPECT_NE(build.out.find("\"targetUrl\":\"http://127.0.0.1:4321/stall?kw=bakery"),
              std::string::npos);

    // The audit's demo site is the HTTPS side's, and its profile passes the checks too.
    const Ran audit =
        runShell(std::string("cd ws && ") + FARROW_FARROWCTL " profile check " + kAuditProfileName);
    EXPECT_EQ(audit.code, 0) << audit.out;
    EXPECT_NE(readFile(written.auditProfileFile).find("https://127.0.0.1:4323/chandlery/index.htm"),
              std::string::npos);
}

}  // namespace
}  // namespace farrow::sandbox
