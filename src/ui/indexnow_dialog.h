#pragma once

#include <QDialog>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "base/timing.h"
#include "base/workspace.h"
#include "crawl/site_crawl.h"
#include "indexnow/announcement.h"
#include "indexnow/key_scope.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace farrow::ui {

// What the announcement dialog works with: the site as the main window holds it, and the
// workspace's key, ledger and logs.
struct IndexNowSetup {
    std::string siteUrl;
    std::string siteTitle;
    base::Workspace workspace{"."};
    base::Timing timing;
    // Trusted beside the system's store ($FARROWLANE_CA_FILE); empty: the system's store only.
    std::string caFile;
    // Asked at the end of an announcement that wrote a log; true to show it.
    std::function<bool(QWidget* parent)> askShowLog;
    std::function<void(const std::string& path)> showLog;
    // Where "Save sitemap..." writes, and which sitemap file "Browse..." takes; empty when the
    // user cancels.
    std::function<std::string(QWidget* parent)> chooseSitemapSave;
    std::function<std::string(QWidget* parent)> chooseSitemapFile;
};

// Announces the site to the engines that take URL pings: the key (made here, with the file to
// publish), its check, the URLs (the site's address, its deep pages, the pages a whole-site
// crawl finds, or a sitemap's), the endpoints, and the run with its progress and the engines'
// answers; and the crawl's sitemap.xml, saved where the user chooses. Checks and runs go on a
// worker thread of the dialog's own, so the window stays alive and can cancel them; the worker
// reports back through queued calls.
class IndexNowDialog final : public QDialog {
    Q_OBJECT
public:
    IndexNowDialog(IndexNowSetup setup, QWidget* parent);
    ~IndexNowDialog() override;

    // Whether a check or a run is going on.
    bool busy() const { return worker_.joinable(); }
    // The last run's result, once one has ended.
    const std::optional<indexnow::AnnounceResult>& lastResult() const { return lastResult_; }

signals:
    // A check or a run has ended and the dialog takes input again.
    void jobFinished();

protected:
    // Escape and the close box first stop what runs, then close.
    void reject() override;

private:
    class RunObserver;
    friend class RunObserver;
    class CrawlWatcher;
    friend class CrawlWatcher;

    void buildControls();
    void showKey(const std::string& key);
    // The key's scope as the fields give it, or nothing after saying what is wrong.
    std::optional<indexnow::KeyScope> scopeFromFields();
    std::vector<std::string> endpointsFromField();

    void onMakeKey();
    void onVerify();
    void onAnnounce();
    void onCancel();
    void onBrowseSitemap();
    void onSaveSitemap();

    // Crawls the site on the worker, telling the summary how far it got.
    crawl::CrawlResult crawlSite();

    // What a job leaves to do on the window thread once it has ended.
    using Finish = std::function<void()>;
    // Runs `job` on the worker; the controls that start jobs wait until it ends.
    void startJob(std::function<Finish()> job);
    // The worker's last queued call: joins it, then finishes on the window thread.
    void jobEnded(const Finish& finish);
    void setIdle(bool idle);
    // Queues `call` to run on the window thread; dropped if the dialog is gone.
    void post(std::function<void()> call);

    void addAnswer(const indexnow::RequestRecord& record);
    void addLeftOut(const indexnow::LeftOutUrl& url);
    // `notes`, when given, come before the summary: how the crawl ended, sitemaps skipped.
    void runEnded(const indexnow::AnnounceResult& result, const std::string& failure,
                  const std::string& notes = {});

    IndexNowSetup setup_;
    std::atomic<bool> cancel_{false};
    std::jthread worker_;
    std::optional<indexnow::AnnounceResult> lastResult_;
    // The last whole crawl of this dialog: "Save sitemap..." writes it without crawling again.
    std::optional<crawl::CrawlResult> lastCrawl_;
    // Escape or the close box came while a job ran: close once it has stopped.
    bool closeWhenIdle_ = false;

    QLineEdit* keyField_ = nullptr;
    QPushButton* makeKeyButton_ = nullptr;
    QLabel* publishLabel_ = nullptr;
    QLineEdit* keyLocationField_ = nullptr;
    QPushButton* verifyButton_ = nullptr;
    QLabel* verifyLabel_ = nullptr;
    QRadioButton* siteAddressRadio_ = nullptr;
    QRadioButton* deepPagesRadio_ = nullptr;
    QRadioButton* crawlRadio_ = nullptr;
    QPushButton* saveSitemapButton_ = nullptr;
    QRadioButton* sitemapRadio_ = nullptr;
    QLineEdit* sitemapField_ = nullptr;
    QPushButton* browseSitemapButton_ = nullptr;
    QPlainTextEdit* endpointsField_ = nullptr;
    QCheckBox* forceCheck_ = nullptr;
    QPushButton* announceButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTreeWidget* answers_ = nullptr;
    QLabel* summaryLabel_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

}  // namespace farrow::ui
