#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "base/clock.h"
#include "base/timing.h"
#include "logs/write_problems.h"
#include "submit/site_report.h"
#include "submit/site_request.h"
#include "submit/transport.h"

namespace farrow::submit {

inline constexpr const char* kStatusConnecting = "Connecting...";
inline constexpr const char* kStatusWaitingForWriteFlag = "Waiting For Write Flag";
inline constexpr const char* kStatusReleasedWriteFlag = "Released Write Flag";
inline constexpr const char* kStatusFinishedAndIdle = "Finished and Idle";

// Guards the dump file "HTMLDUMP.WRI", so that dump blocks of different workers never mix. Its
// value (0 free, 1 taken) is shown in the debug window.
class WriteFlag final {
public:
    bool tryTake() {
        int expected = 0;
        return value_.compare_exchange_strong(expected, 1, std::memory_order_acquire);
    }
    void release() { value_.store(0, std::memory_order_release); }
    int value() const { return value_.load(std::memory_order_relaxed); }

private:
    std::atomic<int> value_{0};
};

// What every worker of a run reads; fixed before the first worker starts.
struct WorkerContext {
    // The profile's URL, named in the invalid-URL row.
    std::string url;
    bool batchRun = false;
    std::string batchErrorLogPath;
    // "HTMLDUMP.WRI" in the LOGS directory.
    std::string dumpPath;
    bool htmlDump = false;
    // "/VUZODURI": the request's data and method go into the dump too.
    bool extendedDump = false;
    TransportSettings transportSettings;
    std::shared_ptr<Transport> transport;
    std::shared_ptr<WriteFlag> writeFlag;
    // Where error rows that did not reach the error log are noted; shared, since an abandoned
    // worker may outlive its run.
    std::shared_ptr<logs::WriteProblems> logProblems;
    // The run's clock, against which a worker checks its latency limit when its answer comes.
    // Read only while the dispatcher has not given the worker up, so never after the run. Null:
    // no limit.
    const base::Clock* clock = nullptr;
};

// One start of one worker: the request it sends and what it found. The dispatcher makes a fresh
// record for every start, and the worker thread shares it, so a worker given up on can only
// write into a record nobody reads any more.
class WorkerSlot final {
public:
    WorkerSlot(SiteRequest request, std::string errorLogPath, base::TimePoint started = {},
               std::optional<base::Millis> latencyLimit = std::nullopt)
        : request(std::move(request)),
          errorLogPath(std::move(errorLogPath)),
          started_(started),
          latencyLimit_(latencyLimit) {}

    const SiteRequest request;
    // The run's error log, into which the worker writes its error rows.
    const std::string errorLogPath;

    // Set by the worker as its last act; every field below it is published by it.
    std::atomic<bool> finished{false};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> pauseRequested{false};
    std::atomic<const char*> statusText{kStatusConnecting};
    std::atomic<bool> holdsWriteFlag{false};
    // Exactly 1: the site accepted; anything else is a failure (a status of 400 or more, or 0).
    std::atomic<int> result{1};

    ReportReason reason = ReportReason::Accepted;
    std::optional<int> httpStatus;
    std::string errorText;
    // Why a refused mail was refused: the server's reply or the system's reason.
    std::string mailReason;

    // The worker, once its answer has come: true when the site's outcome is its to write.
    // False when the dispatcher has given it up, or when the latency limit has passed (`late`),
    // even if no pass of the dispatcher has looked yet: the verdict depends on when the answer
    // came, not on when it was seen.
    bool settle(const base::Clock* clock) {
        std::lock_guard lock(mutex_);
        if (abandoned_) {
            return false;
        }
        if (clock != nullptr && latencyLimit_ &&
            clock->now() - started_ - paused_ >= *latencyLimit_) {
            late_ = true;
            return false;
        }
        settled_ = true;
        return true;
    }
    // The dispatcher: true when the worker is given up, after which it writes nothing more;
    // false when its answer came in time and it is finishing its outcome.
    bool giveUp() {
        std::lock_guard lock(mutex_);
        if (settled_) {
            return false;
        }
        abandoned_ = true;
        return true;
    }
    bool late() const {
        std::lock_guard lock(mutex_);
        return late_;
    }
    bool settled() const {
        std::lock_guard lock(mutex_);
        return settled_;
    }
    // The dispatcher: a pause held the run this long; it does not count toward the limit.
    void addPaused(base::TimePoint::duration paused) {
        std::lock_guard lock(mutex_);
        paused_ += paused;
    }

    // Runs `write` unless the dispatcher has given this worker up; true when it ran.
    template <typename Write>
    bool whileCurrent(Write&& write) {
        std::lock_guard lock(mutex_);
        if (abandoned_) {
            return false;
        }
        write();
        return true;
    }

private:
    const base::TimePoint started_;
    const std::optional<base::Millis> latencyLimit_;
    mutable std::mutex mutex_;
    base::TimePoint::duration paused_{};
    bool abandoned_ = false;
    bool settled_ = false;
    bool late_ = false;
};

}  // namespace farrow::submit
