#include <QListWidget>
#include <QPushButton>

#include "profile/profile_file.h"
#include "support/checked_profile.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

using Strings = std::vector<std::string>;

// Two selected sites that both offer "Arts", and a third without categories.
class CategoryListsTest : public WindowTest {
protected:
    void SetUp() override {
        writeWorkspace({siteLine("Alpha", false, {"Arts", "Music"}),
                        siteLine("Beta", false, {"Arts", "Books"}), siteLine("Gamma")});
        startWindow();
        dialog->setConnectionTest([] { return true; });
        // These tests look at the built requests; nothing is sent.
        dialog->setRunStarter([](const profile::SubmissionProfile&, int) {});
        profile::SubmissionProfile p = completeProfile();
        dialog->writeProfile(p);
        categorySites = find<QListWidget>("categorySitesList");
        categories = find<QListWidget>("categoriesList");
    }

    profile::SubmissionProfile completeProfile() {
        profile::SubmissionProfile p = farrow::test::checkedProfile("zebra");
        p.selectedSites = {{"Alpha", true, "NULL"}, {"Beta", true, "NULL"}, {"Gamma", false, ""}};
        return p;
    }

    // A click on an entry: it becomes the current and only highlighted one.
    static void choose(QListWidget* list, const char* text) {
        const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << text;
        list->setCurrentItem(items.first());
    }

    static Strings highlighted(const QListWidget* list) {
        Strings out;
        for (const QListWidgetItem* item : list->selectedItems()) {
            out.push_back(item->text().toStdString());
        }
        return out;
    }

    std::string chosenCategory(const char* site) {
        return state.siteTable.find(site)->chosenCategory;
    }

    QListWidget* categorySites = nullptr;
    QListWidget* categories = nullptr;
};

TEST_F(CategoryListsTest, AnotherSiteShowsOnlyItsOwnChoice) {
    choose(categorySites, "Alpha");
    choose(categories, "Arts");
    ASSERT_EQ(chosenCategory("Alpha"), "Arts");

    choose(categorySites, "Beta");
    EXPECT_EQ(listTexts(categories), (Strings{"Arts", "Books"}));
    EXPECT_EQ(highlighted(categories), Strings{}) << "Beta has no category chosen yet";
    choose(categories, "Arts");
    EXPECT_EQ(chosenCategory("Beta"), "Arts");

    choose(categorySites, "Alpha");
    EXPECT_EQ(highlighted(categories), (Strings{"Arts"}));
    choose(categories, "Music");
    choose(categorySites, "Beta");
    EXPECT_EQ(highlighted(categories), (Strings{"Arts"}));
    EXPECT_EQ(chosenCategory("Alpha"), "Music");
}

TEST_F(CategoryListsTest, LoadedProfileStartsWithNoCategorySiteChosen) {
    choose(categorySites, "Alpha");
    choose(categories, "Arts");

    profile::SubmissionProfile loaded = completeProfile();
    loaded.selectedSites = {{"Alpha", true, "Music"}, {"Beta", true, "Books"}};
    workspace.write("loaded.fl2", profile::formatProfile(loaded, loaded.selectedSites));
    frontend.nextOpenFile = workspace.file("loaded.fl2");
    find<QPushButton>("loadProfileButton")->click();

    EXPECT_EQ(listTexts(categorySites), (Strings{"Alpha", "Beta"}));
    EXPECT_EQ(highlighted(categorySites), Strings{});
    EXPECT_EQ(listTexts(categories), Strings{});
    EXPECT_EQ(chosenCategory("Alpha"), "Music");

    choose(categorySites, "Alpha");
    EXPECT_EQ(highlighted(categories), (Strings{"Music"}));
    find<QPushButton>("buildGoButton")->click();
    ASSERT_EQ(state.requestList.size(), 2u);
    EXPECT_EQ(state.requestList[0].category, "Music");
    EXPECT_TRUE(frontend.chooserCalls.empty());
}

TEST_F(CategoryListsTest, RemovingTheChosenSiteEmptiesTheCategories) {
    choose(categorySites, "Alpha");
    find<QPushButton>("removeAllButton")->click();
    EXPECT_EQ(listTexts(categories), Strings{});
}

TEST_F(CategoryListsTest, NoChoiceInTheChooserAsksAgainAndSavesNoEmptyCategory) {
    frontend.categoryAnswer = std::nullopt;
    find<QPushButton>("buildGoButton")->click();
    EXPECT_EQ(frontend.chooserCalls.size(), 2u);
    EXPECT_EQ(chosenCategory("Alpha"), "NULL");

    frontend.nextSaveFile = workspace.file("saved.fl2");
    find<QPushButton>("saveProfileButton")->click();
    EXPECT_EQ(frontend.chooserCalls.size(), 4u) << "each build asks again";
    const std::string saved = workspace.read("saved.fl2");
    EXPECT_NE(saved.find("\r\nAlpha\r\nNULL\r\nBeta\r\nNULL\r\nGamma\r\n"), std::string::npos)
        << saved;
}

}  // namespace
}  // namespace farrow::ui::test
