#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "crawl/sitemap_reader.h"
#include "google/search_console_ledger.h"
#include "indexnow/announcement_ledger.h"
#include "indexnow/indexnow_key.h"
#include "indexnow/indexnow_request.h"
#include "sandbox/demo_key.h"
#include "sandbox/sandbox_server.h"
#include "sandbox/search_console_service.h"
#include "sandbox/target_behaviour.h"
#include "ui/indexnow_dialog.h"
#include "ui/latin1.h"
#include "window_fixture.h"

namespace farrow::ui::test {
namespace {

// The dialog against the sandbox: its demo site publishes the demo key, its announcement
// endpoints answer over HTTPS, and its silent target never answers.
class IndexNowDialogTest : public testing::Test {
protected:
    IndexNowDialogTest() : sandbox_(sandbox::SandboxSettings{}, sandboxLog_) {
        sandbox_.start();
        std::ofstream(workspace_.path() / "ca.pem") << sandbox_.authorityPem();
    }

    std::string site() const { return "http://127.0.0.1:" + std::to_string(sandbox_.httpPort()); }
    std::string endpoint(const std::string& path) const {
        return "https://127.0.0.1:" + std::to_string(sandbox_.httpsPort()) + path;
    }

    IndexNowSetup setup() {
        IndexNowSetup s;
        s.siteUrl = site() + sandbox::kSiteStartPage;
        s.siteTitle = "Harbour Lights Bakery";
        s.workspace = workspace_.workspace();
        s.caFile = (workspace_.path() / "ca.pem").string();
        // A busy engine is left at once instead of waited for.
        s.timing.indexnowRetryWait = std::chrono::milliseconds(1);
        s.timing.indexnowRetryWaitLimit = std::chrono::milliseconds(1);
        // Cancel lets the request under way end; a silent engine gives it up after this.
        s.timing.indexnowStallTimeout = std::chrono::milliseconds(2000);
        s.askShowLog = [this](QWidget* parent) {
            logOfferedOver = parent;
            return true;
        };
        s.showLog = [this](const std::string& path) { shownLog = path; };
        s.askReplaceKey = [this](QWidget* parent, const std::string& key) {
            replaceAskedOver = parent;
            replaceAskedFor = key;
            return replaceKey;
        };
        s.chooseSitemapSave = [this](QWidget*) { return sitemapSavedAs; };
        return s;
    }

    template <typename T>
    static T* child(const IndexNowDialog& dialog, const char* name) {
        T* widget = dialog.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // Runs the event loop until the job under way has ended; false after half a minute.
    static bool waitForJob(IndexNowDialog& dialog) {
        // A job ends only through a queued call, so it cannot have ended unseen.
        if (!dialog.busy()) {
            return true;
        }
        QEventLoop loop;
        bool ended = false;
        QObject::connect(&dialog, &IndexNowDialog::jobFinished, &loop, [&] {
            ended = true;
            loop.quit();
        });
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        return ended;
    }

    // Clicks `button` and waits for the job it starts to end.
    static bool clickAndWait(IndexNowDialog& dialog, const char* button) {
        child<QPushButton>(dialog, button)->click();
        return waitForJob(dialog);
    }

    // The sandbox's service account in the workspace, where the dialog looks for it first, and
    // the sandbox as the Search Console.
    IndexNowSetup googleSetup() {
        EXPECT_TRUE(sandbox::writeCredentials(workspace_.path() / sandbox::kGoogleCredentialsName,
                                              sandbox_.googleAccount(), sandbox_.googleTokenUri()));
        IndexNowSetup s = setup();
        s.googleApi = sandbox_.googleApi();
        s.timing.googleInspectPace = std::chrono::milliseconds(1);
        return s;
    }

    // The rows of the answers list whose first column is `first`.
    static std::vector<std::vector<std::string>> rowsOf(const IndexNowDialog& dialog,
                                                        const std::string& first) {
        std::vector<std::vector<std::string>> out;
        for (std::vector<std::string>& row : rows(dialog)) {
            if (row[0] == first) {
                out.push_back(std::move(row));
            }
        }
        return out;
    }

    static std::vector<std::vector<std::string>> rows(const IndexNowDialog& dialog) {
        std::vector<std::vector<std::string>> out;
        auto* list = child<QTreeWidget>(dialog, "answersList");
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            std::vector<std::string> row;
            for (int column = 0; column < list->columnCount(); ++column) {
                row.push_back(list->topLevelItem(i)->text(column).toStdString());
            }
            out.push_back(row);
        }
        return out;
    }

    farrow::test::TempWorkspace workspace_;
    std::ostringstream sandboxLog_;
    sandbox::SandboxServer sandbox_;
    QWidget* logOfferedOver = nullptr;
    QWidget* replaceAskedOver = nullptr;
    std::string replaceAskedFor;
    bool replaceKey = false;
    std::string shownLog;
    std::string sitemapSavedAs;
};

TEST_F(IndexNowDialogTest, MakesAKeyShowsWhereToPublishItAndVerifiesWhatTheSiteServes) {
    IndexNowDialog dialog(setup(), nullptr);
    EXPECT_NE(child<QLabel>(dialog, "publishLabel")->text().indexOf("no key yet"), -1);

    child<QPushButton>(dialog, "makeKeyButton")->click();
    const std::string key = child<QLineEdit>(dialog, "keyField")->text().toStdString();
    EXPECT_EQ(indexnow::keyProblem(key), "");
    EXPECT_EQ(indexnow::loadKey(workspace_.workspace()).key, key);
    EXPECT_TRUE(std::filesystem::exists(workspace_.path() / (key + ".txt")));
    EXPECT_NE(child<QLabel>(dialog, "publishLabel")
                  ->text()
                  .indexOf(QString::fromStdString(site() + "/" + key + ".txt")),
              -1);
    EXPECT_EQ(replaceAskedOver, nullptr);

    // The site may publish the key there is: a new one replaces it only when the user says so.
    child<QPushButton>(dialog, "makeKeyButton")->click();
    EXPECT_EQ(replaceAskedOver, &dialog);
    EXPECT_EQ(replaceAskedFor, key);
    EXPECT_EQ(indexnow::loadKey(workspace_.workspace()).key, key);
    replaceKey = true;
    child<QPushButton>(dialog, "makeKeyButton")->click();
    EXPECT_NE(indexnow::loadKey(workspace_.workspace()).key, key);
    EXPECT_EQ(child<QLineEdit>(dialog, "keyField")->text().toStdString(),
              indexnow::loadKey(workspace_.workspace()).key.value_or(""));

    // The demo site publishes only the demo key.
    ASSERT_TRUE(clickAndWait(dialog, "verifyButton"));
    EXPECT_NE(child<QLabel>(dialog, "verifyLabel")->text().indexOf("not found"), -1)
        << child<QLabel>(dialog, "verifyLabel")->text().toStdString();
    child<QLineEdit>(dialog, "keyField")->setText(sandbox::kDemoKey);
    ASSERT_TRUE(clickAndWait(dialog, "verifyButton"));
    EXPECT_TRUE(child<QLabel>(dialog, "verifyLabel")->text().startsWith("OK"))
        << child<QLabel>(dialog, "verifyLabel")->text().toStdString();

    // A key of the wrong form goes nowhere.
    child<QLineEdit>(dialog, "keyField")->setText("short_1");
    child<QPushButton>(dialog, "verifyButton")->click();
    EXPECT_FALSE(dialog.busy());
    EXPECT_NE(child<QLabel>(dialog, "summaryLabel")->text().indexOf("will not do"), -1);
}

TEST_F(IndexNowDialogTest, AnnouncesTheDeepPagesFallingBackFromABusyEngineAndOffersTheLog) {
    ASSERT_FALSE(indexnow::saveKey(workspace_.workspace(), sandbox::kDemoKey));
    IndexNowDialog dialog(setup(), nullptr);
    child<QRadioButton>(dialog, "deepPagesRadio")->setChecked(true);
    child<QPlainTextEdit>(dialog, "endpointsField")
        ->setPlainText(QString::fromStdString(endpoint(sandbox::kIndexNowBusyPath) + "\n\n" +
                                              endpoint(sandbox::kIndexNowPath) + "\n"));
    ASSERT_TRUE(clickAndWait(dialog, "announceButton"));

    ASSERT_TRUE(dialog.lastResult());
    const indexnow::AnnounceResult& result = *dialog.lastResult();
    EXPECT_EQ(result.ending, indexnow::AnnounceEnding::Finished);
    EXPECT_EQ(result.accepted + result.pending, result.toSend);
    EXPECT_GE(result.toSend, 5u);
    const auto answers = rows(dialog);
    ASSERT_GE(answers.size(), 2u);
    EXPECT_EQ(answers.front()[0], endpoint(sandbox::kIndexNowBusyPath));
    EXPECT_EQ(answers.front()[3], "busy");
    EXPECT_EQ(answers.back()[0], endpoint(sandbox::kIndexNowPath));
    EXPECT_EQ(answers.back()[2], "202");
    EXPECT_EQ(answers.back()[3], "pending");
    auto* progress = child<QProgressBar>(dialog, "progressBar");
    EXPECT_EQ(progress->value(), progress->maximum());
    EXPECT_EQ(logOfferedOver, &dialog);
    EXPECT_EQ(shownLog, result.logPath);
    EXPECT_TRUE(std::filesystem::exists(shownLog));
    EXPECT_TRUE(child<QPushButton>(dialog, "announceButton")->isEnabled());

    // The ledger keeps them from going again the next day's morning.
    ASSERT_TRUE(clickAndWait(dialog, "announceButton"));
    EXPECT_EQ(dialog.lastResult()->toSend, 0u);
    EXPECT_NE(rows(dialog).back()[4].find("sent-recently"), std::string::npos);
}

TEST_F(IndexNowDialogTest, CrawlsAndAnnouncesTheWholeSiteSavesItsSitemapAndSendsOnlyWhatChanged) {
    ASSERT_FALSE(indexnow::saveKey(workspace_.workspace(), sandbox::kDemoKey));
    IndexNowDialog dialog(setup(), nullptr);
    child<QRadioButton>(dialog, "crawlRadio")->setChecked(true);
    child<QPlainTextEdit>(dialog, "endpointsField")
        ->setPlainText(QString::fromStdString(endpoint(sandbox::kIndexNowPath)));
    ASSERT_TRUE(clickAndWait(dialog, "announceButton"));
    ASSERT_TRUE(dialog.lastResult());
    const std::size_t announced = dialog.lastResult()->toSend;
    EXPECT_GE(announced, 20u);
    EXPECT_EQ(dialog.lastResult()->accepted + dialog.lastResult()->pending, announced);
    const QString summary = child<QLabel>(dialog, "summaryLabel")->text();
    EXPECT_TRUE(summary.startsWith("The crawl ended by itself")) << summary.toStdString();
    const auto crawled = rows(dialog);
    EXPECT_TRUE(std::any_of(crawled.begin(), crawled.end(), [](const auto& row) {
        return row[3] == "left out" && row[4] == "noindex";
    }));

    // The crawl just made is saved as it is: the sandbox sees no second one.
    const std::size_t requests = sandboxLog_.str().size();
    sitemapSavedAs = (workspace_.path() / "site-map.xml").string();
    child<QPushButton>(dialog, "saveSitemapButton")->click();
    EXPECT_FALSE(dialog.busy());
    EXPECT_EQ(sandboxLog_.str().size(), requests);
    EXPECT_NE(child<QLabel>(dialog, "summaryLabel")
                  ->text()
                  .indexOf(QString::fromStdString("Sitemap: " + site())),
              -1);
    std::ifstream saved(sitemapSavedAs);
    const std::string xml((std::istreambuf_iterator<char>(saved)), {});
    EXPECT_EQ(crawl::parseSitemap(xml, 1 << 20).entries.size(), announced);

    // Announced from that file, named as one of the workspace: the dated pages have not changed
    // since, the rest were sent a moment ago.
    child<QLineEdit>(dialog, "sitemapField")->setText("site-map.xml");
    child<QRadioButton>(dialog, "sitemapRadio")->setChecked(true);
    ASSERT_TRUE(clickAndWait(dialog, "announceButton"));
    EXPECT_EQ(dialog.lastResult()->toSend, 0u);
    const auto again = rows(dialog);
    EXPECT_TRUE(std::any_of(again.begin(), again.end(),
                            [](const auto& row) { return row[4] == "unchanged"; }));

    // A dialog that has not crawled crawls first; a sitemap that is not there says so.
    IndexNowDialog fresh(setup(), nullptr);
    sitemapSavedAs = (workspace_.path() / "fresh.xml").string();
    ASSERT_TRUE(clickAndWait(fresh, "saveSitemapButton"));
    EXPECT_TRUE(std::filesystem::exists(sitemapSavedAs));
    EXPECT_TRUE(child<QLabel>(fresh, "summaryLabel")->text().startsWith("The crawl ended"));
    child<QLineEdit>(fresh, "sitemapField")->setText("none.xml");
    child<QRadioButton>(fresh, "sitemapRadio")->setChecked(true);
    ASSERT_TRUE(clickAndWait(fresh, "announceButton"));
    EXPECT_FALSE(fresh.lastResult());
    EXPECT_TRUE(
        child<QLabel>(fresh, "summaryLabel")->text().startsWith("The sitemap could not be read: "))
        << child<QLabel>(fresh, "summaryLabel")->text().toStdString();
}

TEST_F(IndexNowDialogTest, CancelStopsAnEngineThatNeverAnswersAndCloseWaitsForIt) {
    ASSERT_FALSE(indexnow::saveKey(workspace_.workspace(), sandbox::kDemoKey));
    IndexNowDialog dialog(setup(), nullptr);
    child<QPlainTextEdit>(dialog, "endpointsField")
        ->setPlainText(
            QString::fromStdString("http://127.0.0.1:" + std::to_string(sandbox_.httpPort()) +
                                   sandbox::routeFor(sandbox::Behaviour::Silent).path));
    dialog.show();
    child<QPushButton>(dialog, "announceButton")->click();
    EXPECT_TRUE(dialog.busy());
    EXPECT_FALSE(child<QPushButton>(dialog, "announceButton")->isEnabled());
    child<QPushButton>(dialog, "cancelButton")->click();
    ASSERT_TRUE(waitForJob(dialog));
    ASSERT_TRUE(dialog.lastResult());
    EXPECT_EQ(dialog.lastResult()->ending, indexnow::AnnounceEnding::Cancelled);
    EXPECT_NE(child<QLabel>(dialog, "summaryLabel")->text().indexOf("Stopped."), -1);

    // A site that never answers: Cancel ends the gathering of its pages and nothing goes.
    IndexNowSetup silentSite = setup();
    silentSite.siteUrl = "http://127.0.0.1:" + std::to_string(sandbox_.httpPort()) +
                         sandbox::routeFor(sandbox::Behaviour::Silent).path;
    IndexNowDialog gathering(silentSite, nullptr);
    for (const char* source : {"deepPagesRadio", "crawlRadio"}) {
        child<QRadioButton>(gathering, source)->setChecked(true);
        child<QPushButton>(gathering, "announceButton")->click();
        QTimer::singleShot(200, &gathering,
                           [&] { child<QPushButton>(gathering, "cancelButton")->click(); });
        ASSERT_TRUE(waitForJob(gathering)) << source;
        EXPECT_FALSE(gathering.lastResult()) << source;
        EXPECT_EQ(child<QLabel>(gathering, "summaryLabel")->text(),
                  "Stopped before anything was sent.");
    }

    // Closing while a run goes on stops it first and closes once it has ended.
    child<QPushButton>(dialog, "announceButton")->click();
    child<QPushButton>(dialog, "closeButton")->click();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_TRUE(waitForJob(dialog));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.busy());
}

// What the dialog was last used with comes back when it opens again in the workspace, and the
// endpoint that will be asked is named before anything is sent.
TEST_F(IndexNowDialogTest, RemembersEndpointsKeyLocationAndSourcePerWorkspace) {
    const std::string own = endpoint("/indexnow");
    {
        IndexNowDialog dialog(setup(), nullptr);
        EXPECT_EQ(
            child<QLabel>(dialog, "firstEndpointLabel")->text(),
            QString("Announce asks ") + indexnow::kDefaultEndpoint + " (the public default).");
        dialog.show();
        child<QPlainTextEdit>(dialog, "endpointsField")
            ->setPlainText(toQt(own + "\n" + endpoint("/second")));
        child<QLineEdit>(dialog, "keyLocationField")->setText("/keys/k.txt");
        child<QRadioButton>(dialog, "crawlRadio")->setChecked(true);
        QTest::keyClick(dialog.windowHandle(), Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_TRUE(std::filesystem::exists(workspace_.path() / "farrowlane-window.ini"));
    IndexNowDialog again(setup(), nullptr);
    EXPECT_EQ(fromQt(child<QPlainTextEdit>(again, "endpointsField")->toPlainText()),
              own + "\n" + endpoint("/second"));
    EXPECT_EQ(child<QLabel>(again, "firstEndpointLabel")->text(),
              toQt("Announce asks " + own + ", then 1 more if it cannot take the URLs."));
    EXPECT_EQ(child<QLineEdit>(again, "keyLocationField")->text(), "/keys/k.txt");
    EXPECT_TRUE(child<QRadioButton>(again, "crawlRadio")->isChecked());

    // Another workspace starts from the defaults.
    farrow::test::TempWorkspace other;
    IndexNowSetup elsewhere = setup();
    elsewhere.workspace = other.workspace();
    IndexNowDialog fresh(std::move(elsewhere), nullptr);
    EXPECT_EQ(fromQt(child<QPlainTextEdit>(fresh, "endpointsField")->toPlainText()),
              indexnow::kDefaultEndpoint);
    EXPECT_TRUE(child<QLineEdit>(fresh, "keyLocationField")->text().isEmpty());
}

// A long message at the bottom scrolls in its own space: at the default size and at the smallest
// the form's wrapped labels keep every line, and Announce and Cancel stay where they are when a
// run starts.
TEST_F(IndexNowDialogTest, NoLabelIsCutAndNoButtonMovesWhateverTheMessageAndSize) {
    ASSERT_FALSE(indexnow::saveKey(workspace_.workspace(), sandbox::kDemoKey));
    IndexNowDialog dialog(setup(), nullptr);
    child<QPlainTextEdit>(dialog, "endpointsField")
        ->setPlainText(toQt("http://127.0.0.1:" + std::to_string(sandbox_.httpPort()) +
                            sandbox::routeFor(sandbox::Behaviour::Silent).path));
    dialog.show();
    QStringList lines;
    for (int i = 0; i < 12; ++i) {
        lines << QString("Note %1: the crawl left out a page for a reason worth reading.").arg(i);
    }
    auto* summary = child<QLabel>(dialog, "summaryLabel");
    for (const QSize size : {IndexNowDialog::kDefaultSize, dialog.minimumSize()}) {
        dialog.resize(size);
        summary->setText(lines.join('\n'));
        QApplication::processEvents();
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label != summary && label->isVisible() && label->wordWrap()) {
                EXPECT_GE(label->height(), label->heightForWidth(label->width()))
                    << label->objectName().toStdString() << " at " << size.width() << "x"
                    << size.height();
            }
        }
    }
    dialog.resize(IndexNowDialog::kDefaultSize);
    summary->clear();
    QApplication::processEvents();
    auto* announce = child<QPushButton>(dialog, "announceButton");
    auto* cancel = child<QPushButton>(dialog, "cancelButton");
    const QRect announceAt = announce->geometry(), cancelAt = cancel->geometry();
    announce->click();
    QApplication::processEvents();
    EXPECT_TRUE(dialog.busy());
    EXPECT_EQ(announce->geometry(), announceAt);
    EXPECT_EQ(cancel->geometry(), cancelAt);
    cancel->click();
    ASSERT_TRUE(waitForJob(dialog));
}

TEST_F(IndexNowDialogTest, EndpointsMustBeWebAddresses) {
    ASSERT_FALSE(indexnow::saveKey(workspace_.workspace(), sandbox::kDemoKey));
    IndexNowDialog dialog(setup(), nullptr);
    for (const char* endpoints : {"", "  \n", "ftp://127.0.0.1/indexnow"}) {
        child<QPlainTextEdit>(dialog, "endpointsField")->setPlainText(endpoints);
        child<QPushButton>(dialog, "announceButton")->click();
        EXPECT_FALSE(dialog.busy()) << endpoints;
    }
    EXPECT_NE(child<QLabel>(dialog, "summaryLabel")->text().indexOf("no http or https"), -1);
}

TEST_F(IndexNowDialogTest, LatinOneLettersOfAddressesShowAsTheirCharactersBothWays) {
    ASSERT_FALSE(indexnow::saveKey(workspace_.workspace(), sandbox::kDemoKey));
    IndexNowSetup s = setup();
    s.siteUrl = "http://127.0.0.1/caf\xe9/";
    IndexNowDialog dialog(s, nullptr);
    const QString cafe = QString("caf") + QChar(0xE9);
    EXPECT_TRUE(child<QRadioButton>(dialog, "siteAddressRadio")->text().endsWith(cafe + "/"))
        << child<QRadioButton>(dialog, "siteAddressRadio")->text().toStdString();
    EXPECT_EQ(child<QLineEdit>(dialog, "sitemapField")->text(),
              "http://127.0.0.1/" + cafe + "/sitemap.xml");

    // What is typed reaches the core as its bytes and comes back as the same characters.
    child<QPlainTextEdit>(dialog, "endpointsField")->setPlainText("ftp://127.0.0.1/" + cafe);
    child<QPushButton>(dialog, "announceButton")->click();
    EXPECT_FALSE(dialog.busy());
    EXPECT_EQ(child<QLabel>(dialog, "summaryLabel")->text(),
              "\"ftp://127.0.0.1/" + cafe + "\" is no http or https address.");
}

// The Search Console section against the sandbox's: the check names the property and what it
// allows, the sitemap goes in, and the crawled pages come back with their verdicts, every answer
// a row of the list and a line of the ledger.
TEST_F(IndexNowDialogTest, GoogleCheckSubmitAndInspectShowTheSearchConsolesAnswers) {
    IndexNowDialog dialog(googleSetup(), nullptr);
    dialog.show();
    const std::string property = site() + "/";
    ASSERT_TRUE(clickAndWait(dialog, "googleCheckButton"));
    const QString checked = child<QLabel>(dialog, "summaryLabel")->text();
    EXPECT_NE(checked.indexOf(toQt("Service account " + sandbox_.googleAccount().clientEmail)), -1)
        << checked.toStdString();
    EXPECT_NE(checked.indexOf(toQt("covers " + site() + sandbox::kSiteStartPage + " is " +
                                   property + ", with permission siteOwner")),
              -1)
        << checked.toStdString();
    const auto properties = rowsOf(dialog, "Search Console");
    EXPECT_TRUE(std::any_of(properties.begin(), properties.end(), [&](const auto& row) {
        return row[1] == property && row[3] == "siteOwner";
    })) << properties.size();

    ASSERT_TRUE(clickAndWait(dialog, "googleSubmitButton"));
    const auto sitemaps = rowsOf(dialog, "Search Console");
    ASSERT_FALSE(sitemaps.empty());
    EXPECT_EQ(sitemaps.front()[3], "submitted") << sitemaps.front()[1];
    // The submission's row, then the state the property reports of it.
    ASSERT_EQ(sitemaps.size(), 2u);
    EXPECT_EQ(sitemaps[1][1], sitemaps[0][1]);
    EXPECT_NE(child<QLabel>(dialog, "summaryLabel")
                  ->text()
                  .indexOf("1 sitemaps submitted, 0 "
                           "refused"),
              -1)
        << child<QLabel>(dialog, "summaryLabel")->text().toStdString();

    child<QRadioButton>(dialog, "crawlRadio")->setChecked(true);
    ASSERT_TRUE(clickAndWait(dialog, "googleInspectButton"));
    std::map<std::string, std::pair<std::string, std::string>> verdicts;
    for (const auto& row : rowsOf(dialog, "Search Console")) {
        verdicts[row[1]] = {row[2], row[3]};
    }
    const std::string pages = site() + "/site/";
    EXPECT_EQ(verdicts[pages + "index.htm"],
              std::make_pair(std::string("PASS"), std::string("Submitted and indexed")));
    EXPECT_EQ(
        verdicts[pages + "cakes.htm"],
        std::make_pair(std::string("NEUTRAL"), std::string("Discovered - currently not indexed")));
    const QString summary = child<QLabel>(dialog, "summaryLabel")->text();
    EXPECT_NE(summary.indexOf("\nGoogle: 2 indexed, "), -1) << summary.toStdString();
    // The bar counted the inspections planned to the last.
    auto* bar = child<QProgressBar>(dialog, "progressBar");
    EXPECT_EQ(bar->maximum(), static_cast<int>(verdicts.size()));
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_NE(summary.indexOf("Not indexed: Discovered - currently not indexed: 1."), -1)
        << summary.toStdString();

    google::SearchConsoleLedger::Opened ledger =
        google::SearchConsoleLedger::open(indexnow::ledgerPath(workspace_.workspace()));
    ASSERT_TRUE(ledger.ledger) << ledger.error.reason;
    EXPECT_EQ(ledger.ledger->history(std::nullopt).size(), verdicts.size() + 1);

    // A key file that is not there says where one is looked for, and nothing is asked.
    child<QLineEdit>(dialog, "credentialsField")->setText("missing.json");
    ASSERT_TRUE(clickAndWait(dialog, "googleCheckButton"));
    EXPECT_NE(child<QLabel>(dialog, "summaryLabel")->text().indexOf("missing.json"), -1)
        << child<QLabel>(dialog, "summaryLabel")->text().toStdString();
}

// Cancel ends an inspection between two URLs however long the pace would wait, and while it
// runs no other section starts anything.
TEST_F(IndexNowDialogTest, GoogleCancelStopsAnInspectionPromptlyAndOtherButtonsWait) {
    IndexNowSetup s = googleSetup();
    s.timing.googleInspectPace = std::chrono::minutes(10);
    IndexNowDialog dialog(s, nullptr);
    dialog.show();
    child<QRadioButton>(dialog, "crawlRadio")->setChecked(true);
    auto* inspect = child<QPushButton>(dialog, "googleInspectButton");
    const QRect inspectAt = inspect->geometry();
    inspect->click();
    ASSERT_TRUE(dialog.busy());
    for (const char* other : {"announceButton", "googleCheckButton", "googleSubmitButton",
                              "googleInspectButton", "makeKeyButton", "saveSitemapButton"}) {
        EXPECT_FALSE(child<QPushButton>(dialog, other)->isEnabled()) << other;
    }
    EXPECT_EQ(inspect->geometry(), inspectAt);
    // Cancel once the first answer is in: the job is then waiting out the pace.
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!rowsOf(dialog, "Search Console").empty()) {
            child<QPushButton>(dialog, "cancelButton")->click();
            poll.stop();
            loop.quit();
        }
    });
    poll.start(5);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_TRUE(waitForJob(dialog));
    EXPECT_EQ(rowsOf(dialog, "Search Console").size(), 1u);
    const QString summary = child<QLabel>(dialog, "summaryLabel")->text();
    EXPECT_NE(summary.indexOf("Stopped."), -1) << summary.toStdString();
    EXPECT_NE(summary.indexOf("1 indexed"), -1) << summary.toStdString();
    EXPECT_TRUE(child<QPushButton>(dialog, "googleInspectButton")->isEnabled());
}

// The key file defaults as farrowctl's does; what was typed comes back in the workspace.
TEST_F(IndexNowDialogTest, GoogleKeyFileAndPropertyAreRememberedPerWorkspace) {
    {
        IndexNowDialog dialog(setup(), nullptr);
        EXPECT_EQ(child<QLineEdit>(dialog, "credentialsField")->text(),
                  pathToQt((workspace_.path() / sandbox::kGoogleCredentialsName).string()));
        EXPECT_TRUE(child<QLineEdit>(dialog, "propertyField")->text().isEmpty());
        dialog.show();
        child<QLineEdit>(dialog, "credentialsField")->setText("keys/account.json");
        child<QLineEdit>(dialog, "propertyField")->setText("sc-domain:bakery.example");
        QTest::keyClick(dialog.windowHandle(), Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
    }
    IndexNowDialog again(setup(), nullptr);
    EXPECT_EQ(child<QLineEdit>(again, "credentialsField")->text(), "keys/account.json");
    EXPECT_EQ(child<QLineEdit>(again, "propertyField")->text(), "sc-domain:bakery.example");

    // Elsewhere the variable's file, when the program was given one, stands first.
    farrow::test::TempWorkspace other;
    IndexNowSetup elsewhere = setup();
    elsewhere.workspace = other.workspace();
    elsewhere.googleCredentials = "/etc/farrowlane/account.json";
    IndexNowDialog fresh(std::move(elsewhere), nullptr);
    EXPECT_EQ(child<QLineEdit>(fresh, "credentialsField")->text(), "/etc/farrowlane/account.json");
    EXPECT_TRUE(child<QLineEdit>(fresh, "propertyField")->text().isEmpty());
}

TEST_F(WindowTest, IndexNowButtonOpensTheDialogOverTheMainWindowForTheSiteOnThePages) {
    writeWorkspace({siteLine("Alpha")});
    startWindow();
    profile::SubmissionProfile profile = dialog->readProfile();
    profile.url = "http://bakery.example/";
    dialog->writeProfile(profile);
    QString shownSite;
    QWidget* parent = nullptr;
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [&] {
        if (auto* opened = qobject_cast<IndexNowDialog*>(QApplication::activeModalWidget())) {
            parent = opened->parentWidget();
            shownSite = opened->findChild<QRadioButton*>("siteAddressRadio")->text();
            opened->findChild<QPushButton*>("closeButton")->click();
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
    find<QPushButton>("indexNowButton")->click();
    EXPECT_EQ(parent, dialog.get());
    EXPECT_NE(shownSite.indexOf("http://bakery.example/"), -1) << shownSite.toStdString();
}

// As the program runs it: the main window hands the dialog the Search Console's address and
// the workspace's key file, the dialog runs modal over it, and Check is pressed through the
// window system.
TEST_F(WindowTest, GoogleCheckIsPressedInTheModalDialogTheMainWindowOpens) {
    std::ostringstream log;
    sandbox::SandboxServer sandbox(sandbox::SandboxSettings{}, log);
    sandbox.start();
    ASSERT_TRUE(sandbox::writeCredentials(workspace.path() / sandbox::kGoogleCredentialsName,
                                          sandbox.googleAccount(), sandbox.googleTokenUri()));
    writeWorkspace({siteLine("Alpha")});
    state.googleApi = sandbox.googleApi();
    startWindow();
    profile::SubmissionProfile profile = dialog->readProfile();
    profile.url = "http://127.0.0.1:" + std::to_string(sandbox.httpPort()) + "/";
    dialog->writeProfile(profile);
    QString summary;
    bool pressed = false;
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [&] {
        auto* opened = qobject_cast<IndexNowDialog*>(QApplication::activeModalWidget());
        if (!opened || opened->busy()) {
            return;
        }
        if (!pressed) {
            pressed = userClick(opened->findChild<QPushButton*>("googleCheckButton"));
            return;
        }
        summary = opened->findChild<QLabel*>("summaryLabel")->text();
        opened->findChild<QPushButton*>("closeButton")->click();
        timer->stop();
        timer->deleteLater();
    });
    timer->start(10);
    find<QPushButton>("indexNowButton")->click();
    EXPECT_TRUE(pressed);
    EXPECT_NE(summary.indexOf(toQt("is " + profile.url + ", with permission siteOwner")), -1)
        << summary.toStdString();
}

}  // namespace
}  // namespace farrow::ui::test
