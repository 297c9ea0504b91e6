#pragma once

#include <atomic>
#include <string>

#include "base/branding.h"
#include "base/switches.h"
#include "base/timing.h"
#include "profile/submission_profile.h"
#include "submit/site_request.h"

namespace farrow::submit {

// Everything one submission run uses.
struct RunParams {
    // The build step's requests, in order; the run consumes them.
    RequestList requests;
    // The number the build step returned (the selected sites); negative: the number of requests.
    int siteCount = -1;

    // The profile being submitted: its `url` names the logs and the workers' messages, and the
    // failure profile is this profile with the failed sites as its selection.
    profile::SubmissionProfile profile;

    std::string logsDir;
    std::string errorsDir;
    base::Branding branding;
    base::Switches switches;
    base::Timing timing;

    // "NULL" for an ordinary run, "DEEP" for a deep run, the profile's file in a batch run.
    std::string currentProfilePath = "NULL";
    // The batch log and batch error log, used only in a batch run.
    std::string batchLogPath = "NULL";
    std::string batchErrorLogPath = "NULL";

    // Sender and mail server of MAILTO requests.
    std::string userEmail;
    std::string mailSetting;

    // Set (never cleared) when the user stops the run; owned by the caller, who reads it after
    // the run (a batch ends on it). May be null.
    std::atomic<bool>* runStopped = nullptr;
};

}  // namespace farrow::submit
