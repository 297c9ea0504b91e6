#include "profile/batch_dialog_model.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "profile/batch_session_file.h"
#include "profile/profile_file.h"
#include "support/fake_frontend.h"
#include "support/fake_profile_dialogs.h"
#include "support/temp_workspace.h"

namespace farrow::profile {
namespace {

using Names = std::vector<std::string>;

class BatchDialogModelTest : public testing::Test {
protected:
    BatchDialogModel open() {
        return BatchDialogModel(list, dialogs, messenger, workspace.file("BATCH.TMP"));
    }
    void add(BatchDialogModel& model, const std::string& path) {
        dialogs.openAnswer = path;
        ASSERT_EQ(model.addProfile(), BatchAction::Done) << path;
    }

    test::TempWorkspace workspace;
    test::FakeProfileDialogs dialogs;
    test::FakeMessenger messenger;
    BatchList list;
};

TEST_F(BatchDialogModelTest, SharedNamesShowOnceAndAllRunInListOrder) {
    BatchDialogModel model = open();
    add(model, "/one/site.fl2");
    add(model, "/shop.fl2");
    add(model, "/two/site.fl2");
    ASSERT_EQ(dialogs.chooserOptions.front().filterText, kProfileFilterText);
    EXPECT_EQ(model.shown().names(), (Names{"shop.fl2", "site.fl2"}));

    ASSERT_EQ(model.goAhead(), BatchAction::Done);
    EXPECT_EQ(workspace.read("BATCH.TMP"),
              "/shop.fl2\r\n/one/site.fl2\r\n/two/site.fl2\r\nDATAEND\r\n");
}

TEST_F(BatchDialogModelTest, SessionSavedAfterARemovalHoldsOnlyTheRest) {
    BatchDialogModel model = open();
    add(model, "/one/site.fl2");
    add(model, "/shop.fl2");
    add(model, "/two/site.fl2");
    model.removeName("site.fl2");
    EXPECT_EQ(model.shown().names(), (Names{"shop.fl2"}));

    dialogs.saveAnswer = workspace.file("monday");
    ASSERT_EQ(model.saveSession(), BatchAction::Done);
    // The default extension is added to a name typed without one.
    EXPECT_EQ(workspace.read("monday.flb"), "/shop.fl2\r\nshop.fl2\r\nDATAEND\r\n");
    EXPECT_EQ(dialogs.chooserOptions.back().filterText, kBatchFilterText);
    EXPECT_TRUE(dialogs.overwriteQuestions.empty());
}

TEST_F(BatchDialogModelTest, OverwritingAsksFirstAndDecliningKeepsTheFile) {
    workspace.write("kept.flb", "old");
    BatchDialogModel model = open();
    add(model, "/shop.fl2");
    dialogs.saveAnswer = workspace.file("kept.flb");
    dialogs.overwriteAnswer = false;
    EXPECT_EQ(model.saveSession(), BatchAction::Cancelled);
    EXPECT_EQ(dialogs.overwriteQuestions, (Names{workspace.file("kept.flb")}));
    EXPECT_EQ(workspace.read("kept.flb"), "old");

    dialogs.overwriteAnswer = true;
    EXPECT_EQ(model.saveSession(), BatchAction::Done);
    EXPECT_EQ(workspace.read("kept.flb"), "/shop.fl2\r\nshop.fl2\r\nDATAEND\r\n");
}

TEST_F(BatchDialogModelTest, LoadingReplacesTheWholeListAndTheShownNames) {
    workspace.write("s.flb", "/a/site.fl2\nsite.fl2\n/b/site.fl2\nsite.fl2\n/c/Blog.fl2\nBlog.fl2");
    BatchDialogModel model = open();
    add(model, "/old.fl2");
    dialogs.openAnswer = workspace.file("s.flb");
    ASSERT_EQ(model.loadSession(), BatchAction::Done);
    EXPECT_EQ(list.entries(), (std::vector<BatchEntry>{{"/a/site.fl2", "site.fl2"},
                                                       {"/b/site.fl2", "site.fl2"},
                                                       {"/c/Blog.fl2", "Blog.fl2"}}));
    EXPECT_EQ(model.shown().names(), (Names{"Blog.fl2", "site.fl2"}));
    EXPECT_TRUE(messenger.messages().empty());

    ASSERT_EQ(model.goAhead(), BatchAction::Done);
    EXPECT_EQ(workspace.read("BATCH.TMP"),
              "/c/Blog.fl2\r\n/a/site.fl2\r\n/b/site.fl2\r\nDATAEND\r\n");
}

// A hand-written session of relative paths runs in whichever folder the workspace is copied to,
// and one saved from the dialog keeps its workspace's profiles relative.
TEST_F(BatchDialogModelTest, RelativeSessionPathsAreTakenFromTheWorkspaceAndKeptRelative) {
    const std::string session =
        "bakery.fl2\r\nbakery.fl2\r\nshop/cakes.fl2\r\ncakes\r\n/elsewhere/x.fl2\r\nx.fl2\r\n"
        "DATAEND\r\n";
    workspace.write("nightly.flb", session);
    {
        BatchDialogModel model = open();
        add(model, workspace.file("added.fl2"));
        dialogs.saveAnswer = workspace.file("saved.flb");
        ASSERT_EQ(model.saveSession(), BatchAction::Done);
        EXPECT_EQ(workspace.read("saved.flb"), "added.fl2\r\nadded.fl2\r\nDATAEND\r\n");
        dialogs.openAnswer = workspace.file("nightly.flb");
        ASSERT_EQ(model.loadSession(), BatchAction::Done);
        dialogs.saveAnswer = workspace.file("again.flb");
        ASSERT_EQ(model.saveSession(), BatchAction::Done);
        EXPECT_EQ(workspace.read("again.flb"), session);
    }

    test::TempWorkspace copy;
    std::filesystem::copy(workspace.path(), copy.path(),
                          std::filesystem::copy_options::recursive |
                              std::filesystem::copy_options::overwrite_existing);
    BatchList copiedList;
    BatchDialogModel model(copiedList, dialogs, messenger, copy.file("BATCH.TMP"));
    dialogs.openAnswer = copy.file("nightly.flb");
    ASSERT_EQ(model.loadSession(), BatchAction::Done);
    ASSERT_EQ(model.goAhead(), BatchAction::Done);
    EXPECT_EQ(copy.read("BATCH.TMP"), copy.file("bakery.fl2") + "\r\n" +
                                          copy.file("shop/cakes.fl2") +
                                          "\r\n/elsewhere/x.fl2\r\nDATAEND\r\n");
}

TEST_F(BatchDialogModelTest, AFailedLoadChangesNothingAndSaysWhy) {
    BatchDialogModel model = open();
    add(model, "/old.fl2");
    dialogs.openAnswer = workspace.file("gone.flb");
    EXPECT_EQ(model.loadSession(), BatchAction::Failed);
    EXPECT_EQ(list.entries(), (std::vector<BatchEntry>{{"/old.fl2", "old.fl2"}}));
    EXPECT_EQ(model.shown().names(), (Names{"old.fl2"}));
    ASSERT_EQ(messenger.texts().size(), 1u);
    EXPECT_EQ(messenger.texts()[0], "Could not read the batch session \"" +
                                        workspace.file("gone.flb") +
                                        "\": No such file or directory (2)");
}

TEST_F(BatchDialogModelTest, CancelledChoosersChangeNothing) {
    BatchDialogModel model = open();
    add(model, "/old.fl2");
    dialogs.openAnswer.reset();
    dialogs.saveAnswer.reset();
    EXPECT_EQ(model.addProfile(), BatchAction::Cancelled);
    EXPECT_EQ(model.loadSession(), BatchAction::Cancelled);
    EXPECT_EQ(model.saveSession(), BatchAction::Cancelled);
    EXPECT_EQ(list.entries().size(), 1u);
    EXPECT_TRUE(messenger.messages().empty());
}

TEST_F(BatchDialogModelTest, GoAheadWithAnEmptyListWritesOnlyTheEndMarker) {
    BatchDialogModel model = open();
    ASSERT_EQ(model.goAhead(), BatchAction::Done);
    EXPECT_EQ(workspace.read("BATCH.TMP"), "DATAEND\r\n");
}

TEST_F(BatchDialogModelTest, TheListOutlivesTheDialogButRunsOnlyNamesShownAgain) {
    {
        BatchDialogModel first = open();
        add(first, "/a/one.fl2");
        add(first, "/b/two.fl2");
    }
    BatchDialogModel second = open();
    EXPECT_TRUE(second.shown().names().empty());
    EXPECT_EQ(list.entries().size(), 2u);
    add(second, "/c/two.fl2");
    ASSERT_EQ(second.goAhead(), BatchAction::Done);
    EXPECT_EQ(workspace.read("BATCH.TMP"), "/b/two.fl2\r\n/c/two.fl2\r\nDATAEND\r\n");
}

TEST_F(BatchDialogModelTest, SavingWritesWhatIsListedNotEntriesOfAnEarlierOpening) {
    {
        BatchDialogModel first = open();
        add(first, "/a/one.fl2");
        add(first, "/b/two.fl2");
    }
    BatchDialogModel second = open();
    add(second, "/c/Two.fl2");
    add(second, "/b/two.fl2");
    dialogs.saveAnswer = workspace.file("s.flb");
    ASSERT_EQ(second.saveSession(), BatchAction::Done);
    EXPECT_EQ(workspace.read("s.flb"),
              "/b/two.fl2\r\ntwo.fl2\r\n/c/Two.fl2\r\nTwo.fl2\r\nDATAEND\r\n");
}

TEST_F(BatchDialogModelTest, UnwritableRunFileIsReportedAndKeepsTheDialogOpen) {
    BatchDialogModel model(list, dialogs, messenger, workspace.file("no/dir/BATCH.TMP"));
    EXPECT_EQ(model.goAhead(), BatchAction::Failed);
    ASSERT_EQ(messenger.texts().size(), 1u);
    EXPECT_NE(messenger.texts()[0].find("No such file or directory"), std::string::npos);
}

TEST_F(BatchDialogModelTest, APathWithALineBreakIsRefused) {
    BatchDialogModel model = open();
    dialogs.openAnswer = "/odd\nname.fl2";
    EXPECT_EQ(model.addProfile(), BatchAction::Failed);
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(model.shown().names().empty());
    EXPECT_EQ(messenger.texts().size(), 1u);
}

}  // namespace
}  // namespace farrow::profile
