#pragma once

#include <QDialog>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "audit/audit_job.h"
#include "base/timing.h"
#include "base/workspace.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace farrow::ui {

// What the audit window works with: the site as the main window holds it, and the workspace
// the audit and its record are written to.
struct SiteAuditSetup {
    std::string siteUrl;
    base::Workspace workspace{"."};
    base::Timing timing;
    // Trusted beside the system's store; empty: the system's store only.
    std::string caFile;
    // Shows the written audit in the user's browser.
    std::function<void(const std::string& path)> showAudit;
};

// Audits the site from the moment it opens: the crawl runs on a worker thread of the window's
// own, which reports back through queued calls, so the window shows the pages read and can
// cancel; a cancelled crawl is audited as far as it went. The written audit is opened in the
// browser and its summary shown.
class SiteAuditWindow final : public QDialog {
    Q_OBJECT
public:
    SiteAuditWindow(SiteAuditSetup setup, QWidget* parent);
    ~SiteAuditWindow() override;

    bool busy() const { return worker_.joinable(); }
    // The audit's result once it has ended.
    const std::optional<audit::AuditJob::Result>& result() const { return result_; }

signals:
    void auditEnded();

protected:
    // Escape and the close box first stop the crawl; the window closes once the audit of what
    // was read is written.
    void reject() override;

private:
    class Frontend;

    void buildControls();
    void start();
    void onCancel();
    void ended(audit::AuditJob::Result result);
    void showProgress(std::size_t fetched, std::size_t waiting, const std::string& url);
    void post(std::function<void()> call);

    SiteAuditSetup setup_;
    std::atomic<bool> cancel_{false};
    std::jthread worker_;
    std::optional<audit::AuditJob::Result> result_;
    bool closeWhenIdle_ = false;

    QLabel* siteLabel_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QLabel* summaryLabel_ = nullptr;
    QLabel* detailsLabel_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* showButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

}  // namespace farrow::ui
