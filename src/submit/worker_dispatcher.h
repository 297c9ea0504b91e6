#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/clock.h"
#include "base/timing.h"
#include "logs/submission_log_writer.h"
#include "submit/run_state.h"
#include "submit/worker_launcher.h"
#include "submit/worker_slot.h"

namespace farrow::submit {

inline constexpr int kSlotCount = 15;

struct DispatchParams {
    RequestList requests;
    base::Timing timing;
    // A worker that has run this long, paused time not counted, is given up.
    base::Millis latencyLimit{60000};
    // Fill the debug lines.
    bool verbose = false;
    // A batch run copies the SUCCESSFUL and FAILED rows into the batch log.
    bool batchRun = false;
    std::string batchLogPath;
    std::shared_ptr<const WorkerContext> context;
};

// Keeps up to 15 requests of a run in flight, each on a worker of its own, in list order:
// harvests finished workers (rows, counters, failure list), refills their slots, gives up
// workers that run too long, and passes the controller's pause and stop on to the workers.
// `run` is the body of the dispatcher thread; the steps are public so that tests can drive
// them one at a time.
class WorkerDispatcher final {
public:
    WorkerDispatcher(DispatchParams params, RunState& state, const logs::SubmissionLogWriter& logs,
                     WorkerLauncher& launcher, const base::Clock& clock);
    ~WorkerDispatcher();
    WorkerDispatcher(const WorkerDispatcher&) = delete;
    WorkerDispatcher& operator=(const WorkerDispatcher&) = delete;

    // Start, main loop, drain; `dispatcherDone` last.
    void run();

    // Fills the first slots.
    void start();
    // One pass of the main loop (harvest, refill, latency, debug lines) with its pause and the
    // passing on of stop and pause. False once the main loop is over.
    bool mainPass();
    // Records the requests a stop left unstarted and empties the activity texts.
    void beginDrain();
    // One pass of the drain; true when every started worker is harvested or given up.
    bool drainPass();
    // The NOT STARTED outcomes and `dispatcherDone`.
    void finish();

    int slotCount() const { return slotCount_; }
    // The sites started so far.
    std::size_t startedCount() const { return next_; }

private:
    enum class SlotState { Free, Running, Terminated };

    struct Slot {
        SlotState state = SlotState::Free;
        std::shared_ptr<WorkerSlot> record;
        std::jthread thread;
        base::TimePoint started{};
        // Pauses during this start, which do not count toward the latency limit.
        base::TimePoint::duration paused{};
        std::string siteName;
    };

    void startSlot(int i);
    void startOrFree(int i);
    // Records a finished slot's outcome (harvested, or terminated when its answer came late);
    // false while its worker runs.
    bool collect(int i);
    void harvest(int i);
    void terminate(int i);
    base::TimePoint::duration elapsed(const Slot& slot) const;
    bool latent(const Slot& slot) const;
    void report(const Slot& slot, ReportOutcome outcome);
    void followRequests();
    void writeDebugLine(int i, bool draining);
    void writeFlagLine();

    DispatchParams params_;
    RunState& state_;
    const logs::SubmissionLogWriter& logs_;
    WorkerLauncher& launcher_;
    const base::Clock& clock_;
    std::array<Slot, kSlotCount> slots_;
    int slotCount_ = 0;
    std::size_t next_ = 0;
    bool noRequestLeft_ = false;
};

}  // namespace farrow::submit
