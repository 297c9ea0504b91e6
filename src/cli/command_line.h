#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/timing.h"
#include "cli/command_context.h"
#include "cli/command_settings.h"
#include "cli/exit_code.h"
#include "cli/interrupt_scope.h"
#include "cli/json_lines_report.h"

namespace CLI {
class App;
}

namespace farrow::cli {

// Runs one farrowctl command; `args` excludes the program name.
ExitCode runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    const CommandSettings& settings = {});

// The program's switch words as the desktop program takes them on its command line.
inline const std::vector<std::string> kSwitchWords = {"/VERBOSE", "/TEST", "/SITELOG",
                                                      "/HTML",    "/LOG",  "/VUZODURI"};

// Lets `command` take switch words as positional words after its own arguments, each one of
// `accepted`; the words given are collected in `words`, in order.
void addSwitchWords(CLI::App& command, std::vector<std::string>& words,
                    const std::vector<std::string>& accepted = kSwitchWords);

// --max-pages and --max-depth of a command that crawls the whole site; 0 leaves the timing
// record's bound.
void addCrawlBounds(CLI::App& command, std::size_t& maxPages, std::size_t& maxDepth,
                    const base::Timing& timing);
// --delay MS of such a command: one page at a time, MS milliseconds after each answer.
void addCrawlDelay(CLI::App& command, std::optional<base::Millis>& delay);

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
void addAuditCommand(CLI::App& app, CommandContext& context);
void addGoogleCommands(CLI::App& app, CommandContext& context);

}  // namespace farrow::cli
