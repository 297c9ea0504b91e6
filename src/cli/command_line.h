#pragma once

#include <fstream>
#include <istream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "base/timing.h"
#include "base/workspace.h"
#include "platform/internet_connection.h"

namespace CLI {
class App;
}

namespace farrow::cli {

// Exit codes of farrowctl.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// What the commands take from the program's environment, read in main.
struct CommandSettings {
    // The server "update" asks ("host" or "host:port").
    std::string databaseServer;
    // The folder farrowctl was started in and its files.
    base::Workspace workspace{"."};
    // The system's temporary folder.
    std::string tempDir;
    // Every wait and limit of a run ($FARROWLANE_TIMING over the product's values).
    base::Timing timing;
    // Whether an Internet connection can be made, asked before a submission.
    platform::ConnectionTest connectionTest = platform::attemptInternetConnection;
    // A CA file the HTTPS channels trust beside the system's store ($FARROWLANE_CA_FILE).
    std::string caFile;
    // Where "-" reads from (stdin); null: nothing to read.
    std::istream* input = nullptr;
    // The Search Console's address for tests and the sandbox ($FARROWLANE_GOOGLE_API); empty:
    // the service's own.
    std::string googleApi;
    // The service account's key file ($GOOGLE_APPLICATION_CREDENTIALS).
    std::string googleCredentials;
};

// The product's settings with another database server.
inline CommandSettings serverAt(std::string databaseServer) {
    CommandSettings settings;
    settings.databaseServer = std::move(databaseServer);
    return settings;
}

// Runs one farrowctl command; `args` excludes the program name.
int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const CommandSettings& settings = {});

// What a command runs with: its streams, the settings, and the exit code its callback leaves.
struct CommandContext {
    std::ostream& out;
    std::ostream& err;
    std::string databaseServer;
    base::Timing timing;
    platform::ConnectionTest connectionTest;
    base::Workspace workspace;
    std::string tempDir;
    std::string caFile;
    std::istream* input = nullptr;
    std::string googleApi;
    std::string googleCredentials;
    int exitCode = kExitOk;
};

// The program's switch words as the desktop program takes them on its command line.
inline const std::vector<std::string> kSwitchWords = {"/VERBOSE", "/TEST", "/SITELOG",
                                                      "/HTML",    "/LOG",  "/VUZODURI"};

// Lets `command` take switch words as positional words after its own arguments, each one of
// `accepted`; the words given are collected in `words`, in order.
void addSwitchWords(CLI::App& command, std::vector<std::string>& words,
                    const std::vector<std::string>& accepted = kSwitchWords);

// Opens a command's report: none (empty), stdout ("-"), or the file `path` appended to, kept in
// `file`. False, said on `err`, when the file cannot be opened.
bool openReport(const std::string& path, std::ostream& out, std::ofstream& file,
                std::ostream*& report, std::ostream& err);

// The commands, one group per file; each adds its subcommands to farrowctl's parser.
void addSitesCommands(CLI::App& app, CommandContext& context);
void addUpdateCommand(CLI::App& app, CommandContext& context);
void addProfileCommands(CLI::App& app, CommandContext& context);
void addBuildCommand(CLI::App& app, CommandContext& context);
void addMirrorCommand(CLI::App& app, CommandContext& context);
void addSubmitCommand(CLI::App& app, CommandContext& context);
void addDeepCommand(CLI::App& app, CommandContext& context);
void addBatchCommand(CLI::App& app, CommandContext& context);
void addIndexNowCommands(CLI::App& app, CommandContext& context);
void addCrawlCommand(CLI::App& app, CommandContext& context);
void addGoogleCommands(CLI::App& app, CommandContext& context);

}  // namespace farrow::cli
