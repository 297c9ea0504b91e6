#include "ui/site_audit_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/clock.h"
#include "crawl/web_fetch.h"
#include "ui/latin1.h"

namespace farrow::ui {

namespace {

constexpr int kWidth = 560;

// "the start page could not..." as a sentence.
QString sentence(const std::string& text) {
    QString s = messageToQt(text);
    if (!s.isEmpty()) {
        s[0] = s[0].toUpper();
    }
    return s.endsWith('.') ? s : s + ".";
}

QLabel* textLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

}  // namespace

// Hands the job's events to the window thread, in order; called from the worker and the
// crawl's threads.
class SiteAuditWindow::Frontend final : public audit::AuditJobFrontend {
public:
    explicit Frontend(SiteAuditWindow& window) : window_(window) {}

    void crawling(const std::string&) override {}
    void pageDone(const crawl::CrawledPage& page, std::size_t fetched,
                  std::size_t waiting) override {
        window_.post([w = &window_, fetched, waiting, url = page.url] {
            w->showProgress(fetched, waiting, url);
        });
    }

private:
    SiteAuditWindow& window_;
};

SiteAuditWindow::SiteAuditWindow(SiteAuditSetup setup, QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)) {
    setObjectName("siteAuditWindow");
    setWindowTitle("Site audit");
    buildControls();
    start();
}

SiteAuditWindow::~SiteAuditWindow() {
    cancel_ = true;
    // Joined here: the worker's calls queued to this window are dropped with it.
    if (worker_.joinable()) {
        worker_.join();
    }
}

void SiteAuditWindow::buildControls() {
    siteLabel_ = textLabel(this, "siteLabel");
    siteLabel_->setText("Auditing " + toQt(setup_.siteUrl));
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progressBar");
    progress_->setTextVisible(false);
    countLabel_ = textLabel(this, "countLabel");
    // One line, cut in the middle: an address has no spaces to wrap at.
    pageLabel_ = new QLabel(this);
    pageLabel_->setObjectName("pageLabel");
    pageLabel_->setTextFormat(Qt::PlainText);
    summaryLabel_ = textLabel(this, "summaryLabel");
    QFont bold = summaryLabel_->font();
    bold.setBold(true);
    summaryLabel_->setFont(bold);
    detailsLabel_ = textLabel(this, "detailsLabel");
    detailsLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    cancelButton_ = new QPushButton("Cancel", this);
    cancelButton_->setObjectName("cancelButton");
    showButton_ = new QPushButton("Show audit", this);
    showButton_->setObjectName("showAuditButton");
    showButton_->setEnabled(false);
    closeButton_ = new QPushButton("Close", this);
    closeButton_->setObjectName("closeButton");
    for (QPushButton* b : {cancelButton_, showButton_, closeButton_}) {
        b->setAutoDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cancelButton_);
    buttons->addWidget(showButton_);
    buttons->addStretch();
    buttons->addWidget(closeButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(siteLabel_);
    layout->addWidget(progress_);
    layout->addWidget(countLabel_);
    layout->addWidget(pageLabel_);
    layout->addSpacing(8);
    layout->addWidget(summaryLabel_);
    layout->addWidget(detailsLabel_, 1);
    layout->addLayout(buttons);
    setFixedWidth(kWidth);

    connect(cancelButton_, &QPushButton::clicked, this, &SiteAuditWindow::onCancel);
    connect(showButton_, &QPushButton::clicked, this, [this] {
        if (result_ && setup_.showAudit) {
            setup_.showAudit(result_->path);
        }
    });
    connect(closeButton_, &QPushButton::clicked, this, &SiteAuditWindow::reject);
}

void SiteAuditWindow::start() {
    audit::AuditJob::Params params;
    params.audit.startUrl = setup_.siteUrl;
    params.audit.cancel = &cancel_;
    params.format = audit::AuditFormat::Html;
    progress_->setRange(0, 0);
    countLabel_->setText("Reading the start page...");
    worker_ = std::jthread([this, params = std::move(params)] {
        Frontend frontend(*this);
        audit::AuditJob::Result result =
            audit::AuditJob::run(params, setup_.workspace, setup_.timing,
                                 crawl::webPageFetch(setup_.caFile), base::SystemClock(), frontend);
        post([this, result = std::move(result)]() mutable { ended(std::move(result)); });
    });
}

void SiteAuditWindow::showProgress(std::size_t fetched, std::size_t waiting,
                                   const std::string& url) {
    if (!cancel_) {
        countLabel_->setText(QString("%1 pages read, %2 waiting").arg(fetched).arg(waiting));
    }
    const QString page = toQt(url);
    pageLabel_->setText(pageLabel_->fontMetrics().elidedText(page, Qt::ElideMiddle,
                                                             pageLabel_->contentsRect().width()));
    pageLabel_->setToolTip(page);
}

void SiteAuditWindow::onCancel() {
    cancel_ = true;
    cancelButton_->setEnabled(false);
    countLabel_->setText("Cancelled: the pages read so far are audited...");
}

void SiteAuditWindow::reject() {
    if (busy()) {
        closeWhenIdle_ = true;
        onCancel();
        return;
    }
    QDialog::reject();
}

void SiteAuditWindow::ended(audit::AuditJob::Result result) {
    // The worker's last act was to queue this call; it is ending or has ended.
    worker_.join();
    cancelButton_->setEnabled(false);
    progress_->setRange(0, 1);
    result_ = std::move(result);
    const audit::AuditJob::Result& r = *result_;
    if (r.outcome != audit::AuditJobOutcome::Written) {
        progress_->setValue(0);
        countLabel_->clear();
        summaryLabel_->setText(sentence(audit::failureText(r)));
        detailsLabel_->clear();
    } else {
        progress_->setValue(1);
        countLabel_->setText(QString("%1 pages read, %2 addresses met")
                                 .arg(r.audit.summary.read)
                                 .arg(r.audit.summary.pages));
        summaryLabel_->setText(messageToQt(audit::summaryLine(*r.record, setup_.workspace.root())));
        QString details = toQt(audit::summaryText(r.audit)) + "Wrote " + pathToQt(r.path) + ".";
        for (const std::string& note :
             {audit::ledgerText(r.audit), audit::recordText(r.audit), r.recordError.reason}) {
            if (!note.empty()) {
                details += "\n" + sentence(note);
            }
        }
        detailsLabel_->setText(details);
        showButton_->setEnabled(true);
    }
    if (closeWhenIdle_) {
        QDialog::reject();
    } else if (r.outcome == audit::AuditJobOutcome::Written && setup_.showAudit) {
        setup_.showAudit(r.path);
    }
    emit auditEnded();
}

void SiteAuditWindow::post(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

}  // namespace farrow::ui
