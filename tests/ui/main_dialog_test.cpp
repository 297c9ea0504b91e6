#include "ui/main_dialog.h"

#include <filesystem>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QToolButton>
#include <thread>

#include "ui/exit_prompt.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

using Strings = std::vector<std::string>;

void highlight(QListWidget* list, const Strings& names) {
    list->clearSelection();
    for (const std::string& name : names) {
        const auto items = list->findItems(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_FALSE(items.isEmpty()) << name;
        items.first()->setSelected(true);
    }
}

TEST_F(WindowTest, StartsWithoutSitesFileAndSkipShowingZeroSites) {
    writeWorkspace({}, -1);
    frontend.realUpdatePrompt = true;
    startWindow();

    EXPECT_EQ(frontend.updateQuestions, 1);
    EXPECT_EQ(dialog->windowTitle(), "Farrowlane 0 Sites Available");
    EXPECT_EQ(find<QLineEdit>("statusField")->text(), "READY");
    EXPECT_EQ(state.currentProfilePath, "NULL");
    EXPECT_EQ(find<QLineEdit>("url")->text(), "http://");
    EXPECT_EQ(find<QLineEdit>("versionLine")->text(), "1.5.50");
    EXPECT_EQ(find<QLineEdit>("dateLine")->text(), "July 19, 1998");
    EXPECT_EQ(find<QLineEdit>("vendorNameLine")->text(), "Farrow Software");
    EXPECT_TRUE(frontend.messages.empty()) << frontend.texts().front();
    // A first run writes the settings file; the initialisation window is gone again.
    EXPECT_EQ(workspace.read("farrow.cfg").substr(0, 5), "Your\n");
    for (QWidget* w : QApplication::topLevelWidgets()) {
        EXPECT_NE(w->objectName(), "initWindow");
    }
}

TEST_F(WindowTest, PageSwitchingShowsOnlyThatPagesControls) {
    writeWorkspace({});
    startWindow();
    dialog->show();
    const char* pageControls[] = {"picture",       "userFirstName", "url",        "keyword16",
                                  "availableList", "buildGoButton", "checkButton"};
    const char* alwaysVisible[] = {"exitButton",  "helpButton",  "deepCheck",  "optimizeCheck",
                                   "batchButton", "statusField", "aboutButton"};
    auto* tabs = find<QTabBar>("pageTabs");
    ASSERT_EQ(tabs->count(), MainDialog::kPageCount);
    for (int shown : {0, 3, 6, 1, 5, 2, 4}) {
        tabs->setCurrentIndex(shown);
        for (int page = 0; page < MainDialog::kPageCount; ++page) {
            EXPECT_EQ(find<QWidget>(pageControls[page])->isVisible(), page == shown)
                << pageControls[page] << " with page " << shown << " selected";
        }
        for (const char* name : alwaysVisible) {
            EXPECT_TRUE(find<QWidget>(name)->isVisible()) << name;
        }
    }
}

TEST_F(WindowTest, PageChangeResetsThePersonalFields) {
    writeWorkspace({});
    workspace.write("farrow.cfg", "Ada\nM\nLovelace\nada@example.test\nnetscape\n");
    startWindow();
    auto* first = find<QLineEdit>("userFirstName");
    EXPECT_EQ(first->text(), "Ada");
    EXPECT_EQ(find<QComboBox>("browserList")->currentText(), "Netscape Navigator");

    auto* tabs = find<QTabBar>("pageTabs");
    tabs->setCurrentIndex(1);
    first->setText("Edited");
    find<QLineEdit>("userEmail")->setText("edited@example.test");
    tabs->setCurrentIndex(2);
    tabs->setCurrentIndex(1);
    EXPECT_EQ(first->text(), "Ada");
    EXPECT_EQ(find<QLineEdit>("userEmail")->text(), "ada@example.test");
}

class CatalogueTest : public WindowTest, public testing::WithParamInterface<int> {};

TEST_P(CatalogueTest, SetsCaptionsAndPagesFromTheLinesPresent) {
    const int lines = GetParam();
    writeWorkspace({}, lines);
    startWindow();
    auto caption = [&](int line) {
        return line <= lines ? QString("Caption %1").arg(line) : QString();
    };
    auto* tabs = find<QTabBar>("pageTabs");
    ASSERT_EQ(tabs->count(), MainDialog::kPageCount);
    for (int page = 0; page < MainDialog::kPageCount; ++page) {
        EXPECT_EQ(tabs->tabText(page), caption(46 + page)) << "page " << page;
    }
    EXPECT_EQ(find<QLabel>("userFirstNameLabel")->text(), caption(1));
    EXPECT_EQ(find<QLabel>("contactLabel0")->text(), caption(8));
    EXPECT_EQ(find<QLabel>("contactLabel11")->text(), caption(19));
    EXPECT_EQ(find<QLabel>("noteText")->text(), caption(21));
    EXPECT_EQ(find<QGroupBox>("browserGroup")->title(), caption(26));
    EXPECT_EQ(find<QPushButton>("addAllButton")->text(), caption(30));
    EXPECT_EQ(find<QPushButton>("addSelectedButton")->text(), caption(31));
    EXPECT_EQ(find<QPushButton>("buildGoButton")->text(), caption(38));
    EXPECT_EQ(find<QCheckBox>("smartMatchCheck")->text(), caption(40));
    EXPECT_EQ(find<QPushButton>("checkButton")->text(), caption(41));
    EXPECT_EQ(find<QGroupBox>("actionsGroup")->title(), caption(43));
    EXPECT_EQ(find<QCheckBox>("deepCheck")->text(), caption(44));
    EXPECT_EQ(find<QPushButton>("batchButton")->text(), caption(45));
    // Controls without a catalogue line keep their captions.
    EXPECT_EQ(find<QPushButton>("exitButton")->text(), "Exit");
    EXPECT_EQ(find<QCheckBox>("adultCheck")->text(), "ADULT");
}

INSTANTIATE_TEST_SUITE_P(LineCounts, CatalogueTest, testing::Values(52, 50, 40),
                         testing::PrintToStringParamName());

TEST_F(WindowTest, WithoutCatalogueKeepsBuiltInCaptionsAndHasNoPages) {
    writeWorkspace({}, -1);
    startWindow();
    dialog->show();
    EXPECT_EQ(find<QTabBar>("pageTabs")->count(), 0);
    EXPECT_EQ(find<QPushButton>("addSelectedButton")->text(), "   Add Selected");
    EXPECT_EQ(find<QLabel>("contactLabel1")->text(), "First Name");
    EXPECT_EQ(find<QGroupBox>("noteGroup")->title(), "Note:");
    EXPECT_TRUE(find<QWidget>("picture")->isVisible());
    EXPECT_FALSE(find<QWidget>("userFirstName")->isVisible());
}

TEST_F(WindowTest, ExitAsksAndCancelKeepsRunning) {
    writeWorkspace({siteLine("Alpha Engine")});
    startWindow();
    dialog->show();
    find<QPushButton>("exitButton")->click();
    EXPECT_EQ(frontend.exitQuestions, 1);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(state.siteTable.size(), 1u);

    frontend.exitAnswer = true;
    find<QPushButton>("exitButton")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(state.siteTable.empty());
}

TEST_F(WindowTest, RealExitPromptAnswersCancelAndOk) {
    writeWorkspace({});
    startWindow();
    dialog->show();
    // The real dialogs of the desktop front end, answered by a timer.
    QtFrontend real;
    answerNextModal("cancelButton");
    EXPECT_FALSE(real.confirmExit(false));
    answerNextModal("okButton");
    EXPECT_TRUE(real.confirmExit(true));
    // Enter answers "OK" only when no typed fields would be lost.
    for (const bool changed : {false, true}) {
        ExitPrompt prompt(changed);
        EXPECT_EQ(prompt.findChild<QPushButton*>("okButton")->isDefault(), !changed);
        EXPECT_EQ(prompt.findChild<QPushButton*>("cancelButton")->isDefault(), changed);
    }
}

TEST_F(WindowTest, CloseBoxAndEscapeAskTheExitQuestion) {
    writeWorkspace({});
    startWindow();
    dialog->show();
    EXPECT_FALSE(dialog->close());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(frontend.exitQuestions, 1);
    EXPECT_FALSE(frontend.exitToldOfChanges);

    frontend.exitAnswer = true;
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(dialog.get(), &escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(frontend.exitQuestions, 2);
}

TEST_F(WindowTest, SaveSettingsRewritesTheConfigurationFile) {
    writeWorkspace({});
    startWindow();
    find<QTabBar>("pageTabs")->setCurrentIndex(1);
    find<QLineEdit>("userFirstName")->setText("Grace");
    find<QLineEdit>("userMiddleName")->setText("B");
    find<QLineEdit>("userLastName")->setText("Hopper");
    find<QLineEdit>("userEmail")->setText("grace@example.test");
    find<QComboBox>("browserList")->setCurrentIndex(1);
    find<QPushButton>("saveSettingsButton")->click();

    EXPECT_EQ(workspace.read("farrow.cfg"),
              "Grace\nB\nHopper\ngrace@example.test\nNetscape Navigator\n\n[ProgInfo]\n"
              "July 19, 1998\n1.5.50\n");
    EXPECT_EQ(state.userSettings.userLastName, "Hopper");
    ASSERT_EQ(frontend.messages.size(), 1u);
    EXPECT_EQ(frontend.messages[0].text,
              "New Configuration Written!  You will need to close the program and restart for "
              "changes to take effect.");
    EXPECT_EQ(frontend.messages[0].icon, base::MessageIcon::Information);
    // The saved values are what a page change brings back.
    find<QTabBar>("pageTabs")->setCurrentIndex(0);
    EXPECT_EQ(find<QLineEdit>("userFirstName")->text(), "Grace");
}

TEST_F(WindowTest, SettingsThatCannotBeWrittenAreNotReportedAsWritten) {
    writeWorkspace({});
    startWindow();
    // A folder with something in it stands where the settings file should be.
    std::filesystem::remove(workspace.file("farrow.cfg"));
    std::filesystem::create_directories(workspace.file("farrow.cfg/keep"));
    find<QPushButton>("saveSettingsButton")->click();
    ASSERT_EQ(frontend.messages.size(), 1u);
    EXPECT_EQ(frontend.messages[0].text.rfind(
                  "Could not write the settings \"" + workspace.file("farrow.cfg") + "\": ", 0),
              0u);
    EXPECT_EQ(frontend.messages[0].icon, base::MessageIcon::Exclamation);
}

TEST_F(WindowTest, SaveWithoutBrowserChoiceStoresTheFirstBrowser) {
    writeWorkspace({});
    workspace.write("farrow.cfg", "A\nB\nC\nD\nOpera\n");
    startWindow();
    EXPECT_EQ(find<QComboBox>("browserList")->currentIndex(), -1);
    find<QPushButton>("saveSettingsButton")->click();
    EXPECT_EQ(state.userSettings.browserChoice, "Internet Explorer");
}

TEST_F(WindowTest, MovesSitesThroughTheListWidgets) {
    writeWorkspace({siteLine("Alpha"), siteLine("Bravo", false, {"Arts", "Business"}),
                    siteLine("Charlie"), siteLine("Members ONLY")});
    startWindow();
    auto* available = find<QListWidget>("availableList");
    auto* selected = find<QListWidget>("selectedList");
    auto* categorySites = find<QListWidget>("categorySitesList");

    find<QPushButton>("addSelectedButton")->click();
    EXPECT_EQ(frontend.texts(), (Strings{"No Sites Selected to add."}));

    highlight(available, {"Bravo", "Charlie"});
    find<QPushButton>("addSelectedButton")->click();
    EXPECT_EQ(listTexts(available), (Strings{"Alpha", "Members ONLY"}));
    EXPECT_EQ(listTexts(selected), (Strings{"Bravo", "Charlie"}));
    EXPECT_EQ(listTexts(categorySites), (Strings{"Bravo"}));

    find<QPushButton>("addAllButton")->click();
    EXPECT_EQ(listTexts(available), (Strings{"Members ONLY"}));

    highlight(selected, {"Bravo"});
    find<QPushButton>("removeSelectedButton")->click();
    EXPECT_EQ(listTexts(categorySites), Strings{});
    find<QPushButton>("removeAllButton")->click();
    EXPECT_EQ(listTexts(available), (Strings{"Alpha", "Bravo", "Charlie", "Members ONLY"}));
    EXPECT_TRUE(state.lists.selected.empty());

    find<QPushButton>("removeAllButton")->click();
    EXPECT_EQ(frontend.texts().back(), "No Sites Selected to remove.");
    EXPECT_EQ(frontend.messages.back().icon, base::MessageIcon::Stop);
}

TEST_F(WindowTest, RemembersTheChosenCategoryThroughTheWidgets) {
    writeWorkspace({siteLine("Bravo", false, {"Arts", "Business", "Arts"})});
    startWindow();
    highlight(find<QListWidget>("availableList"), {"Bravo"});
    find<QPushButton>("addSelectedButton")->click();

    auto* categorySites = find<QListWidget>("categorySitesList");
    auto* categories = find<QListWidget>("categoriesList");
    categorySites->item(0)->setSelected(true);
    EXPECT_EQ(listTexts(categories), (Strings{"Arts", "Business"}));
    categories->item(1)->setSelected(true);
    EXPECT_EQ(state.siteTable.find("Bravo")->chosenCategory, "Business");

    find<QPushButton>("removeAllButton")->click();
    highlight(find<QListWidget>("availableList"), {"Bravo"});
    find<QPushButton>("addSelectedButton")->click();
    categorySites->item(0)->setSelected(true);
    ASSERT_EQ(categories->selectedItems().size(), 1);
    EXPECT_EQ(categories->selectedItems().first()->text(), "Business");
}

TEST_F(WindowTest, CategorySiteStaysChosenWhileOtherSitesMove) {
    writeWorkspace({siteLine("Alpha"), siteLine("Bravo", false, {"Arts", "Business"})});
    startWindow();
    highlight(find<QListWidget>("availableList"), {"Bravo"});
    find<QPushButton>("addSelectedButton")->click();
    auto* categorySites = find<QListWidget>("categorySitesList");
    categorySites->item(0)->setSelected(true);

    highlight(find<QListWidget>("availableList"), {"Alpha"});
    find<QPushButton>("addSelectedButton")->click();
    ASSERT_EQ(categorySites->selectedItems().size(), 1);
    EXPECT_EQ(categorySites->selectedItems().first()->text(), "Bravo");
    find<QListWidget>("categoriesList")->item(1)->setSelected(true);
    EXPECT_EQ(state.siteTable.find("Bravo")->chosenCategory, "Business");
}

TEST_F(WindowTest, WritesAndReadsBackAProfile) {
    using P = profile::SubmissionProfile;
    // Each profile text and the field that shows it.
    const std::pair<std::string P::*, const char*> fields[] = {{&P::url, "url"},
                                                               {&P::title, "title"},
                                                               {&P::lastName, "lastName"},
                                                               {&P::firstName, "firstName"},
                                                               {&P::email, "email"},
                                                               {&P::company, "company"},
                                                               {&P::street1, "street1"},
                                                               {&P::street2, "street2"},
                                                               {&P::city, "city"},
                                                               {&P::state, "state"},
                                                               {&P::postalCode, "postalCode"},
                                                               {&P::province, "province"},
                                                               {&P::phone, "phone"},
                                                               {&P::fax, "fax"}};
    writeWorkspace(
        {siteLine("Alpha"), siteLine("Bravo", false, {"Arts", "Business"}), siteLine("Charlie")});
    startWindow({"farrowlane", "/VERBOSE"});
    highlight(find<QListWidget>("availableList"), {"Charlie"});
    find<QPushButton>("addSelectedButton")->click();

    P p;
    for (const auto& [member, name] : fields) {
        p.*member = std::string("value of ") + name;
    }
    p.description = "All about it";
    for (std::size_t i = 0; i < p.keywords.size(); ++i) {
        p.keywords[i] = "kw" + std::to_string(i + 1);
    }
    p.adult = p.deep = true;
    p.selectedSites = {{"Bravo", true, "Business"},
                       {"Alpha", false, ""},
                       {"Unknown", false, ""},
                       {"Alpha", false, ""}};
    dialog->writeProfile(p);

    for (const auto& [member, name] : fields) {
        EXPECT_EQ(find<QLineEdit>(name)->text().toStdString(), p.*member);
    }
    EXPECT_EQ(find<QLineEdit>("keyword1")->text(), "kw1");
    EXPECT_EQ(find<QLineEdit>("keyword16")->text(), "kw16");
    // The earlier selection is replaced; a site named twice is selected once, with the
    // warning of the verbose mode.
    EXPECT_EQ(frontend.texts(), (Strings{"Site Alpha Not VALID!"}));
    EXPECT_EQ(listTexts(find<QListWidget>("selectedList")), (Strings{"Alpha", "Bravo"}));
    EXPECT_EQ(listTexts(find<QListWidget>("availableList")), (Strings{"Charlie"}));

    const P back = dialog->readProfile();
    for (const auto& [member, name] : fields) {
        EXPECT_EQ(back.*member, p.*member) << name;
    }
    EXPECT_EQ(back.description, p.description);
    EXPECT_EQ(back.keywords, p.keywords);
    EXPECT_TRUE(back.adult && back.deep && !back.smartMatch);
    ASSERT_EQ(back.selectedSites.size(), 2u);
    EXPECT_EQ(back.selectedSites[0].siteName, "Alpha");
    EXPECT_FALSE(back.selectedSites[0].takesCategory);
    EXPECT_EQ(back.selectedSites[1].siteName, "Bravo");
    EXPECT_TRUE(back.selectedSites[1].takesCategory);
    EXPECT_EQ(back.selectedSites[1].category, "Business");
}

TEST_F(WindowTest, OffersAboutAndHelp) {
    writeWorkspace({});
    startWindow();
    auto* aboutButton = find<QToolButton>("aboutButton");
    EXPECT_EQ(aboutButton->text(), "About: Farrowlane");
    aboutButton->click();
    ASSERT_EQ(dialog->actions().size(), 1);
    EXPECT_EQ(dialog->contextMenuPolicy(), Qt::ActionsContextMenu);
    dialog->actions().first()->trigger();
    EXPECT_EQ(frontend.aboutShownFor, (Strings{"Farrowlane", "Farrowlane"}));
}

TEST_F(WindowTest, WorkerThreadMessagesAreShownOnTheWindowThread) {
    writeWorkspace({});
    startWindow();
    bool done = false;
    std::thread worker([&] {
        frontend.showMessage("Could Not retrieve site database.", base::MessageIcon::Stop);
        done = true;
    });
    // The window thread pumps as the start-up does while a worker reports.
    while (frontend.messages.empty()) {
        frontend.pumpMessages();
    }
    worker.join();
    EXPECT_TRUE(done);
    EXPECT_TRUE(frontend.allMessagesOnWindowThread);
    EXPECT_EQ(frontend.texts(), (Strings{"Could Not retrieve site database."}));
}

}  // namespace
}  // namespace farrow::ui::test
