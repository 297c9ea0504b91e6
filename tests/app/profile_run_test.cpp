#include "app/profile_run.h"

#include <gtest/gtest.h>

#include <deque>

#include "app/startup_sequence.h"
#include "support/checked_profile.h"
#include "support/fake_build_frontend.h"
#include "support/fake_run_frontend.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace farrow::app {
namespace {

class PagesFrontend final : public ProfileRunFrontend {
public:
    submit::BuildFrontend& buildFrontend() override { return build; }
    submit::RunFrontend& runFrontend() override { return run; }
    std::optional<std::vector<deep::PageEntry>> deepPages(
        const profile::SubmissionProfile&) override {
        return pages;
    }

    test::FakeBuildFrontend build;
    test::FakeRunFrontend run;
    std::optional<std::vector<deep::PageEntry>> pages;
};

// One page's build: whether its check passes (the connection is there), and the run it makes.
struct Page {
    bool connected;
    submit::RunResult run;
};

submit::RunResult clean() {
    submit::RunResult r;
    r.ran = true;
    return r;
}

submit::RunResult failed(const std::string& errorLog, const std::string& failureProfile) {
    submit::RunResult r = clean();
    r.failed = 1;
    r.errorLogName = errorLog;
    r.failureProfilePath = failureProfile;
    return r;
}

submit::RunResult stopped(const std::string& errorLog) {
    submit::RunResult r = clean();
    r.stopped = true;
    r.failureList.resize(1);
    r.errorLogName = errorLog;
    return r;
}

struct Case {
    const char* name;
    std::vector<Page> pages;
    ProfileRunEnding ending;
    std::size_t submissions;
    bool hadFailures;
    std::string errorLog;
    std::string failureProfile;
};

class ProfileRunTest : public testing::TestWithParam<Case> {
protected:
    ProfileRunTest() {
        state.workspace = workspace.workspace();
        workspace.write("sites.enc", test::encodedSitesFile({test::plainSiteLine("Alpha")}));
        test::FakeMessenger messenger;
        readSites(state, nullptr, messenger);
        profile = test::checkedProfile("jet");
        profile.selectedSites = {{"Alpha", false, ""}};
        profile::applySelectedSites(siteSelection(state), profile.selectedSites, messenger);
    }

    test::TempWorkspace workspace;
    AppState state;
    profile::SubmissionProfile profile;
};

// A deep profile's pages run in turn until a check fails or a run is stopped; the ending is the
// weightiest of what its runs did, and the error log and failure profile are the last ones made.
TEST_P(ProfileRunTest, DeepPagesRunUntilACheckFailsOrAStopAndTheEndingSaysWhy) {
    const Case& c = GetParam();
    PagesFrontend frontend;
    frontend.pages.emplace();
    std::deque<Page> pages(c.pages.begin(), c.pages.end());
    std::vector<std::string> urls;
    for (std::size_t i = 0; i < c.pages.size(); ++i) {
        urls.push_back("http://my.site.test/" + std::to_string(i));
        frontend.pages->push_back({urls.back(), "Page"});
    }
    state.currentProfilePath = "monday.fl2";
    std::vector<std::string> submitted;
    // Each build takes its page's connection and run from the front of the script.
    const auto connected = [&] { return pages.front().connected; };
    const auto submission = [&](const profile::SubmissionProfile& page, int siteCount) {
        EXPECT_EQ(state.currentProfilePath, "DEEP");
        EXPECT_EQ(siteCount, 1);
        submitted.push_back(page.url);
        const submit::RunResult run = pages.front().run;
        pages.pop_front();
        return run;
    };
    const ProfileRunParams params{profile, true, connected, submission};

    const ProfileRunResult result = runProfile(state, params, frontend);

    EXPECT_EQ(result.ending, c.ending);
    EXPECT_EQ(submitted, std::vector<std::string>(urls.begin(), urls.begin() + c.submissions));
    EXPECT_EQ(result.hadFailures, c.hadFailures);
    EXPECT_EQ(result.errorLogPath, c.errorLog);
    EXPECT_EQ(result.failureProfilePath, c.failureProfile);
    EXPECT_EQ(state.currentProfilePath, "monday.fl2");
}

INSTANTIATE_TEST_SUITE_P(Endings, ProfileRunTest,
                         testing::Values(Case{"EveryPageClean",
                                              {{true, clean()}, {true, clean()}},
                                              ProfileRunEnding::Ran,
                                              2,
                                              false,
                                              "",
                                              ""},
                                         Case{"FirstCheckFails",
                                              {{false, {}}, {true, clean()}},
                                              ProfileRunEnding::NothingSubmitted,
                                              0,
                                              false,
                                              "",
                                              ""},
                                         Case{"LaterCheckFails",
                                              {{true, clean()}, {false, {}}, {true, clean()}},
                                              ProfileRunEnding::HadFailures,
                                              1,
                                              false,
                                              "",
                                              ""},
                                         Case{"FailuresThenStop",
                                              {{true, failed("err1", "fail1.fl2")},
                                               {true, stopped("err2")},
                                               {true, clean()}},
                                              ProfileRunEnding::Stopped,
                                              2,
                                              true,
                                              "err2",
                                              "fail1.fl2"},
                                         Case{
                                             "FailuresThenClean",
                                             {{true, failed("err1", "fail1.fl2")}, {true, clean()}},
                                             ProfileRunEnding::HadFailures,
                                             2,
                                             true,
                                             "err1",
                                             "fail1.fl2"}),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace farrow::app
