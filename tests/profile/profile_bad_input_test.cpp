// Profiles (.fl2) and batch sessions (.flb) as a wrong pick in the chooser or a damaged disk
// leaves them: loaded as far as they go, never crashing or hanging.
#include <algorithm>

#include <gtest/gtest.h>

#include "profile/batch_session_file.h"
#include "profile/profile_file.h"
#include "support/every_byte.h"
#include "support/fake_frontend.h"
#include "support/fake_profile_dialogs.h"
#include "support/temp_workspace.h"

namespace farrow::profile {
namespace {

using namespace std::string_literals;

std::string everyByte(int rounds) {
    return test::everyByte(rounds, 197);
}

const std::string kMegabyte(1 << 20, 'p');

// The header, 31 text fields and three switch lines, each ended by `eol`.
std::string profileHead(const char* eol = "\r\n") {
    std::string text = std::string(kProfileHeader) + eol;
    for (int i = 2; i <= 35; ++i) {
        text += "v" + std::to_string(i) + eol;
    }
    return text;
}

struct ProfileCase {
    const char* name;
    std::string content;
    // The selection after loading, or nothing where it does not matter.
    std::optional<std::vector<std::string>> selected;
    FileOutcome outcome = FileOutcome::Done;
};

std::vector<ProfileCase> profileCases() {
    using Names = std::vector<std::string>;
    return {
        {"BinaryJunk", everyByte(64), Names{}, FileOutcome::NotAProfile},
        {"HugeLineWithoutEnd", kMegabyte, Names{}, FileOutcome::NotAProfile},
        {"BinaryJunkAfterTheHeader", std::string(kProfileHeader) + "\n" + everyByte(64),
         std::nullopt},
        {"HugeSiteLine", profileHead() + kMegabyte + "\r\nPlain\r\n", Names{"Plain"}},
        {"NoFinalLineEndNorEndMarker", profileHead() + "Plain\r\nCat Site\r\nArts",
         Names{"Cat Site", "Plain"}},
        {"CategoryLineMissingAtTheEnd", profileHead() + "Cat Site", Names{"Cat Site"}},
        {"NulInsideASiteName", profileHead() + "Pla\0in\r\nPlain\0\r\nDATAEND\r\n"s, Names{}},
        // A carriage return alone ends no line, so the header runs on into the fields.
        {"BareCarriageReturns", std::string(profileHead("\r")) + "Plain\r", Names{},
         FileOutcome::NotAProfile},
        {"OnlyLineEnds", std::string(5000, '\n'), Names{}, FileOutcome::NotAProfile},
    };
}

class ProfileBadInput : public testing::TestWithParam<ProfileCase> {
protected:
    ProfileBadInput() {
        for (const auto& [name, block] :
             {std::pair<const char*, std::vector<std::string>>{"Plain", {}},
              {"Cat Site", {"x", "c", "Arts", "Music", "NULL"}}}) {
            sites::SiteRecord r;
            r.fields[sites::kName] = name;
            r.isComplex = block.empty() ? 0 : 1;
            r.categoryBlock = block;
            table.append(r);
            lists.available.add(name);
        }
    }

    test::TempWorkspace workspace;
    sites::SiteTable table;
    sites::SiteLists lists;
    test::FakeMessenger messenger;
    test::FakeProfileDialogs dialogs;
    SubmissionProfile loaded;
};

TEST_P(ProfileBadInput, LoadsAsFarAsItGoes) {
    workspace.write("bad.fl2", GetParam().content);
    EXPECT_EQ(loadProfile(workspace.file("bad.fl2"), SiteSelection{table, lists}, loaded, dialogs,
                          messenger)
                  .outcome,
              GetParam().outcome);
    if (GetParam().selected) {
        EXPECT_EQ(lists.selected.entries(), *GetParam().selected);
    }
    // Every site is in exactly one of the two lists, whatever the file held.
    EXPECT_EQ(lists.selected.size() + lists.available.size(), 2u);
    EXPECT_EQ(loaded.selectedSites.size(), lists.selected.size());
    // Only a refusal says anything.
    EXPECT_EQ(messenger.messages().size(), GetParam().outcome == FileOutcome::Done ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Files, ProfileBadInput, testing::ValuesIn(profileCases()),
                         [](const testing::TestParamInfo<ProfileCase>& info) {
                             return std::string(info.param.name);
                         });

struct SessionCase {
    const char* name;
    std::string content;
    std::vector<BatchEntry> entries;
};

class SessionBadInput : public testing::TestWithParam<SessionCase> {};

TEST_P(SessionBadInput, ReadsPairsAsFarAsTheyGo) {
    test::TempWorkspace workspace;
    workspace.write("bad.flb", GetParam().content);
    const SessionRead read = readBatchSession(workspace.file("bad.flb"), workspace.workspace());
    ASSERT_FALSE(read.error);
    // A line read as a relative path is taken from the workspace.
    std::vector<BatchEntry> expected = GetParam().entries;
    for (BatchEntry& e : expected) {
        if (!e.path.empty() && e.path.front() != '/') {
            e.path = workspace.file(e.path);
        }
    }
    EXPECT_EQ(read.entries, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SessionBadInput,
    testing::Values(
        SessionCase{"NulBytesStayInTheirLines",
                    "/a/\0x.fl2\r\nx\0\r\nDATAEND\r\n"s,
                    {{"/a/\0x.fl2"s, "x\0"s}}},
        SessionCase{"HugePathWithoutEnd", "/" + kMegabyte, {{"/" + kMegabyte, kMegabyte}}},
        SessionCase{"PathEndingInASlash", "/a/b/", {{"/a/b/", ""}}},
        SessionCase{"BareCarriageReturnsAreNoLineEnds", "/a/x\r/b/y\r", {{"/a/x\r/b/y\r", "y\r"}}},
        SessionCase{"OnlyLineEnds", "\n\n\n", {{"", ""}, {"", ""}}},
        SessionCase{"MarkerWithTrailingBlank", "DATAEND \nn\n", {{"DATAEND ", "n"}}}),
    [](const testing::TestParamInfo<SessionCase>& info) { return std::string(info.param.name); });

TEST(SessionBadInput, BinaryJunkGivesPairsOfItsLines) {
    test::TempWorkspace workspace;
    const std::string junk = everyByte(256);
    workspace.write("junk.flb", junk);
    const SessionRead read = readBatchSession(workspace.file("junk.flb"), workspace.workspace());
    ASSERT_FALSE(read.error);
    const auto lineFeeds = static_cast<std::size_t>(std::count(junk.begin(), junk.end(), '\n'));
    EXPECT_EQ(read.entries.size(), (lineFeeds + 2) / 2);
}

}  // namespace
}  // namespace farrow::profile
