#include "keywords/smart_match_table.h"

#include <gtest/gtest.h>

namespace farrow::keywords {
namespace {

sites::SiteRecord siteWithCategories(std::vector<std::string> values) {
    sites::SiteRecord site;
    site.isComplex = 1;
    site.categoryBlock = {"x", "cat"};
    for (std::string& v : values) {
        site.categoryBlock.push_back(std::move(v));
    }
    site.categoryBlock.push_back("NULL");
    return site;
}

TEST(SmartMatchTable, HoldsTheFixedRowsInOrder) {
    const SmartMatchTable table = SmartMatchTable::standard();
    ASSERT_EQ(table.rows().size(), 54u);
    std::size_t words = 0;
    for (const auto& row : table.rows()) {
        ASSERT_FALSE(row.empty());
        words += row.size();
        for (const std::string& word : row) {
            EXPECT_NE(word, "NULL");
        }
    }
    EXPECT_EQ(words, 201u);
    EXPECT_EQ(table.rows()[0].front(), "AIRCRAFT");
    EXPECT_EQ(table.rows()[0].back(), "COKPIT");
    EXPECT_EQ(table.rows()[9], SmartMatchTable::Row{"CARAVANS"});
    EXPECT_EQ(table.rows()[31].front(), "GENERAL");
    EXPECT_EQ(table.rows()[34].front(), "PHOTGRAPH");
    EXPECT_EQ(table.rows()[43][1], "VOLLYEBALL");
    EXPECT_EQ(table.rows()[53].back(), "GOV'T");
}

struct MatchCase {
    const char* name;
    std::string keyword;
    std::vector<std::string> values;
    std::string expected;
};

class SmartMatch : public testing::TestWithParam<MatchCase> {};

TEST_P(SmartMatch, ReturnsTheSiteValueOrTheKeyword) {
    const MatchCase& c = GetParam();
    const SmartMatchTable table = SmartMatchTable::standard();
    EXPECT_EQ(smartMatchCategory(table, c.keyword, siteWithCategories(c.values)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SmartMatch,
    testing::Values(
        // "Marine Supplies" is longer than "MARINE", so only "Boats" fits row 5.
        MatchCase{"BoatPrefix", "boat", {"Marine Supplies", "Boats"}, "Boats"},
        MatchCase{"JetHitsAircraft", "jet", {"Air"}, "Air"},
        // "car" starts "CARAVANS" (row 10) and "CARTERER" (row 11): row 10 wins when it yields.
        MatchCase{"FirstHitRowWins", "car", {"Catering", "Caravans"}, "Caravans"},
        MatchCase{"LaterRowWhenFirstYieldsNothing", "car", {"Catering", "Food"}, "Catering"},
        MatchCase{"SiteOrderWinsWithinRow", "sail", {"Wharf", "Boats"}, "Wharf"},
        MatchCase{"LongerKeywordMisses", "boating", {"Boats"}, "boating"},
        MatchCase{"EmptyValueFitsEveryWord", "jet", {"Music", "", "Air"}, ""},
        MatchCase{"MissKeepsKeywordCase", "ZeBrA", {"Boats"}, "ZeBrA"},
        MatchCase{"PunctuationComparedAsText", "gov'", {"Sports", "Gov'T"}, "Gov'T"},
        // Only A-Z fold: an accented letter does not equal its plain form.
        MatchCase{"OnlyAsciiLettersFold", "b\xc9", {"Beauty"}, "b\xc9"},
        MatchCase{"NoValuesReturnsKeyword", "boat", {}, "boat"}),
    [](const testing::TestParamInfo<MatchCase>& info) { return std::string(info.param.name); });

TEST(SmartMatch, ValuesAfterTheEndMarkerAreNotConsidered) {
    sites::SiteRecord site = siteWithCategories({"Music"});
    site.categoryBlock.push_back("Boats");
    EXPECT_EQ(smartMatchCategory(SmartMatchTable::standard(), "boat", site), "boat");
}

}  // namespace
}  // namespace farrow::keywords
