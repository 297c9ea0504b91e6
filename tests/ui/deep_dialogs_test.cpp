#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "support/loopback_http_server.h"
#include "ui/deep_checklist_dialog.h"
#include "ui/deep_retrieval_window.h"
#include "ui/qt_deep_frontend.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

std::vector<deep::ChecklistItem> sampleItems() {
    return deep::checklistItems({{"http://h/", "Start"},
                                 {"http://h/n.htm", "About us (new)"},
                                 {"http://h/z.htm", "zebra"}});
}

std::vector<std::string> pageUrls(const std::vector<deep::PageEntry>& pages) {
    std::vector<std::string> urls;
    for (const deep::PageEntry& page : pages) {
        urls.push_back(page.url);
    }
    return urls;
}

// Presses Escape in the next modal dialog once it is open.
void escapeNextModal() {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(modal, &press);
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

TEST(DeepChecklistDialog, ShowsTheLinesWithoutCloseBoxOrRemoveAll) {
    DeepChecklistDialog dialog(sampleItems());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Deep Submission CheckList");
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(listTexts(dialog.findChild<QListWidget*>("checklist")),
              (std::vector<std::string>{"About us (new) ( http://h/n.htm )", "Start ( http://h/ )",
                                        "zebra ( http://h/z.htm )"}));
    EXPECT_FALSE(dialog.findChild<QPushButton*>("removeAllButton")->isVisible());
    EXPECT_TRUE(dialog.findChild<QPushButton*>("removeSelectedButton")->isVisible());
}

TEST(DeepChecklistDialog, RemoveSelectedThenOkKeepsTheRemainingPagesWhole) {
    DeepChecklistDialog dialog(sampleItems());
    auto* list = dialog.findChild<QListWidget*>("checklist");
    auto* remove = dialog.findChild<QPushButton*>("removeSelectedButton");
    remove->click();
    EXPECT_EQ(list->count(), 3) << "nothing selected, nothing removed";
    list->item(1)->setSelected(true);
    remove->click();
    EXPECT_EQ(list->count(), 2);

    answerNextModal("okButton");
    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
    ASSERT_TRUE(dialog.pages());
    EXPECT_EQ(*dialog.pages(), (std::vector<deep::PageEntry>{{"http://h/n.htm", "About us (new)"},
                                                             {"http://h/z.htm", "zebra"}}));
}

TEST(DeepChecklistDialog, OkWithEveryLineRemovedKeepsNoPages) {
    DeepChecklistDialog dialog(sampleItems());
    auto* list = dialog.findChild<QListWidget*>("checklist");
    list->selectAll();
    dialog.findChild<QPushButton*>("removeSelectedButton")->click();
    EXPECT_EQ(list->count(), 0);
    answerNextModal("okButton");
    ASSERT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.pages(), std::vector<deep::PageEntry>{});
}

TEST(DeepChecklistDialog, EscapeLeavesWithoutPages) {
    DeepChecklistDialog dialog(sampleItems());
    escapeNextModal();
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_FALSE(dialog.pages());
}

TEST(DeepRetrievalWindow, ShowsTheUrlAndTakesEscapeAsAStop) {
    DeepRetrievalWindow window;
    window.showCentred();
    EXPECT_EQ(window.windowTitle(), "Deep Submission: Retrieval");
    QStringList labels;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        labels << label->text();
    }
    EXPECT_EQ(labels,
              (QStringList{"Pages read so far: 0", "Retrieving Page at:", "Please Stand By..."}));
    window.setPagesRead(12);
    EXPECT_EQ(window.findChild<QLabel*>("pagesReadLabel")->text(), "Pages read so far: 12");
    EXPECT_FALSE(window.findChild<QPushButton*>("hiddenButton")->isVisible());
    window.setUrlText("http://h/a.htm");
    EXPECT_EQ(window.findChild<QLineEdit*>("urlField")->text(), "http://h/a.htm");
    EXPECT_FALSE(window.stopRequested());
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&window, &press);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.stopRequested());

    DeepRetrievalWindow closed;
    closed.showCentred();
    EXPECT_TRUE(closed.windowFlags() & Qt::WindowCloseButtonHint);
    closed.close();
    EXPECT_TRUE(closed.isVisible()) << "it goes with the crawl, not before";
    EXPECT_TRUE(closed.stopRequested());
}

// The deep box's whole road from the window, against a site of two pages.
class DeepFromWindowTest : public testing::Test {
protected:
    void SetUp() override {
        server.routes().Get("/index.htm", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<title>Home</title>\n<a href=\"a.htm\">A</a>\n", "text/html");
        });
        server.routes().Get("/a.htm", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<title>Alpha page</title>\n", "text/html");
        });
        // A page that never ends, until the test is over.
        server.routes().Get("/endless.htm", [this](const httplib::Request&,
                                                   httplib::Response& res) {
            res.set_chunked_content_provider(
                "text/html", [released = released](std::size_t offset, httplib::DataSink& sink) {
                    const std::string line = offset == 0 ? "<a href=\"a.htm\">A</a>\n" : "filler\n";
                    if (*released || !sink.write(line.data(), line.size())) {
                        sink.done();
                        return true;
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                    return true;
                });
        });
        server.start();
        params.profile.url = server.url("/index.htm");
        params.profile.title = "Main Title";
        timing.crawlPoll = base::Millis{1};
    }
    deep::RunOnePage recorder() {
        return [this](const profile::SubmissionProfile& p) {
            runs.push_back({p.url, p.title});
            pathsDuringRuns.push_back(currentProfilePath);
            return deep::PageRunOutcome::Submitted;
        };
    }

    void TearDown() override { *released = true; }

    std::shared_ptr<std::atomic<bool>> released = std::make_shared<std::atomic<bool>>(false);
    farrow::test::LoopbackHttpServer server;
    ScriptedFrontend frontend;
    QWidget window;
    deep::DeepRunParams params;
    base::Timing timing;
    std::string currentProfilePath = "NULL";
    std::vector<deep::PageEntry> runs;
    std::vector<std::string> pathsDuringRuns;
};

TEST_F(DeepFromWindowTest, OkRunsEveryListedPage) {
    answerNextModal("okButton");
    const auto result =
        runDeepFromWindow(frontend, &window, params, timing, currentProfilePath, recorder());
    ASSERT_TRUE(result);
    EXPECT_EQ(pageUrls(runs),
              (std::vector<std::string>{server.url("/a.htm"), server.url("/index.htm")}));
    EXPECT_EQ(runs.front().title, "Alpha page");
    EXPECT_EQ(pathsDuringRuns, (std::vector<std::string>{"DEEP", "DEEP"}));
    EXPECT_EQ(currentProfilePath, "NULL");
    EXPECT_TRUE(frontend.messages.empty());
    EXPECT_TRUE(qApp->findChildren<DeepRetrievalWindow*>().isEmpty());
    EXPECT_TRUE(window.findChildren<DeepRetrievalWindow*>().isEmpty());
}

TEST_F(DeepFromWindowTest, EscapeInTheChecklistRunsNothing) {
    escapeNextModal();
    EXPECT_FALSE(
        runDeepFromWindow(frontend, &window, params, timing, currentProfilePath, recorder()));
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(currentProfilePath, "NULL");
}

// A start page that never ends: Escape in the retrieval window ends the crawl, and the pages
// found by then are listed and run.
TEST_F(DeepFromWindowTest, EscapeInTheRetrievalWindowListsThePagesFoundSoFar) {
    params.profile.url = server.url("/endless.htm");
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [this, timer] {
        auto* retrieval = window.findChild<DeepRetrievalWindow*>();
        if (retrieval && retrieval->findChild<QLineEdit*>("urlField")->text().endsWith("a.htm")) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(retrieval, &press);
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(5);
    answerNextModal("okButton");
    const auto result =
        runDeepFromWindow(frontend, &window, params, timing, currentProfilePath, recorder());
    ASSERT_TRUE(result);
    EXPECT_EQ(pageUrls(runs),
              (std::vector<std::string>{server.url("/a.htm"), server.url("/endless.htm")}));
    EXPECT_TRUE(frontend.messages.empty()) << "a stop by the user needs no word";
}

TEST_F(DeepFromWindowTest, AnAddressThatIsNoWebPageIsSaid) {
    params.profile.url = server.url("/none.htm").replace(0, 4, "gopher");
    EXPECT_FALSE(
        runDeepFromWindow(frontend, &window, params, timing, currentProfilePath, recorder()));
    EXPECT_EQ(frontend.texts(),
              std::vector<std::string>{"No Links Could Be Cataloged From " + params.profile.url});
    EXPECT_EQ(frontend.messages.front().icon, base::MessageIcon::Information);
}

}  // namespace
}  // namespace farrow::ui::test
