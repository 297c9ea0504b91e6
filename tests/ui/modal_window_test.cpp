// The window as the program runs it: the main dialog modal (`exec`, as `main` does), and every
// other window pressed with clicks that come through the window system, so a window that the
// modal dialog blocks does not get them.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>

#include "platform/file_system.h"
#include "profile/profile_file.h"
#include "support/checked_profile.h"
#include "support/ftp_test_server.h"
#include "support/loopback_http_server.h"
#include "support/loopback_listener.h"
#include "support/site_lines.h"
#include "ui/deep_retrieval_window.h"
#include "ui/exit_prompt.h"
#include "ui/latin1.h"
#include "ui/run_summary_window.h"
#include "ui/run_windows.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

using namespace std::chrono_literals;

template <typename T>
T* visibleWindow(const char* name = nullptr) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* t = qobject_cast<T*>(w);
            t && t->isVisible() && (!name || w->objectName() == name)) {
            return t;
        }
    }
    return nullptr;
}

// Requests wait here until the test lets them through, so a run is surely going on while its
// buttons are pressed.
class Gate {
public:
    void wait() {
        std::unique_lock lock(mutex_);
        // Bounded, so that a test that fails early cannot hang its server.
        changed_.wait_for(lock, 60s, [this] { return open_; });
    }
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

class ModalWindowTest : public WindowTest {
protected:
    void SetUp() override {
        server.routes().Get("/held", [this](const httplib::Request&, httplib::Response& res) {
            targets.wait();
            res.set_content("Thank you", "text/html");
        });
        server.routes().Get(
            "/site/index.html", [this](const httplib::Request&, httplib::Response& res) {
                pages.wait();
                res.set_content("<title>Home page</title>\n<a href=\"about.html\">About</a>\n",
                                "text/html");
            });
        server.routes().Get("/site/about.html",
                            [](const httplib::Request&, httplib::Response& res) {
                                res.set_content("<title>About us</title>\n", "text/html");
                            });
        server.start();
    }

    void TearDown() override {
        targets.open();
        pages.open();
    }

    void start(int siteCount, std::vector<std::string> argv = {"farrowlane"}) {
        std::vector<std::string> lines;
        for (int i = 0; i < siteCount; ++i) {
            lines.push_back(targetLine(siteName(i), server.url("/held?")));
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
        for (int i = 0; i < siteCount; ++i) {
            p.selectedSites.push_back({siteName(i), false, ""});
        }
        dialog->writeProfile(p);
        // "Build + GO!" is on the categories page.
        find<QTabBar>("pageTabs")->setCurrentIndex(5);
    }

    static std::string siteName(int i) { return "Site" + std::to_string(100 + i); }

    // Runs the main dialog modal; `step` is called every few milliseconds until it says the
    // test is done, and the dialog then closes. A test whose step never gets there gives up
    // after a while, lets every request through and closes the dialog once the run is over.
    void runModal(const std::function<bool()>& step) {
        int ticks = 0;
        bool done = false;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            answerErrorQuestion();
            if (!done) {
                done = step() || ++ticks > kGiveUpTicks;
                if (ticks > kGiveUpTicks) {
                    gaveUp = true;
                }
            }
            if (done) {
                targets.open();
                pages.open();
                QWidget* modal = QApplication::activeModalWidget();
                if (gaveUp && modal && modal != dialog.get()) {
                    // A dialog the test did not get to: close it, so that the test ends.
                    modal->close();
                }
                if (status() != "BUSY" && (!modal || modal == dialog.get())) {
                    driver.stop();
                    dialog->accept();
                }
            }
        });
        driver.start(5);
        dialog->exec();
    }

    // A click that starts a run or a dialog returns only when that is over, so it is made from
    // a timer of its own.
    void clickLater(const char* name) {
        QTimer::singleShot(0, dialog.get(),
                           [this, name] { started = userClick(find<QWidget>(name)); });
    }

    void answerErrorQuestion() {
        if (auto* box = visibleWindow<QMessageBox>("errorsFoundBox")) {
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == "Nope, not now.") {
                    b->click();
                }
            }
        }
    }

    std::string status() { return fromQt(find<QLineEdit>("statusField")->text()); }

    // Every submission log of the workspace, one after the other.
    std::string logs() {
        std::string all;
        if (!std::filesystem::exists(state.logsDir)) {
            return all;
        }
        for (const auto& entry : std::filesystem::directory_iterator(state.logsDir)) {
            if (entry.path().extension() == ".HTM" &&
                entry.path().filename().string().rfind("BatchLog-", 0) != 0) {
                std::ifstream in(entry.path());
                all.append(std::istreambuf_iterator<char>(in), {});
            }
        }
        return all;
    }

    static int count(const std::string& text, const std::string& word) {
        int n = 0;
        for (std::size_t at = text.find(word); at != std::string::npos;
             at = text.find(word, at + 1)) {
            ++n;
        }
        return n;
    }

    static constexpr int kGiveUpTicks = 4000;

    Gate targets;
    Gate pages;
    farrow::test::LoopbackHttpServer server;
    bool started = false;
    bool gaveUp = false;
};

TEST_F(ModalWindowTest, PauseAndAbortArePressedWithTheMouseWhileTheWindowRunsModal) {
    start(40, {"farrowlane", "/VERBOSE"});
    bool pauseReached = false, abortReached = false, debugReached = false;
    int stage = 0;
    clickLater("buildGoButton");
    runModal([&] {
        auto* progress = visibleWindow<ProgressDialog>();
        if (auto* debug = visibleWindow<DebugWindow>(); debug && !debugReached) {
            debugReached = userClick(debug->findChild<QLineEdit*>("debugLine0"));
        }
        const std::string log = logs();
        if (stage == 0 && progress) {
            pauseReached = userClick(progress->findChild<QPushButton*>("pauseButton"));
            stage = 1;
        } else if (stage == 1 && log.find("Pausing Submission") != std::string::npos) {
            abortReached = userClick(progress->findChild<QPushButton*>("abortButton"));
            stage = 2;
        } else if (stage == 2 && log.find("Stopping Submission") != std::string::npos) {
            return true;
        }
        return false;
    });

    EXPECT_TRUE(started);
    EXPECT_TRUE(pauseReached);
    EXPECT_TRUE(abortReached);
    EXPECT_TRUE(debugReached);
    EXPECT_FALSE(gaveUp);
    const std::string log = logs();
    EXPECT_EQ(count(log, "Pausing Submission due to user request"), 1) << log;
    EXPECT_EQ(count(log, "Stopping Submission due to user request"), 1) << log;
    // The sites the stop left unstarted were never sent.
    EXPECT_LT(count(log, "SUCCESSFUL:"), 40) << log;
    EXPECT_EQ(status(), "IDLE");
    // The plain run ends as a deep run does: the "Errors Found...." question, then the summary
    // with what the stop left unsent and the files to open.
    auto* summary = visibleWindow<RunSummaryWindow>();
    ASSERT_NE(summary, nullptr);
    const std::string text = fromQt(summary->findChild<QLabel*>("summaryText")->text());
    EXPECT_EQ(text.rfind("1 run to 40 sites: ", 0), 0u) << text;
    EXPECT_NE(text.find("not sent; the failure profile holds them."), std::string::npos) << text;
    const std::vector<std::string> files = listedPaths(summary->findChild<QListWidget*>());
    ASSERT_EQ(files.size(), 3u) << text;
    EXPECT_EQ(std::filesystem::path(files[2]).extension(), ".fl2") << files[2];
    EXPECT_TRUE(std::filesystem::exists(files[2])) << files[2];
}

TEST_F(ModalWindowTest, APlainRunEndsWithItsSummaryAndNoErrorQuestion) {
    start(2);
    targets.open();
    bool errorsAsked = false;
    clickLater("buildGoButton");
    runModal([&] {
        errorsAsked = errorsAsked || visibleWindow<QMessageBox>("errorsFoundBox");
        return visibleWindow<RunSummaryWindow>() != nullptr;
    });

    EXPECT_FALSE(gaveUp);
    EXPECT_FALSE(errorsAsked);
    auto* summary = visibleWindow<RunSummaryWindow>();
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(fromQt(summary->findChild<QLabel*>("summaryText")->text()),
              "1 run to 2 sites: 2 accepted, 0 failed.");
    // The submission log and the error log, no failure profile.
    const std::vector<std::string> files = listedPaths(summary->findChild<QListWidget*>());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_TRUE(
        std::filesystem::equivalent(std::filesystem::path(files[0]).parent_path(), state.logsDir))
        << files[0];
    EXPECT_TRUE(
        std::filesystem::equivalent(std::filesystem::path(files[1]).parent_path(), state.errorsDir))
        << files[1];
}

// "Check Now" at the start: the update ends with what it did, naming the server, in a window
// that takes clicks while the main window runs modal.
TEST_F(ModalWindowTest, TheDatabaseUpdateSaysWhetherANewDatabaseCame) {
    farrow::test::FtpTestServer ftp;
    const std::string sites = targetLine(siteName(0), server.url("/held?")) + "\n";
    ftp.putFile("database/sites.enc", sites);
    writeWorkspace({});
    state.databaseServer = ftp.address();
    frontend.checkForUpdates = true;
    for (const std::string& expected :
         {"Downloaded a new sites.enc from " + ftp.address() + " (" + std::to_string(sites.size()) +
              " bytes)",
          "sites.enc is the same as on " + ftp.address() + ": nothing downloaded"}) {
        startWindow();
        std::string shown;
        bool closeReached = false;
        bool openShown = true;
        runModal([&] {
            auto* summary = visibleWindow<RunSummaryWindow>();
            if (!summary) {
                return false;
            }
            shown = fromQt(summary->findChild<QLabel*>("summaryText")->text());
            openShown = summary->findChild<QPushButton*>("openFileButton")->isVisible();
            closeReached = userClick(summary->findChild<QPushButton*>("closeButton"));
            return true;
        });
        EXPECT_EQ(shown, expected);
        EXPECT_TRUE(closeReached);
        EXPECT_FALSE(openShown);
        EXPECT_EQ(visibleWindow<RunSummaryWindow>(), nullptr);
        EXPECT_EQ(state.siteTable.size(), 1u);
        EXPECT_TRUE(frontend.messages.empty()) << frontend.texts().front();
        dialog.reset();
    }
}

// The program ends after a failed update: its messages as they were, then the summary, modal,
// with the server and the reason they do not name.
TEST_F(ModalWindowTest, AFailedDatabaseUpdateKeepsItsMessagesAndThenNamesTheServerAndReason) {
    writeWorkspace({targetLine(siteName(0), server.url("/held?"))});
    state.databaseServer = "127.0.0.1:" + std::to_string(farrow::test::closedLoopbackPort());
    frontend.checkForUpdates = true;
    state.workspace = workspace.workspace();
    dialog = std::make_unique<MainDialog>(state, frontend);
    std::string shown;
    bool closeReached = false;
    int ticks = 0;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* summary = qobject_cast<RunSummaryWindow*>(QApplication::activeModalWidget());
        if (summary) {
            shown = fromQt(summary->findChild<QLabel*>("summaryText")->text());
            closeReached = userClick(summary->findChild<QPushButton*>("closeButton"));
            if (!closeReached) {
                summary->close();
            }
        }
        if (summary || ++ticks > kGiveUpTicks) {
            driver.stop();
        }
    });
    driver.start(5);
    EXPECT_FALSE(dialog->initialise({"farrowlane"}));

    EXPECT_TRUE(closeReached);
    EXPECT_EQ(frontend.texts(),
              (std::vector<std::string>{
                  "Could Not establish FTP session to datbase server. Please contact technical "
                  "support.  Program will now exit",
                  "Sites Database Problem."}));
    EXPECT_EQ(shown.rfind("Could not update sites.enc from the database server " +
                              state.databaseServer + ": ",
                          0),
              0u)
        << shown;
    EXPECT_NE(shown.find("onnect"), std::string::npos) << shown;
}

TEST_F(ModalWindowTest, AnAbortedDeepRunTakesEveryClickAndGivesTheUsersOwnFieldsBack) {
    start(3);
    profile::SubmissionProfile own = dialog->readProfile();
    own.url = server.url("/site/index.html");
    own.deep = true;
    dialog->writeProfile(own);
    bool retrievalReached = false, checklistReached = false, abortReached = false;
    QString underWay;
    int mostPagesRead = 0;
    int stage = 0;
    clickLater("buildGoButton");
    runModal([&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* retrieval = visibleWindow<DeepRetrievalWindow>()) {
            const QString read = retrieval->findChild<QLabel*>("pagesReadLabel")->text();
            mostPagesRead = std::max(mostPagesRead, read.section(' ', -1).toInt());
        }
        if (stage == 0) {
            if (auto* retrieval = visibleWindow<DeepRetrievalWindow>()) {
                retrievalReached = userClick(retrieval->findChild<QLineEdit*>("urlField"));
                pages.open();
                stage = 1;
            }
        } else if (stage == 1 && modal && modal->objectName() == "deepChecklist") {
            checklistReached = userClick(modal->findChild<QPushButton*>("okButton"));
            stage = 2;
        } else if (stage == 2) {
            if (auto* progress = visibleWindow<ProgressDialog>()) {
                underWay = find<QLabel>("underWayLabel")->text();
                abortReached = userClick(progress->findChild<QPushButton*>("abortButton"));
                stage = 3;
            }
        } else if (stage == 3 && logs().find("Stopping Submission") != std::string::npos) {
            return true;
        }
        return false;
    });

    // The retrieval window counted the start page at least.
    EXPECT_GE(mostPagesRead, 1);
    EXPECT_EQ(fromQt(underWay).rfind("Page 1 of 2: " + server.url("/site/"), 0), 0u)
        << fromQt(underWay);
    EXPECT_FALSE(find<QLabel>("underWayLabel")->isVisible());
    // The run ends with its summary, which names the unsent sites and opens what it lists.
    auto* summary = visibleWindow<RunSummaryWindow>();
    ASSERT_NE(summary, nullptr);
    const std::string text = fromQt(summary->findChild<QLabel*>("summaryText")->text());
    EXPECT_NE(text.find("1 run to 3 sites"), std::string::npos) << text;
    EXPECT_NE(text.find("ABORT stopped the job: "), std::string::npos) << text;
    const std::vector<std::string> files = listedPaths(summary->findChild<QListWidget*>());
    ASSERT_GE(files.size(), 2u) << text;
    EXPECT_TRUE(
        std::filesystem::equivalent(std::filesystem::path(files[0]).parent_path(), state.logsDir))
        << files[0];
    EXPECT_TRUE(
        std::filesystem::equivalent(std::filesystem::path(files[1]).parent_path(), state.errorsDir))
        << files[1];
    for (const std::string& f : files) {
        EXPECT_TRUE(std::filesystem::exists(f)) << f;
    }
    workspace.write("browser", "#!/bin/sh\necho \"$1\" > \"" + workspace.file("opened") + "\"\n");
    std::filesystem::permissions(workspace.file("browser"), std::filesystem::perms::owner_all);
    state.browserEnvironment = {workspace.file("browser"), "/usr/bin:/bin"};
    state.userSettings.browserChoice = "Netscape Navigator";
    summary->findChild<QListWidget*>()->setCurrentRow(1);
    EXPECT_TRUE(userClick(summary->findChild<QPushButton*>("openFileButton")));
    EXPECT_EQ(workspace.read("opened"), files[1] + "\n");

    EXPECT_TRUE(retrievalReached);
    EXPECT_TRUE(checklistReached);
    EXPECT_TRUE(abortReached);
    EXPECT_FALSE(gaveUp);
    // The stop ended the deep run after its first page.
    EXPECT_EQ(count(logs(), "Submission took"), 1) << logs();
    EXPECT_EQ(state.currentProfilePath, "NULL");
    EXPECT_EQ(fromQt(find<QLineEdit>("url")->text()), own.url);
    EXPECT_EQ(fromQt(find<QLineEdit>("title")->text()), own.title);
    EXPECT_EQ(dialog->readProfile().url, own.url);
}

TEST_F(ModalWindowTest, ABatchTakesClicksInItsDialogAndInTheProgressOfItsRuns) {
    start(3);
    workspace.write("mine.fl2", farrow::test::profileFileText({siteName(0), siteName(1)}));
    frontend.nextOpenFile = workspace.file("mine.fl2");
    state.browserEnvironment = {"/bin/true", "/usr/bin:/bin"};
    bool addReached = false, goReached = false, abortReached = false;
    int stage = 0;
    clickLater("batchButton");
    runModal([&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == "batchErrorsDialog") {
            userClick(modal->findChild<QPushButton*>("doneButton"));
        }
        if (stage == 0 && modal && modal->objectName() == "batchDialog") {
            addReached = userClick(modal->findChild<QPushButton*>("addButton"));
            stage = 1;
        } else if (stage == 1 && modal && modal->objectName() == "batchDialog") {
            goReached = userClick(modal->findChild<QPushButton*>("goAheadButton"));
            stage = 2;
        } else if (stage == 2) {
            if (auto* progress = visibleWindow<ProgressDialog>()) {
                abortReached = userClick(progress->findChild<QPushButton*>("abortButton"));
                stage = 3;
            }
        } else if (stage == 3 && logs().find("Stopping Submission") != std::string::npos) {
            return true;
        }
        return false;
    });

    EXPECT_TRUE(addReached);
    EXPECT_TRUE(goReached);
    EXPECT_TRUE(abortReached);
    EXPECT_FALSE(gaveUp);
    EXPECT_EQ(count(logs(), "Stopping Submission due to user request"), 1) << logs();
    EXPECT_EQ(state.currentProfilePath, "NULL");
    auto* summary = visibleWindow<RunSummaryWindow>();
    ASSERT_NE(summary, nullptr);
    const std::string text = fromQt(summary->findChild<QLabel*>("summaryText")->text());
    EXPECT_EQ(text.rfind("1 profile run.\n1 run to 2 sites: ", 0), 0u) << text;
    const std::vector<std::string> files = listedPaths(summary->findChild<QListWidget*>());
    ASSERT_FALSE(files.empty());
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::path(files.back()).parent_path(),
                                            state.errorsDir))
        << files.back();
    EXPECT_EQ(std::filesystem::path(files.back()).filename().string().rfind("BatchLog-", 0), 0u)
        << files.back();
}

TEST_F(ModalWindowTest, TheOptimizerDialogsTakeClicksWhileTheWindowRunsModal) {
    start(1);
    workspace.write("page.htm", "<html>\n</html>\n");
    bool warningReached = false, doneReached = false;
    clickLater("optimizeCheck");
    runModal([&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            return false;
        }
        if (modal->objectName() == "optimizationWarning") {
            warningReached = userClick(modal->findChild<QPushButton*>("fineButton"));
        } else if (auto* chooser = qobject_cast<QFileDialog*>(modal)) {
            chooser->selectFile(pathToQt(workspace.file("page.htm")));
            static_cast<QDialog*>(chooser)->accept();
        } else if (modal->objectName() == "optimizationDone") {
            doneReached = userClick(modal->findChild<QPushButton*>("okButton"));
            return true;
        }
        return false;
    });

    EXPECT_TRUE(started);
    EXPECT_TRUE(warningReached);
    EXPECT_TRUE(doneReached);
    EXPECT_EQ(workspace.read("page05.htm"), "<html>\n</html>\n");
    EXPECT_TRUE(find<QCheckBox>("optimizeCheck")->isChecked());
}

// Keys and the close box as the window system delivers them: Enter in a field presses no button,
// and Escape and the close box ask the exit question, which says that the typed fields would be
// lost; only its "OK" ends the program.
TEST_F(ModalWindowTest, EnterPressesNothingAndEscapeAndTheCloseBoxAskBeforeExiting) {
    start(1);
    frontend.realExitPrompt = true;
    find<QTabBar>("pageTabs")->setCurrentIndex(2);
    QWindow* window = dialog->windowHandle();
    // Odd while the keys of a step are being pressed, even between steps.
    int stage = 0;
    bool typed = false;
    // Each exit question: the step it came in and whether it named the changed fields.
    std::vector<std::pair<int, bool>> prompts;
    const auto press = [&](std::function<void()> keys) {
        ++stage;
        QTimer::singleShot(0, dialog.get(), [&stage, keys] {
            keys();
            ++stage;
        });
    };
    runModal([&] {
        if (auto* prompt = visibleWindow<ExitPrompt>()) {
            prompts.emplace_back(stage, prompt->findChild<QLabel*>("fieldsChangedLabel"));
            // The question the close box asks is answered "OK"; those before it "Cancel".
            userClick(prompt->findChild<QPushButton*>(stage < 5 ? "cancelButton" : "okButton"));
        } else if (stage == 0) {
            press([&] {
                typed = userClick(find<QLineEdit>("url"));
                for (char c : std::string("more/")) {
                    QTest::keyClick(window, c);
                }
                QTest::keyClick(window, Qt::Key_Return);
                QTest::keyClick(window, Qt::Key_Enter);
            });
        } else if (stage == 2) {
            press([&] { QTest::keyClick(window, Qt::Key_Escape); });
        } else if (stage == 4) {
            press([&] {
                // The close box of the title bar, as the window manager sends it.
                QCloseEvent close;
                QApplication::sendEvent(dialog.get(), &close);
            });
        }
        return false;
    });

    EXPECT_TRUE(typed);
    EXPECT_FALSE(gaveUp);
    EXPECT_EQ(prompts, (std::vector<std::pair<int, bool>>{{3, true}, {5, true}}));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(state.siteTable.empty());
}

// Help is shown by the browser the user chose ($BROWSER standing for it), with the help page as
// its one argument; a browser that fails at once is reported as a keyword check reports it.
TEST_F(ModalWindowTest, HelpStartsTheUsersBrowserAndSaysWhenItFails) {
    start(1);
    std::filesystem::create_directories(workspace.path() / "bin");
    workspace.write("bin/help.html", "<html>Help</html>\n");
    dialog->setProgramFolder(pathToQt(workspace.file("bin")));
    state.userSettings.browserChoice = "Netscape Navigator";
    state.timing.browserStartCheck = 10s;
    for (int rc : {0, 3}) {
        workspace.write("browser", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" +
                                       workspace.file("browser.args") + "\"\nexit " +
                                       std::to_string(rc) + "\n");
        std::filesystem::permissions(workspace.file("browser"), std::filesystem::perms::owner_all);
        state.browserEnvironment = {workspace.file("browser"), "/usr/bin:/bin"};
        bool pressed = false;
        runModal([&] {
            if (!pressed) {
                pressed = userClick(find<QPushButton>("helpButton"));
                return false;
            }
            return std::filesystem::exists(workspace.file("browser.args"));
        });
        EXPECT_TRUE(pressed);
        EXPECT_EQ(workspace.read("browser.args"), workspace.file("bin/help.html") + "\n");
        std::filesystem::remove(workspace.file("browser.args"));
    }
    EXPECT_EQ(frontend.texts(), (std::vector<std::string>{"Could Not Find Netscape Navigator"}));
}

// Clipboard data that its owner serves once: a second read finds another program's text.
class OneShotMimeData final : public QMimeData {
public:
    explicit OneShotMimeData(QString text) : text_(std::move(text)) {}
    QStringList formats() const override { return {"text/plain"}; }
    mutable int reads = 0;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType) const override {
        if (!mimeType.startsWith("text/plain")) {
            return {};
        }
        return ++reads == 1 ? QVariant(text_) : QVariant(QString("the next owner's text"));
    }

private:
    QString text_;
};

TEST_F(ModalWindowTest, PastingReadsTheClipboardOnceAndInsertsWhatItRead) {
    start(1);
    auto* description = find<Latin1TextEdit>("description");
    description->setPlainText("Before ");
    description->moveCursor(QTextCursor::End);
    const OneShotMimeData* served = nullptr;
    runModal([&] {
        auto* data = new OneShotMimeData(QString::fromLatin1("caf\xe9 and more\nsecond line"));
        served = data;
        QApplication::clipboard()->setMimeData(data);
        description->paste();
        EXPECT_EQ(served->reads, 1);
        return true;
    });
    EXPECT_EQ(fromQt(description->text()), "Before caf\xe9 and more\nsecond line");
}

TEST_F(ModalWindowTest, FieldsKeepWhatAProfileLineHoldsSoWhatIsSavedIsWhatIsSent) {
    start(2);
    const int limit = static_cast<int>(profile::kMaxStoredValue);
    QString longText;
    while (longText.size() < 40000) {
        longText += QString("word %1 ").arg(longText.size());
        if (longText.size() % 7 == 0) {
            longText += '\n';
        }
    }
    auto* description = find<Latin1TextEdit>("description");
    auto* url = find<QLineEdit>("url");
    auto* keyword = find<QLineEdit>("keyword16");
    std::optional<profile::SubmissionProfile> sent;
    dialog->setRunStarter([&](const profile::SubmissionProfile& p, int) {
        sent = p;
        state.requestList.clear();
    });
    frontend.nextSaveFile = workspace.file("saved.fl2");
    int stage = 0;
    runModal([&] {
        if (stage == 0) {
            QApplication::clipboard()->setText(longText);
            description->paste();
            url->setFocus();
            url->end(false);
            url->paste();
            keyword->setText(longText.left(limit - 1));
            keyword->setCursorPosition(3);
            keyword->insert("XY");
            stage = 1;
            clickLater("saveProfileButton");
        } else if (stage == 1 && platform::fileExists(workspace.file("saved.fl2"))) {
            stage = 2;
            clickLater("buildGoButton");
        } else if (stage == 2 && sent) {
            return true;
        }
        return false;
    });

    EXPECT_EQ(description->text().size(), limit);
    EXPECT_EQ(description->text(), longText.left(limit));
    EXPECT_EQ(url->text().size(), limit);
    EXPECT_TRUE(url->text().startsWith("http://my.site.test/word 0 "));
    // What goes beyond is cut where it was put in; the text after the cursor stays.
    EXPECT_EQ(keyword->text(), longText.left(3) + "X" + longText.mid(3, limit - 4));
    for (QWidget* field : std::initializer_list<QWidget*>{description, url, keyword}) {
        EXPECT_EQ(field->toolTip(), lengthExplanation(limit)) << field->objectName().toStdString();
    }
    ASSERT_TRUE(sent);
    const std::string saved = workspace.read("saved.fl2");
    EXPECT_EQ(saved, profile::formatProfile(*sent, sent->selectedSites));
    EXPECT_EQ(sent->description.size(), static_cast<std::size_t>(limit));
    EXPECT_EQ(sent->url.size(), static_cast<std::size_t>(limit));
}

TEST_F(ModalWindowTest, LoadingAFileThatIsNoProfileChangesNothingInTheWindow) {
    start(3);
    profile::SubmissionProfile before = dialog->readProfile();
    before.selectedSites = {{siteName(1), false, ""}};
    dialog->writeProfile(before);
    before = dialog->readProfile();
    // Random bytes, and a short text whose second line would have been taken as the URL.
    workspace.write("random.bin", std::string("\x8f\x00\xff"
                                              "ADULT\r\nSMART\r\n",
                                              17) +
                                      std::string(20000, '\xa5'));
    workspace.write("two.txt", "shopping\nhttp://elsewhere.test/\n");
    std::vector<std::string> files = {"random.bin", "two.txt"};
    runModal([&] {
        if (files.empty()) {
            return true;
        }
        frontend.nextOpenFile = workspace.file(files.back());
        files.pop_back();
        userClick(find<QWidget>("loadProfileButton"));
        return false;
    });

    int refusals = 0;
    for (const std::string& text : frontend.texts()) {
        EXPECT_EQ(text.find("successfully"), std::string::npos) << text;
        refusals += text.find(
                        " is not a profile: its first line is not "
                        "[Farrowlane Release Profile Storage]") != std::string::npos;
    }
    EXPECT_EQ(refusals, 2);
    const profile::SubmissionProfile after = dialog->readProfile();
    EXPECT_EQ(profile::formatProfile(after, after.selectedSites),
              profile::formatProfile(before, before.selectedSites));
    EXPECT_EQ(listTexts(find<QListWidget>("selectedList")), std::vector<std::string>{siteName(1)});
}

}  // namespace
}  // namespace farrow::ui::test
