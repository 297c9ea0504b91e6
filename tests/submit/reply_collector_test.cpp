#include "submit/reply_collector.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace farrow::submit {
namespace {

std::string lines(int count, std::size_t length) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += std::string(length, 'x') + "\r\n";
    }
    return text;
}

struct CollectCase {
    const char* name;
    std::string body;
    std::size_t expectedSize;
    friend void PrintTo(const CollectCase& c, std::ostream* os) { *os << c.name; }
};

class ReplyCollectorCut : public ::testing::TestWithParam<CollectCase> {};

// Whatever sizes the pieces arrive in, the kept text is the same.
TEST_P(ReplyCollectorCut, KeepsWholeLinesUpToTheLimit) {
    const CollectCase& c = GetParam();
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, c.body.size()}) {
        std::string reply;
        ReplyCollector collector(reply);
        for (std::size_t at = 0; at < c.body.size(); at += piece) {
            collector.feed(std::string_view(c.body).substr(at, piece));
        }
        EXPECT_EQ(reply.size(), c.expectedSize) << c.name << ", pieces of " << piece;
        EXPECT_EQ(reply.find_first_of("\r\n"), std::string::npos) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, ReplyCollectorCut,
    ::testing::Values(
        // 45 lines make exactly 45000; the 46th finds the reply full and is dropped.
        CollectCase{"lines of 1000", lines(60, 1000), 45000},
        // The 46th line starts at 44955 and is kept whole.
        CollectCase{"lines of 999", lines(60, 999), 45954},
        CollectCase{"one line short of the limit", std::string(44999, 'x') + "\nabc\ndef", 45002},
        // No line may carry the reply past its capacity, terminator included.
        CollectCase{"one huge line", std::string(60000, 'x'), kReplyCapacity - 1},
        CollectCase{"huge line after a short one", "ab\n" + std::string(60000, 'x') + "\ncd",
                    kReplyCapacity - 1},
        CollectCase{"empty", "", 0}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) {
                c = '_';
            }
        }
        return name;
    });

TEST(ReplyCollector, JoinsLinesAndAppendsToWhatIsThere) {
    std::string reply = "kept:";
    ReplyCollector collector(reply);
    collector.feed("one\r\ntwo\nthree\rfour\r\n\r\nfive");
    EXPECT_EQ(reply, "kept:onetwothreefourfive");
}

}  // namespace
}  // namespace farrow::submit
