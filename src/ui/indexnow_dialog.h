#pragma once

#include <QDialog>
#include <QSize>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "base/timing.h"
#include "base/workspace.h"
#include "crawl/site_crawl.h"
#include "google/search_console_job.h"
#include "indexnow/announcement.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace farrow::ui {

class IndexNowAnswersView;
class IndexNowEndpointSection;
class IndexNowGoogleSection;
class IndexNowKeySection;
class IndexNowUrlSection;

// What the announcement dialog works with: the site as the main window holds it, and the
// workspace's key, ledger and logs.
struct IndexNowSetup {
    std::string siteUrl;
    std::string siteTitle;
    base::Workspace workspace{"."};
    base::Timing timing;
    // Trusted beside the system's store ($FARROWLANE_CA_FILE); empty: the system's store only.
    std::string caFile;
    // The Search Console's address ($FARROWLANE_GOOGLE_API; empty: the service's own) and the
    // key file $GOOGLE_APPLICATION_CREDENTIALS names (empty: the workspace's).
    std::string googleApi;
    std::string googleCredentials;
    // Asked at the end of an announcement that wrote a log; true to show it.
    std::function<bool(QWidget* parent)> askShowLog;
    std::function<void(const std::string& path)> showLog;
    // Asked before "Make Key" replaces the workspace's `key`; true to replace it.
    std::function<bool(QWidget* parent, const std::string& key)> askReplaceKey;
    // Where "Save sitemap..." writes, and which sitemap file "Browse..." takes; empty when the
    // user cancels.
    std::function<std::string(QWidget* parent)> chooseSitemapSave;
    std::function<std::string(QWidget* parent)> chooseSitemapFile;
    // Which key file "Browse..." of the Google section takes; empty when the user cancels.
    std::function<std::string(QWidget* parent)> chooseCredentialsFile;
};

// Announces the site to the engines that take URL pings: the key, the URLs, the endpoints
// (each a section of its own), and the run with its progress and the engines' answers; and the
// crawl's sitemap.xml, saved where the user chooses; and Google's Search Console, which takes
// no pings: the property check, the sitemaps submitted, the URLs inspected. Checks and runs go on a
// worker thread of the dialog's own, so the window stays alive and can cancel them; the worker
// reports back through queued calls.
class IndexNowDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr QSize kDefaultSize{680, 860};
    // Narrower, the wrapped labels of the form would need more lines than the window has.
    static constexpr int kMinimumWidth = 560;

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
    class RunFrontend;
    friend class RunFrontend;
    class GoogleFrontend;
    friend class GoogleFrontend;

    void buildControls();
    // The endpoints, key location and source of the last use in this workspace, and saving them;
    // false when the file could not be written (the summary says so).
    void restoreSettings();
    bool rememberSettings();

    // The last site audit's summary line from the workspace's list of audits.
    void showLastAudit();
    void onVerify();
    void onAnnounce();
    void onCancel();
    void onSaveSitemap();
    void onGoogleCheck();
    void onGoogleSitemaps();
    void onGoogleInspect();
    // The Search Console job's parameters of the Google section; empty with `problem` set when
    // the URL section's source will not do.
    std::optional<google::SearchConsoleJob::Params> googleParams(QString& problem);
    // Starts a Search Console job whose `run` returns what the summary says.
    void startGoogleJob(
        google::SearchConsoleJob::Params params, const QString& startText,
        std::function<QString(const google::SearchConsoleJob::Params&, GoogleFrontend&)> run);

    // What a job leaves to do on the window thread once it has ended.
    using Finish = std::function<void()>;
    // Runs `job` on the worker; the controls that start jobs wait until it ends.
    void startJob(std::function<Finish()> job);
    // The worker's last queued call: joins it, then finishes on the window thread.
    void jobEnded(const Finish& finish);
    void setIdle(bool idle);
    // Queues `call` to run on the window thread; dropped if the dialog is gone.
    void post(std::function<void()> call);
    void showCrawlProgress(std::size_t fetched, std::size_t waiting);

    // `failure`, when given, is said in place of the summary; `notes` come before the summary.
    void runEnded(const indexnow::AnnounceResult& result, const QString& failure,
                  const QString& notes = {});

    IndexNowSetup setup_;
    std::atomic<bool> cancel_{false};
    std::jthread worker_;
    std::optional<indexnow::AnnounceResult> lastResult_;
    // The last whole crawl of this dialog: "Save sitemap..." writes it without crawling again.
    std::optional<crawl::CrawlResult> lastCrawl_;
    // Escape or the close box came while a job ran: close once it has stopped.
    bool closeWhenIdle_ = false;
    bool settingsUnwritable_ = false;
    // URLs the Search Console job under way is to inspect and has inspected; written on the
    // window thread.
    int googlePlanned_ = 0;
    int googleInspected_ = 0;

    IndexNowKeySection* keySection_ = nullptr;
    IndexNowUrlSection* urlSection_ = nullptr;
    IndexNowEndpointSection* endpointSection_ = nullptr;
    IndexNowGoogleSection* googleSection_ = nullptr;
    QPushButton* announceButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QProgressBar* progress_ = nullptr;
    IndexNowAnswersView* answers_ = nullptr;
    QLabel* summaryLabel_ = nullptr;
    QLabel* lastAuditLabel_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

}  // namespace farrow::ui
