#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <thread>

#include "app/profile_run.h"
#include "app/run_summary.h"
#include "app/startup_sequence.h"
#include "batch/batch_run.h"
#include "cli/command_line.h"
#include "cli/profile_loading.h"
#include "cli/progress_line.h"
#include "cli/sitemap_pages.h"
#include "cli/terminal_frontend.h"
#include "deep/checklist_items.h"
#include "deep/deep_run.h"
#include "deep/page_catalogue.h"
#include "deep/sitemap_choice.h"
#include "platform/internet_connection.h"
#include "profile/batch_list.h"
#include "profile/batch_session_file.h"
#include "profile/profile_file.h"
#include "submit/request_builder.h"
#include "submit/submission_controller.h"
#include "submit/transport.h"

namespace farrow::cli {

namespace {

// The run's bar as the progress line; a stop asked by a signal presses ABORT.
class TerminalProgress final : public submit::ProgressView {
public:
    explicit TerminalProgress(const CommandContext& context) : line_(context) {}
    void setCaption(const std::string&) override {}
    void setLastSite(const std::string& text) override { lastSite_ = text; }
    void setBarRange(int maximum) override { maximum_ = maximum; }
    void setBarPosition(int position) override { position_ = position; }
    void setTotal(const std::string&) override {}
    void setGood(const std::string& text) override { good_ = text; }
    void setFailure(const std::string& text) override { failed_ = text; }
    void setFailRate(const std::string&) override {}
    void show() override {}
    void refresh() override {
        const int total = maximum_ > 0 ? maximum_ - 1 : 0;
        line_.show(std::to_string(position_) + "/" + std::to_string(total) + "  good " +
                   trim(good_) + "  failed " + trim(failed_) + "  " + lastSite_);
    }
    bool abortDown() const override { return InterruptScope::requested(); }
    bool pauseDown() const override { return false; }

private:
    static std::string trim(const std::string& s) {
        const auto first = s.find_first_not_of(' ');
        return first == std::string::npos ? "0" : s.substr(first);
    }

    ProgressLine line_;
    int maximum_ = 0;
    int position_ = 0;
    std::string lastSite_, good_ = "0", failed_ = "0";
};

// The debug window's lines as text: each line once per change, the window's blank start left
// out.
class TerminalDebugView final : public submit::DebugView {
public:
    explicit TerminalDebugView(std::ostream& out) : out_(out) {}
    void show() override {}
    void setLine(int index, const std::string& text) override {
        if (index < 0 || index >= submit::kDebugLineCount ||
            text.find_first_not_of(' ') == std::string::npos || lines_[index] == text) {
            return;
        }
        lines_[index] = text;
        out_ << text << '\n';
    }
    void refresh() override { out_ << std::flush; }

private:
    std::ostream& out_;
    std::array<std::string, submit::kDebugLineCount> lines_;
};

class TerminalPump final : public submit::RunPump {
public:
    void pumpMessages() override {}
    void pumpFor(base::Millis duration) override { std::this_thread::sleep_for(duration); }
};

std::string isoNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// The headless run: per-site lines on stdout (or the report there), a bar on a terminal.
class TerminalRunFrontend final : public submit::RunFrontend {
public:
    TerminalRunFrontend(const CommandContext& context, std::ostream& debug,
                        base::Messenger& messenger, JsonLinesReport* report, bool siteLines)
        : context_(context),
          out_(context.out),
          debug_(debug),
          messenger_(messenger),
          report_(report),
          siteLines_(siteLines) {}

    base::Messenger& messenger() override { return messenger_; }
    submit::RunPump& pump() override { return pump_; }
    void setStatus(const std::string&) override {}
    void setMainCaption(const std::string&) override {}
    void refreshMain() override {}
    std::unique_ptr<submit::ProgressView> createProgressView() override {
        return std::make_unique<TerminalProgress>(context_);
    }
    std::unique_ptr<submit::DebugView> createDebugView() override {
        return std::make_unique<TerminalDebugView>(debug_);
    }
    bool askShowErrorLog() override { return false; }
    void showErrorLog(const std::string&) override {}
    void siteFinished(const submit::SiteReport& r) override {
        if (siteLines_ && r.outcome != submit::ReportOutcome::NotStarted) {
            out_ << submit::outcomeText(r.outcome) << ": " << r.siteName;
            if (r.outcome == submit::ReportOutcome::Failed) {
                out_ << ": " << (r.mailReason.empty() ? r.errorText : r.mailReason);
            }
            out_ << '\n' << std::flush;
        }
        if (report_) {
            nlohmann::ordered_json line;
            line["event"] = "site";
            line["siteName"] = bytesAsUtf8(r.siteName);
            line["method"] = bytesAsUtf8(r.method);
            line["targetUrl"] = bytesAsUtf8(r.targetUrl);
            line["outcome"] = submit::outcomeText(r.outcome);
            line["reason"] = submit::reasonText(r.reason);
            line["status"] = r.httpStatus ? nlohmann::ordered_json(*r.httpStatus) : nullptr;
            line["errorText"] = bytesAsUtf8(r.errorText);
            if (!r.mailReason.empty()) {
                line["mailReason"] = bytesAsUtf8(r.mailReason);
            }
            line["elapsedMs"] = r.elapsedMs;
            report_->write(line);
        }
    }

private:
    const CommandContext& context_;
    std::ostream& out_;
    std::ostream& debug_;
    base::Messenger& messenger_;
    JsonLinesReport* report_;
    bool siteLines_;
    TerminalPump pump_;
};

// Where the debug lines of "/VERBOSE" go: stderr, or the file `path` appended to. False when the
// file cannot be opened.
bool openDebug(const std::string& path, std::ostream*& debug, const CommandContext& context) {
    debug = path.empty() ? &context.err : context.appendTo(path, "the debug lines to");
    return debug != nullptr;
}

// The runs of one command on a terminal: per-site lines on stdout, or report records to
// `report` when given, the verbose switch's debug lines to `debug`; SIGINT presses ABORT.
class TerminalProfileRun final : public app::ProfileRunFrontend {
public:
    using DeepPages = std::function<std::optional<std::vector<deep::PageEntry>>(
        const profile::SubmissionProfile&)>;

    TerminalProfileRun(JsonLinesReport* report, std::ostream& debug, const CommandContext& context,
                       TerminalFrontend& frontend, app::RunSummary& summary,
                       DeepPages deepPages = {})
        : report_(report),
          context_(context),
          summary_(summary),
          build_(frontend),
          run_(context, debug, frontend, report, !reportOnStdout(report)),
          deepPages_(std::move(deepPages)) {}

    submit::BuildFrontend& buildFrontend() override { return build_; }
    submit::RunFrontend& runFrontend() override { return run_; }
    std::optional<std::vector<deep::PageEntry>> deepPages(
        const profile::SubmissionProfile& profile) override {
        return deepPages_ ? deepPages_(profile) : std::nullopt;
    }

    void submissionStarting(const profile::SubmissionProfile& profile, int siteCount) override {
        if (report_) {
            nlohmann::ordered_json line;
            line["event"] = "run";
            line["url"] = bytesAsUtf8(profile.url);
            line["started"] = isoNow();
            line["sites"] = siteCount;
            report_->write(line);
        }
    }

    void submissionEnded(const submit::RunResult& r) override {
        summary_.add(r);
        if (report_) {
            nlohmann::ordered_json line;
            line["event"] = "end";
            line["processed"] = r.processed;
            line["good"] = r.good;
            line["failed"] = r.failed;
            line["stopped"] = r.stopped;
            line["log"] = bytesAsUtf8(r.logPath);
            line["errorLog"] = bytesAsUtf8(r.errorLogName);
            line["failureProfile"] =
                r.failureProfilePath.empty()
                    ? nlohmann::ordered_json(nullptr)
                    : nlohmann::ordered_json(bytesAsUtf8(r.failureProfilePath));
            line["elapsedMs"] = r.elapsedMs;
            report_->write(line);
        }
        if (!reportOnStdout(report_)) {
            context_.out << "Log: " << r.logPath << '\n' << "Error log: " << r.errorLogName << '\n';
            if (!r.failureProfilePath.empty()) {
                context_.out << "Failure profile: " << r.failureProfilePath << '\n';
            }
        }
    }

private:
    JsonLinesReport* report_;
    const CommandContext& context_;
    app::RunSummary& summary_;
    TerminalBuildFrontend build_;
    TerminalRunFrontend run_;
    DeepPages deepPages_;
};

// The words the window's summary shows, after the runs' own lines; nothing when nothing ran (the
// reason is on stderr) or when the report takes stdout.
void writeRunSummary(const CommandContext& context, const JsonLinesReport* report,
                     const app::RunSummary& summary) {
    if (summary.runs > 0 && !reportOnStdout(report)) {
        context.out << app::summaryText(summary) << '\n';
    }
}

ExitCode exitCodeOf(const app::ProfileRunResult& result) {
    if (!result.submitted()) {
        return kExitFailed;
    }
    return result.ending == app::ProfileRunEnding::Ran ? kExitOk : kExitSomeFailed;
}

ExitCode submitProfile(const std::string& file, const std::vector<std::string>& words,
                       const std::string& reportPath, const std::string& debugPath,
                       const CommandContext& context) {
    app::AppState state;
    takeCommandSettings(state, context);
    TerminalFrontend frontend(context.err, context.err, /*checkForUpdates=*/false,
                              /*showStages=*/false);
    profile::SubmissionProfile profile;
    if (!loadWorkspace(file, words, state, profile, frontend)) {
        return kExitFailed;
    }
    // An ordinary run: no batch rows.
    state.currentProfilePath = "NULL";
    JsonLinesReport* report = nullptr;
    if (!context.openReport(reportPath, report)) {
        return kExitFailed;
    }
    std::ostream* debug = nullptr;
    if (!openDebug(debugPath, debug, context)) {
        return kExitFailed;
    }
    InterruptScope interrupts;
    app::RunSummary summary;
    TerminalProfileRun run(report, *debug, context, frontend, summary);
    const app::ProfileRunResult result =
        app::runProfile(state, {profile, false, context.connectionTest, {}}, run);
    writeRunSummary(context, report, summary);
    return exitCodeOf(result);
}

ExitCode deepSubmit(const std::string& file, const std::vector<std::string>& words, bool list,
                    const std::vector<std::string>& excludes, const std::string& reportPath,
                    const std::string& sitemap, const std::string& debugPath,
                    const CommandContext& context) {
    app::AppState state;
    takeCommandSettings(state, context);
    TerminalFrontend frontend(context.err, context.err, /*checkForUpdates=*/false,
                              /*showStages=*/false);
    profile::SubmissionProfile profile;
    if (list) {
        // The checklist needs the site alone: no sites database, and nothing is written.
        std::optional<profile::SubmissionProfile> read = readProfile(file, context);
        if (!read) {
            return kExitFailed;
        }
        profile = std::move(*read);
    } else if (!loadWorkspace(file, words, state, profile, frontend)) {
        return kExitFailed;
    }
    state.currentProfilePath = "NULL";
    std::vector<deep::ChecklistItem> items;
    crawl::SitemapCut cut;
    if (!sitemap.empty()) {
        // The sitemap's pages in its order, each run under the profile's title.
        const auto entries = sitemapPageEntries(sitemap, context, cut);
        if (!entries) {
            return kExitFailed;
        }
        if (cut) {
            context.err << "farrowctl: " << (list ? "listing" : "submitting") << " the "
                        << entries->size() << " pages taken of the sitemap\n";
        }
        const deep::SitemapChoice choice = deep::chooseSitemapPages(*entries, profile.url);
        for (const deep::SitemapLeftOut& left : choice.leftOut) {
            context.err << "farrowctl: " << deep::text(left, profile.url) << '\n';
        }
        for (const deep::PageEntry& page : choice.pages) {
            items.push_back({deep::itemText({page.url, profile.title}), page});
        }
    } else {
        const deep::CatalogueResult catalogue =
            deep::cataloguePages(profile.url, profile.title, state.timing, nullptr, nullptr);
        for (const std::string& note : catalogue.notes) {
            context.err << note << '\n';
        }
        if (catalogue.status != deep::CatalogueStatus::Listed) {
            context.err << deep::catalogueMessage(catalogue.status, profile.url) << '\n';
            return kExitFailed;
        }
        items = deep::checklistItems(catalogue.pages);
    }
    std::vector<deep::PageEntry> pages;
    for (const deep::ChecklistItem& item : items) {
        if (list) {
            context.out << item.text << '\n';
            continue;
        }
        const bool excluded = std::any_of(excludes.begin(), excludes.end(), [&](const auto& x) {
            return item.page.url.find(x) != std::string::npos;
        });
        if (!excluded) {
            pages.push_back(item.page);
        }
    }
    if (list) {
        return kExitOk;
    }
    JsonLinesReport* report = nullptr;
    if (!context.openReport(reportPath, report)) {
        return kExitFailed;
    }
    if (report && cut) {
        report->write(sitemapCutEvent(cut));
    }
    std::ostream* debug = nullptr;
    if (!openDebug(debugPath, debug, context)) {
        return kExitFailed;
    }
    InterruptScope interrupts;
    app::RunSummary summary;
    TerminalProfileRun run(report, *debug, context, frontend, summary,
                           [&](const profile::SubmissionProfile&) { return pages; });
    const app::ProfileRunResult result =
        app::runProfile(state, {profile, true, context.connectionTest, {}}, run);
    writeRunSummary(context, report, summary);
    return exitCodeOf(result);
}

// A profile of a batch for which nothing was submitted.
struct SkippedProfile {
    std::string path;
    std::string reason;
};

void writeBatchSummary(std::ostream& out, const batch::BatchResult& result,
                       const app::RunSummary& summary, const std::vector<SkippedProfile>& skipped) {
    for (const batch::FailedRun& run : result.failedRuns) {
        out << "Errors in: " << run.errorLogPath << '\n';
    }
    for (const SkippedProfile& profile : skipped) {
        out << "Skipped: " << profile.path << ": " << profile.reason << '\n';
    }
    for (const std::string& path : result.profilesNotRun) {
        out << "Not run: " << path << ": stopped\n";
    }
    out << "Batch log: " << result.logs.logPath << '\n'
        << "Batch error log: " << result.logs.errorLogPath << '\n'
        << app::summaryText(summary, &result) << '\n';
}

void writeBatchReport(JsonLinesReport& report, const batch::BatchResult& result,
                      const std::vector<SkippedProfile>& skipped) {
    const auto texts = [](const std::vector<std::string>& list) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (const std::string& text : list) {
            array.push_back(bytesAsUtf8(text));
        }
        return array;
    };
    nlohmann::ordered_json line;
    line["event"] = "batch";
    line["profilesRun"] = texts(result.profilesRun);
    line["skipped"] = nlohmann::ordered_json::array();
    for (const SkippedProfile& profile : skipped) {
        nlohmann::ordered_json entry;
        entry["profile"] = bytesAsUtf8(profile.path);
        entry["reason"] = bytesAsUtf8(profile.reason);
        line["skipped"].push_back(std::move(entry));
    }
    line["notRun"] = texts(result.profilesNotRun);
    line["stopped"] = result.stopped;
    std::vector<std::string> errorLogs;
    for (const batch::FailedRun& run : result.failedRuns) {
        errorLogs.push_back(run.errorLogPath);
    }
    line["errorLogs"] = texts(errorLogs);
    line["batchLog"] = bytesAsUtf8(result.logs.logPath);
    line["batchErrorLog"] = bytesAsUtf8(result.logs.errorLogPath);
    report.write(line);
}

ExitCode batchSubmit(const std::string& session, const std::vector<std::string>& words,
                     const std::string& reportPath, const std::string& debugPath,
                     const CommandContext& context) {
    const profile::SessionRead read = profile::readBatchSession(session, context.workspace);
    if (read.error) {
        context.err << "farrowctl: could not read the batch session \"" << session
                    << "\": " << read.error->reason << '\n';
        return kExitFailed;
    }
    app::AppState state;
    takeCommandSettings(state, context);
    TerminalFrontend frontend(context.err, context.err, /*checkForUpdates=*/false,
                              /*showStages=*/false);
    if (!requireSitesFile(state.workspace, frontend)) {
        return kExitFailed;
    }
    std::vector<std::string> argv = {"farrowctl"};
    argv.insert(argv.end(), words.begin(), words.end());
    app::loadBranding(state, frontend);
    app::runStartupSequence(state, argv, frontend);
    app::finishStartup(state);

    // What "Load Batch Session" and "Go Ahead" would do.
    profile::BatchList list;
    list.replace(read.entries);
    profile::BatchNames shown;
    for (const profile::BatchEntry& entry : list.entries()) {
        shown.add(entry.name);
    }
    const std::string runFile = state.workspace.batchRunFile();
    if (const auto error = profile::writeTextFile(
            runFile, profile::formatBatchRunFile(profile::batchRunPaths(list, shown)))) {
        context.err << "farrowctl: could not write \"" << runFile << "\": " << error->reason
                    << '\n';
        return kExitFailed;
    }
    JsonLinesReport* report = nullptr;
    if (!context.openReport(reportPath, report)) {
        return kExitFailed;
    }
    std::ostream* debug = nullptr;
    if (!openDebug(debugPath, debug, context)) {
        return kExitFailed;
    }
    InterruptScope interrupts;
    batch::BatchParams params;
    params.runFilePath = runFile;
    params.logsDir = state.logsDir;
    params.errorsDir = state.errorsDir;
    params.setCurrentProfilePath = [&](const std::string& p) { state.currentProfilePath = p; };
    params.messenger = &frontend;
    params.stopRequested = &state.runStopped;
    // In run order: the profiles for which nothing was submitted, and why.
    std::vector<SkippedProfile> skipped;
    app::RunSummary summary;
    bool allClean = true;
    const batch::BatchResult result = batch::runBatch(params, [&](const batch::ProfileRun& run) {
        state.batchLogPath = run.batchLogs->logPath;
        state.batchErrorLogPath = run.batchLogs->errorLogPath;
        profile::SubmissionProfile loaded;
        profile::NoProfileDialogs dialogs;
        if (profile::loadProfile(state.currentProfilePath, app::siteSelection(state), loaded,
                                 dialogs, frontend)
                .outcome != profile::FileOutcome::Done) {
            skipped.push_back({run.profilePath, "could not be read"});
            batch::ProfileRunReport unreadable;
            unreadable.outcome = batch::ProfileRunOutcome::Unreadable;
            return unreadable;
        }
        // A deep profile runs every page of its site, unless they cannot be listed.
        std::string reason = "nothing submitted";
        TerminalProfileRun runs(
            report, *debug, context, frontend, summary,
            [&](const profile::SubmissionProfile& deepProfile)
                -> std::optional<std::vector<deep::PageEntry>> {
                const deep::CatalogueResult catalogue = deep::cataloguePages(
                    deepProfile.url, deepProfile.title, state.timing, nullptr, nullptr);
                if (catalogue.status != deep::CatalogueStatus::Listed) {
                    reason = deep::catalogueMessage(catalogue.status, deepProfile.url);
                    context.err << reason << '\n';
                    return std::nullopt;
                }
                std::vector<deep::PageEntry> pages;
                for (const deep::ChecklistItem& item : deep::checklistItems(catalogue.pages)) {
                    pages.push_back(item.page);
                }
                return pages;
            });
        const app::ProfileRunResult outcome =
            app::runProfile(state, {loaded, loaded.deep, context.connectionTest, {}}, runs);
        allClean = allClean && outcome.ending == app::ProfileRunEnding::Ran;
        if (!outcome.submitted()) {
            skipped.push_back({run.profilePath, reason});
        }
        return app::batchReport(outcome);
    });
    if (result.runFileError) {
        context.err << "farrowctl: could not read \"" << runFile
                    << "\": " << result.runFileError->reason << '\n';
    }
    if (report) {
        writeBatchReport(*report, result, skipped);
    }
    if (!reportOnStdout(report)) {
        writeBatchSummary(context.out, result, summary, skipped);
    }
    if (result.profilesRun.empty()) {
        return kExitFailed;
    }
    const bool whole = allClean && skipped.empty() && result.failedRuns.empty() &&
                       !result.stopped && !result.runFileError;
    return whole ? kExitOk : kExitSomeFailed;
}

constexpr const char* kRunsReportHelp =
    "append a JSON Lines report of the runs to PATH (\"-\": stdout)";

// What every running command takes: the file to run, the switch words and the report path.
struct RunOptions {
    std::string file;
    std::vector<std::string> words;
    std::string report;
    std::string debug;
    bool list = false;
    std::vector<std::string> excludes;
    std::string sitemap;
};

// The texts of a running command's help.
struct RunHelp {
    const char* name;
    const char* description;
    const char* fileName;
    const char* fileHelp;
    const char* reportHelp;
};

CLI::App* addRunCommand(CLI::App& app, RunOptions& options, const RunHelp& help) {
    CLI::App* command = app.add_subcommand(help.name, help.description);
    command->add_option(help.fileName, options.file, help.fileHelp)->required();
    addSwitchWords(*command, options.words);
    command->add_option("--report", options.report, help.reportHelp);
    command->add_option("--debug", options.debug,
                        "append the debug lines of /VERBOSE, /TEST or /VUZODURI to PATH "
                        "(stderr otherwise)");
    return command;
}

}  // namespace

void addBatchCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<RunOptions>();
    CLI::App* batch = addRunCommand(
        app, *options,
        {"batch", "run every profile of a saved batch session (.flb) in turn, with batch logs",
         "SESSION", "a batch session file (.flb)", kRunsReportHelp});
    batch->callback([options, &context] {
        context.exitCode =
            batchSubmit(options->file, options->words, options->report, options->debug, context);
    });
}

void addSubmitCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<RunOptions>();
    CLI::App* submit = addRunCommand(
        app, *options,
        {"submit", "submit a saved profile (.fl2) to its selected sites, as Build + GO! does",
         "FILE", "a profile file (.fl2)",
         "append a JSON Lines report of the run to PATH (\"-\": stdout)"});
    submit->callback([options, &context] {
        context.exitCode =
            submitProfile(options->file, options->words, options->report, options->debug, context);
    });
}

void addDeepCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<RunOptions>();
    CLI::App* deep = addRunCommand(
        app, *options,
        {"deep", "crawl a profile's site and submit every page found, as Deep Submission does",
         "FILE", "a profile file (.fl2)", kRunsReportHelp});
    deep->add_flag("--list", options->list, "print the checklist and submit nothing");
    deep->add_option("--exclude", options->excludes,
                     "leave out the pages whose URL contains TEXT (may be repeated)");
    deep->add_option("--sitemap", options->sitemap,
                     "take the pages from a sitemap (URL or file; an index and gzip too) instead "
                     "of reading the site");
    deep->callback([options, &context] {
        context.exitCode =
            deepSubmit(options->file, options->words, options->list, options->excludes,
                       options->report, options->sitemap, options->debug, context);
    });
}

}  // namespace farrow::cli
