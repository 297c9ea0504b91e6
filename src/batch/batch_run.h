#pragma once

#include <atomic>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/messenger.h"
#include "batch/batch_logs.h"
#include "profile/batch_session_file.h"

namespace farrow::batch {

// What the batch hands the run of one profile.
struct ProfileRun {
    // One line of the batch run file; also the current profile path while the run goes.
    std::string profilePath;
    // The run copies its start rows, site rows and error rows into these.
    const BatchLogNames* batchLogs = nullptr;
};

enum class ProfileRunOutcome {
    // The profile was loaded and run (ordinary or deep) to its end.
    Ran,
    // The profile could not be loaded; nothing was run for it.
    Unreadable,
    // The profile was loaded but no run was made: its check failed, there was no connection, or
    // a deep profile's start page gave no pages.
    NothingSubmitted,
};

// What the run of one profile reports back to the batch.
struct ProfileRunReport {
    ProfileRunOutcome outcome = ProfileRunOutcome::Ran;
    // Unreadable: the loader's message (" The File ... could not be opened" or the read
    // failure), for the batch to show; empty when the loader has shown it already.
    std::string loaderMessage;
    base::MessageIcon loaderIcon = base::MessageIcon::None;
    // Ran: whether sites failed, and the run's error log.
    bool hadFailures = false;
    std::string errorLogPath = "NULL";
    // Ran: the run was stopped by ABORT; the batch ends after it.
    bool stopped = false;
};

// Loads one profile directly and runs it as "Build + GO!" would; returns when the run has ended.
using RunOneProfile = std::function<ProfileRunReport(const ProfileRun&)>;

struct BatchParams {
    // The batch run file that "Go Ahead" wrote; read line by line and deleted at the end.
    std::string runFilePath;
    std::string logsDir;
    std::string errorsDir;
    // The current calendar time; names, heads, durations and notes all come from it.
    std::function<std::time_t()> now = [] { return std::time(nullptr); };
    // Called with each profile's path before its run and with "NULL" before and after the batch.
    std::function<void(const std::string&)> setCurrentProfilePath;
    // Shows the loader's message of a profile that cannot be read.
    base::Messenger* messenger = nullptr;
    // Raised from outside (an interrupt between runs): no further profile starts.
    const std::atomic<bool>* stopRequested = nullptr;
};

// A run of the batch that had failures.
struct FailedRun {
    std::string errorLogPath;
    std::time_t noted = 0;
};

struct BatchResult {
    BatchLogNames logs;
    // In the order the runs ended.
    std::vector<FailedRun> failedRuns;
    // The profiles that were run, and those skipped because they could not be loaded.
    std::vector<std::string> profilesRun;
    std::vector<std::string> profilesSkipped;
    // The profiles loaded for which no run was made.
    std::vector<std::string> profilesNothingSubmitted;
    // A run was stopped by ABORT, or a stop was requested between runs.
    bool stopped = false;
    // The profiles the run file still held when the batch stopped; each has a row in the batch log.
    std::vector<std::string> profilesNotRun;
    // No batch run file: the batch logs got their heads and footers only.
    bool runFileMissing = false;
    // The batch run file exists but could not be read; what was read before the error ran.
    std::optional<profile::FileError> runFileError;
    long long elapsedSeconds = 0;
};

// Runs every profile listed in the batch run file in turn, with the batch log and the batch
// error log around them, and deletes the run file at the end. Runs never overlap: the next line
// is read only after `runOneProfile` has returned.
BatchResult runBatch(const BatchParams& params, const RunOneProfile& runOneProfile);

}  // namespace farrow::batch
