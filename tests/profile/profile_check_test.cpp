#include "profile/profile_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/fake_frontend.h"

namespace farrow::profile {
namespace {

SubmissionProfile completeProfile() {
    SubmissionProfile p;
    p.url = "http://my.site";
    p.keywords[0] = "boats";
    p.lastName = "Lee";
    p.firstName = "Ann";
    p.email = "ann@my.site";
    p.title = "My Site";
    p.company = "Lee Boats";
    p.phone = "555";
    return p;
}

TEST(CheckProfile, EmptyProfileGivesAllNineWarningsInOrder) {
    test::FakeMessenger messenger;
    const std::vector<std::string> failed = checkProfile(SubmissionProfile{}, 0, messenger);
    const std::vector<std::string> expected = {
        "SITES: No Sites Selected for Submit",
        "SITE INFORMATION: A URL Address must be specified",
        "KEYWORDS: At Least ONE keyword must be specified",
        "SITE INFORMATION: A Last Name must be specified",
        "SITE INFORMATION: A First Name must be specified",
        "SITE INFORMATION: An Electronic Mail Address must be specified",
        "KEYWORDS: A Web Site Title (Descriptive) must be specified",
        "KEYWORDS: A Company Name (or organization) must be specified",
        "SITE INFORMATION: A Voice Phone Number must be specified",
    };
    EXPECT_EQ(failed, expected);
    EXPECT_EQ(messenger.texts(), expected);
    for (const auto& m : messenger.messages()) {
        EXPECT_EQ(m.icon, app::MessageIcon::Exclamation) << m.text;
    }
}

TEST(CheckProfile, CompleteProfilePassesSilentlyAndBlanksCountAsValues) {
    test::FakeMessenger messenger;
    SubmissionProfile p = completeProfile();
    p.phone = " ";
    EXPECT_TRUE(checkProfile(p, 1, messenger).empty());
    EXPECT_TRUE(messenger.messages().empty());
}

struct MissingCase {
    std::function<void(SubmissionProfile&)> clear;
    std::string message;
};

TEST(CheckProfile, EachRequiredFieldHasItsOwnMessage) {
    const std::vector<MissingCase> cases = {
        {[](SubmissionProfile& p) { p.url.clear(); }, "URL Address"},
        {[](SubmissionProfile& p) { p.keywords[0].clear(); }, "At Least ONE keyword"},
        {[](SubmissionProfile& p) { p.lastName.clear(); }, "A Last Name"},
        {[](SubmissionProfile& p) { p.firstName.clear(); }, "A First Name"},
        {[](SubmissionProfile& p) { p.email.clear(); }, "Electronic Mail Address"},
        {[](SubmissionProfile& p) { p.title.clear(); }, "Web Site Title"},
        {[](SubmissionProfile& p) { p.company.clear(); }, "Company Name"},
        {[](SubmissionProfile& p) { p.phone.clear(); }, "Voice Phone Number"},
    };
    for (const MissingCase& c : cases) {
        test::FakeMessenger messenger;
        SubmissionProfile p = completeProfile();
        p.keywords[1] = "only keyword 2";
        c.clear(p);
        const std::vector<std::string> failed = checkProfile(p, 3, messenger);
        ASSERT_EQ(failed.size(), 1u) << c.message;
        EXPECT_NE(failed[0].find(c.message), std::string::npos) << failed[0];
    }
    test::FakeMessenger messenger;
    EXPECT_EQ(checkProfile(completeProfile(), 0, messenger),
              std::vector<std::string>{"SITES: No Sites Selected for Submit"});
}

}  // namespace
}  // namespace farrow::profile
