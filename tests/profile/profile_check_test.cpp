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

// Only text an editor wrote as UTF-8 is named: Latin-1 bytes as the window stores them, broken
// or overlong sequences and encoded surrogates are no UTF-8 text.
TEST(Utf8Fields, NameValidUtf8BeyondAsciiOnly) {
    const std::pair<std::string, bool> values[] = {
        {"Cafe", false},
        {"Caf\xc3\xa9", true},
        {"\xe2\x82\xac 5", true},
        {"\xf0\x9f\x8d\x9e bread", true},
        {"Caf\xe9", false},
        {"Caf\xc3", false},
        {"\xc3\xa9\xa9", false},
        {"\xc0\xaf", false},
        {"\xe0\x80\xaf", false},
        {"\xed\xa0\x80", false},
        {"\xf4\x90\x80\x80", false},
        {"\xf5\x80\x80\x80", false},
    };
    for (const auto& [value, named] : values) {
        SubmissionProfile p;
        p.title = value;
        EXPECT_EQ(utf8Fields(p).size(), named ? 1u : 0u) << value;
    }

    SubmissionProfile p;
    p.city = "K\xc3\xb6ln";
    p.keywords[15] = "cr\xc3\xa8me";
    p.street1 = "M\xfchlweg";
    const std::vector<Utf8Field> found = utf8Fields(p);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].label, "City");
    EXPECT_EQ(found[0].value, "K\xc3\xb6ln");
    EXPECT_EQ(found[1].label, "Keyword 16");
}

}  // namespace
}  // namespace farrow::profile
