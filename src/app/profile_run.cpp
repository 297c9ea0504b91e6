#include "app/profile_run.h"

#include "deep/deep_run.h"
#include "submit/submission_controller.h"
#include "submit/transport.h"

namespace farrow::app {

namespace {

submit::RunResult submitBuilt(AppState& state, const profile::SubmissionProfile& profile,
                              int siteCount, submit::RunFrontend& frontend) {
    base::SystemClock clock;
    return submit::runSubmission(takeRunParams(state, profile, siteCount), frontend,
                                 submit::makeExchangeTransport(), clock);
}

// What the runs of one profile add up to.
class RunTally {
public:
    // Counts one build and, when it made requests, its run.
    void note(const std::optional<submit::RunResult>& run) {
        if (!run || !run->ran) {
            checkFailed_ = checkFailed_ || ran_;
            return;
        }
        ran_ = true;
        stopped_ = stopped_ || run->stopped;
        if (run->hadFailures()) {
            result_.hadFailures = true;
            result_.errorLogPath = run->errorLogName;
            if (!run->failureProfilePath.empty()) {
                result_.failureProfilePath = run->failureProfilePath;
            }
        }
    }

    ProfileRunResult result() const {
        ProfileRunResult r = result_;
        if (!ran_) {
            r.ending = ProfileRunEnding::NothingSubmitted;
        } else if (stopped_) {
            r.ending = ProfileRunEnding::Stopped;
        } else if (r.hadFailures || checkFailed_) {
            r.ending = ProfileRunEnding::HadFailures;
        } else {
            r.ending = ProfileRunEnding::Ran;
        }
        return r;
    }

private:
    ProfileRunResult result_;
    bool ran_ = false;
    bool stopped_ = false;
    bool checkFailed_ = false;
};

}  // namespace

ProfileRunResult runProfile(AppState& state, const ProfileRunParams& params,
                            ProfileRunFrontend& frontend) {
    // One build and, when it made requests, its submission; nullopt when it made none.
    const auto runOnce =
        [&](const profile::SubmissionProfile& profile) -> std::optional<submit::RunResult> {
        const int count =
            buildRequests(state, profile, frontend.buildFrontend(), params.connectionTest);
        if (count == 0) {
            return std::nullopt;
        }
        frontend.submissionStarting(profile, count);
        submit::RunResult run = params.submission
                                    ? params.submission(profile, count)
                                    : submitBuilt(state, profile, count, frontend.runFrontend());
        frontend.submissionEnded(run);
        return run;
    };

    RunTally tally;
    if (!params.deep) {
        tally.note(runOnce(params.profile));
        return tally.result();
    }
    const std::optional<std::vector<deep::PageEntry>> pages = frontend.deepPages(params.profile);
    if (!pages) {
        return tally.result();
    }
    const std::string ownPath = state.currentProfilePath;
    deep::runDeepSubmission(deep::DeepRunParams{params.profile}, *pages, state.currentProfilePath,
                            [&](const profile::SubmissionProfile& page) {
                                frontend.pageStarting(page);
                                const std::optional<submit::RunResult> run = runOnce(page);
                                tally.note(run);
                                if (!run || !run->ran) {
                                    return deep::PageRunOutcome::ValidationFailed;
                                }
                                return run->stopped ? deep::PageRunOutcome::Aborted
                                                    : deep::PageRunOutcome::Submitted;
                            });
    state.currentProfilePath = ownPath;
    return tally.result();
}

batch::ProfileRunReport batchReport(const ProfileRunResult& result) {
    batch::ProfileRunReport report;
    if (!result.submitted()) {
        report.outcome = batch::ProfileRunOutcome::NothingSubmitted;
    }
    report.hadFailures = result.hadFailures;
    if (result.hadFailures) {
        report.errorLogPath = result.errorLogPath;
    }
    report.stopped = result.ending == ProfileRunEnding::Stopped;
    return report;
}

}  // namespace farrow::app
