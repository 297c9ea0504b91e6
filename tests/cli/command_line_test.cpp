#include "cli/command_line.h"

#include <gtest/gtest.h>
#include <CLI/CLI.hpp>

#include <filesystem>
#include <sstream>

#include "base/version.h"
#include "support/temp_workspace.h"

namespace farrow::cli {
namespace {

struct CliRun {
    int rc;
    std::string out;
    std::string err;
};

CliRun run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int rc = runCommand(args, out, err);
    return {rc, out.str(), err.str()};
}

TEST(CommandLine, HelpGoesToStdoutAndSucceeds) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"-h"}, {"sites", "--help"}, {"mirror", "-h"}}) {
        CliRun r = run(args);
        EXPECT_EQ(r.rc, kExitOk) << args.back();
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find("usage: farrowctl"), std::string::npos) << r.out;
    }
    CliRun top = run({"--help"});
    for (const char* command : {"sites", "update", "profile", "build", "mirror"}) {
        EXPECT_NE(top.out.find("\n  " + std::string(command) + " "), std::string::npos) << command;
    }
    EXPECT_NE(run({"sites", "--help"}).out.find("usage: farrowctl sites"), std::string::npos);
}

TEST(CommandLine, VersionIsAnsweredBeforeAnyCommandIsRequired) {
    test::TempWorkspace ws;
    const std::string expected = std::string("farrowctl ") + base::kVersion + "\n";
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--version"}, {"--version", "sites", "dump"}}) {
        CliRun r = run(args);
        EXPECT_EQ(r.rc, kExitOk) << args.back();
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(r.err, "");
    }
    EXPECT_NE(run({"--help"}).out.find("--version"), std::string::npos);
    // Nothing ran: sites dump would have said it found no sites file.
    EXPECT_TRUE(std::filesystem::is_empty(ws.path()));
}

// Every command names its exit codes, and those that stop on a signal the codes of a second one.
TEST(CommandLine, EveryCommandsHelpNamesItsExitCodes) {
    const std::vector<std::vector<std::string>> quick = {{"sites", "decode"},
                                                         {"sites", "encode"},
                                                         {"sites", "dump"},
                                                         {"update"},
                                                         {"profile", "check"},
                                                         {"build"},
                                                         {"mirror"},
                                                         {"indexnow", "key"},
                                                         {"indexnow", "verify"},
                                                         {"indexnow", "history"}};
    const std::vector<std::vector<std::string>> stopping = {
        {"submit"}, {"deep"}, {"batch"}, {"crawl"}, {"audit"}, {"indexnow", "submit"}};
    for (const auto* group : {&quick, &stopping}) {
        for (std::vector<std::string> args : *group) {
            args.push_back("--help");
            const CliRun r = run(args);
            EXPECT_EQ(r.rc, kExitOk) << args[0];
            EXPECT_NE(r.out.find("Exit codes:\n  0 "), std::string::npos) << args[0] << r.out;
            EXPECT_EQ(r.out.find("\n  143  ") != std::string::npos, group == &stopping)
                << args[0] << r.out;
        }
    }
}

struct BadUsageCase {
    const char* name;
    std::vector<std::string> args;
    // What the complaint says, and whose usage follows it.
    const char* complaint;
    const char* usage;
};

class BadUsage : public testing::TestWithParam<BadUsageCase> {};

TEST_P(BadUsage, ExitsWithTwoAndTheCommandsUsage) {
    test::TempWorkspace ws;
    CliRun r = run(GetParam().args);
    EXPECT_EQ(r.rc, kExitUsage);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.starts_with(std::string("farrowctl: ") + GetParam().complaint)) << r.err;
    EXPECT_NE(r.err.find(std::string("usage: ") + GetParam().usage), std::string::npos) << r.err;
    // Nothing was run.
    EXPECT_TRUE(std::filesystem::is_empty(ws.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadUsage,
    testing::Values(
        BadUsageCase{"NoCommand", {}, "A subcommand is required", "farrowctl [OPTIONS] COMMAND"},
        BadUsageCase{"UnknownCommand",
                     {"frobnicate"},
                     "unknown command \"frobnicate\"",
                     "farrowctl [OPTIONS] COMMAND"},
        BadUsageCase{
            "UnknownSubcommand", {"sites", "frob"}, "unknown command \"frob\"", "farrowctl sites"},
        BadUsageCase{
            "MissingFile", {"profile", "check"}, "FILE is required", "farrowctl profile check"},
        BadUsageCase{
            "ExtraWord", {"build", "a.fl2", "b.fl2"}, "The following argument", "farrowctl build"},
        BadUsageCase{"UnknownOption",
                     {"sites", "dump", "--fast"},
                     "The following argument",
                     "farrowctl sites dump"},
        BadUsageCase{"SwitchNotTakenHere",
                     {"update", "/HTML"},
                     "SWITCHES: /HTML not in",
                     "farrowctl update"},
        BadUsageCase{"MirrorWithoutPage", {"mirror"}, "PAGE is required", "farrowctl mirror"}),
    [](const testing::TestParamInfo<BadUsageCase>& info) { return info.param.name; });

// The shape later commands take: a file, then switch words, with options anywhere.
TEST(SwitchWords, FollowTheCommandsArgumentsInAnyOrder) {
    CLI::App app;
    std::string file;
    std::string report;
    std::vector<std::string> words;
    app.add_option("FILE", file)->required();
    app.add_option("--report", report);
    addSwitchWords(app, words);
    app.parse(std::vector<std::string>{"/VERBOSE", "out.jsonl", "--report", "/HTML", "p.fl2"});
    EXPECT_EQ(file, "p.fl2");
    EXPECT_EQ(report, "out.jsonl");
    EXPECT_EQ(words, (std::vector<std::string>{"/HTML", "/VERBOSE"}));

    words.clear();
    EXPECT_THROW(app.parse(std::vector<std::string>{"/html", "p.fl2"}), CLI::ValidationError);
    EXPECT_THROW(app.parse(std::vector<std::string>{"/FAST", "p.fl2"}), CLI::ValidationError);
}

}  // namespace
}  // namespace farrow::cli
