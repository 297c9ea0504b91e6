#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/startup_frontend.h"
#include "sites/database_download.h"

namespace farrow::app {

struct StartupOutcome {
    // False when the database update failed; the program then ends with exit code 0.
    bool ok = true;
    // True when "farrow.cfg" was there to read (the window then shows its values).
    bool settingsFileExisted = false;
    // What the database update did when it ran: whether a new copy came, or why it failed.
    std::optional<sites::DatabaseDownloadResult> download;
};

// Reads "sysconfig.fls" into the state and derives the edition.
void loadBranding(AppState& state, base::Messenger& messenger);

// Reads the workspace's sites file into the state's table, count and lists, showing the count
// in `initView` (may be null) and dumping every record when the site log is on.
void readSites(AppState& state, base::InitView* initView, base::Messenger& messenger);

// The start-up sequence of the main window: switches, directories and settings, the update
// question with the optional database update, and the sites file. The window's own steps
// (browser list, labels, pictures) happen around it.
StartupOutcome runStartupSequence(AppState& state, const std::vector<std::string>& argv,
                                  StartupFrontend& frontend);

// What the window does last: no profile in force, "READY".
void finishStartup(AppState& state);

}  // namespace farrow::app
