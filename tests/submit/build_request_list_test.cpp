#include <gtest/gtest.h>

#include "sites/selection_model.h"
#include "submit/request_builder.h"
#include "submit/save_profile_action.h"
#include "support/fake_build_frontend.h"
#include "support/fake_profile_dialogs.h"
#include "support/temp_workspace.h"

namespace farrow::submit {
namespace {

sites::SiteRecord site(const std::string& name, const std::string& method,
                       const std::string& referer) {
    sites::SiteRecord r;
    r.fields.fill(" ");
    r.fields[sites::kName] = name;
    r.fields[sites::kSubmitUrl] = "http://" + referer + ".test/";
    r.fields[sites::kMethod] = method;
    r.fields[sites::kReferer] = referer;
    r.fields[sites::kTitleField] = "&t=";
    return r;
}

class BuildStepTest : public testing::Test {
protected:
    BuildStepTest() {
        state.timing.buildYield = app::Millis(0);
        state.smartMatchTable = keywords::SmartMatchTable::standard();
        // Two records share a name; both are built.
        sites::SiteRecord categories = site("Beta", "GET", "b2");
        categories.isComplex = 1;
        categories.categoryBlock = {"x", "&c=", "Boats", "NULL"};
        for (const sites::SiteRecord& r : {site("Alpha", "POST", "a"), site("Beta", "GET", "b1"),
                                           categories, site("Gamma", "GET", "g")}) {
            state.siteTable.append(r);
        }
        for (const char* name : {"Alpha", "Beta", "Gamma"}) {
            state.lists.available.add(name);
        }
        profile.url = "http://my.site";
        profile.keywords[0] = "boat";
        profile.lastName = "Lee";
        profile.firstName = "Ann";
        profile.email = "ann@my.site";
        profile.title = "Mine";
        profile.company = "Co";
        profile.phone = "555";
    }

    void select(std::vector<std::size_t> indexes) {
        sites::SelectionModel(state.siteTable, state.lists, frontend.fakeMessenger())
            .addSelected(std::move(indexes));
    }

    app::AppState state;
    profile::SubmissionProfile profile;
    test::FakeBuildFrontend frontend{"Farrowlane 4 Sites Available"};
    bool online = true;
    platform::ConnectionTest connection = [this] { return online; };
};

TEST_F(BuildStepTest, BuildsOneRequestPerMatchingRecordWithProgress) {
    state.requestList.push_back({});
    select({1, 0});
    ASSERT_EQ(buildRequestList(state, profile, frontend, connection), 2);
    ASSERT_EQ(state.requestList.size(), 3u);
    EXPECT_EQ(state.requestList[0].siteName, "Alpha");
    EXPECT_EQ(state.requestList[0].method, "POST");
    EXPECT_EQ(state.requestList[0].referer, "a");
    EXPECT_EQ(state.requestList[1].targetUrl, "http://b1.test/&t=Mine ");
    EXPECT_EQ(state.requestList[1].takesCategory, 0);
    EXPECT_EQ(state.requestList[2].siteName, "Beta");
    EXPECT_EQ(state.requestList[2].referer, "b2");
    EXPECT_EQ(state.requestList[2].category, "Boats");
    EXPECT_EQ(state.siteTable[2].chosenCategory, "Boats");
    const std::vector<std::string> captions = {
        "Farrowlane 4 Sites Available Processed: 000",
        "Farrowlane 4 Sites Available Processed:   0",
        "Farrowlane 4 Sites Available Processed:   1",
        "Farrowlane 4 Sites Available",
    };
    EXPECT_EQ(frontend.captions, captions);
    EXPECT_TRUE(frontend.fakeMessenger().messages().empty());
}

TEST_F(BuildStepTest, FailedCheckBuildsNothingAndLeavesTheCaption) {
    state.requestList.push_back({});
    profile.phone.clear();
    EXPECT_EQ(buildRequestList(state, profile, frontend, connection), 0);
    EXPECT_TRUE(state.requestList.empty());
    EXPECT_TRUE(frontend.captions.empty());
    EXPECT_EQ(
        frontend.fakeMessenger().texts(),
        (std::vector<std::string>{"SITES: No Sites Selected for Submit",
                                  "SITE INFORMATION: A Voice Phone Number must be specified"}));
}

TEST_F(BuildStepTest, NoConnectionStopsWithTheProgressCaption) {
    select({2});
    online = false;
    EXPECT_EQ(buildRequestList(state, profile, frontend, connection), 0);
    EXPECT_TRUE(state.requestList.empty());
    EXPECT_EQ(frontend.caption(), "Farrowlane 4 Sites Available Processed: 000");
    ASSERT_EQ(frontend.fakeMessenger().messages().size(), 1u);
    EXPECT_EQ(frontend.fakeMessenger().messages()[0].text,
              "Could Not establish Internet Connection. Please check your settings.");
    EXPECT_EQ(frontend.fakeMessenger().messages()[0].icon, app::MessageIcon::Stop);
}

TEST_F(BuildStepTest, SaveProfileRunsTheBuildFirst) {
    test::TempWorkspace workspace;
    test::FakeProfileDialogs dialogs;
    dialogs.saveAnswer = workspace.file("saved.fl2");
    select({1});
    online = false;
    EXPECT_FALSE(saveProfileAfterBuild(state, profile, frontend, dialogs, connection));
    EXPECT_TRUE(dialogs.specs.empty()) << "no chooser after a failed build";

    online = true;
    const auto result = saveProfileAfterBuild(state, profile, frontend, dialogs, connection);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->outcome, profile::FileOutcome::Done);
    EXPECT_TRUE(state.requestList.empty());
    const std::string text = workspace.read("saved.fl2");
    // The first record named "Beta" takes no category, so its entry has no category line.
    EXPECT_NE(text.find("\r\nSHALLOW\r\nBeta\r\nDATAEND\r\n"), std::string::npos) << text;
    EXPECT_EQ(frontend.fakeMessenger().texts().back(),
              "File " + workspace.file("saved.fl2") + " opened and written successfully!");
}

}  // namespace
}  // namespace farrow::submit
