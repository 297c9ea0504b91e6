#include "submit/smtp_reply_reader.h"

#include <gtest/gtest.h>

namespace farrow::submit {
namespace {

using namespace std::string_literals;

struct ReplyCase {
    const char* name;
    std::string bytes;
    // The bytes taken up to the end of the reply; all of them when it ends at the close.
    std::size_t taken;
    int code;
    std::string text;
};

class SmtpReplyReading : public testing::TestWithParam<ReplyCase> {};

TEST_P(SmtpReplyReading, JudgesTheFirstLine) {
    SmtpReplyReader reader;
    std::size_t taken = 0;
    bool ended = false;
    while (taken < GetParam().bytes.size() && !ended) {
        ended = reader.take(GetParam().bytes[taken++]);
    }
    if (!ended) {
        reader.finishAtClose();
    }
    EXPECT_EQ(taken, GetParam().taken);
    EXPECT_EQ(reader.code(), GetParam().code);
    EXPECT_EQ(reader.text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SmtpReplyReading,
    testing::Values(
        ReplyCase{"OneLine", "250 OK\r\n354 next", 8, 250, "250 OK"},
        ReplyCase{"MoreLinesAnnounced", "250-a\r\n250-b\n250 c\r\n220 x\r\n", 20, 250, "250-a"},
        ReplyCase{"NoReplyAtAll", "hello there\nmore\n", 12, 0, "hello there"},
        ReplyCase{"DashWithoutDigitsEnds", "-250 x\n250 y\n", 7, -250, "-250 x"},
        ReplyCase{"LastLineWithoutEnd", "221 bye", 7, 221, "221 bye"},
        ReplyCase{"ClosedInsideMoreLines", "250-a\n250-b", 11, 250, "250-a"},
        ReplyCase{"LeadingBlanksAndPlus", " \t+421 busy\n", 12, 421, " \t+421 busy"},
        ReplyCase{"NulBytes", "25\0 x\n"s, 6, 25, "25\0 x"s},
        ReplyCase{"HugeNumber", "99999999999 x\n", 14, 0, "99999999999 x"},
        ReplyCase{"LongLineIsCut", std::string(1000, '5') + "\n", 1001, 0, std::string(200, '5')}),
    [](const testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace farrow::submit
