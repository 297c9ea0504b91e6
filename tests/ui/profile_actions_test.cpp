#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "platform/file_system.h"
#include "support/checked_profile.h"
#include "ui/latin1.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

using Strings = std::vector<std::string>;

class ProfileActionsTest : public WindowTest {
protected:
    void SetUp() override {
        writeWorkspace({siteLine("Alpha"), siteLine("Bravo", false, {"Arts", "Business"}),
                        siteLine("Charlie")});
        startWindow();
        dialog->setConnectionTest([this] { return connected; });
        // These tests look at the built requests; nothing is sent.
        dialog->setRunStarter([](const profile::SubmissionProfile&, int) {});
    }

    // A profile that passes the check, with Alpha and Bravo selected.
    profile::SubmissionProfile completeProfile() {
        profile::SubmissionProfile p = farrow::test::checkedProfile("gardening");
        p.selectedSites = {{"Alpha", false, ""}, {"Bravo", true, "NULL"}};
        return p;
    }

    void click(const char* button) { find<QPushButton>(button)->click(); }

    bool connected = true;
};

TEST_F(ProfileActionsTest, BuildAndGoChecksTheProfileFirst) {
    click("buildGoButton");
    // The address field starts with "http://", so that check alone passes.
    const Strings texts = frontend.texts();
    ASSERT_EQ(texts.size(), 8u);
    EXPECT_EQ(texts.front(), "SITES: No Sites Selected for Submit");
    EXPECT_EQ(texts[1], "KEYWORDS: At Least ONE keyword must be specified");
    EXPECT_TRUE(state.requestList.empty());
    EXPECT_EQ(find<QLineEdit>("statusField")->text(), "READY");
}

TEST_F(ProfileActionsTest, BuildAndGoBuildsOneRequestPerSiteAndAsksForCategories) {
    dialog->writeProfile(completeProfile());
    frontend.categoryAnswer = "Business";
    const QString caption = dialog->windowTitle();

    click("buildGoButton");

    EXPECT_TRUE(frontend.texts().empty());
    ASSERT_EQ(state.requestList.size(), 2u);
    EXPECT_EQ(state.requestList[0].siteName, "Alpha");
    EXPECT_EQ(state.requestList[1].category, "Business");
    ASSERT_EQ(frontend.chooserCalls.size(), 1u);
    EXPECT_EQ(frontend.chooserCalls[0].first, "Couldn't Find Match for Bravo");
    EXPECT_EQ(frontend.chooserCalls[0].second, (Strings{"Arts", "Business"}));
    EXPECT_EQ(find<QLineEdit>("statusField")->text(), "READY");
    EXPECT_EQ(dialog->windowTitle(), caption);

    // The category is remembered, so the next build does not ask again.
    click("buildGoButton");
    EXPECT_EQ(frontend.chooserCalls.size(), 1u);
    EXPECT_EQ(state.requestList.size(), 2u);
}

TEST_F(ProfileActionsTest, NoConnectionBuildsNothing) {
    dialog->writeProfile(completeProfile());
    connected = false;
    click("buildGoButton");
    EXPECT_EQ(frontend.texts(),
              (Strings{"Could Not establish Internet Connection. Please check your settings."}));
    EXPECT_TRUE(state.requestList.empty());
    EXPECT_TRUE(dialog->windowTitle().endsWith(" Processed: 000"));
}

TEST_F(ProfileActionsTest, SavedProfileLoadsBackIntoTheWindow) {
    dialog->writeProfile(completeProfile());
    frontend.categoryAnswer = "Arts";
    frontend.nextSaveFile = workspace.file("mine");
    click("saveProfileButton");
    const std::string saved = workspace.file("mine.fl2");
    EXPECT_EQ(frontend.texts(), (Strings{"File " + saved + " opened and written successfully!"}));
    EXPECT_TRUE(state.requestList.empty());

    profile::SubmissionProfile other;
    other.url = "http://elsewhere.test/";
    other.selectedSites = {{"Charlie", false, ""}};
    dialog->writeProfile(other);
    ASSERT_EQ(listTexts(find<QListWidget>("selectedList")), (Strings{"Charlie"}));

    frontend.nextOpenFile = saved;
    click("loadProfileButton");
    EXPECT_EQ(frontend.texts().back(), "File " + saved + " opened and read successfully!");
    EXPECT_EQ(find<QLineEdit>("url")->text(), "http://my.site.test/");
    EXPECT_EQ(find<QLineEdit>("company")->text(), "Lee & Co");
    EXPECT_EQ(find<QLineEdit>("keyword1")->text(), "gardening");
    EXPECT_EQ(listTexts(find<QListWidget>("selectedList")), (Strings{"Alpha", "Bravo"}));
    EXPECT_EQ(listTexts(find<QListWidget>("categorySitesList")), (Strings{"Bravo"}));
    EXPECT_EQ(state.siteTable.find("Bravo")->chosenCategory, "Arts");
}

// A file name keeps the file system's bytes: a profile saved under a name with a letter beyond
// ASCII is named with that letter in the message and in the batch list, not as two Latin-1 ones.
TEST_F(ProfileActionsTest, AProfileNamedBeyondAsciiKeepsItsNameInMessagesAndTheBatchList) {
    const QString shownName = QString::fromUtf8("Mein Profil \u00fc.fl2");
    dialog->writeProfile(completeProfile());
    frontend.categoryAnswer = "Arts";
    frontend.nextSaveFile = workspace.file("Mein Profil \xC3\xBC");
    click("saveProfileButton");
    const std::string saved = workspace.file("Mein Profil \xC3\xBC.fl2");
    ASSERT_TRUE(platform::fileExists(saved));
    ASSERT_EQ(frontend.shownTexts.size(), 1);
    EXPECT_EQ(frontend.shownTexts[0],
              "File " + pathToQt(saved) + " opened and written successfully!");
    EXPECT_TRUE(frontend.shownTexts[0].contains(shownName)) << frontend.shownTexts[0].toStdString();

    QStringList listed;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != "batchDialog") {
            return;
        }
        auto* list = modal->findChild<QListWidget*>("batchList");
        if (list->count() == 0) {
            frontend.nextOpenFile = saved;
            modal->findChild<QPushButton*>("addButton")->click();
            return;
        }
        listed.push_back(list->item(0)->text());
        // Removing goes by the name shown, so it must find the entry again.
        list->setCurrentRow(0);
        modal->findChild<QPushButton*>("removeButton")->click();
        listed.push_back(QString::number(list->count()));
        modal->findChild<QPushButton*>("cancelButton")->click();
    });
    driver.start(5);
    click("batchButton");
    EXPECT_EQ(listed, (QStringList{shownName, "0"}));
}

TEST_F(ProfileActionsTest, CancelledChoosersChangeNothing) {
    dialog->writeProfile(completeProfile());
    click("saveProfileButton");
    click("loadProfileButton");
    EXPECT_TRUE(frontend.texts().empty());
    EXPECT_EQ(find<QLineEdit>("url")->text(), "http://my.site.test/");
    EXPECT_EQ(listTexts(find<QListWidget>("selectedList")), (Strings{"Alpha", "Bravo"}));
}

}  // namespace
}  // namespace farrow::ui::test
