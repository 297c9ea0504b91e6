#pragma once

#include <atomic>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/checked_output.h"
#include "cli/command_settings.h"
#include "cli/exit_code.h"
#include "cli/json_lines_report.h"

namespace farrow::cli {

class ProgressLine;

// What a command runs with: the settings made in main, its checked streams, what it opened to
// write, and the exit code its callback leaves.
class CommandContext final {
    // First, as the streams below are made on them.
    mutable CheckedOutput outBuffer_;
    CheckedOutput errBuffer_;
    std::ostream outStream_;
    std::ostream errStream_;
    std::streambuf* stdout_;
    std::streambuf* stderr_;

public:
    CommandContext(std::ostream& out, std::ostream& err, const CommandSettings& settings);
    CommandContext(const CommandContext&) = delete;
    CommandContext& operator=(const CommandContext&) = delete;

    const CommandSettings& settings;
    // The text lines: stdout, or stderr while the report holds stdout.
    std::ostream& out;
    std::ostream& err;
    // The settings by their names.
    const std::string& databaseServer;
    const base::Timing& timing;
    const platform::ConnectionTest& connectionTest;
    const base::Workspace& workspace;
    const std::string& tempDir;
    const std::string& caFile;
    std::istream* const& input;
    const std::string& googleApi;
    const std::string& googleCredentials;
    ExitCode exitCode = kExitOk;

    // Opens the report: none (empty), stdout ("-"), or the file `path` appended to. False, said
    // on stderr, when the file cannot be opened. It lives as long as the context.
    bool openReport(const std::string& path, JsonLinesReport*& report) const;
    // The file `path` appended to, checked as stdout is; null, said on stderr as "cannot write
    // WHAT \"PATH\"", when it cannot be opened.
    std::ostream* appendTo(const std::string& path, const std::string& what) const;

    // Flushes and closes everything the command wrote to; an output that failed is named with
    // the reason on stderr and turns `code` into kExitFailed.
    ExitCode finish(ExitCode code);

    // For the progress line: where it draws, and which line writes must take away first.
    std::streambuf* terminalBuffer() const { return stderr_; }
    void setProgressLine(ProgressLine* line) const { progress_ = line; }

private:
    void eraseProgress() const;

    struct AppendedFile {
        std::unique_ptr<CheckedOutput> output;
        std::unique_ptr<std::ostream> stream;
    };
    mutable std::unique_ptr<JsonLinesReport> report_;
    mutable std::vector<AppendedFile> files_;
    mutable std::atomic<ProgressLine*> progress_{nullptr};
};

}  // namespace farrow::cli
