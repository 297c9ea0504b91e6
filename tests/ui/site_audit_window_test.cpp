// The site audit as the program runs it: the main window modal, the audit's window opened over
// it by "Site audit...", its buttons pressed through the window system, and the browser a
// script that writes down what it was asked to show.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>

#include "audit/audit_record.h"
#include "support/loopback_http_server.h"
#include "ui/indexnow_dialog.h"
#include "ui/latin1.h"
#include "ui/site_audit_window.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

using namespace std::chrono_literals;

std::string page(const std::string& title, const std::vector<std::string>& links) {
    std::string html = "<html><head><title>" + title +
                       "</title><meta name=\"description\" content=\"" + title +
                       "\"></head><body>\n";
    for (const std::string& link : links) {
        html += "<a href=\"" + link + "\">" + link + "</a>\n";
    }
    return html + "</body></html>\n";
}

class SiteAuditWindowTest : public WindowTest {
protected:
    void SetUp() override {
        serve("/site/index.htm", page("Home", {"a.htm", "b.htm", "gone.htm"}));
        serve("/site/a.htm", page("Page A", {"b.htm"}));
        serve("/site/b.htm", page("Page B", {}));
        // An endless chain whose pages past the tenth wait for the gate.
        server.routes().Get(
            R"(/chain/p(\d+)\.htm)", [this](const httplib::Request& req, httplib::Response& res) {
                const int n = std::stoi(req.matches[1]);
                if (n > 10) {
                    waitForGate();
                }
                res.set_content(
                    page("Chain " + std::to_string(n), {"p" + std::to_string(n + 1) + ".htm"}),
                    "text/html");
            });
        server.start();
        writeWorkspace({siteLine("Alpha")});
        startWindow();
        state.timing.crawlPoll = 2ms;
        state.userSettings.browserChoice = "Netscape Navigator";
        workspace.write("browser", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"" +
                                       workspace.file("browser.args") + "\"\n");
        std::filesystem::permissions(workspace.file("browser"), std::filesystem::perms::owner_all);
        state.browserEnvironment = {workspace.file("browser"), "/usr/bin:/bin"};
    }

    void TearDown() override { openGate(); }

    void serve(const std::string& path, std::string html) {
        server.routes().Get(
            path, [html = std::move(html)](const httplib::Request&, httplib::Response& res) {
                res.set_content(html, "text/html; charset=utf-8");
            });
    }

    void auditFrom(const std::string& path) {
        profile::SubmissionProfile profile = dialog->readProfile();
        profile.url = server.url(path);
        dialog->writeProfile(profile);
    }

    void waitForGate() {
        std::unique_lock lock(gateMutex_);
        // Bounded, so that a test that fails early cannot hang its server.
        gateChanged_.wait_for(lock, 60s, [this] { return gateOpen_; });
    }
    void openGate() {
        {
            std::lock_guard lock(gateMutex_);
            gateOpen_ = true;
        }
        gateChanged_.notify_all();
    }

    // Runs the main window modal and presses "Site audit..." in it; `step` is called with the
    // audit's window every few milliseconds until it says the test is done, and both windows
    // then close. Gives up after half a minute.
    void runAudit(const std::function<bool(SiteAuditWindow&)>& step) {
        int ticks = 0;
        bool done = false;
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* window = qobject_cast<SiteAuditWindow*>(QApplication::activeModalWidget());
            if (!done && window) {
                auditParent = window->parentWidget();
                done = step(*window);
            }
            if (++ticks > 6000) {
                gaveUp = done = true;
                openGate();
            }
            if (done && window) {
                userClick(window->findChild<QPushButton*>("closeButton"));
            } else if (done && QApplication::activeModalWidget() == dialog.get()) {
                driver.stop();
                dialog->accept();
            }
        });
        driver.start(5);
        QTimer::singleShot(0, dialog.get(),
                           [this] { pressed = userClick(find<QPushButton>("siteAuditButton")); });
        dialog->exec();
    }

    static QString text(SiteAuditWindow& window, const char* label) {
        return window.findChild<QLabel*>(label)->text();
    }

    std::string opened() const {
        return std::filesystem::exists(workspace.file("browser.args"))
                   ? workspace.read("browser.args")
                   : std::string();
    }

    farrow::test::LoopbackHttpServer server;
    bool pressed = false;
    bool gaveUp = false;
    QWidget* auditParent = nullptr;

private:
    std::mutex gateMutex_;
    std::condition_variable gateChanged_;
    bool gateOpen_ = false;
};

TEST_F(SiteAuditWindowTest, TheButtonAuditsTheSiteOpensTheAuditAndTheDialogShowsItsLine) {
    auditFrom("/site/index.htm");
    QString summary;
    QString details;
    runAudit([&](SiteAuditWindow& window) {
        if (window.busy() || opened().empty()) {
            return false;
        }
        summary = text(window, "summaryLabel");
        details = text(window, "detailsLabel");
        return true;
    });
    ASSERT_FALSE(gaveUp);
    EXPECT_TRUE(pressed);
    EXPECT_EQ(auditParent, dialog.get());
    EXPECT_EQ(fromQt(summary), "4 pages, 1 error, 0 warnings, 0 notices (audit.html)");
    EXPECT_NE(details.indexOf("Mend first: broken-link (1 page)."), -1) << fromQt(details);
    EXPECT_NE(details.indexOf(pathToQt("Wrote " + workspace.file("audit.html"))), -1);
    EXPECT_EQ(opened(), workspace.file("audit.html") + "\n");
    EXPECT_NE(workspace.read("audit.html").find("gone.htm"), std::string::npos);

    // The announcement dialog the main window opens next says how the audit went.
    QString line;
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<IndexNowDialog*>(QApplication::activeModalWidget())) {
            line = d->findChild<QLabel*>("lastAuditLabel")->text();
            d->findChild<QPushButton*>("closeButton")->click();
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
    find<QPushButton>("indexNowButton")->click();
    EXPECT_TRUE(line.startsWith("Last audit 20")) << fromQt(line);
    EXPECT_TRUE(line.endsWith(" UTC: 4 pages, 1 error, 0 warnings, 0 notices (audit.html)"))
        << fromQt(line);
}

TEST_F(SiteAuditWindowTest, CancelEndsTheCrawlAndTheAuditOfWhatWasReadIsOpened) {
    auditFrom("/chain/p0.htm");
    bool cancelled = false;
    QString progressSeen;
    QString summary;
    std::optional<crawl::CrawlEnding> ending;
    runAudit([&](SiteAuditWindow& window) {
        if (!cancelled) {
            // The chain holds the crawl at its twelfth page.
            const QString count = text(window, "countLabel");
            if (count.section(' ', 0, 0).toInt() < 10) {
                return false;
            }
            progressSeen = count + " | " + text(window, "pageLabel");
            cancelled = userClick(window.findChild<QPushButton*>("cancelButton"));
            openGate();
            return false;
        }
        if (window.busy() || opened().empty()) {
            return false;
        }
        summary = text(window, "summaryLabel");
        ending = window.result()->audit.ending;
        return true;
    });
    ASSERT_FALSE(gaveUp);
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(progressSeen.contains(" pages read, ")) << fromQt(progressSeen);
    EXPECT_TRUE(progressSeen.contains(toQt(server.url("/chain/p")))) << fromQt(progressSeen);
    EXPECT_EQ(ending, crawl::CrawlEnding::Cancelled);
    EXPECT_TRUE(summary.endsWith("(audit.html), the crawl cancelled")) << fromQt(summary);
    EXPECT_EQ(opened(), workspace.file("audit.html") + "\n");
    const audit::LastAudit last = audit::readLastAudit(audit::auditRecordsPath(state.workspace));
    ASSERT_TRUE(last.record);
    EXPECT_EQ(last.record->ending, crawl::CrawlEnding::Cancelled);
    EXPECT_GE(last.record->pages, 10u);
}

// What keeps the audit from being written is said, and nothing is opened or recorded.
TEST_F(SiteAuditWindowTest, AnUnreadableStartPageAndAnUnwritableAuditAreSaid) {
    struct Case {
        std::string start;
        std::function<void()> prepare;
        std::string said;
    };
    const std::vector<Case> cases = {
        {"/missing.htm", [] {}, "The start page could not be read: "},
        {"/site/index.htm",
         [this] { std::filesystem::create_directory(workspace.file("audit.html")); },
         "Cannot write \"" + workspace.file("audit.html") + "\": a folder has that name."},
    };
    for (const Case& c : cases) {
        c.prepare();
        auditFrom(c.start);
        QString summary;
        bool showEnabled = true;
        runAudit([&](SiteAuditWindow& window) {
            if (window.busy()) {
                return false;
            }
            summary = text(window, "summaryLabel");
            showEnabled = window.findChild<QPushButton*>("showAuditButton")->isEnabled();
            return true;
        });
        ASSERT_FALSE(gaveUp) << c.start;
        EXPECT_TRUE(summary.startsWith(pathToQt(c.said))) << fromQt(summary);
        EXPECT_FALSE(showEnabled);
    }
    EXPECT_EQ(opened(), "");
    EXPECT_FALSE(std::filesystem::exists(audit::auditRecordsPath(state.workspace)));
}

TEST(IndexNowDialogLastAudit, TheDialogSaysTheLastAuditOrThatThereWasNone) {
    farrow::test::TempWorkspace workspace;
    IndexNowSetup setup;
    setup.workspace = workspace.workspace();
    const auto shown = [&] {
        const IndexNowDialog dialog(setup, nullptr);
        return fromQt(dialog.findChild<QLabel*>("lastAuditLabel")->text());
    };
    EXPECT_EQ(shown(), "No site audit yet.");
    const std::string path = audit::auditRecordsPath(setup.workspace);
    audit::AuditRecord record{base::TimePoint(std::chrono::seconds(1796886720)),
                              "http://site.test/",
                              40,
                              3,
                              5,
                              2,
                              crawl::CrawlEnding::Finished,
                              workspace.file("audit.html")};
    ASSERT_FALSE(audit::appendAuditRecord(path, record));
    record.pages = 42;
    ASSERT_FALSE(audit::appendAuditRecord(path, record));
    EXPECT_EQ(shown(),
              "Last audit 2026-12-10 07:12 UTC: 42 pages, 3 errors, 5 warnings, 2 "
              "notices (audit.html)");
}

}  // namespace
}  // namespace farrow::ui::test
