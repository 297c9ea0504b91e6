#include "optimizer/page_optimizer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/fake_frontend.h"
#include "support/fake_optimizer_dialogs.h"
#include "support/temp_workspace.h"

namespace farrow::optimizer {
namespace {

class PageOptimizerTest : public testing::Test {
protected:
    test::TempWorkspace ws;
    test::WorkingDirectory inWorkspace{ws.path()};
    test::FakeOptimizerDialogs dialogs;
    test::FakeMessenger messenger;
};

TEST_F(PageOptimizerTest, UntickingDoesNothing) {
    const OptimizeResult r = optimizePage(false, dialogs, messenger);
    EXPECT_EQ(r.outcome, OptimizeOutcome::NotChecked);
    EXPECT_FALSE(r.boxChecked);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(PageOptimizerTest, DecliningTheWarningUnticksAndWritesNothing) {
    ws.write("page.htm", "x\n");
    dialogs.confirmAnswer = false;
    dialogs.pageAnswer = "page.htm";
    const OptimizeResult r = optimizePage(true, dialogs, messenger);
    EXPECT_EQ(r.outcome, OptimizeOutcome::Declined);
    EXPECT_FALSE(r.boxChecked);
    EXPECT_EQ(dialogs.shown, std::vector<std::string>{"warning"});
    EXPECT_FALSE(std::filesystem::exists(ws.file("page01.htm")));
}

TEST_F(PageOptimizerTest, WarnsWithTheExactTextAndOffersHtmlPages) {
    dialogs.pageAnswer = std::nullopt;
    const OptimizeResult r = optimizePage(true, dialogs, messenger);
    EXPECT_EQ(r.outcome, OptimizeOutcome::Cancelled);
    EXPECT_TRUE(r.boxChecked);
    EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"warning", "chooser"}));
    const std::string& w = dialogs.warningText;
    EXPECT_TRUE(w.starts_with("Some search enginges treat MIRRORED pages as SPAM"));
    EXPECT_NE(w.find("DISASTROUS results.  \r\n\r\nIf you would rather NOT tempt fate, press NO "
                     "WAY! \r\n\rIf you press THAT'S FINE"),
              std::string::npos);
    EXPECT_TRUE(w.ends_with("Select you HTML Page to Optimize"));
    const std::vector<profile::FileFilter> filters = dialogs.chooserOptions.filters();
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].label, "HTML Pages (*.htm,*.html)");
    EXPECT_EQ(filters[0].pattern, "*.htm;*.html");
    EXPECT_EQ(filters[1].pattern, "*.*");
}

TEST_F(PageOptimizerTest, MissingPageIsReportedAndNothingIsWritten) {
    dialogs.pageAnswer = "gone.htm";
    const OptimizeResult r = optimizePage(true, dialogs, messenger);
    EXPECT_EQ(r.outcome, OptimizeOutcome::PageMissing);
    EXPECT_TRUE(r.boxChecked);
    EXPECT_EQ(messenger.texts(), std::vector<std::string>{"Couldn't Find gone.htm. Aborting"});
    EXPECT_EQ(messenger.messages()[0].icon, base::MessageIcon::None);
    EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"warning", "chooser"}));
    EXPECT_TRUE(std::filesystem::is_empty(ws.path()));
}

TEST_F(PageOptimizerTest, WritesTheCopiesThenSaysSoAndStaysTicked) {
    ws.write("index.htm", "<p>\r\n");
    ws.write("index03.htm", "mine");
    dialogs.pageAnswer = "index.htm";
    const OptimizeResult r = optimizePage(true, dialogs, messenger);
    EXPECT_EQ(r.outcome, OptimizeOutcome::Done);
    EXPECT_TRUE(r.boxChecked);
    EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"warning", "chooser", "done"}));
    EXPECT_EQ(dialogs.doneText,
              "The OPTIMIZATION Procedure is complete. To Utilize this feature fully, you now "
              "need to upload the generated mirror files to your web site...");
    ASSERT_EQ(r.copies.size(), 5u);
    EXPECT_EQ(r.copies[2].outcome, CopyOutcome::Kept);
    EXPECT_EQ(ws.read("index05.htm"), "<p>\n");
    EXPECT_TRUE(messenger.texts().empty());
}

TEST_F(PageOptimizerTest, CopiesThatCannotBeCreatedStillEndInTheNote) {
    std::filesystem::create_directory(ws.file("my.site"));
    ws.write("my.site/page", "x");
    dialogs.pageAnswer = ws.file("my.site/page");
    const OptimizeResult r = optimizePage(true, dialogs, messenger);
    EXPECT_EQ(r.outcome, OptimizeOutcome::Done);
    EXPECT_EQ(dialogs.shown.back(), "done");
    EXPECT_TRUE(messenger.texts().empty());
}

}  // namespace
}  // namespace farrow::optimizer
