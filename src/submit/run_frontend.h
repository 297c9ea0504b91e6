#pragma once

#include <memory>
#include <string>

#include "base/messenger.h"
#include "submit/debug_view.h"
#include "submit/progress_view.h"
#include "submit/run_pump.h"
#include "submit/site_report.h"

namespace farrow::submit {

// Everything a run asks of the program around it: the main window's status and caption, the
// two run windows, the waits, the "Errors Found...." question and the per-site outcomes. The
// desktop implements it with Qt, the command line for a terminal, tests with a fake. Every call
// comes on the thread that called `runSubmission`, while that call lasts.
class RunFrontend {
public:
    virtual ~RunFrontend() = default;

    virtual base::Messenger& messenger() = 0;
    virtual RunPump& pump() = 0;

    // The main window's status field: "BUSY" while the run lasts, "IDLE" after it.
    virtual void setStatus(const std::string& text) = 0;
    // The main window's caption ("%4.0f Logging to: %s", "Paused.....", "Resuming...",
    // "Closing Threads.  Please Stand By.....").
    virtual void setMainCaption(const std::string& text) = 0;
    // Repaint the main window now.
    virtual void refreshMain() = 0;

    // Null when the dialog cannot be made: the run reports "Could not create Progress Dialog"
    // and submits nothing.
    virtual std::unique_ptr<ProgressView> createProgressView() = 0;
    // Asked only with the verbose switch. Null: "Could not create Debug Dialog", and the run
    // goes on without it.
    virtual std::unique_ptr<DebugView> createDebugView() = 0;

    // The "Errors Found...." question of an ordinary run that had failures: true for "YES!",
    // false for "Nope, not now.".
    virtual bool askShowErrorLog() = 0;
    // Open the error log in the user's browser (after "YES!").
    virtual void showErrorLog(const std::string& errorLogName) = 0;

    // One call per site, in the order the sites' rows were logged, while the run goes; the
    // sites an ABORT left unstarted follow at the end as NOT STARTED.
    virtual void siteFinished(const SiteReport& report) = 0;
};

}  // namespace farrow::submit
