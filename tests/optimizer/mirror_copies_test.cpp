#include "optimizer/mirror_copies.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_workspace.h"

namespace farrow::optimizer {
namespace {

struct NamingCase {
    const char* name;
    const char* page;
    int number;
    const char* copy;
};

class MirrorCopyPath : public testing::TestWithParam<NamingCase> {};

TEST_P(MirrorCopyPath, PutsTheNumberBeforeTheLastDot) {
    EXPECT_EQ(mirrorCopyPath(GetParam().page, GetParam().number), GetParam().copy);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MirrorCopyPath,
    testing::Values(NamingCase{"Ordinary", "/site/index.htm", 1, "/site/index01.htm"},
                    NamingCase{"LastCopy", "page.html", 5, "page05.html"},
                    NamingCase{"LastDotOfSeveral", "a.b/page.old.htm", 3, "a.b/page.old03.htm"},
                    NamingCase{"NoDot", "/site/page", 2, "02/site/page"},
                    NamingCase{"DotOnlyInFolder", "/my.site/page", 4, "/my04.site/page"},
                    NamingCase{"DotFirst", ".htm", 1, "01.htm"}),
    [](const testing::TestParamInfo<NamingCase>& info) { return info.param.name; });

std::vector<CopyOutcome> outcomes(const std::vector<MirrorCopy>& copies) {
    std::vector<CopyOutcome> out;
    for (const MirrorCopy& c : copies) {
        out.push_back(c.outcome);
    }
    return out;
}

const std::vector<CopyOutcome> kAllWritten(kMirrorCopyCount, CopyOutcome::Written);

struct ContentCase {
    const char* name;
    std::string page;
    std::string copy;
};

class MirrorCopyContent : public testing::TestWithParam<ContentCase> {};

TEST_P(MirrorCopyContent, EndsEveryLineWithALineFeed) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    ws.write("page.htm", GetParam().page);
    const std::vector<MirrorCopy> copies = writeMirrorCopies("page.htm");
    ASSERT_EQ(outcomes(copies), kAllWritten);
    for (int k = 1; k <= kMirrorCopyCount; ++k) {
        const std::string name = "page0" + std::to_string(k) + ".htm";
        EXPECT_EQ(copies[k - 1].path, name);
        EXPECT_EQ(ws.read(name), GetParam().copy) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MirrorCopyContent,
    testing::Values(
        ContentCase{"LineFeeds", "<html>\n<body>\n</html>\n", "<html>\n<body>\n</html>\n"},
        ContentCase{"EmptyLineKept", "a\n\nb\n", "a\n\nb\n"},
        ContentCase{"CrLfBecomesLf", "a\r\n\r\nb\r\n", "a\n\nb\n"},
        ContentCase{"LastLineWithoutBreak", "a\nlast", "a\nlast\n"},
        ContentCase{"LoneCrKept", "a\rb\n", "a\rb\n"}, ContentCase{"EmptyPage", "", ""},
        // Longer than any read buffer, and crossing one.
        ContentCase{"LongLineWhole", std::string(2000, 'x') + "\r\n" + std::string(70000, 'y'),
                    std::string(2000, 'x') + "\n" + std::string(70000, 'y') + "\n"}),
    [](const testing::TestParamInfo<ContentCase>& info) { return info.param.name; });

TEST(MirrorCopies, NeverOverwriteAnExistingCopy) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    ws.write("page.htm", "new\n");
    ws.write("page02.htm", "old copy");
    const std::vector<MirrorCopy> copies = writeMirrorCopies("page.htm");
    EXPECT_EQ(outcomes(copies), (std::vector<CopyOutcome>{
                                    CopyOutcome::Written, CopyOutcome::Kept, CopyOutcome::Written,
                                    CopyOutcome::Written, CopyOutcome::Written}));
    EXPECT_EQ(ws.read("page02.htm"), "old copy");
    EXPECT_EQ(ws.read("page01.htm"), "new\n");
}

TEST(MirrorCopies, SkipCopiesThatCannotBeCreated) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    std::filesystem::create_directory(ws.file("my.site"));
    ws.write("my.site/page", "text\n");
    const std::vector<MirrorCopy> copies = writeMirrorCopies(ws.file("my.site/page"));
    EXPECT_EQ(outcomes(copies), std::vector<CopyOutcome>(kMirrorCopyCount, CopyOutcome::Skipped));
    EXPECT_EQ(copies[0].path, ws.file("my01.site/page"));
    EXPECT_NE(copies[0].reason.find("No such file or directory"), std::string::npos)
        << copies[0].reason;
    EXPECT_FALSE(std::filesystem::exists(ws.file("my01.site")));
}

TEST(MirrorCopies, PageWithoutDotGetsTheDigitsInFront) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    ws.write("page", "text");
    const std::vector<MirrorCopy> copies = writeMirrorCopies("page");
    ASSERT_EQ(outcomes(copies), kAllWritten);
    EXPECT_EQ(ws.read("05page"), "text\n");
}

TEST(MirrorCopies, UnreadablePageLeavesNoCopyBehind) {
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    // A folder opens but cannot be read, so every copy would be empty.
    std::filesystem::create_directory(ws.file("folder.htm"));
    const std::vector<MirrorCopy> copies = writeMirrorCopies("folder.htm");
    EXPECT_EQ(outcomes(copies), std::vector<CopyOutcome>(kMirrorCopyCount, CopyOutcome::Skipped));
    EXPECT_NE(copies[0].reason.find("cannot read folder.htm"), std::string::npos)
        << copies[0].reason;
    EXPECT_FALSE(std::filesystem::exists(ws.file("folder01.htm")));
}

}  // namespace
}  // namespace farrow::optimizer
