#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <sstream>

#include "sandbox/sandbox_server.h"
#include "sandbox/workspace_writer.h"
#include "ui/batch_dialog.h"
#include "ui/deep_checklist_dialog.h"
#include "ui/latin1.h"
#include "ui/run_summary_window.h"
#include "ui/run_windows.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

using namespace std::chrono_literals;

// The window on a sandbox workspace, submitting the demo profile to the sandbox's targets. With
// FARROW_SCREENSHOT_DIR set, every picture of the README is saved there, and the run's two logs
// are copied beside them for a browser to render (scripts/pictures.sh does that).
class SandboxWindowTest : public WindowTest {
protected:
    void SetUp() override {
        for (const char* name : {"messages.cat", "icon.ico", "SImage.flb"}) {
            std::filesystem::copy_file(std::filesystem::path(FARROW_DEMO_DIR) / name,
                                       workspace.path() / name);
        }
        sandboxSettings.mailbox = workspace.path() / "MAILBOX";
        sandboxSettings.routes.slowStep = 50ms;
        sandbox = std::make_unique<sandbox::SandboxServer>(sandboxSettings, sandboxLog);
        ASSERT_TRUE(sandbox->valid()) << sandbox->error();
        sandbox->start();
        const sandbox::WrittenWorkspace written = sandbox::writeWorkspace(
            {workspace.path(), sandbox->httpPort(), sandbox->mailPort(), sandbox->authorityPem()});
        ASSERT_TRUE(written.ok) << written.error;
        outDir = qEnvironmentVariable("FARROW_SCREENSHOT_DIR");
    }

    void save(QWidget* widget, const QString& name) {
        const QPixmap picture = widget->grab();
        EXPECT_FALSE(picture.isNull()) << name.toStdString();
        pictures.push_back(name.toStdString());
        if (!outDir.isEmpty()) {
            EXPECT_TRUE(picture.save(QDir(outDir).filePath(name + ".png"))) << name.toStdString();
        }
    }

    void copyLog(const std::string& dir, const QString& name) {
        if (outDir.isEmpty()) {
            return;
        }
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().extension() == ".HTM") {
                const std::filesystem::path target = QDir(outDir).filePath(name).toStdString();
                std::filesystem::copy_file(entry.path(), target,
                                           std::filesystem::copy_options::overwrite_existing);
            }
        }
    }

    sandbox::SandboxSettings sandboxSettings;
    std::ostringstream sandboxLog;
    std::unique_ptr<sandbox::SandboxServer> sandbox;
    QString outDir;
    std::vector<std::string> pictures;
};

int fieldNumber(QWidget* window, const char* name) {
    return window->findChild<QLineEdit*>(name)->text().trimmed().toInt();
}

TEST_F(SandboxWindowTest, DemoProfileSubmitsToTheSandboxBehindTheProgressAndDebugWindows) {
    startWindow({"farrowlane", "/VERBOSE"});
    dialog->setConnectionTest([] { return true; });
    state.timing.httpReceiveTimeout = 600ms;
    dialog->show();

    frontend.nextOpenFile = workspace.file(sandbox::kDemoProfileName);
    find<QPushButton>("loadProfileButton")->click();
    ASSERT_EQ(fromQt(find<QLineEdit>("url")->text()),
              "http://127.0.0.1:" + std::to_string(sandbox->httpPort()) + "/site/index.htm");
    // The workspace's picture and icon, though the test runs in another folder.
    EXPECT_FALSE(find<QLabel>("picture")->pixmap().isNull());
    EXPECT_FALSE(dialog->windowIcon().isNull());
    auto* tabs = find<QTabBar>("pageTabs");
    for (int page = 0; page < MainDialog::kPageCount; ++page) {
        tabs->setCurrentIndex(page);
        save(dialog.get(), QString("main-window-page-%1").arg(page + 1));
    }

    bool progressTaken = false;
    bool debugTaken = false;
    int good = 0;
    int failed = 0;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* progress = qobject_cast<ProgressDialog*>(w); progress) {
                good = fieldNumber(progress, "goodField");
                failed = fieldNumber(progress, "failureField");
                // In the middle of the run: some outcomes in, the slow targets still out.
                if (!progressTaken && good + failed >= 6) {
                    progressTaken = true;
                    save(progress, "progress-dialog");
                }
            }
            if (auto* debug = qobject_cast<DebugWindow*>(w);
                debug && debug->isVisible() && progressTaken && !debugTaken) {
                debugTaken = true;
                save(debug, "debug-window");
            }
            if (auto* box = qobject_cast<QMessageBox*>(w);
                box && box->objectName() == "errorsFoundBox" && box->isVisible()) {
                for (QAbstractButton* b : box->buttons()) {
                    if (b->text() == "Nope, not now.") {
                        b->click();
                    }
                }
            }
        }
    });
    watcher.start(5);
    tabs->setCurrentIndex(4);
    find<QPushButton>("buildGoButton")->click();
    watcher.stop();

    EXPECT_TRUE(progressTaken);
    EXPECT_TRUE(debugTaken);
    // The sandbox's mix: eight targets take the site, six fail in their several ways.
    EXPECT_EQ(good, 8) << sandboxLog.str();
    EXPECT_EQ(failed, 6) << sandboxLog.str();
    EXPECT_EQ(sandbox->mailSink().keptCount(), 1);
    // The run ends with its summary, the logs and the failure profile listed.
    auto* summary = dialog->findChild<RunSummaryWindow*>();
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(fromQt(summary->findChild<QLabel*>("summaryText")->text())
                  .rfind("1 run to 14 sites: 8 accepted, 6 failed.\n", 0),
              0u);
    EXPECT_EQ(summary->findChild<QListWidget*>("summaryFiles")->count(), 3);
    save(summary, "run-summary");
    copyLog(state.logsDir, "submission-log.htm");
    copyLog(state.errorsDir, "error-log.htm");
}

TEST_F(SandboxWindowTest, DeepChecklistListsTheSandboxSitesPages) {
    startWindow();
    dialog->setConnectionTest([] { return true; });
    frontend.nextOpenFile = workspace.file(sandbox::kDemoProfileName);
    find<QPushButton>("loadProfileButton")->click();
    find<QAbstractButton>("deepCheck")->click();
    int listed = -1;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (auto* checklist = qobject_cast<DeepChecklistDialog*>(QApplication::activeModalWidget());
            checklist && listed < 0) {
            listed = checklist->findChild<QListWidget*>("checklist")->count();
            save(checklist, "deep-checklist");
            checklist->reject();
        }
    });
    driver.start(5);
    find<QPushButton>("buildGoButton")->click();
    // The start page, two pages it links to and the ring of two; not the page titled
    // "404 NOT FOUND", the mail link or "#".
    EXPECT_EQ(listed, 5);
}

TEST_F(SandboxWindowTest, BatchDialogOpensOnTheSandboxWorkspace) {
    startWindow();
    bool taken = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (auto* batch = qobject_cast<BatchDialog*>(QApplication::activeModalWidget());
            batch && !taken) {
            taken = true;
            frontend.nextOpenFile = workspace.file(sandbox::kDemoProfileName);
            batch->findChild<QPushButton*>("addButton")->click();
            save(batch, "batch-dialog");
            batch->reject();
        }
    });
    driver.start(5);
    find<QPushButton>("batchButton")->click();
    EXPECT_TRUE(taken);
}

}  // namespace
}  // namespace farrow::ui::test
