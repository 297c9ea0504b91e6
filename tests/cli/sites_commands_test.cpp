#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "support/ftp_test_server.h"
#include "support/loopback_listener.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace farrow::cli {
namespace {

struct CliRun {
    int rc;
    std::string out;
    std::string err;
};

// The database server is port 1 of the loopback unless a test names one: nobody listens there.
CliRun run(const std::vector<std::string>& args,
           const std::string& databaseServer = "127.0.0.1:1") {
    std::ostringstream out, err;
    int rc = runCommand(args, out, err, serverAt(databaseServer));
    return {rc, out.str(), err.str()};
}

TEST(SitesCommands, EncodeAndDecodeAreInverse) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    ws.write("plain.txt", "Engine|x|http://e.test/|GET\r\nSecond line\n");
    CliRun encoded = run({"sites", "encode", "plain.txt"});
    ASSERT_EQ(encoded.rc, kExitOk) << encoded.err;
    EXPECT_EQ(encoded.out.substr(0, 12), "398073758071");
    ws.write("stored.enc", encoded.out);
    CliRun decoded = run({"sites", "decode", "stored.enc"});
    EXPECT_EQ(decoded.rc, kExitOk);
    EXPECT_EQ(decoded.out, "Engine|x|http://e.test/|GET\nSecond line\n");
}

// Characters the two-digit encoding cannot carry would come back as others and shift the line:
// the file is refused with the place of each, and nothing is printed.
TEST(SitesCommands, EncodeRefusesCharactersItCannotCarry) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    struct Case {
        std::string text;
        std::string place;
    };
    const std::vector<Case> cases = {
        {"Engine\tx|GET\n", "line 1, column 7: character code 9 "},
        {"ok\nCaf\xe9 Finder\n", "line 2, column 4: character code 233 "},
        {"ok\nok\n\xc3\xa9\n", "line 3, column 1: character code 195 "},
        {std::string("a\x1d") + "\n", "line 1, column 2: character code 29 "},
    };
    for (const Case& c : cases) {
        ws.write("plain.txt", c.text);
        CliRun r = run({"sites", "encode", "plain.txt"});
        EXPECT_EQ(r.rc, kExitFailed) << c.place;
        EXPECT_EQ(r.out, "") << c.place;
        EXPECT_NE(r.err.find("\"plain.txt\" " + c.place), std::string::npos) << r.err;
    }
    // The edges of what can be stored: codes 30 and 127.
    ws.write("plain.txt", "\x1e\x7f\n");
    CliRun edges = run({"sites", "encode", "plain.txt"});
    EXPECT_EQ(edges.rc, kExitOk) << edges.err;
    EXPECT_EQ(edges.out, "0097\n");
}

// What the built program writes to stderr and how it ends, with stdout sent to `stdoutPath`.
struct ChildRun {
    int status = -1;
    std::string err;
};

ChildRun runWithStdoutAt(const std::filesystem::path& dir, const char* stdoutPath,
                         const std::vector<const char*>& args) {
    int errPipe[2];
    EXPECT_EQ(pipe(errPipe), 0);
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(stdoutPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || chdir(dir.c_str()) != 0) {
            _exit(99);
        }
        dup2(out, 1);
        dup2(errPipe[1], 2);
        close(errPipe[0]);
        std::vector<char*> argv = {const_cast<char*>("farrowctl")};
        for (const char* arg : args) {
            argv.push_back(const_cast<char*>(arg));
        }
        argv.push_back(nullptr);
        execv(FARROW_FARROWCTL, argv.data());
        _exit(98);
    }
    close(errPipe[1]);
    ChildRun run;
    char buffer[4096];
    for (ssize_t n; (n = read(errPipe[0], buffer, sizeof buffer)) > 0;) {
        run.err.append(buffer, static_cast<std::size_t>(n));
    }
    close(errPipe[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// `> sites.enc` on a full disk: the command fails naming stdout, never a silent empty file.
TEST(SitesCommands, AStdoutThatCannotBeWrittenFailsTheCommand) {
    test::TempWorkspace ws;
    ws.write("plain.txt", "Engine|x|http://e.test/|GET\n");
    const ChildRun full = runWithStdoutAt(ws.path(), "/dev/full", {"sites", "encode", "plain.txt"});
    EXPECT_EQ(full.status, kExitFailed) << full.err;
    EXPECT_EQ(full.err, "farrowctl: cannot write standard output: No space left on device (28)\n");
    const ChildRun help = runWithStdoutAt(ws.path(), "/dev/full", {"--help"});
    EXPECT_EQ(help.status, kExitFailed) << help.err;

    const ChildRun written = runWithStdoutAt(ws.path(), (ws.path() / "sites.enc").c_str(),
                                             {"sites", "encode", "plain.txt"});
    EXPECT_EQ(written.status, kExitOk) << written.err;
    EXPECT_EQ(ws.read("sites.enc").substr(0, 12), "398073758071");
}

TEST(SitesCommands, DumpShowsEveryKeptRecordAndTheCount) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    ws.write("sites.enc",
             test::encodedSitesFile({test::plainSiteLine("Adult Finder"),
                                     test::plainComplexSiteLine("Adult Dir", "cat", {"Arts"}),
                                     test::plainSiteLine("Family Engine")}));
    ws.write("sysconfig.fls", "Farrowlane\nline\nMorvel\n");
    std::filesystem::create_directory(ws.file("LOGS"));
    ws.write("LOGS/FRRWLOG.WRI", "trace of the last run");
    CliRun r = run({"sites", "dump"});
    EXPECT_EQ(r.rc, kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "Adult Finder:\n  1 = x\n  2 = http://engine.test/add\n  3 = GET\n"
              "Adult Dir:\n  1 = x\n  2 = http://engine.test/add\n  3 = POST\n"
              "  0 = x\n  1 = cat\n  2 = Arts\n"
              "2 Sites\n");
    // Reading changes nothing in the workspace.
    EXPECT_EQ(ws.read("LOGS/FRRWLOG.WRI"), "trace of the last run");
    EXPECT_FALSE(std::filesystem::exists(ws.file("farrow.cfg")));
    EXPECT_FALSE(std::filesystem::exists(ws.file("ERRORS")));
}

TEST(SitesCommands, ReportsMissingFilesAndBadUsage) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    CliRun dump = run({"sites", "dump"});
    EXPECT_EQ(dump.rc, kExitFailed);
    EXPECT_NE(dump.err.find("sites.enc"), std::string::npos);
    CliRun decode = run({"sites", "decode", "absent.enc"});
    EXPECT_EQ(decode.rc, kExitFailed);
    EXPECT_NE(decode.err.find("absent.enc"), std::string::npos);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"sites"}, {"sites", "dump", "extra"}, {"frobnicate"}, {"update", "/HTML"}}) {
        CliRun bad = run(args);
        EXPECT_EQ(bad.rc, kExitUsage);
        EXPECT_NE(bad.err.find("usage: farrowctl"), std::string::npos);
    }
}

TEST(UpdateCommand, PrintsStagesAndFailsWhenTheServerIsDown) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    const std::string closed = "127.0.0.1:" + std::to_string(test::closedLoopbackPort());
    CliRun r = run({"update"}, closed);
    EXPECT_EQ(r.rc, kExitFailed);
    EXPECT_NE(r.err.find("Could Not establish FTP session to datbase server."), std::string::npos);
    EXPECT_NE(r.err.find("Sites Database Problem."), std::string::npos);
    // The server and the reason follow the window's words.
    EXPECT_NE(r.err.find("farrowctl: Could not update sites.enc from the database server " +
                         closed + ": "),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("onnect"), std::string::npos) << r.err;

    CliRun skipped = run({"update", "/VUZODURI"}, closed);
    EXPECT_EQ(skipped.rc, kExitOk) << skipped.err;
    EXPECT_NE(skipped.out.find("Reading Sites File from Disk"), std::string::npos);
    EXPECT_NE(skipped.out.find("0 Sites"), std::string::npos);
}

TEST(UpdateCommand, DownloadsTheDatabase) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    test::FtpTestServer server;
    server.putFile("database/sites.enc", test::encodedSitesFile({test::plainSiteLine("New")}));
    CliRun r = run({"update"}, server.address());
    EXPECT_EQ(r.rc, kExitOk) << r.err;
    EXPECT_NE(r.out.find("1 Sites"), std::string::npos);
    const std::string stored = test::encodedSitesFile({test::plainSiteLine("New")});
    EXPECT_EQ(ws.read("sites.enc"), stored);
    EXPECT_NE(r.out.find("Downloaded a new sites.enc from " + server.address() + " (" +
                         std::to_string(stored.size()) + " bytes)\n"),
              std::string::npos)
        << r.out;

    CliRun again = run({"update"}, server.address());
    EXPECT_EQ(again.rc, kExitOk) << again.err;
    EXPECT_NE(again.out.find("sites.enc is the same as on " + server.address() +
                             ": nothing downloaded\n"),
              std::string::npos)
        << again.out;
    EXPECT_EQ(again.out.find("Downloaded"), std::string::npos) << again.out;
}

TEST(UpdateCommand, ARefusedLoginNamesTheServerAndTheReason) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    test::FtpTestServer server("another password");
    CliRun r = run({"update"}, server.address());
    EXPECT_EQ(r.rc, kExitFailed);
    EXPECT_NE(r.err.find("farrowctl: Could not update sites.enc from the database server " +
                         server.address() + ": "),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(": Login denied\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Downloaded"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace farrow::cli
