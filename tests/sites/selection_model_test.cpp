#include "sites/selection_model.h"

#include <gtest/gtest.h>

#include "support/fake_frontend.h"

namespace farrow::sites {
namespace {

using Strings = std::vector<std::string>;

SiteRecord site(const std::string& name, Strings categories = {}) {
    SiteRecord r;
    r.fields[kName] = name;
    if (!categories.empty()) {
        r.isComplex = 1;
        r.categoryBlock = {"[COMPLEX]", "cat"};
        r.categoryBlock.insert(r.categoryBlock.end(), categories.begin(), categories.end());
    }
    return r;
}

class SelectionModelTest : public testing::Test {
protected:
    void load(std::vector<SiteRecord> records) {
        for (SiteRecord& r : records) {
            lists.available.add(r.name());
            table.append(std::move(r));
        }
    }
    std::vector<std::size_t> indexesOf(const SortedList& list, const Strings& names) {
        std::vector<std::size_t> out;
        for (const std::string& n : names) {
            out.push_back(static_cast<std::size_t>(list.indexOf(n)));
        }
        return out;
    }

    SiteTable table;
    SiteLists lists;
    test::FakeMessenger messenger;
    SelectionModel model{table, lists, messenger};
};

TEST_F(SelectionModelTest, EmptyHighlightsWarnAndMoveNothing) {
    load({site("Alpha"), site("Beta")});
    model.addSelected({});
    model.removeSelected({});
    model.removeAll();
    ASSERT_EQ(messenger.messages().size(), 3u);
    EXPECT_EQ(messenger.messages()[0].text, "No Sites Selected to add.");
    EXPECT_EQ(messenger.messages()[0].icon, base::MessageIcon::Exclamation);
    for (int i : {1, 2}) {
        EXPECT_EQ(messenger.messages()[i].text, "No Sites Selected to remove.");
        EXPECT_EQ(messenger.messages()[i].icon, base::MessageIcon::Stop);
    }
    EXPECT_EQ(lists.available.entries(), (Strings{"Alpha", "Beta"}));
    EXPECT_TRUE(lists.selected.empty());
}

TEST_F(SelectionModelTest, MovesExactlyTheHighlightedEntriesWhateverTheirOrder) {
    load({site("s0"), site("s1"), site("s2"), site("s3"), site("s4"), site("s5"), site("s6"),
          site("s7"), site("s8")});
    model.addSelected({7, 2, 5, 5});
    EXPECT_EQ(lists.selected.entries(), (Strings{"s2", "s5", "s7"}));
    EXPECT_EQ(lists.available.entries(), (Strings{"s0", "s1", "s3", "s4", "s6", "s8"}));

    model.removeSelected({0, 2});
    EXPECT_EQ(lists.selected.entries(), (Strings{"s5"}));
    EXPECT_EQ(lists.available.entries(), (Strings{"s0", "s1", "s2", "s3", "s4", "s6", "s7", "s8"}));
    EXPECT_TRUE(messenger.messages().empty());
}

TEST_F(SelectionModelTest, AddAllLeavesOnlySitesUnlessHighlighted) {
    load({site("Engine"), site("Kids ONLY"), site("Members ONLY"), site("Only Lowercase")});
    const std::size_t members = static_cast<std::size_t>(lists.available.indexOf("Members ONLY"));
    model.addAll({members});
    EXPECT_EQ(lists.selected.entries(), (Strings{"Engine", "Members ONLY", "Only Lowercase"}));
    EXPECT_EQ(lists.available.entries(), (Strings{"Kids ONLY"}));

    model.addAll({});
    EXPECT_EQ(messenger.texts(), (Strings{"No Sites Selected to add."}));
}

TEST_F(SelectionModelTest, ReAddsOnlyWhenNoEntryMatchesIgnoringCase) {
    load({site("Sites"), site("Sites Plus"), site("ENGINE")});
    lists.available.add("engine");  // a differently cased name already available
    model.addSelected(indexesOf(lists.available, {"Sites", "ENGINE"}));
    model.removeSelected({0, 1});
    EXPECT_EQ(lists.available.entries(), (Strings{"engine", "Sites", "Sites Plus"}));
}

TEST_F(SelectionModelTest, CategorySitesFollowEveryMatchingRecord) {
    load({site("Dir", {"Arts"}), site("Plain"), site("NoCats", {"NULL"})});
    table.append(site("Dir", {"Business"}));  // a second record of the same name

    model.addAll({});
    EXPECT_EQ(lists.categorySites.entries(), (Strings{"Dir", "Dir"}));
    model.removeSelected(indexesOf(lists.selected, {"Dir"}));
    // Only one entry of that text leaves the category-sites list per removal.
    EXPECT_EQ(lists.categorySites.entries(), (Strings{"Dir"}));
}

TEST_F(SelectionModelTest, ShowsCategoriesOfTheFirstRecordWithoutRepeats) {
    load({site("Dir", {"Arts", "Business", "Arts", "NULL", "Hidden"}), site("Open", {"Zoo"})});
    table.append(site("Dir", {"Other"}));
    model.addAll({});

    EXPECT_EQ(model.showCategories(-1), -1);
    EXPECT_EQ(model.showCategories(0), -1);
    EXPECT_EQ(lists.categories.entries(), (Strings{"Arts", "Business"}));

    // A block cut short without "NULL" ends at its last stored slot.
    EXPECT_EQ(model.showCategories(2), -1);
    EXPECT_EQ(lists.categories.entries(), (Strings{"Zoo"}));

    // No selection leaves the list as it was.
    EXPECT_EQ(model.showCategories(7), -1);
    EXPECT_EQ(lists.categories.entries(), (Strings{"Zoo"}));
}

TEST_F(SelectionModelTest, RemembersTheCategoryAcrossRemoveAndAdd) {
    load({site("Dir", {"Arts", "Business"})});
    model.addSelected({0});
    model.showCategories(0);
    model.rememberCategory(0, 1);
    EXPECT_EQ(table.find("Dir")->chosenCategory, "Business");

    model.removeAll();
    model.addSelected({0});
    EXPECT_EQ(model.showCategories(0), 1);

    // Without a site chosen in the category-sites list nothing is stored.
    model.rememberCategory(-1, 0);
    model.rememberCategory(0, -1);
    EXPECT_EQ(table.find("Dir")->chosenCategory, "Business");
}

TEST_F(SelectionModelTest, SelectsByNameAsAProfileDoes) {
    using R = SelectionModel::NameSelection;
    load({site("Dir", {"Arts"}), site("Plain"), site("Blank", {"NULL"})});

    EXPECT_EQ(model.selectByName("Missing", ""), R::UnknownSite);
    EXPECT_EQ(model.selectByName("plain", ""), R::UnknownSite);  // case counts
    EXPECT_EQ(model.selectByName("Dir", "Arts"), R::Selected);
    EXPECT_EQ(model.selectByName("Dir", "Other"), R::NotAvailable);
    EXPECT_EQ(model.selectByName("Blank", ""), R::Selected);
    EXPECT_EQ(model.selectByName("Plain", "ignored"), R::Selected);

    EXPECT_EQ(lists.selected.entries(), (Strings{"Blank", "Dir", "Plain"}));
    EXPECT_TRUE(lists.available.empty());
    EXPECT_EQ(lists.categorySites.entries(), (Strings{"Dir"}));
    EXPECT_EQ(table.find("Dir")->chosenCategory, "Arts");
    EXPECT_EQ(table.find("Blank")->chosenCategory, "");
    EXPECT_EQ(table.find("Plain")->chosenCategory, "NULL");
    EXPECT_TRUE(messenger.messages().empty());
}

}  // namespace
}  // namespace farrow::sites
