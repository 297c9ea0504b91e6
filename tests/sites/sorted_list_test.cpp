#include "sites/sorted_list.h"

#include <gtest/gtest.h>

namespace farrow::sites {
namespace {

// Adding a whole file's names at once must give the order adding them one by one gives,
// including names equal but for case, which keep the order they came in after existing ones.
TEST(SortedList, AddingAllAtOnceKeepsTheOrderOfAddingOneByOne) {
    const std::vector<std::string> names = {"beta",  "Alpha", "gamma", "ALPHA", "Beta",
                                            "alpha", "delta", "a",     "",      "Zulu"};
    SortedList oneByOne;
    SortedList atOnce;
    oneByOne.add("Beta");
    atOnce.add("Beta");
    for (const std::string& n : names) {
        oneByOne.add(n);
    }
    atOnce.addAll(names);
    EXPECT_EQ(atOnce.entries(), oneByOne.entries());
}

}  // namespace
}  // namespace farrow::sites
