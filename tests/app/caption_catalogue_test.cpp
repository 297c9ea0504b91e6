#include "app/caption_catalogue.h"

#include <gtest/gtest.h>

#include "support/temp_workspace.h"

namespace farrow::app {
namespace {

std::string numberedLines(int count, const char* lineEnd) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        text += "caption " + std::to_string(i) + lineEnd;
    }
    return text;
}

struct CatalogueCase {
    int lines;
    const char* lineEnd;
};

class CaptionCatalogueTest : public testing::TestWithParam<CatalogueCase> {};

TEST_P(CaptionCatalogueTest, FillsPresentLinesAndLeavesTheRestEmpty) {
    test::TempWorkspace ws;
    ws.write(kCaptionFile, numberedLines(GetParam().lines, GetParam().lineEnd));
    const auto captions = readCaptionCatalogue(ws.file(kCaptionFile));
    ASSERT_TRUE(captions);
    for (int i = 1; i <= static_cast<int>(kCaptionLines); ++i) {
        const std::string expected = i <= GetParam().lines ? "caption " + std::to_string(i) : "";
        EXPECT_EQ((*captions)[i - 1], expected) << "line " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(LineCounts, CaptionCatalogueTest,
                         testing::Values(CatalogueCase{52, "\n"}, CatalogueCase{50, "\r\n"},
                                         CatalogueCase{40, "\n"}, CatalogueCase{60, "\r\n"},
                                         CatalogueCase{0, "\n"}),
                         [](const testing::TestParamInfo<CatalogueCase>& info) {
                             return std::to_string(info.param.lines) +
                                    (info.param.lineEnd[0] == '\r' ? "CrLf" : "Lf");
                         });

TEST(CaptionCatalogue, MissingFileGivesNothing) {
    test::TempWorkspace ws;
    EXPECT_FALSE(readCaptionCatalogue(ws.file(kCaptionFile)));
}

TEST(CaptionCatalogue, KeepsEmptyAndUnterminatedLines) {
    test::TempWorkspace ws;
    ws.write(kCaptionFile, "one\n\n   Add Selected\nlast");
    const auto captions = readCaptionCatalogue(ws.file(kCaptionFile));
    ASSERT_TRUE(captions);
    EXPECT_EQ((*captions)[0], "one");
    EXPECT_EQ((*captions)[1], "");
    EXPECT_EQ((*captions)[2], "   Add Selected");
    EXPECT_EQ((*captions)[3], "last");
}

}  // namespace
}  // namespace farrow::app
