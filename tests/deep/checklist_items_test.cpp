#include "deep/checklist_items.h"

#include <gtest/gtest.h>

namespace farrow::deep::test {
namespace {

std::vector<std::string> texts(const std::vector<ChecklistItem>& items) {
    std::vector<std::string> out;
    for (const ChecklistItem& item : items) {
        out.push_back(item.text);
    }
    return out;
}

TEST(ChecklistItems, SortsWithoutRegardToCase) {
    const auto items = checklistItems({{"http://h/", "home"},
                                       {"http://h/b.htm", "Beta"},
                                       {"http://h/a.htm", "alpha"},
                                       {"http://h/z.htm", "Zulu"},
                                       {"http://h/c.htm", "_under"}});
    // Letters fold to lower case, so "_" (0x5F) comes before them.
    EXPECT_EQ(texts(items),
              (std::vector<std::string>{"_under ( http://h/c.htm )", "alpha ( http://h/a.htm )",
                                        "Beta ( http://h/b.htm )", "home ( http://h/ )",
                                        "Zulu ( http://h/z.htm )"}));
}

TEST(ChecklistItems, ListsEachUrlOnceWithTheFirstPagesTitle) {
    const auto items = checklistItems({{"http://h/", "Start"},
                                       {"http://h/a.htm", "A page"},
                                       {"http://h/", "Home again"},
                                       {"http://h/a.htm", "A page"}});
    EXPECT_EQ(texts(items),
              (std::vector<std::string>{"A page ( http://h/a.htm )", "Start ( http://h/ )"}));
}

TEST(ChecklistItems, LeavesOutALineThatAListedOneBeginsWith) {
    const auto items = checklistItems({{"http://h/Page", "Home"},
                                       {"http://h/page", "HOME"},
                                       {"http://h/x ) ( http://h/y", "t"},
                                       {"http://h/X", "T"}});
    EXPECT_EQ(texts(items), (std::vector<std::string>{"Home ( http://h/Page )",
                                                      "t ( http://h/x ) ( http://h/y )"}));
}

TEST(ChecklistItems, KeepThePageBehindEachLine) {
    const auto items =
        checklistItems({{"http://h/", "Start"}, {"http://h/n.htm", "About us (new)"}});
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, "About us (new) ( http://h/n.htm )");
    EXPECT_EQ(items[0].page, (PageEntry{"http://h/n.htm", "About us (new)"}));
}

}  // namespace
}  // namespace farrow::deep::test
