#pragma once

#include <atomic>
#include <string>

#include "app/branding.h"
#include "app/switches.h"
#include "app/user_settings.h"
#include "base/timing.h"
#include "base/workspace.h"
#include "keywords/keyword_check.h"
#include "keywords/smart_match_table.h"
#include "profile/batch_list.h"
#include "profile/profile_file.h"
#include "sites/database_download.h"
#include "sites/site_lists.h"
#include "sites/site_table.h"
#include "submit/request_builder.h"
#include "submit/run_params.h"
#include "submit/site_request.h"

namespace farrow::app {

// What lives for the whole run and is shared by the program's parts. One object, made by the
// program's main and passed by reference; after start-up only the window thread writes it,
// except where a field says otherwise.
struct AppState {
    base::Timing timing;
    // The database server of the update at start-up, set by the program's main.
    std::string databaseServer = sites::kDefaultDatabaseHost;
    // A CA file the HTTPS channels trust beside the system's store ($FARROWLANE_CA_FILE), set
    // by the program's main.
    std::string caFile;
    // The Search Console's address for tests and the sandbox ($FARROWLANE_GOOGLE_API; empty:
    // the service's own) and the service account's key file ($GOOGLE_APPLICATION_CREDENTIALS),
    // set by the program's main.
    std::string googleApi;
    std::string googleCredentials;

    std::string logsDir;
    std::string errorsDir;
    base::Switches switches;
    UserSettings userSettings;
    base::Branding branding;
    bool adultOnlyEdition = false;

    // "NULL" normally, "DEEP" during a deep run, the profile's file during a batch run.
    std::string currentProfilePath = "NULL";
    // The batch log and batch error log while a batch runs, "NULL" otherwise.
    std::string batchLogPath = "NULL";
    std::string batchErrorLogPath = "NULL";
    // Raised by ABORT in any run; a deep or batch run ends after the run that was stopped.
    std::atomic<bool> runStopped{false};
    // The folder the program works in and its files, set by the main.
    base::Workspace workspace{"."};
    // The system's temporary folder, read by the main.
    std::string tempDir;
    // The profiles of the batch dialog; it outlives the dialog and only a loaded session
    // empties it.
    profile::BatchList batchList;
    // Where the browser is looked for, read by the program's main.
    keywords::BrowserEnvironment browserEnvironment;
    std::string statusText;

    sites::SiteTable siteTable;
    // Lines accepted as site records while reading, counting those the edition does not keep.
    int siteCount = 0;
    sites::SiteLists lists;

    // Built once at start-up, read-only afterwards.
    keywords::SmartMatchTable smartMatchTable;
    // Filled by a build step, consumed by the run that follows it.
    submit::RequestList requestList;
};

// The main window's caption at rest: product name, a space, the count and " Sites Available".
std::string mainCaption(const AppState& state);

// The site table and lists a loaded profile selects among.
profile::SiteSelection siteSelection(AppState& state);

// What a build step of `profile` reads from the state.
submit::BuildParams buildParams(AppState& state, const profile::SubmissionProfile& profile);

// The build step over the state: its requests replace the state's request list, for the run that
// follows. Returns the number of selected entries, or 0 when nothing may be submitted.
int buildRequests(AppState& state, const profile::SubmissionProfile& profile,
                  submit::BuildFrontend& frontend, const platform::ConnectionTest& connectionTest);

// The parameters of the run that follows a build: the build's requests (taken out of the
// state), and the logs, branding, switches, timing, profile path and stop flag of the state.
submit::RunParams takeRunParams(AppState& state, const profile::SubmissionProfile& profile,
                                int siteCount);

}  // namespace farrow::app
