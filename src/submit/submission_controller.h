#pragma once

#include <memory>

#include "base/clock.h"
#include "submit/run_frontend.h"
#include "submit/run_params.h"
#include "submit/run_result.h"
#include "submit/transport.h"
#include "submit/worker_launcher.h"

namespace farrow::submit {

// Runs one submission: "BUSY", the progress dialog, both logs, up to 15 sites in flight on
// worker threads under a dispatcher thread, ABORT and Pause, the footers, the failure profile,
// the "Errors Found...." question, "IDLE". Returns when the run has ended; every wait in
// between goes through `frontend.pump()`. Call it on the thread that owns the windows.
RunResult runSubmission(RunParams params, RunFrontend& frontend,
                        std::shared_ptr<Transport> transport, const base::Clock& clock);

// The same with the way worker threads are started chosen by the caller (tests).
RunResult runSubmission(RunParams params, RunFrontend& frontend,
                        std::shared_ptr<Transport> transport, const base::Clock& clock,
                        WorkerLauncher& launcher);

}  // namespace farrow::submit
