#include <gtest/gtest.h>

#include "sites/selection_model.h"
#include "submit/request_builder.h"
#include "submit/save_profile_action.h"
#include "support/fake_build_frontend.h"
#include "support/fake_profile_dialogs.h"
#include "support/temp_workspace.h"

namespace farrow::submit {
namespace {

class BuildStepTest : public testing::Test {
protected:
    BuildStepTest() {
        // Two records share the name "Beta"; both are built.
        for (const auto& [name, method, referer] : {std::tuple{"Alpha", "POST", "a"},
                                                    {"Beta", "GET", "b1"},
                                                    {"Beta", "GET", "b2"},
                                                    {"Gamma", "GET", "g"}}) {
            sites::SiteRecord r;
            r.fields.fill(" ");
            r.fields[sites::kName] = name;
            r.fields[sites::kMethod] = method;
            r.fields[sites::kReferer] = referer;
            table.append(r);
        }
        for (const char* name : {"Alpha", "Beta", "Gamma"}) {
            lists.available.add(name);
        }
        for (std::string* f :
             {&profile.url, &profile.keywords[0], &profile.lastName, &profile.firstName,
              &profile.email, &profile.title, &profile.company, &profile.phone}) {
            *f = "x";
        }
    }

    void selectAlphaAndBeta() {
        sites::SelectionModel(table, lists, frontend.fakeMessenger()).addSelected({0, 1});
    }

    BuildParams params() {
        BuildParams p{.profile = profile,
                      .siteTable = table,
                      .selected = lists.selected,
                      .smartMatchTable = smartMatch,
                      .logsDir = {},
                      .siteErrorFile = {},
                      .timing = {}};
        p.timing.buildYield = base::Millis(0);
        return p;
    }

    sites::SiteTable table;
    sites::SiteLists lists;
    keywords::SmartMatchTable smartMatch;
    profile::SubmissionProfile profile;
    test::FakeBuildFrontend frontend{"Caption"};
    bool online = true;
    platform::ConnectionTest connection = [this] { return online; };
};

TEST_F(BuildStepTest, OneRequestPerMatchingRecordWithProgressInTheCaption) {
    selectAlphaAndBeta();
    const BuildResult built = buildRequestList(params(), frontend, connection);
    ASSERT_EQ(built.selectedCount, 2);
    ASSERT_EQ(built.requests.size(), 3u);
    EXPECT_EQ(built.requests[0].method, "POST");
    EXPECT_EQ(built.requests[1].referer, "b1");
    EXPECT_EQ(built.requests[2].siteName, "Beta");
    EXPECT_EQ(built.requests[2].referer, "b2");
    EXPECT_EQ(frontend.captions,
              (std::vector<std::string>{"Caption Processed: 000", "Caption Processed:   0",
                                        "Caption Processed:   1", "Caption"}));
    EXPECT_TRUE(frontend.fakeMessenger().messages().empty());
}

TEST_F(BuildStepTest, FailedCheckOrConnectionBuildsNothing) {
    profile.phone.clear();
    BuildResult built = buildRequestList(params(), frontend, connection);
    EXPECT_EQ(built.selectedCount, 0);
    EXPECT_TRUE(built.requests.empty());
    EXPECT_TRUE(frontend.captions.empty());
    EXPECT_EQ(frontend.fakeMessenger().texts().size(), 2u);

    profile.phone = "555";
    selectAlphaAndBeta();
    online = false;
    built = buildRequestList(params(), frontend, connection);
    EXPECT_EQ(built.selectedCount, 0);
    EXPECT_TRUE(built.requests.empty());
    EXPECT_EQ(frontend.caption(), "Caption Processed: 000");
    const test::RecordedMessage last = frontend.fakeMessenger().messages().back();
    EXPECT_EQ(last.text, "Could Not establish Internet Connection. Please check your settings.");
    EXPECT_EQ(last.icon, base::MessageIcon::Stop);
}

TEST_F(BuildStepTest, SaveProfileOnlyAfterASuccessfulBuild) {
    test::TempWorkspace workspace;
    test::FakeProfileDialogs dialogs;
    dialogs.saveAnswer = workspace.file("saved.fl2");
    selectAlphaAndBeta();
    online = false;
    EXPECT_FALSE(saveProfileAfterBuild(params(), frontend, dialogs, connection));
    EXPECT_TRUE(dialogs.chooserOptions.empty());

    online = true;
    const auto result = saveProfileAfterBuild(params(), frontend, dialogs, connection);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->outcome, profile::FileOutcome::Done);
    EXPECT_NE(workspace.read("saved.fl2").find("\r\nSHALLOW\r\nAlpha\r\nBeta\r\nDATAEND\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace farrow::submit
