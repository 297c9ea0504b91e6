#include "profile/batch_list.h"

#include <gtest/gtest.h>

#include "profile/batch_session_file.h"
#include "support/temp_workspace.h"

namespace farrow::profile {
namespace {

using Names = std::vector<std::string>;

TEST(BatchNamesTest, SortedWithoutRegardToCaseAndShownOnce) {
    BatchNames shown;
    for (const char* name :
         {"delta.fl2", "Alpha.fl2", "charlie.fl2", "Bravo.fl2", "alpha.fl2", "delta.fl2"}) {
        shown.add(name);
    }
    // "alpha.fl2" is another file than "Alpha.fl2" and follows it, as it was added later.
    EXPECT_EQ(shown.names(),
              (Names{"Alpha.fl2", "alpha.fl2", "Bravo.fl2", "charlie.fl2", "delta.fl2"}));
}

struct BeginsWithCase {
    Names before;
    std::string added;
    bool shown;
};

class BeginsWithRule : public testing::TestWithParam<BeginsWithCase> {};

TEST_P(BeginsWithRule, NameIsAddedUnlessShownExactly) {
    BatchNames shown;
    for (const std::string& n : GetParam().before) {
        shown.add(n);
    }
    EXPECT_EQ(shown.add(GetParam().added), GetParam().shown) << GetParam().added;
}

INSTANTIATE_TEST_SUITE_P(Cases, BeginsWithRule,
                         testing::Values(BeginsWithCase{{}, "a.fl2", true},
                                         BeginsWithCase{{"a.fl2"}, "a.fl2", false},
                                         BeginsWithCase{{"A.FL2"}, "a.fl2", true},
                                         BeginsWithCase{{"a.fl2.old"}, "a.fl2", true},
                                         BeginsWithCase{{"A.fl2.old", "a.fl2"}, "a.fl2", false},
                                         BeginsWithCase{{"a.fl2"}, "a.fl2.old", true},
                                         BeginsWithCase{{"b.fl2"}, "a.fl2", true}));

TEST(BatchListTest, RemovingANameRemovesEveryEntryOfIt) {
    BatchList list;
    list.add({"/one/site.fl2", "site.fl2"});
    list.add({"/other.fl2", "other.fl2"});
    list.add({"/two/site.fl2", "site.fl2"});
    list.add({"/three/SITE.fl2", "SITE.fl2"});
    list.removeName("site.fl2");
    EXPECT_EQ(list.entries(), (std::vector<BatchEntry>{{"/other.fl2", "other.fl2"},
                                                       {"/three/SITE.fl2", "SITE.fl2"}}));
}

TEST(BatchListTest, RunPathsFollowShownNamesThenListOrder) {
    BatchList list;
    BatchNames shown;
    for (const BatchEntry& e : std::vector<BatchEntry>{{"/b/zeta.fl2", "zeta.fl2"},
                                                       {"/a/site.fl2", "site.fl2"},
                                                       {"/b/Alpha.fl2", "Alpha.fl2"},
                                                       {"/c/site.fl2", "site.fl2"}}) {
        list.add(e);
        shown.add(e.name);
    }
    EXPECT_EQ(batchRunPaths(list, shown),
              (Names{"/b/Alpha.fl2", "/a/site.fl2", "/c/site.fl2", "/b/zeta.fl2"}));
}

TEST(BatchListTest, APathHeldTwiceIsListedAndRunOnce) {
    BatchList list;
    BatchNames shown;
    for (const BatchEntry& e : std::vector<BatchEntry>{{"/a/site.fl2", "site.fl2"},
                                                       {"/b/site.fl2", "site.fl2"},
                                                       {"/a/site.fl2", "site.fl2"},
                                                       {"/a/hidden.fl2", "hidden.fl2"}}) {
        list.add(e);
    }
    shown.add("site.fl2");
    EXPECT_EQ(batchRunPaths(list, shown), (Names{"/a/site.fl2", "/b/site.fl2"}));
    EXPECT_EQ(listedEntries(list, shown),
              (std::vector<BatchEntry>{{"/a/site.fl2", "site.fl2"}, {"/b/site.fl2", "site.fl2"}}));
}

TEST(BatchListTest, FileNamePartIsWhatFollowsTheLastSlash) {
    EXPECT_EQ(fileNamePart("/home/u/profiles/shop.fl2"), "shop.fl2");
    EXPECT_EQ(fileNamePart("shop.fl2"), "shop.fl2");
    EXPECT_EQ(fileNamePart("/dir/"), "");
}

TEST(BatchSessionFileTest, WrittenAsPathAndNameLinesWithCrLf) {
    EXPECT_EQ(formatBatchSession({{"/a/x.fl2", "x.fl2"}, {"/b/y.fl2", "y.fl2"}}),
              "/a/x.fl2\r\nx.fl2\r\n/b/y.fl2\r\ny.fl2\r\nDATAEND\r\n");
    EXPECT_EQ(formatBatchSession({}), "DATAEND\r\n");
    EXPECT_EQ(formatBatchRunFile({"/a/x.fl2", "/b/x.fl2"}), "/a/x.fl2\r\n/b/x.fl2\r\nDATAEND\r\n");
    EXPECT_EQ(formatBatchRunFile({}), "DATAEND\r\n");
}

struct ParseCase {
    const char* label;
    std::string text;
    std::vector<BatchEntry> entries;
};

class SessionParsing : public testing::TestWithParam<ParseCase> {};

TEST_P(SessionParsing, ReadsPairsUpToTheEndMarker) {
    EXPECT_EQ(parseBatchSession(GetParam().text), GetParam().entries) << GetParam().label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SessionParsing,
    testing::Values(
        ParseCase{"crlf", "/a/x.fl2\r\nx.fl2\r\nDATAEND\r\n", {{"/a/x.fl2", "x.fl2"}}},
        ParseCase{"lf",
                  "/a/x.fl2\nx.fl2\n/b/y.fl2\ny.fl2\nDATAEND\n",
                  {{"/a/x.fl2", "x.fl2"}, {"/b/y.fl2", "y.fl2"}}},
        ParseCase{"no end marker",
                  "/a/x.fl2\r\nx.fl2\r\n/b/y.fl2\r\ny.fl2",
                  {{"/a/x.fl2", "x.fl2"}, {"/b/y.fl2", "y.fl2"}}},
        ParseCase{"lines after the end marker are ignored",
                  "/a/x.fl2\nx.fl2\nDATAEND\n/z\nz\n",
                  {{"/a/x.fl2", "x.fl2"}}},
        ParseCase{"missing last name line",
                  "/a/x.fl2\nx.fl2\n/b/y.fl2",
                  {{"/a/x.fl2", "x.fl2"}, {"/b/y.fl2", "y.fl2"}}},
        ParseCase{"end marker only", "DATAEND\r\n", {}}, ParseCase{"empty file", "", {}},
        ParseCase{"lowercase marker is a path", "dataend\nd\nDATAEND\n", {{"dataend", "d"}}}));

TEST(BatchSessionFileTest, LongPathsAreKeptWhole) {
    test::TempWorkspace workspace;
    const std::string longPath =
        "/" + std::string(5000, 'p') + "/" + std::string(200, 'n') + ".fl2";
    const std::vector<BatchEntry> entries{{longPath, fileNamePart(longPath)}};
    const std::string file = workspace.file("long.flb");
    ASSERT_FALSE(writeTextFile(file, formatBatchSession(entries)));
    const SessionRead read = readBatchSession(file, workspace.workspace());
    ASSERT_FALSE(read.error);
    EXPECT_EQ(read.entries, entries);
}

TEST(BatchSessionFileTest, FailuresCarryTheSystemReason) {
    test::TempWorkspace workspace;
    const SessionRead missing = readBatchSession(workspace.file("none.flb"), workspace.workspace());
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->code, ENOENT);
    EXPECT_NE(missing.error->reason.find("No such file"), std::string::npos)
        << missing.error->reason;

    const std::optional<FileError> unwritable =
        writeTextFile(workspace.file("no/such/dir/x.flb"), "DATAEND\r\n");
    ASSERT_TRUE(unwritable);
    EXPECT_EQ(unwritable->code, ENOENT);

    const SessionRead directory =
        readBatchSession(workspace.path().string(), workspace.workspace());
    ASSERT_TRUE(directory.error);
    EXPECT_EQ(directory.error->code, EISDIR);
}

}  // namespace
}  // namespace farrow::profile
