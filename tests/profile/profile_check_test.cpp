#include "profile/profile_check.h"

#include <gtest/gtest.h>

#include "support/fake_frontend.h"

namespace farrow::profile {
namespace {

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
        EXPECT_EQ(m.icon, base::MessageIcon::Exclamation) << m.text;
    }
}

TEST(CheckProfile, BlanksCountAsValues) {
    SubmissionProfile p;
    for (std::string* f : {&p.url, &p.keywords[0], &p.lastName, &p.firstName, &p.email, &p.title,
                           &p.company, &p.phone}) {
        *f = " ";
    }
    test::FakeMessenger messenger;
    EXPECT_TRUE(checkProfile(p, 1, messenger).empty());
    EXPECT_TRUE(messenger.messages().empty());
    p.keywords[0].clear();
    p.keywords[1] = "second";
    EXPECT_EQ(checkProfile(p, 1, messenger),
              std::vector<std::string>{"KEYWORDS: At Least ONE keyword must be specified"});
}

}  // namespace
}  // namespace farrow::profile
