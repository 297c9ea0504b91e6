#pragma once

#include <string>
#include <utility>
#include <vector>

namespace farrow::cli {

// What farrowctl exits with. Unscoped, as the process's status is a plain number: a command's
// code is what `main` returns.
enum ExitCode : int {
    kExitOk = 0,
    kExitFailed = 1,
    kExitUsage = 2,
    // Some sites, profiles or URLs failed, or the run was stopped.
    kExitSomeFailed = 3,
    // A second SIGINT or SIGTERM while the first one's stop was under way.
    kExitInterrupted = 130,
    kExitTerminated = 143,
};

// One code of a command's help and what it means there.
using ExitMeaning = std::pair<ExitCode, std::string>;

// The "Exit codes:" footer of a command's help; a command that stops on a signal also names the
// codes of a second one.
std::string exitCodeHelp(const std::vector<ExitMeaning>& meanings, bool stopsOnSignal);

}  // namespace farrow::cli
