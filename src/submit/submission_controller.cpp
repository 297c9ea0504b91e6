#include "submit/submission_controller.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>

#include "base/text.h"
#include "logs/log_names.h"
#include "logs/log_rows.h"
#include "logs/submission_log_writer.h"
#include "platform/file_system.h"
#include "profile/profile_file.h"
#include "submit/run_state.h"
#include "submit/submission_worker.h"
#include "submit/worker_dispatcher.h"

namespace farrow::submit {

namespace {

constexpr const char* kNull = "NULL";
constexpr const char* kNoDispatcherText = "Could not start the submission: ";

// The reason a log cannot be written, found by opening it for appending as every row will.
std::string appendProblem(const std::string& path) {
    if (platform::openFile(path, "ab")) {
        return {};
    }
    return "Could not write " + path + ": " + platform::systemReason(errno);
}

std::vector<profile::SelectedSite> failureEntries(const FailureList& failures) {
    std::vector<profile::SelectedSite> entries;
    for (const SiteRequest& r : failures) {
        entries.push_back({r.siteName, r.takesCategory == 1, r.category});
    }
    return entries;
}

class SubmissionController final {
public:
    SubmissionController(RunParams params, RunFrontend& frontend,
                         std::shared_ptr<Transport> transport, const base::Clock& clock,
                         WorkerLauncher& launcher)
        : params_(std::move(params)),
          frontend_(frontend),
          transport_(std::move(transport)),
          clock_(clock),
          launcher_(launcher),
          pump_(frontend.pump()) {}

    RunResult run();

private:
    bool batchRun() const {
        return params_.currentProfilePath != kNull && params_.currentProfilePath != "DEEP";
    }
    void startRun();
    void watch();
    void finishRun();
    void requestStop();
    void holdPause();
    void refreshDisplay();
    void deliver();
    void waitPass();

    RunParams params_;
    RunFrontend& frontend_;
    std::shared_ptr<Transport> transport_;
    const base::Clock& clock_;
    WorkerLauncher& launcher_;
    RunPump& pump_;

    RunResult result_;
    std::unique_ptr<ProgressView> progress_;
    std::unique_ptr<DebugView> debug_;
    std::uint64_t debugSeen_ = 0;
    std::unique_ptr<logs::SubmissionLogWriter> logs_;
    base::TimePoint start_{};
    RunState state_;
    std::unique_ptr<WorkerDispatcher> dispatcher_;
    std::jthread dispatcherThread_;
};

RunResult SubmissionController::run() {
    result_.siteCount =
        params_.siteCount < 0 ? static_cast<int>(params_.requests.size()) : params_.siteCount;
    frontend_.setStatus("BUSY");
    frontend_.refreshMain();
    progress_ = frontend_.createProgressView();
    if (!progress_) {
        frontend_.messenger().showMessage("Could not create Progress Dialog",
                                          base::MessageIcon::Stop);
        // Nothing runs, so the program must not stay marked busy.
        frontend_.setStatus("IDLE");
        frontend_.refreshMain();
        return result_;
    }
    result_.ran = true;
    startRun();
    watch();
    finishRun();
    return std::move(result_);
}

void SubmissionController::startRun() {
    const std::string& url = params_.profile.url;
    progress_->setCaption("Submitting: " + url);
    if (batchRun()) {
        const std::string line = logs::batchRunStartRow(url, params_.currentProfilePath);
        platform::appendTextToFile(params_.batchLogPath, line);
        platform::appendTextToFile(params_.batchErrorLogPath, line);
    }
    progress_->setBarRange(result_.siteCount + 1);
    progress_->setBarPosition(0);
    progress_->setGood("0");
    progress_->setFailure("0");
    progress_->setFailRate("0");
    progress_->setTotal(base::format("0/%d", result_.siteCount));
    progress_->show();
    progress_->refresh();

    start_ = clock_.now();
    const std::tm startTm = clock_.toLocal(start_);
    logs::LogNames names = logs::makeLogNames(url, params_.logsDir, params_.errorsDir, startTm);
    result_.logPath = names.logPath;
    result_.errorLogName = names.errorLogName;
    result_.relativeLogName = names.relativeLogName;
    result_.firstLogError = appendProblem(names.logPath);
    if (result_.firstLogError.empty()) {
        result_.firstLogError = appendProblem(names.errorLogName);
    }
    logs_ = std::make_unique<logs::SubmissionLogWriter>(std::move(names), url, params_.branding);
    logs_->writeHeader(startTm);
    if (batchRun()) {
        platform::appendTextToFile(params_.batchLogPath,
                                   "<TR><TD>" + logs::errorLogLink(result_.errorLogName) + "\n");
    }

    if (params_.switches.verbose) {
        debug_ = frontend_.createDebugView();
        if (debug_) {
            for (int i = 0; i < kDebugLineCount; ++i) {
                debug_->setLine(i, " ");
            }
            debug_->show();
        } else {
            frontend_.messenger().showMessage("Could not create Debug Dialog",
                                              base::MessageIcon::Stop);
        }
    }

    auto context = std::make_shared<WorkerContext>();
    context->url = url;
    context->batchRun = batchRun();
    context->batchErrorLogPath = params_.batchErrorLogPath;
    context->dumpPath = platform::joinPath(params_.logsDir, kDumpFile);
    context->htmlDump = params_.switches.htmlDump;
    context->extendedDump = params_.switches.skipDatabaseDownload;
    const base::Millis limit =
        params_.timing.workerLatencyLimit * (params_.switches.htmlDump ? 2 : 1);
    const base::Millis exchangeLimit = limit + params_.timing.exchangeGrace;
    context->transportSettings = {params_.timing, params_.userEmail, params_.mailSetting,
                                  exchangeLimit};
    context->transport = transport_;
    context->writeFlag = std::make_shared<WriteFlag>();
    context->logProblems = logs_->problems();
    context->clock = &clock_;

    DispatchParams dispatch;
    dispatch.requests = std::move(params_.requests);
    params_.requests.clear();
    dispatch.timing = params_.timing;
    dispatch.latencyLimit = limit;
    dispatch.verbose = params_.switches.verbose;
    dispatch.batchRun = batchRun();
    dispatch.batchLogPath = params_.batchLogPath;
    dispatch.context = std::move(context);
    dispatcher_ =
        std::make_unique<WorkerDispatcher>(std::move(dispatch), state_, *logs_, launcher_, clock_);
    try {
        dispatcherThread_ = launcher_.launch([this] { dispatcher_->run(); });
    } catch (const std::system_error& e) {
        // Without its dispatcher nothing can be sent: every site stays unstarted, as after a
        // stop, so that the failure profile holds them all; the user hears why.
        dispatcher_->finish();
        frontend_.messenger().showMessage(
            kNoDispatcherText + platform::systemReason(e.code().value()), base::MessageIcon::Stop);
    }

    pump_.pumpFor(params_.timing.controllerPass);
    progress_->setTotal(base::format("%4d", result_.siteCount));
}

void SubmissionController::watch() {
    while (!state_.dispatcherDone.load(std::memory_order_acquire)) {
        pump_.pumpMessages();
        deliver();
        refreshDisplay();
        waitPass();
        if (progress_->abortDown()) {
            requestStop();
        }
        if (state_.stopRequested) {
            return;
        }
        if (progress_->pauseDown()) {
            holdPause();
            if (state_.stopRequested) {
                return;
            }
        }
        if (state_.processed == result_.siteCount) {
            progress_->setLastSite("Cleaning Up....");
        }
    }
}

// One pass of the watch loop, waited in short slices so that the end of the dispatcher is seen
// at once rather than up to a whole pass later (the windows are served the same throughout).
void SubmissionController::waitPass() {
    const base::Millis slice = std::max(params_.timing.controllerWait, base::Millis(1));
    base::Millis waited{0};
    while (waited < params_.timing.controllerPass &&
           !state_.dispatcherDone.load(std::memory_order_acquire)) {
        const base::Millis step = std::min(slice, params_.timing.controllerPass - waited);
        pump_.pumpFor(step);
        waited += step;
    }
}

void SubmissionController::requestStop() {
    if (state_.stopRequested) {
        return;
    }
    state_.stopRequested = true;
    logs_->writeControlRow(logs::ControlRow::StopRequested);
    if (params_.runStopped != nullptr) {
        *params_.runStopped = true;
    }
}

void SubmissionController::holdPause() {
    state_.pauseRequested = true;
    frontend_.setMainCaption("Paused.....");
    logs_->writeControlRow(logs::ControlRow::PauseRequested);
    while (progress_->pauseDown() && !state_.stopRequested &&
           !state_.dispatcherDone.load(std::memory_order_acquire)) {
        pump_.pumpFor(params_.timing.controllerPass);
        deliver();
        // ABORT while paused ends the pause and stops the run.
        if (progress_->abortDown()) {
            requestStop();
        }
    }
    frontend_.setMainCaption("Resuming...");
    state_.pauseRequested = false;
}

void SubmissionController::refreshDisplay() {
    bool changed = false;
    if (state_.displayDirty.exchange(false)) {
        const double processed = state_.processed;
        const double failed = state_.failed;
        progress_->setLastSite(state_.lastSiteText.get());
        frontend_.setMainCaption(
            base::format("%4.0f Logging to: %s", processed, result_.relativeLogName.c_str()));
        progress_->setGood(base::format("%4.0f", static_cast<double>(state_.good)));
        progress_->setFailure(base::format("%4.0f", failed));
        progress_->setFailRate(processed > 0 ? base::format("%04.2f", failed / processed * 100)
                                             : std::string("0"));
        changed = true;
    }
    if (state_.countersDirty.exchange(false)) {
        // The bar shows every finished site, even when several finished between two passes.
        progress_->setBarPosition(state_.processed);
        changed = true;
    }
    if (changed) {
        progress_->refresh();
        frontend_.refreshMain();
    }
}

// Hands the site outcomes and the debug lines that arrived since the last pass to the windows.
void SubmissionController::deliver() {
    for (const SiteReport& report : state_.reports.takeAll()) {
        frontend_.siteFinished(report);
    }
    if (debug_) {
        const auto changes = state_.debugLines.changedSince(debugSeen_);
        for (const auto& [index, text] : changes) {
            debug_->setLine(index, text);
        }
        if (!changes.empty()) {
            debug_->refresh();
        }
    }
}

void SubmissionController::finishRun() {
    frontend_.setMainCaption("Closing Threads.  Please Stand By.....");
    progress_->setLastSite("Stopping Submission");
    progress_->refresh();
    while (!state_.dispatcherDone.load(std::memory_order_acquire)) {
        pump_.pumpMessages();
        pump_.pumpFor(params_.timing.controllerWait);
        deliver();
        progress_->refresh();
    }
    if (dispatcherThread_.joinable()) {
        dispatcherThread_.join();
    }
    deliver();
    refreshDisplay();
    debug_.reset();

    result_.stopped = state_.stopRequested;
    result_.processed = state_.processed;
    result_.good = state_.good;
    result_.failed = state_.failed;
    result_.failureList = std::move(state_.failureList);

    if (result_.stopped) {
        logs_->writeControlRow(logs::ControlRow::Stopped);
    }
    const base::TimePoint end = clock_.now();
    logs_->writeFooterOpening(
        std::chrono::duration_cast<std::chrono::seconds>(end - start_).count());
    // Sites a stop left unstarted are not counted as failed, but they make a failure profile as
    // failed ones do, and the run is one with failures all the same.
    if (result_.hadFailures()) {
        if (batchRun() || params_.currentProfilePath == "DEEP") {
            result_.batchHadErrors = true;
        } else {
            result_.offerErrorLog = true;
            if (frontend_.askShowErrorLog()) {
                frontend_.showErrorLog(result_.errorLogName);
            }
        }
    }
    if (!result_.failureList.empty()) {
        // Beside, never over, the failure profile of another run that started in the same minute.
        const profile::FileResult saved =
            profile::saveProfileBeside(logs_->names().failureProfilePath, params_.profile,
                                       failureEntries(result_.failureList), frontend_.messenger());
        if (saved.outcome == profile::FileOutcome::Done) {
            result_.failureProfilePath = saved.path;
            logs_->writeFailureProfileNote(saved.path);
        }
    }
    logs_->writeFooterClosing(result_.processed, result_.failed, clock_.toLocal(end));
    result_.elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(end - start_).count();
    // A log the run could not write to (a full disk) is said once, at the end: the run itself
    // went on, and every row that did reach its file is whole.
    if (result_.firstLogError.empty()) {
        result_.firstLogError = logs_->problems()->first();
    }
    if (!result_.firstLogError.empty()) {
        frontend_.messenger().showMessage(result_.firstLogError, base::MessageIcon::Exclamation);
    }

    pump_.pumpFor(params_.timing.controllerEndNap);
    progress_.reset();
    frontend_.setStatus("IDLE");
    frontend_.refreshMain();
}

}  // namespace

RunResult runSubmission(RunParams params, RunFrontend& frontend,
                        std::shared_ptr<Transport> transport, const base::Clock& clock) {
    ThreadLauncher launcher;
    return runSubmission(std::move(params), frontend, std::move(transport), clock, launcher);
}

RunResult runSubmission(RunParams params, RunFrontend& frontend,
                        std::shared_ptr<Transport> transport, const base::Clock& clock,
                        WorkerLauncher& launcher) {
    SubmissionController controller(std::move(params), frontend, std::move(transport), clock,
                                    launcher);
    return controller.run();
}

}  // namespace farrow::submit
