#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "profile/batch_session_file.h"
#include "profile/profile_file.h"
#include "support/fake_frontend.h"
#include "support/fake_profile_dialogs.h"
#include "support/temp_workspace.h"
#include "ui/batch_dialog.h"
#include "ui/batch_errors_dialog.h"
#include "ui/qt_frontend.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

QStringList buttonTexts(const QWidget& w) {
    QStringList texts;
    for (const QPushButton* b : w.findChildren<QPushButton*>()) {
        texts.append(b->text());
    }
    return texts;
}

// Runs `steps` on the next modal dialog once it is open.
void onNextModal(std::function<void(QWidget*)> steps) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, steps] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            QPointer<QWidget> dialog = modal;
            steps(modal);
            // Steps that failed before ending the dialog must not leave the test waiting.
            if (dialog && dialog->isVisible()) {
                ADD_FAILURE() << "the steps left the dialog open";
                dialog->close();
            }
        }
    });
    timer->start(10);
}

void click(QWidget* dialog, const char* name) {
    auto* button = dialog->findChild<QPushButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

class BatchDialogTest : public testing::Test {
protected:
    std::string runFile() const { return workspace.file("BATCH.TMP"); }

    farrow::test::TempWorkspace workspace;
    farrow::test::FakeProfileDialogs dialogs;
    farrow::test::FakeMessenger messenger;
    profile::BatchList list;
};

TEST_F(BatchDialogTest, ShowsItsCaptionHintAndSixButtons) {
    profile::BatchDialogModel model(list, dialogs, messenger, runFile());
    BatchDialog dialog(model);
    EXPECT_EQ(dialog.windowTitle(), "Batch Processing");
    EXPECT_EQ(dialog.findChild<QLabel*>("batchHint")->text(),
              "Click on Load to load profiles filenames into the List for Batch Submission.  To "
              "cancel this procedure, click on the 'x' in the upper right hand corner of this "
              "window.");
    EXPECT_EQ(buttonTexts(dialog),
              (QStringList{"Add Profile to List", "Remove From List", "Save Batch Session",
                           "Load Batch Session", "Go Ahead", "Cancel"}));
    EXPECT_EQ(dialog.findChild<QListWidget*>("batchList")->selectionMode(),
              QAbstractItemView::ExtendedSelection);
}

TEST_F(BatchDialogTest, AddRemoveSaveLoadAndGoAhead) {
    workspace.write("saved.flb", "/s/zeta.fl2\nzeta.fl2\n/s/Alpha.fl2\nAlpha.fl2\nDATAEND\n");
    onNextModal([&](QWidget* d) {
        auto* names = d->findChild<QListWidget*>("batchList");
        for (const char* path : {"/one/site.fl2", "/b/Blog.fl2", "/two/site.fl2"}) {
            dialogs.openAnswer = path;
            click(d, "addButton");
        }
        EXPECT_EQ(listTexts(names), (std::vector<std::string>{"Blog.fl2", "site.fl2"}));

        names->setCurrentRow(0);
        click(d, "removeButton");
        EXPECT_EQ(listTexts(names), (std::vector<std::string>{"site.fl2"}));

        dialogs.saveAnswer = workspace.file("monday");
        click(d, "saveButton");
        EXPECT_EQ(workspace.read("monday.flb"),
                  "/one/site.fl2\r\nsite.fl2\r\n/two/site.fl2\r\nsite.fl2\r\nDATAEND\r\n");

        dialogs.openAnswer = workspace.file("saved.flb");
        click(d, "loadButton");
        EXPECT_EQ(listTexts(names), (std::vector<std::string>{"Alpha.fl2", "zeta.fl2"}));
        click(d, "goAheadButton");
    });
    EXPECT_TRUE(openBatchDialog(nullptr, list, dialogs, messenger, runFile()));
    EXPECT_EQ(workspace.read("BATCH.TMP"), "/s/Alpha.fl2\r\n/s/zeta.fl2\r\nDATAEND\r\n");
    EXPECT_EQ(dialogs.chooserOptions[0].filterText, profile::kProfileFilterText);
    EXPECT_EQ(dialogs.chooserOptions[3].filterText, profile::kBatchFilterText);
    EXPECT_TRUE(messenger.messages().empty());
}

// Names that differ in case, or where one begins with another, are different profiles: each is
// listed, removed on its own, saved and run. Only the same path added again is folded.
TEST_F(BatchDialogTest, EveryDistinctProfileIsListedSavedAndRun) {
    onNextModal([&](QWidget* d) {
        auto* names = d->findChild<QListWidget*>("batchList");
        for (const char* path :
             {"/a/shop.fl2.old", "/p1/shop.fl2", "/p2/Shop.fl2", "/p1/shop.fl2", "/p3/shop.fl2"}) {
            dialogs.openAnswer = path;
            click(d, "addButton");
        }
        EXPECT_EQ(listTexts(names),
                  (std::vector<std::string>{"shop.fl2", "Shop.fl2", "shop.fl2.old"}));

        names->setCurrentRow(1);
        click(d, "removeButton");
        EXPECT_EQ(listTexts(names), (std::vector<std::string>{"shop.fl2", "shop.fl2.old"}));

        dialogs.saveAnswer = workspace.file("tuesday.flb");
        click(d, "saveButton");
        EXPECT_EQ(workspace.read("tuesday.flb"),
                  "/a/shop.fl2.old\r\nshop.fl2.old\r\n"
                  "/p1/shop.fl2\r\nshop.fl2\r\n"
                  "/p3/shop.fl2\r\nshop.fl2\r\nDATAEND\r\n");
        click(d, "goAheadButton");
    });
    EXPECT_TRUE(openBatchDialog(nullptr, list, dialogs, messenger, runFile()));
    EXPECT_EQ(workspace.read("BATCH.TMP"),
              "/p1/shop.fl2\r\n/p3/shop.fl2\r\n/a/shop.fl2.old\r\nDATAEND\r\n");
}

TEST_F(BatchDialogTest, CancelWritesNothingAndTheListOutlivesTheDialog) {
    onNextModal([&](QWidget* d) {
        dialogs.openAnswer = "/p/shop.fl2";
        click(d, "addButton");
        click(d, "cancelButton");
    });
    EXPECT_FALSE(openBatchDialog(nullptr, list, dialogs, messenger, runFile()));
    EXPECT_FALSE(std::filesystem::exists(runFile()));
    EXPECT_EQ(list.entries().size(), 1u);

    // The next opening starts with an empty list box; "Go Ahead" on it writes the end marker only.
    onNextModal([&](QWidget* d) {
        EXPECT_EQ(d->findChild<QListWidget*>("batchList")->count(), 0);
        click(d, "goAheadButton");
    });
    EXPECT_TRUE(openBatchDialog(nullptr, list, dialogs, messenger, runFile()));
    EXPECT_EQ(workspace.read("BATCH.TMP"), "DATAEND\r\n");
}

TEST_F(BatchDialogTest, AFailedGoAheadKeepsTheDialogOpen) {
    onNextModal([&](QWidget* d) {
        click(d, "goAheadButton");
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(messenger.messages().size(), 1u);
        click(d, "cancelButton");
    });
    EXPECT_FALSE(
        openBatchDialog(nullptr, list, dialogs, messenger, workspace.file("none/BATCH.TMP")));
}

TEST(BatchErrorsDialog, ShowsTheLogsFirstSelectedAndStaysOpenForEachLook) {
    std::vector<std::string> shown;
    const std::string deep = "/home/ann/Sites/" + std::string(200, 'x') + "/ERRORS/E1.HTM";
    onNextModal([&](QWidget* d) {
        EXPECT_EQ(d->windowTitle(), "Batch Processing Error(s)");
        EXPECT_EQ(d->findChild<QLabel*>("batchErrorsHint")->text(),
                  "Please select an error log from the list below.");
        EXPECT_EQ(buttonTexts(*d), (QStringList{"Let's See it...", "I'm Done"}));
        auto* logs = d->findChild<QListWidget*>("errorLogList");
        EXPECT_EQ(listedPaths(logs), (std::vector<std::string>{"/e/a.HTM", deep}));
        EXPECT_TRUE(logs->item(0)->isSelected());
        // The long path wraps inside the list: nothing to scroll sideways to.
        const QRect whole = logs->visualItemRect(logs->item(1));
        EXPECT_LE(whole.width(), logs->viewport()->width());
        EXPECT_GT(whole.height(), 2 * logs->fontMetrics().height());
        click(d, "seeButton");
        EXPECT_TRUE(d->isVisible());
        logs->setCurrentRow(1);
        click(d, "seeButton");
        click(d, "doneButton");
    });
    showBatchErrorsDialog(nullptr, {"/e/a.HTM", deep},
                          [&](const std::string& path) { shown.push_back(path); });
    EXPECT_EQ(shown, (std::vector<std::string>{"/e/a.HTM", deep}));
}

TEST(FileFilters, AllFilesShowsNamesWithoutADotToo) {
    EXPECT_EQ(qtFileFilters({profile::kBatchFilterText, "flb"}),
              "Farrowlane Batch Profiles (*.flb);;All Files (*)");
}

}  // namespace
}  // namespace farrow::ui::test
