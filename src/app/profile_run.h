#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "batch/batch_run.h"
#include "deep/page_entry.h"
#include "platform/internet_connection.h"
#include "profile/submission_profile.h"
#include "submit/build_frontend.h"
#include "submit/run_frontend.h"
#include "submit/run_params.h"
#include "submit/run_result.h"

namespace farrow::app {

// How the run of one profile ended, the first that applies from the top.
enum class ProfileRunEnding {
    // No run was made: the check failed, there was no connection, the build made no requests,
    // or a deep profile gave no pages to run.
    NothingSubmitted,
    // ABORT was pressed in a run; a deep profile runs no page after it.
    Stopped,
    // A run had failed or terminated sites, or a page of a deep profile failed its check after
    // earlier pages had run.
    HadFailures,
    // Every run went to its end and every site took it.
    Ran,
};

struct ProfileRunResult {
    ProfileRunEnding ending = ProfileRunEnding::NothingSubmitted;
    // A run had failed or terminated sites, or a stop left sites unstarted (stopped or not).
    bool hadFailures = false;
    // The error log of the last run with failures.
    std::string errorLogPath;
    // The failure profile the last run with failures wrote; empty when none was written.
    std::string failureProfilePath;

    bool submitted() const { return ending != ProfileRunEnding::NothingSubmitted; }
};

// What running a profile needs of the window or the terminal besides the run's own frontend.
class ProfileRunFrontend {
public:
    virtual ~ProfileRunFrontend() = default;
    virtual submit::BuildFrontend& buildFrontend() = 0;
    virtual submit::RunFrontend& runFrontend() = 0;
    // The pages of a deep profile, in the order they run; nullopt when none is to run (the
    // frontend has said why).
    virtual std::optional<std::vector<deep::PageEntry>> deepPages(
        const profile::SubmissionProfile& profile) = 0;
    // Before the build of each page of a deep profile: the profile with the page's URL and title.
    virtual void pageStarting(const profile::SubmissionProfile&) {}
    // Around each submission of what a build made.
    virtual void submissionStarting(const profile::SubmissionProfile&, int /*siteCount*/) {}
    virtual void submissionEnded(const submit::RunResult&) {}
};

// Stands in for the submission of what one build made, which it leaves in the state (tests).
using Submission =
    std::function<submit::RunResult(const profile::SubmissionProfile& profile, int siteCount)>;

struct ProfileRunParams {
    profile::SubmissionProfile profile;
    // Runs the profile's pages (the window and a batch take the profile's own switch).
    bool deep = false;
    platform::ConnectionTest connectionTest = platform::attemptInternetConnection;
    // Empty: the submission controller over the real transport and clock.
    Submission submission;
};

// Runs one profile as "Build + GO!" does: builds its requests from the state and submits them,
// or, for a deep profile, does so for each of its pages in turn until a page's check fails or a
// run is stopped. The current profile path is what it was before once the run is over.
ProfileRunResult runProfile(AppState& state, const ProfileRunParams& params,
                            ProfileRunFrontend& frontend);

// What the run of a loaded profile of a batch reports back to the batch.
batch::ProfileRunReport batchReport(const ProfileRunResult& result);

}  // namespace farrow::app
