#include "cli/command_context.h"

#include "cli/progress_line.h"

namespace farrow::cli {

CommandContext::CommandContext(std::ostream& out, std::ostream& err,
                               const CommandSettings& settings)
    : outBuffer_(out.rdbuf(), "standard output"),
      errBuffer_(err.rdbuf(), "standard error"),
      outStream_(&outBuffer_),
      errStream_(&errBuffer_),
      stdout_(out.rdbuf()),
      stderr_(err.rdbuf()),
      settings(settings),
      out(outStream_),
      err(errStream_),
      databaseServer(settings.databaseServer),
      timing(settings.timing),
      connectionTest(settings.connectionTest),
      workspace(settings.workspace),
      tempDir(settings.tempDir),
      caFile(settings.caFile),
      input(settings.input),
      googleApi(settings.googleApi),
      googleCredentials(settings.googleCredentials) {
    outBuffer_.beforeWrite([this] { eraseProgress(); });
    errBuffer_.beforeWrite([this] { eraseProgress(); });
}

void CommandContext::eraseProgress() const {
    if (ProgressLine* line = progress_.load()) {
        line->erase();
    }
}

bool CommandContext::openReport(const std::string& path, JsonLinesReport*& report) const {
    report = nullptr;
    if (path.empty()) {
        return true;
    }
    const bool onStdout = path == "-";
    std::unique_ptr<CheckedOutput> output =
        onStdout ? std::make_unique<CheckedOutput>(stdout_, "standard output")
                 : CheckedOutput::appendTo(path);
    if (!output->opened()) {
        err << "farrowctl: cannot write the report \"" << path << "\"\n";
        return false;
    }
    output->beforeWrite([this] { eraseProgress(); });
    if (onStdout) {
        // Stdout holds JSON alone; the text lines go to stderr.
        outBuffer_.retarget(stderr_, "standard error");
    }
    report_ = std::make_unique<JsonLinesReport>(std::move(output), onStdout);
    report = report_.get();
    return true;
}

std::ostream* CommandContext::appendTo(const std::string& path, const std::string& what) const {
    std::unique_ptr<CheckedOutput> output = CheckedOutput::appendTo(path);
    if (!output->opened()) {
        err << "farrowctl: cannot write " << what << " \"" << path << "\"\n";
        return nullptr;
    }
    auto stream = std::make_unique<std::ostream>(output.get());
    files_.push_back({std::move(output), std::move(stream)});
    return files_.back().stream.get();
}

ExitCode CommandContext::finish(ExitCode code) {
    const auto check = [&](CheckedOutput& output) {
        if (!output.finish()) {
            err << "farrowctl: " << output.complaint() << '\n';
            code = kExitFailed;
        }
    };
    if (report_) {
        check(report_->output());
    }
    for (AppendedFile& file : files_) {
        check(*file.output);
    }
    check(outBuffer_);
    err.flush();
    return code;
}

}  // namespace farrow::cli
