#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "platform/file_system.h"
#include "sites/site_line_codec.h"
#include "sites/site_table.h"
#include "support/checked_profile.h"
#include "support/loopback_http_server.h"
#include "support/site_lines.h"
#include "ui/latin1.h"
#include "ui/run_windows.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

using namespace std::chrono_literals;

// The window submitting to loopback targets with every wait of the run shrunk.
class WindowRunTest : public WindowTest {
protected:
    void SetUp() override {
        server.routes().Get("/add", [](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(150ms);
            res.set_content("Thank you", "text/html");
        });
        server.routes().Get("/broken", [](const httplib::Request&, httplib::Response& res) {
            res.status = 500;
            res.set_content("ERROR: down", "text/html");
        });
        server.start();
    }

    void start(const std::vector<std::string>& names,
               std::vector<std::string> argv = {"farrowlane"}) {
        std::vector<std::string> lines;
        for (const std::string& name : names) {
            lines.push_back(targetLine(name, server.url(name == "Broken" ? "/broken?" : "/add?")));
        }
        writeWorkspace(lines);
        startWindow(std::move(argv));
        dialog->setConnectionTest([] { return true; });
        for (base::Millis* wait :
             {&state.timing.controllerPass, &state.timing.dispatcherPass,
              &state.timing.dispatcherHarvestPause, &state.timing.dispatcherRefillPause,
              &state.timing.controllerEndNap}) {
            *wait = 10ms;
        }
        profile::SubmissionProfile p = farrow::test::checkedProfile("gardening");
        for (const std::string& name : names) {
            p.selectedSites.push_back({name, false, ""});
        }
        dialog->writeProfile(p);
    }

    // Presses "Build + GO!" and watches the window every few milliseconds while the run goes.
    void runAndWatch() {
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            statuses.insert(fromQt(find<QLineEdit>("statusField")->text()));
            for (auto* box : QApplication::topLevelWidgets()) {
                if (auto* progress = qobject_cast<ProgressDialog*>(box); progress) {
                    sawProgress = true;
                    caption = fromQt(progress->windowTitle());
                    total = fromQt(progress->findChild<QLineEdit*>("totalField")->text());
                    good = fromQt(progress->findChild<QLineEdit*>("goodField")->text());
                    failure = fromQt(progress->findChild<QLineEdit*>("failureField")->text());
                    failRate = fromQt(progress->findChild<QLineEdit*>("failRateField")->text());
                }
                if (auto* question = qobject_cast<QMessageBox*>(box);
                    question && question->objectName() == "errorsFoundBox" &&
                    question->isVisible()) {
                    ++errorQuestions;
                    for (QAbstractButton* b : question->buttons()) {
                        if (b->text() == "Nope, not now.") {
                            b->click();
                        }
                    }
                }
            }
            // Everything that would start another run or change the profile is refused.
            if (statuses.count("BUSY")) {
                find<QPushButton>("exitButton")->click();
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(dialog.get(), &escape);
                QCloseEvent close;
                QApplication::sendEvent(dialog.get(), &close);
                find<QPushButton>("buildGoButton")->click();
                find<QPushButton>("removeAllButton")->click();
            }
        });
        watcher.start(5);
        find<QPushButton>("buildGoButton")->click();
    }

    std::string dumpErrors() {
        std::string all;
        for (const auto& entry : std::filesystem::directory_iterator(state.errorsDir)) {
            std::ifstream in(entry.path());
            all.append(std::istreambuf_iterator<char>(in), {});
        }
        return all;
    }

    farrow::test::LoopbackHttpServer server;
    std::set<std::string> statuses;
    bool sawProgress = false;
    int errorQuestions = 0;
    std::string caption, total, good, failure, failRate;
};

TEST_F(WindowRunTest, BuildAndGoSubmitsBehindTheProgressDialogAndRefusesActionsWhileBusy) {
    start({"Alpha", "Bravo", "Charlie"});
    runAndWatch();

    EXPECT_TRUE(statuses.count("BUSY"));
    EXPECT_EQ(fromQt(find<QLineEdit>("statusField")->text()), "IDLE");
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(caption, "Submitting: http://my.site.test/");
    EXPECT_EQ(total, "   3");
    EXPECT_EQ(good, "   3") << dumpErrors();
    EXPECT_EQ(failure, "   0");
    EXPECT_EQ(failRate, "0.00");
    EXPECT_EQ(errorQuestions, 0);
    // Exit, Escape and the close box were pressed during the run and never asked; the selection
    // is untouched.
    EXPECT_EQ(frontend.exitQuestions, 0);
    EXPECT_EQ(listTexts(find<QListWidget>("selectedList")).size(), 3u);
    EXPECT_TRUE(state.requestList.empty());
    EXPECT_EQ(dialog->windowTitle(), toQt(app::mainCaption(state)));
    EXPECT_FALSE(platform::fileExists(state.logsDir + "/HTMLDUMP.WRI"));
}

TEST_F(WindowRunTest, VerboseRunsShowTheDebugWindowAndChangeNoOutcome) {
    start({"Alpha", "Bravo"}, {"farrowlane", "/VERBOSE"});
    bool sawDebug = false;
    std::string writeLine;
    QTimer debugWatcher;
    QObject::connect(&debugWatcher, &QTimer::timeout, [&] {
        for (auto* w : QApplication::topLevelWidgets()) {
            if (auto* debug = qobject_cast<DebugWindow*>(w); debug && debug->isVisible()) {
                sawDebug = true;
                writeLine = fromQt(debug->findChild<QLineEdit*>("debugLine15")->text());
            }
        }
    });
    debugWatcher.start(5);
    runAndWatch();
    EXPECT_TRUE(sawDebug);
    EXPECT_EQ(writeLine, "Write  0");
    EXPECT_EQ(good, "   2") << dumpErrors();
    EXPECT_EQ(errorQuestions, 0);
}

TEST_F(WindowRunTest, AFailedSiteAsksWhetherToShowTheErrorLog) {
    start({"Alpha", "Broken"});
    runAndWatch();

    EXPECT_EQ(fromQt(find<QLineEdit>("statusField")->text()), "IDLE");
    EXPECT_EQ(errorQuestions, 1);
    EXPECT_EQ(failure, "   1");
    EXPECT_EQ(failRate, "50.00");
}

TEST_F(WindowRunTest, DeepSubmissionRunsEveryPageOfTheChecklistThenShowsTheUsersOwnFields) {
    server.routes().Get("/site/index.html", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<title>Home page</title>\n<a href=\"about.html\">About</a>\n",
                        "text/html");
    });
    server.routes().Get("/site/about.html", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<title>About us</title>\n", "text/html");
    });
    start({"Alpha"});
    profile::SubmissionProfile p = dialog->readProfile();
    p.url = server.url("/site/index.html");
    p.deep = true;
    dialog->writeProfile(p);
    std::vector<std::string> urls;
    dialog->setRunStarter([&](const profile::SubmissionProfile& page, int) {
        urls.push_back(page.url);
        EXPECT_EQ(state.currentProfilePath, "DEEP");
        state.requestList.clear();
    });
    answerNextModal("okButton");
    find<QPushButton>("buildGoButton")->click();

    EXPECT_EQ(urls, (std::vector<std::string>{server.url("/site/about.html"),
                                              server.url("/site/index.html")}));
    EXPECT_EQ(state.currentProfilePath, "NULL");
    EXPECT_EQ(fromQt(find<QLineEdit>("url")->text()), server.url("/site/index.html"));
    EXPECT_EQ(fromQt(find<QLineEdit>("title")->text()), "My Site");
}

TEST_F(WindowRunTest, BatchRunsEveryProfileAndOffersTheErrorLogsOfFailedRuns) {
    start({"Alpha", "Broken"});
    workspace.write("good.fl2", farrow::test::profileFileText({"Alpha"}));
    workspace.write("bad.fl2", farrow::test::profileFileText({"Broken"}));
    state.browserEnvironment = {"/bin/true", "/usr/bin:/bin"};
    std::vector<std::string> offered;
    std::vector<std::string> pending = {"good.fl2", "bad.fl2"};
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            return;
        }
        if (modal->objectName() == "batchDialog") {
            if (!pending.empty()) {
                frontend.nextOpenFile = workspace.file(pending.back());
                pending.pop_back();
                modal->findChild<QPushButton*>("addButton")->click();
            } else {
                modal->findChild<QPushButton*>("goAheadButton")->click();
            }
        } else if (modal->objectName() == "batchErrorsDialog") {
            for (const std::string& text :
                 listTexts(modal->findChild<QListWidget*>("errorLogList"))) {
                offered.push_back(text);
            }
            modal->findChild<QPushButton*>("doneButton")->click();
        }
    });
    driver.start(5);
    find<QPushButton>("batchButton")->click();

    EXPECT_EQ(state.currentProfilePath, "NULL");
    EXPECT_EQ(fromQt(find<QLineEdit>("statusField")->text()), "IDLE");
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_NE(offered[0].find("ERRORS"), std::string::npos) << offered[0];
    EXPECT_FALSE(platform::fileExists(workspace.file("BATCH.TMP")));
    int batchLogs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(state.logsDir)) {
        if (entry.path().filename().string().rfind("BatchLog-", 0) == 0) {
            std::ifstream in(entry.path());
            const std::string log{std::istreambuf_iterator<char>(in), {}};
            EXPECT_NE(log.find("SUCCESSFUL"), std::string::npos);
            EXPECT_NE(log.find("FAILED"), std::string::npos);
            ++batchLogs;
        }
    }
    EXPECT_EQ(batchLogs, 1);
}

// The sites file is read once at start-up: replacing it (here with junk, and once more while
// the run goes) changes nothing of a run from the window, nor of the lists it shows.
TEST_F(WindowRunTest, ReplacingTheSitesFileWhileTheWindowRunsChangesNothing) {
    start({"Alpha", "Bravo"});
    workspace.write("sites.enc", std::string("\0\xff junk\n", 8) + std::string(5000, 'x'));
    QTimer replacer;
    QObject::connect(&replacer, &QTimer::timeout, [this] {
        workspace.write("sites.enc", targetLine("Other", server.url("/broken?")) + "\n");
    });
    replacer.start(20);
    runAndWatch();
    replacer.stop();

    EXPECT_EQ(fromQt(find<QLineEdit>("statusField")->text()), "IDLE");
    EXPECT_EQ(good, "   2") << dumpErrors();
    EXPECT_EQ(failure, "   0");
    EXPECT_EQ(listTexts(find<QListWidget>("selectedList")),
              (std::vector<std::string>{"Alpha", "Bravo"}));
    EXPECT_EQ(state.siteTable.size(), 2u);
}

}  // namespace
}  // namespace farrow::ui::test
