#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "app/app_state.h"
#include "profile/submission_profile.h"
#include "submit/run_result.h"

namespace farrow::ui {

class QtFrontend;

// What a run started from the window needs of it besides the state.
struct WindowRunHooks {
    // Shows a text in the main window's status field ("BUSY", "IDLE").
    std::function<void(const std::string&)> setStatus;
};

// The browser lookup's environment from $BROWSER and $PATH (either may be unset).
keywords::BrowserEnvironment browserEnvironmentFrom(const char* browser, const char* path);

// Runs the requests of the last build in the state as one submission, behind the progress
// dialog (and the debug window with the verbose switch), and empties the request list. Returns
// when the run has ended; the window keeps answering throughout.
submit::RunResult runFromWindow(app::AppState& state, const profile::SubmissionProfile& profile,
                                int siteCount, QWidget& mainWindow, QtFrontend& frontend,
                                const WindowRunHooks& hooks);

}  // namespace farrow::ui
