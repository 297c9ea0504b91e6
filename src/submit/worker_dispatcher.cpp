#include "submit/worker_dispatcher.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

#include "base/text.h"
#include "logs/log_rows.h"
#include "platform/file_system.h"
#include "submit/submission_worker.h"

namespace farrow::submit {

namespace {

constexpr const char* kContacting = "Contacting Site....";
constexpr const char* kLastSitesBeingSubmitted = "Last Site(s) being submitted...";
constexpr const char* kLatentText = "Latent Thread Terminated";
constexpr const char* kNoThreadText = "Could not start a worker thread: ";

using std::chrono::duration_cast;
using std::chrono::seconds;

void pause(base::Millis duration) {
    if (duration.count() > 0) {
        std::this_thread::sleep_for(duration);
    }
}

std::string clockText(base::TimePoint::duration d) {
    const long long s = std::max<long long>(0, duration_cast<seconds>(d).count());
    return base::format("%02d:%02d:%02d", static_cast<int>((s / 3600) % 24),
                        static_cast<int>((s / 60) % 60), static_cast<int>(s % 60));
}

}  // namespace

WorkerDispatcher::WorkerDispatcher(DispatchParams params, RunState& state,
                                   const logs::SubmissionLogWriter& logs, WorkerLauncher& launcher,
                                   const base::Clock& clock)
    : params_(std::move(params)), state_(state), logs_(logs), launcher_(launcher), clock_(clock) {}

WorkerDispatcher::~WorkerDispatcher() = default;

void WorkerDispatcher::run() {
    start();
    while (mainPass()) {
    }
    beginDrain();
    while (!drainPass()) {
    }
    finish();
}

void WorkerDispatcher::start() {
    state_.dispatcherDone = false;
    slotCount_ = static_cast<int>(std::min<std::size_t>(kSlotCount, params_.requests.size()));
    noRequestLeft_ = params_.requests.empty();
    for (int i = 0; i < slotCount_; ++i) {
        startSlot(i);
    }
}

void WorkerDispatcher::startSlot(int i) {
    Slot& slot = slots_[i];
    const SiteRequest& request = params_.requests[next_++];
    slot.started = clock_.now();
    slot.record = std::make_shared<WorkerSlot>(request, logs_.names().errorLogName, slot.started,
                                               params_.latencyLimit);
    slot.siteName = request.siteName;
    slot.state = SlotState::Running;
    slot.paused = {};
    // The thread shares the record and the run's context, so a worker given up on still
    // writes into memory that lives as long as it does.
    try {
        slot.thread = launcher_.launch(
            [record = slot.record, context = params_.context] { runWorker(*record, *context); });
    } catch (const std::system_error& e) {
        // The system refused the thread (a memory or process limit): this site fails with the
        // system's reason and is harvested as usual; the run goes on.
        WorkerSlot& record = *slot.record;
        record.settle(nullptr);
        record.errorText = kNoThreadText + platform::systemReason(e.code().value());
        writeErrorRows(record, *params_.context, record.errorText);
        record.reason = ReportReason::NotSent;
        record.result.store(0, std::memory_order_relaxed);
        record.finished.store(true, std::memory_order_release);
    }
    state_.activityText.set(kContacting);
    state_.lastSiteText.set(request.siteName);
    state_.displayDirty = true;
}

void WorkerDispatcher::startOrFree(int i) {
    if (next_ < params_.requests.size()) {
        // Spaces out the start of new connections.
        pause(params_.timing.dispatcherRefillPause);
        // A stop or pause pressed during this pass counts before this start, not after the pass.
        followRequests();
        if (!state_.stopRequested) {
            startSlot(i);
            return;
        }
    } else {
        noRequestLeft_ = true;
    }
    slots_[i].state = SlotState::Free;
    slots_[i].record->statusText = kStatusFinishedAndIdle;
}

bool WorkerDispatcher::collect(int i) {
    Slot& slot = slots_[i];
    if (!slot.record->finished.load(std::memory_order_acquire)) {
        return false;
    }
    // While paused no outcome is written.
    followRequests();
    if (slot.record->late()) {
        // Its answer came after the limit: the same verdict as if a pass had looked in time.
        terminate(i);
    } else {
        harvest(i);
    }
    return true;
}

bool WorkerDispatcher::mainPass() {
    if (state_.stopRequested || noRequestLeft_) {
        return false;
    }
    for (int i = 0; i < slotCount_; ++i) {
        Slot& slot = slots_[i];
        if (slot.state == SlotState::Free) {
            continue;
        }
        if (slot.state == SlotState::Terminated) {
            // Already recorded when it was given up; the slot only needs its next request.
            startOrFree(i);
        } else if (collect(i)) {
            startOrFree(i);
        }
        if (slot.state == SlotState::Free) {
            continue;
        }
        writeDebugLine(i, false);
        if (slot.state == SlotState::Running && latent(slot) && slot.record->giveUp()) {
            terminate(i);
        }
    }
    writeFlagLine();
    pause(params_.timing.dispatcherPass);
    followRequests();
    return !state_.stopRequested && !noRequestLeft_;
}

void WorkerDispatcher::beginDrain() {
    state_.activityText.set("");
    state_.lastSiteText.set(kLastSitesBeingSubmitted);
    state_.displayDirty = true;
}

bool WorkerDispatcher::drainPass() {
    pause(params_.timing.dispatcherPass);
    followRequests();
    bool allDone = true;
    for (int i = 0; i < slotCount_; ++i) {
        Slot& slot = slots_[i];
        if (slot.state != SlotState::Running) {
            continue;
        }
        if (collect(i)) {
            slot.state = SlotState::Free;
            slot.siteName.clear();
            slot.record->statusText = kStatusFinishedAndIdle;
        } else {
            allDone = false;
        }
    }
    for (int i = 0; i < slotCount_; ++i) {
        writeDebugLine(i, true);
        Slot& slot = slots_[i];
        if (slot.state == SlotState::Running && latent(slot) && slot.record->giveUp()) {
            terminate(i);
            slot.state = SlotState::Free;
            slot.siteName.clear();
        }
    }
    writeFlagLine();
    return allDone;
}

void WorkerDispatcher::finish() {
    // The requests a stop left unstarted go to the failure profile, after the sites that ran.
    for (std::size_t i = next_; i < params_.requests.size(); ++i) {
        const SiteRequest& request = params_.requests[i];
        state_.failureList.push_back(request);
        SiteReport r;
        r.siteName = request.siteName;
        r.method = request.method;
        r.targetUrl = request.targetUrl;
        r.outcome = ReportOutcome::NotStarted;
        r.reason = ReportReason::NotStarted;
        state_.reports.push(std::move(r));
    }
    next_ = params_.requests.size();
    state_.displayDirty = true;
    state_.dispatcherDone.store(true, std::memory_order_release);
}

void WorkerDispatcher::harvest(int i) {
    Slot& slot = slots_[i];
    if (slot.thread.joinable()) {
        slot.thread.join();
    }
    pause(params_.timing.dispatcherHarvestPause);
    const WorkerSlot& record = *slot.record;
    const bool success = record.result.load(std::memory_order_relaxed) == 1;
    const logs::SiteOutcome outcome =
        success ? logs::SiteOutcome::Successful : logs::SiteOutcome::Failed;
    if (success) {
        ++state_.good;
    } else {
        ++state_.failed;
        state_.failureList.push_back(record.request);
    }
    if (params_.batchRun) {
        platform::appendTextToFile(
            params_.batchLogPath,
            logs::siteRow(outcome, logs_.names().errorLogName, record.request.siteName));
    }
    logs_.writeSiteRow(outcome, record.request.siteName);
    ++state_.processed;
    state_.countersDirty = true;
    state_.displayDirty = true;
    report(slot, success ? ReportOutcome::Successful : ReportOutcome::Failed);
}

void WorkerDispatcher::terminate(int i) {
    Slot& slot = slots_[i];
    // After this the worker writes nothing more.
    slot.record->giveUp();
    const SiteRequest& request = slot.record->request;
    logs::writeErrorRow(kLatentText, request.siteName, slot.record->errorLogPath,
                        logs_.problems().get());
    slot.record->stopRequested = true;
    logs_.writeSiteRow(logs::SiteOutcome::Terminated, request.siteName);
    state_.failureList.push_back(request);
    ++state_.failed;
    ++state_.processed;
    state_.countersDirty = true;
    state_.displayDirty = true;
    report(slot, ReportOutcome::Terminated);
    // Threads cannot be stopped from outside. This one is left to end by itself (every
    // exchange ends within the latency limit); it holds its own record and the run's context,
    // and writes nothing that reaches the run.
    if (slot.thread.joinable()) {
        if (slot.record->finished.load(std::memory_order_acquire)) {
            slot.thread.join();
        } else {
            slot.thread.detach();
        }
    }
    // A fresh record shows the slot as given up in the debug window.
    auto shown = std::make_shared<WorkerSlot>(request, slot.record->errorLogPath);
    shown->statusText = kStatusFinishedAndIdle;
    shown->result = 0;
    shown->finished = true;
    slot.record = std::move(shown);
    slot.state = SlotState::Terminated;
}

base::TimePoint::duration WorkerDispatcher::elapsed(const Slot& slot) const {
    return clock_.now() - slot.started - slot.paused;
}

bool WorkerDispatcher::latent(const Slot& slot) const {
    return slot.record->statusText.load() != std::string_view(kStatusFinishedAndIdle) &&
           elapsed(slot) >= params_.latencyLimit && !slot.record->settled();
}

void WorkerDispatcher::report(const Slot& slot, ReportOutcome outcome) {
    const WorkerSlot& record = *slot.record;
    SiteReport r;
    r.siteName = record.request.siteName;
    r.method = record.request.method;
    r.targetUrl = record.request.targetUrl;
    r.outcome = outcome;
    r.elapsedMs = std::max<long long>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(elapsed(slot)).count());
    if (outcome == ReportOutcome::Terminated) {
        r.reason = ReportReason::Latent;
        r.errorText = kLatentText;
    } else {
        r.reason = record.reason;
        r.httpStatus = record.httpStatus;
        r.errorText = record.errorText;
        r.mailReason = record.mailReason;
    }
    state_.reports.push(std::move(r));
}

// Passes the controller's stop and pause on to the workers. A pause holds the dispatcher
// until it is released; the time it lasts does not count toward any worker's limit.
void WorkerDispatcher::followRequests() {
    if (state_.stopRequested) {
        for (int i = 0; i < slotCount_; ++i) {
            slots_[i].record->stopRequested = true;
        }
    }
    if (!state_.pauseRequested) {
        return;
    }
    const base::TimePoint began = clock_.now();
    state_.dispatcherPaused = true;
    for (int i = 0; i < slotCount_; ++i) {
        slots_[i].record->pauseRequested = true;
    }
    while (state_.pauseRequested) {
        std::this_thread::sleep_for(std::max(params_.timing.workerPoll, base::Millis(1)));
    }
    const base::TimePoint::duration paused = clock_.now() - began;
    state_.dispatcherPaused = false;
    for (int i = 0; i < slotCount_; ++i) {
        slots_[i].paused += paused;
        slots_[i].record->addPaused(paused);
        slots_[i].record->pauseRequested = false;
    }
}

void WorkerDispatcher::writeDebugLine(int i, bool draining) {
    if (!params_.verbose) {
        return;
    }
    const Slot& slot = slots_[i];
    const WorkerSlot& record = *slot.record;
    const char* status = record.statusText.load();
    const base::TimePoint::duration d = elapsed(slot);
    std::string line;
    if (draining && std::string_view(status) == kStatusFinishedAndIdle) {
        line = base::format("%2d: %50s: %25s", i, slot.siteName.c_str(), status);
    } else {
        line = base::format("%2d: %50s: %25s: %2d: %2d: %s", i, slot.siteName.c_str(), status,
                            record.finished.load() ? 1 : 0, record.result.load(),
                            clockText(d).c_str());
        if (draining) {
            line += base::format(
                ": %2d", static_cast<int>(
                             (std::chrono::duration_cast<std::chrono::minutes>(d).count()) % 60));
        }
    }
    state_.debugLines.set(i, std::move(line));
}

void WorkerDispatcher::writeFlagLine() {
    if (params_.verbose) {
        state_.debugLines.set(kDebugLineCount - 1,
                              base::format("Write %2d", params_.context->writeFlag->value()));
    }
}

}  // namespace farrow::submit
