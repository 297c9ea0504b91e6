#include "platform/line_splitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace farrow::platform {
namespace {

// Chunks as they arrive, split with lines of at most 4 bytes kept.
struct SplitCase {
    const char* name;
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
    bool cut;
};

class LineSplitterTest : public testing::TestWithParam<SplitCase> {};

TEST_P(LineSplitterTest, CutsChunksIntoBoundedLines) {
    const SplitCase& c = GetParam();
    LineSplitter splitter(4);
    std::vector<std::string> lines;
    const LineHandler keep = [&](std::string_view line) {
        lines.emplace_back(line);
        return true;
    };
    for (const std::string& chunk : c.chunks) {
        EXPECT_TRUE(splitter.take(chunk, keep));
    }
    splitter.finish(keep);
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(splitter.cutAny(), c.cut);
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, LineSplitterTest,
    testing::Values(SplitCase{"oneChunk", {"ab\ncd\r\n\ne"}, {"ab", "cd", "", "e"}, false},
                    SplitCase{
                        "splitEverywhere", {"a", "b\r", "\nc", "d", "\n"}, {"ab", "cd"}, false},
                    SplitCase{"exactlyFullWithReturn", {"abcd\r\n"}, {"abcd"}, false},
                    SplitCase{"fullSplitBeforeReturn", {"abcd", "\r\n"}, {"abcd"}, false},
                    SplitCase{"oneTooLong", {"abcde\nf\n"}, {"abcd", "f"}, true},
                    SplitCase{"longAcrossChunks", {"ab", "cdefgh", "ij\nk"}, {"abcd", "k"}, true},
                    SplitCase{"longLastLine", {"x\n", "abcdefgh"}, {"x", "abcd"}, true},
                    SplitCase{"lonelyReturn", {"\r"}, {""}, false},
                    SplitCase{"nothing", {"", ""}, {}, false}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(LineSplitter, StopsWhenTheHandlerWantsNoMore) {
    LineSplitter splitter(100);
    std::vector<std::string> lines;
    const LineHandler two = [&](std::string_view line) {
        lines.emplace_back(line);
        return lines.size() < 2;
    };
    EXPECT_FALSE(splitter.take("a\nb\nc\n", two));
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace farrow::platform
