#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/timing.h"
#include "deep/deep_frontend.h"
#include "deep/page_entry.h"
#include "profile/submission_profile.h"

namespace farrow::deep {

inline constexpr const char* kDeepProfilePath = "DEEP";
inline constexpr const char* kNoProfilePath = "NULL";

enum class PageRunOutcome {
    // The page's run went to its end.
    Submitted,
    // The profile check failed for this page (it has said why); no run was made.
    ValidationFailed,
    // The user pressed ABORT during the page's run; the runner has cleared the stop flag.
    Aborted,
};

// Runs one ordinary submission of `profile` (whose URL and title are the page's) and empties
// the request list afterwards.
using RunOnePage = std::function<PageRunOutcome(const profile::SubmissionProfile& profile)>;

struct DeepRunParams {
    // The profile as it stood when the deep submission began; its title is the main title.
    profile::SubmissionProfile profile;
};

struct DeepRunResult {
    int pagesRun = 0;
    PageRunOutcome ending = PageRunOutcome::Submitted;
    // The profile with the URL and title of the last page run: the window's fields keep them.
    profile::SubmissionProfile profile;
};

// The title a page is run with: its own when longer than 2 characters, else the main title.
std::string runTitle(const PageEntry& page, const std::string& mainTitle);

// One ordinary run per page in order, with `currentProfilePath` "DEEP" meanwhile and "NULL"
// again on every way out. Stops after a page whose check failed or whose run was aborted.
DeepRunResult runDeepSubmission(const DeepRunParams& params, const std::vector<PageEntry>& pages,
                                std::string& currentProfilePath, const RunOnePage& runOnePage);

// The pages a deep submission runs: reads the pages of the profile's URL behind the retrieval
// window, says so when nothing could be catalogued and lets the user prune the checklist.
// nullopt when nothing is to be run because of the message or the checklist.
std::optional<std::vector<PageEntry>> choosePages(const DeepRunParams& params,
                                                  const base::Timing& timing,
                                                  DeepFrontend& frontend);

// The whole deep submission: reads the pages of the profile's URL behind the retrieval window,
// says so when nothing could be catalogued, lets the user prune the checklist and runs the
// remaining pages. nullopt when nothing was run because of the message or the checklist.
std::optional<DeepRunResult> deepSubmission(const DeepRunParams& params, const base::Timing& timing,
                                            DeepFrontend& frontend, std::string& currentProfilePath,
                                            const RunOnePage& runOnePage);

}  // namespace farrow::deep
