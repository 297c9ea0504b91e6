#pragma once

#include <string>

#include "submit/site_request.h"

namespace farrow::submit {

// The requests of the sites that failed, were terminated, or were never started because the
// run was stopped; they become the failure profile.
using FailureList = RequestList;

// What one submission run made.
struct RunResult {
    // False when the progress dialog could not be made: nothing was submitted or logged.
    bool ran = false;

    int siteCount = 0;
    // Sites that ran to an outcome (not the ones a stop left unstarted).
    int processed = 0;
    int good = 0;
    // Failed or terminated sites.
    int failed = 0;
    // The user pressed ABORT.
    bool stopped = false;

    FailureList failureList;
    // Where the failure profile was written; empty when none was.
    std::string failureProfilePath;

    std::string logPath;
    std::string errorLogName;
    // The submission log as the main window's caption names it.
    std::string relativeLogName;
    // Why a log could not be opened for writing, when one could not; the run went on anyway.
    std::string firstLogError;

    // An ordinary run with failures (`hadFailures`): the "Errors Found...." question was due (and
    // was asked through the frontend).
    bool offerErrorLog = false;
    // A batch or deep run with failures: the batch notes `errorLogName` for its own report.
    bool batchHadErrors = false;

    long long elapsedMs = 0;

    // A site failed or was terminated, or a stop left sites unstarted: the run wrote (or tried to
    // write) a failure profile, and counts as one with failures.
    bool hadFailures() const { return failed != 0 || !failureList.empty(); }
};

}  // namespace farrow::submit
