#include "keywords/smart_match_table.h"

#include <gtest/gtest.h>

namespace farrow::keywords {
namespace {

TEST(SmartMatchTable, HoldsTheFixedRowsInOrder) {
    const SmartMatchTable table = SmartMatchTable::standard();
    const auto& rows = table.rows();
    ASSERT_EQ(rows.size(), 54u);
    std::size_t words = 0;
    for (const auto& row : rows) {
        words += row.size();
    }
    EXPECT_EQ(words, 201u);
    EXPECT_EQ(rows[0].back(), "COKPIT");
    EXPECT_EQ(rows[9], SmartMatchTable::Row{"CARAVANS"});
    EXPECT_EQ(rows[31].front(), "GENERAL");
    EXPECT_EQ(rows[43][1], "VOLLYEBALL");
    EXPECT_EQ(rows[53].back(), "GOV'T");
}

TEST(SmartMatch, ReturnsTheSiteValueOrTheKeyword) {
    struct Case {
        std::string keyword;
        std::vector<std::string> values;
        std::string expected;
    };
    const Case cases[] = {
        // "Marine Supplies" is longer than "MARINE"; "Boats" equals "BOATS" ignoring case.
        {"boat", {"Marine Supplies", "Boats"}, "Boats"},
        {"jet", {"Air"}, "Air"},
        // "car" starts "CARAVANS" (row 10) and "CARTERER" (row 11): row 10 first.
        {"car", {"Catering", "Caravans"}, "Caravans"},
        {"car", {"Catering", "Food"}, "Catering"},
        // The site's order wins within a row, whichever word a value fits.
        {"sail", {"Wharf", "Boats"}, "Wharf"},
        {"boating", {"Boats"}, "boating"},
        {"jet", {"Music", "", "Air"}, ""},
        {"ZeBrA", {"Boats"}, "ZeBrA"},
        {"gov'", {"Sports", "Gov'T"}, "Gov'T"},
        // Only A-Z fold.
        {"b\xc9", {"Beauty"}, "b\xc9"},
        // Values after the end marker are not read.
        {"boat", {"Music", "NULL", "Boats"}, "boat"},
    };
    const SmartMatchTable table = SmartMatchTable::standard();
    for (const Case& c : cases) {
        sites::SiteRecord site;
        site.isComplex = 1;
        site.categoryBlock = {"x", "cat"};
        site.categoryBlock.insert(site.categoryBlock.end(), c.values.begin(), c.values.end());
        site.categoryBlock.push_back("NULL");
        EXPECT_EQ(smartMatchCategory(table, c.keyword, site), c.expected) << c.keyword;
    }
}

}  // namespace
}  // namespace farrow::keywords
