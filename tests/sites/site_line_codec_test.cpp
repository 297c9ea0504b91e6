#include "sites/site_line_codec.h"

#include <gtest/gtest.h>

namespace farrow::sites {
namespace {

TEST(SiteLineCodec, RoundTripsPrintableText) {
    const std::string plain = "Alta Vista|x|http://example.test/add?a=1&b=2|POST|kw~{}";
    const std::string stored = encodeSiteLine(plain);
    EXPECT_EQ(stored.size(), plain.size() * 2);
    EXPECT_EQ(decodeSiteLine(stored), plain);
}

TEST(SiteLineCodec, EncodesEachCharacterAsTwoDigits) {
    EXPECT_EQ(encodeSiteLine("A"), "35");  // 65 - 30
    EXPECT_EQ(encodeSiteLine(" "), "02");
    EXPECT_EQ(encodeSiteLine("\x7f"), "97");
    // The top bit is dropped before encoding.
    EXPECT_EQ(encodeSiteLine("\xc1"), "35");
}

TEST(SiteLineCodec, DecodesOddLengthAndNonDigits) {
    // A last single character is decoded alone.
    EXPECT_EQ(decodeSiteLine("353"), std::string("A") + static_cast<char>(33));
    // Pieces without leading digits decode as 0, giving code 30.
    EXPECT_EQ(decodeSiteLine("xx"), std::string(1, static_cast<char>(30)));
    EXPECT_EQ(decodeSiteLine("3x"), std::string(1, static_cast<char>(33)));
    EXPECT_EQ(decodeSiteLine("99"), std::string(1, static_cast<char>(129)));
    EXPECT_EQ(decodeSiteLine(""), "");
}

}  // namespace
}  // namespace farrow::sites
