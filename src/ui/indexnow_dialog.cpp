#include "ui/indexnow_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QVBoxLayout>

#include "audit/audit_record.h"
#include "base/clock.h"
#include "crawl/sitemap_writer.h"
#include "crawl/web_fetch.h"
#include "google/service_account.h"
#include "indexnow/announcement_job.h"
#include "indexnow/announcement_ledger.h"
#include "indexnow/key_file_check.h"
#include "indexnow/recorded_crawl.h"
#include "ui/indexnow_answers_view.h"
#include "ui/indexnow_endpoint_section.h"
#include "ui/indexnow_google_section.h"
#include "ui/indexnow_key_section.h"
#include "ui/indexnow_url_section.h"
#include "ui/latin1.h"
#include "ui/window_settings.h"

namespace farrow::ui {

namespace {

constexpr const char* kUserAgent = "Farrowlane";
// Lines of the message at the bottom shown without scrolling.
constexpr int kSummaryLines = 4;

std::string summaryOf(const indexnow::AnnounceResult& r) {
    std::string text = std::to_string(r.toSend) + " to send, " + std::to_string(r.accepted) +
                       " accepted, " + std::to_string(r.pending) + " pending, " +
                       std::to_string(r.refused) + " refused, " + std::to_string(r.undelivered) +
                       " not delivered, " + std::to_string(r.leftOut) + " left out.";
    switch (r.ending) {
        case indexnow::AnnounceEnding::Refused:
            text += "\nTo fix: " + r.advice;
            if (!r.engineWords.empty()) {
                text += " (the engine said: " + r.engineWords + ")";
            }
            break;
        case indexnow::AnnounceEnding::Cancelled:
            text += "\nStopped.";
            break;
        case indexnow::AnnounceEnding::LedgerFailed:
            text += "\nThe ledger could not be written: " + r.ledgerError;
            break;
        case indexnow::AnnounceEnding::Finished:
            break;
    }
    return text;
}

// "the crawl ended..." as the start of a sentence.
std::string sentence(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') {
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    }
    return text;
}

// What writing the crawl's sitemap to `path` did.
QString sitemapText(const crawl::WrittenSitemap& sitemap, const std::string& path) {
    if (sitemap.error) {
        return "The sitemap could not be written: " + toQt(sitemap.error.reason);
    }
    QString text =
        QString("The sitemap of %1 pages was written to ").arg(sitemap.pages) + pathToQt(path);
    if (sitemap.files.size() > 1) {
        text += QString(" (an index of %1 sitemaps beside it)").arg(sitemap.files.size() - 1);
    }
    return text + ".\nPublish it in the site's folder and add this line to robots.txt:\n" +
           toQt(sitemap.robotsLine);
}

}  // namespace

// Hands the events of a job to the window thread, in order; called from the worker and the
// crawl's threads.
class IndexNowDialog::RunFrontend final : public indexnow::AnnouncementJobFrontend {
public:
    explicit RunFrontend(IndexNowDialog& dialog) : dialog_(dialog) {}

    // The dialog said what it reads when the job started.
    void step(indexnow::AnnouncementStep) override {}
    // The notes come with the summary.
    void note(const indexnow::SourceNote&) override {}
    const std::atomic<bool>* stopFlag() const override { return &dialog_.cancel_; }
    void pageDone(const crawl::CrawledPage&, std::size_t fetched, std::size_t waiting) override {
        dialog_.post([d = &dialog_, fetched, waiting] { d->showCrawlProgress(fetched, waiting); });
    }
    void urlLeftOut(const indexnow::LeftOutUrl& url) override {
        dialog_.post([d = &dialog_, url] { d->answers_->addLeftOut(url); });
    }
    void requestPlanned(const std::string&, const std::string&, const std::string&) override {}
    void requestAnswered(const indexnow::RequestRecord& record) override {
        dialog_.post([d = &dialog_, record] { d->answers_->addAnswer(record); });
    }
    void waiting(const std::string& endpoint, base::Millis wait) override {
        const QString text = QString("Waiting %1 s before asking %2 again...")
                                 .arg(static_cast<double>(wait.count()) / 1000.0, 0, 'f', 1)
                                 .arg(toQt(endpoint));
        dialog_.post([d = &dialog_, text] { d->summaryLabel_->setText(text); });
    }
    void progress(std::size_t sent, std::size_t total) override {
        dialog_.post([d = &dialog_, sent, total] {
            d->progress_->setRange(0, static_cast<int>(total));
            d->progress_->setValue(static_cast<int>(sent));
            d->summaryLabel_->setText(QString("%1 of %2 URLs through").arg(sent).arg(total));
        });
    }

private:
    IndexNowDialog& dialog_;
};

// Hands the events of a Search Console job to the window thread, in order; what does not
// stop the job (a warning, a source's note) is kept for the summary.
class IndexNowDialog::GoogleFrontend final : public google::SearchConsoleFrontend {
public:
    GoogleFrontend(IndexNowDialog& dialog, QString gatheringText)
        : dialog_(dialog), gatheringText_(std::move(gatheringText)) {}

    void step(google::SearchConsoleStep step) override {
        QString text;
        switch (step) {
            case google::SearchConsoleStep::Token:
                text = "Getting a token for the service account...";
                break;
            case google::SearchConsoleStep::Properties:
                text = "Reading the account's properties...";
                break;
            case google::SearchConsoleStep::Gathering:
                text = gatheringText_;
                break;
            case google::SearchConsoleStep::Submitting:
                text = "Submitting the sitemaps...";
                break;
            case google::SearchConsoleStep::ReadingSitemaps:
                text = "Reading the property's sitemaps...";
                break;
            case google::SearchConsoleStep::Inspecting:
                text = "Inspecting...";
                break;
        }
        dialog_.post([d = &dialog_, text] { d->summaryLabel_->setText(text); });
    }
    void pageDone(const crawl::CrawledPage&, std::size_t fetched, std::size_t waiting) override {
        dialog_.post([d = &dialog_, fetched, waiting] { d->showCrawlProgress(fetched, waiting); });
    }
    void warning(const std::string& text) override { notes += toQt(sentence(text)) + ".\n"; }
    void note(const indexnow::SourceNote& note) override {
        notes += toQt(sentence(text(note))) + ".\n";
    }
    void submitted(const google::SitemapSubmission& s, const std::string& detail) override {
        dialog_.post([d = &dialog_, s, detail] { d->answers_->addSubmission(s, detail); });
    }
    void inspecting(std::size_t planned) override {
        dialog_.post([d = &dialog_, planned] {
            d->googlePlanned_ = static_cast<int>(planned);
            d->progress_->setRange(0, d->googlePlanned_);
            d->progress_->setValue(0);
        });
    }
    void inspected(const google::IndexStatus& inspection) override {
        dialog_.post([d = &dialog_, inspection] {
            d->answers_->addInspection(inspection);
            ++d->googleInspected_;
            d->progress_->setValue(d->googleInspected_);
            d->summaryLabel_->setText(QString("%1 of %2 URLs inspected...")
                                          .arg(d->googleInspected_)
                                          .arg(d->googlePlanned_));
        });
    }
    const std::atomic<bool>* stopFlag() const override { return &dialog_.cancel_; }

    // Written and read on the worker only.
    QString notes;

private:
    IndexNowDialog& dialog_;
    const QString gatheringText_;
};

IndexNowDialog::IndexNowDialog(IndexNowSetup setup, QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)) {
    setObjectName("indexNowDialog");
    setWindowTitle("IndexNow");
    buildControls();
    restoreSettings();
}

namespace {

constexpr const char* kEndpointsKey = "IndexNow/endpoints";
constexpr const char* kKeyLocationKey = "IndexNow/keyLocation";
constexpr const char* kSourceKey = "IndexNow/source";
constexpr const char* kSitemapKey = "IndexNow/sitemap";
constexpr const char* kCredentialsKey = "Google/credentials";
constexpr const char* kPropertyKey = "Google/property";

}  // namespace

void IndexNowDialog::restoreSettings() {
    const QSettings settings(windowSettingsPath(setup_.workspace), QSettings::IniFormat);
    if (settings.contains(kEndpointsKey)) {
        endpointSection_->setText(settings.value(kEndpointsKey).toString());
    }
    keySection_->setKeyLocation(settings.value(kKeyLocationKey).toString());
    urlSection_->setSource(settings.value(kSourceKey).toString(),
                           settings.value(kSitemapKey).toString());
    googleSection_->setFields(settings.value(kCredentialsKey).toString(),
                              settings.value(kPropertyKey).toString());
}

bool IndexNowDialog::rememberSettings() {
    const QString path = windowSettingsPath(setup_.workspace);
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(kEndpointsKey, endpointSection_->text());
    settings.setValue(kKeyLocationKey, keySection_->keyLocation());
    settings.setValue(kSourceKey, urlSection_->source());
    settings.setValue(kSitemapKey, urlSection_->sitemap());
    settings.setValue(kCredentialsKey, googleSection_->credentialsText());
    settings.setValue(kPropertyKey, googleSection_->propertyText());
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        summaryLabel_->setText("The dialog's settings could not be written to " + path + ".");
        return false;
    }
    return true;
}

IndexNowDialog::~IndexNowDialog() {
    cancel_ = true;
    // Joined here: the worker's calls queued to this dialog are dropped with it.
    if (worker_.joinable()) {
        worker_.join();
    }
}

void IndexNowDialog::buildControls() {
    keySection_ = new IndexNowKeySection(
        setup_.siteUrl, setup_.workspace,
        [this](const std::string& key) {
            return setup_.askReplaceKey && setup_.askReplaceKey(this, key);
        },
        this);
    urlSection_ =
        new IndexNowUrlSection(setup_.siteUrl, setup_.workspace, setup_.chooseSitemapFile, this);
    endpointSection_ = new IndexNowEndpointSection(this);
    googleSection_ = new IndexNowGoogleSection(
        setup_.workspace, google::credentialsPath({}, setup_.googleCredentials, setup_.workspace),
        setup_.chooseCredentialsFile, this);

    announceButton_ = new QPushButton("Announce", this);
    announceButton_->setObjectName("announceButton");
    cancelButton_ = new QPushButton("Cancel", this);
    cancelButton_->setObjectName("cancelButton");
    cancelButton_->setEnabled(false);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progressBar");
    progress_->setRange(0, 1);
    progress_->setValue(0);
    // The busy bar has no text; a bar whose text came and went would shift the row.
    progress_->setTextVisible(false);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(announceButton_);
    runRow->addWidget(cancelButton_);
    runRow->addWidget(progress_, 1);

    answers_ = new IndexNowAnswersView(this);
    summaryLabel_ = new QLabel(this);
    summaryLabel_->setObjectName("summaryLabel");
    summaryLabel_->setWordWrap(true);
    summaryLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summaryLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // However long the message grows (a crawl's notes, the sitemap's lines, a "To fix:"), it
    // scrolls in a space of its own, so the form above keeps its room and nothing moves.
    auto* summaryArea = new QScrollArea(this);
    summaryArea->setObjectName("summaryArea");
    summaryArea->setWidget(summaryLabel_);
    summaryArea->setWidgetResizable(true);
    summaryArea->setFrameShape(QFrame::NoFrame);
    summaryArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    summaryArea->setFixedHeight(kSummaryLines * summaryLabel_->fontMetrics().lineSpacing() + 4);

    closeButton_ = new QPushButton("Close", this);
    closeButton_->setObjectName("closeButton");
    lastAuditLabel_ = new QLabel(this);
    lastAuditLabel_->setObjectName("lastAuditLabel");
    lastAuditLabel_->setWordWrap(true);
    lastAuditLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    showLastAudit();
    auto* closeRow = new QHBoxLayout;
    closeRow->addWidget(lastAuditLabel_, 1);
    closeRow->addWidget(closeButton_);

    auto* layout = new QVBoxLayout(this);
    // The form takes the height its texts need; only the answers give way to a small window.
    for (QWidget* section : std::initializer_list<QWidget*>{keySection_, urlSection_,
                                                            endpointSection_, googleSection_}) {
        section->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    }
    layout->addWidget(keySection_);
    layout->addWidget(urlSection_);
    layout->addWidget(endpointSection_);
    layout->addLayout(runRow);
    layout->addWidget(googleSection_);
    layout->addWidget(answers_, 1);
    layout->addWidget(summaryArea);
    layout->addLayout(closeRow);
    setMinimumWidth(kMinimumWidth);
    resize(kDefaultSize);

    connect(keySection_, &IndexNowKeySection::verifyRequested, this, &IndexNowDialog::onVerify);
    connect(urlSection_, &IndexNowUrlSection::saveSitemapRequested, this,
            &IndexNowDialog::onSaveSitemap);
    connect(announceButton_, &QPushButton::clicked, this, &IndexNowDialog::onAnnounce);
    connect(googleSection_, &IndexNowGoogleSection::checkRequested, this,
            &IndexNowDialog::onGoogleCheck);
    connect(googleSection_, &IndexNowGoogleSection::submitSitemapsRequested, this,
            &IndexNowDialog::onGoogleSitemaps);
    connect(googleSection_, &IndexNowGoogleSection::inspectRequested, this,
            &IndexNowDialog::onGoogleInspect);
    connect(cancelButton_, &QPushButton::clicked, this, &IndexNowDialog::onCancel);
    connect(closeButton_, &QPushButton::clicked, this, &IndexNowDialog::reject);
}

void IndexNowDialog::showLastAudit() {
    const audit::LastAudit last = audit::readLastAudit(audit::auditRecordsPath(setup_.workspace));
    if (!last.problem.empty()) {
        lastAuditLabel_->setText(messageToQt("The list of audits " +
                                             audit::auditRecordsPath(setup_.workspace) +
                                             " could not be read: " + last.problem));
    } else if (last.record) {
        lastAuditLabel_->setText(
            messageToQt(audit::lastAuditLine(*last.record, setup_.workspace.root())));
        lastAuditLabel_->setToolTip(messageToQt(last.record->startUrl));
    } else {
        lastAuditLabel_->setText("No site audit yet.");
    }
}

void IndexNowDialog::onVerify() {
    QString problem;
    const std::optional<indexnow::KeyScope> scope = keySection_->scope(problem);
    if (!scope) {
        summaryLabel_->setText(problem);
        return;
    }
    keySection_->showVerification("Fetching " + toQt(scope->keyLocation) + " ...");
    startJob([this, scope = *scope]() -> Finish {
        const indexnow::KeyFileCheck check =
            indexnow::checkKeyFile(scope, setup_.timing, setup_.caFile, kUserAgent, &cancel_);
        return [this, check] { keySection_->showVerification(toQt(check.message)); };
    });
}

void IndexNowDialog::onAnnounce() {
    QString problem;
    const std::optional<indexnow::KeyScope> scope = keySection_->scope(problem);
    if (!scope) {
        summaryLabel_->setText(problem);
        return;
    }
    indexnow::AnnouncementJob::Params params;
    params.scope = *scope;
    params.endpoints = endpointSection_->endpoints(problem);
    if (params.endpoints.empty() || !urlSection_->fill(params, problem)) {
        summaryLabel_->setText(problem);
        return;
    }
    // What was announced with is what the next opening shows; a file that cannot be written is
    // said, and the announcement goes ahead.
    const bool remembered = rememberSettings();
    params.siteUrl = setup_.siteUrl;
    params.siteTitle = setup_.siteTitle;
    params.caFile = setup_.caFile;
    params.userAgent = kUserAgent;
    params.logsDir = setup_.workspace.logsDir();
    params.ledgerFile = indexnow::ledgerPath(setup_.workspace);
    answers_->clear();
    lastResult_.reset();
    progress_->setRange(0, 0);
    if (remembered) {
        summaryLabel_->setText(urlSection_->startText());
    }
    startJob([this, params = std::move(params)]() -> Finish {
        RunFrontend frontend(*this);
        base::SystemClock clock;
        indexnow::AnnouncementJob::Result job =
            indexnow::AnnouncementJob::run(params, setup_.timing, clock, frontend);
        return [this, job = std::move(job)] {
            if (job.stoppedGathering) {
                runEnded({}, "Stopped before anything was sent.");
                return;
            }
            if (job.failure) {
                runEnded({}, toQt(sentence(text(*job.failure))));
                return;
            }
            QString notes;
            for (const indexnow::SourceNote& note : job.notes) {
                notes += toQt(sentence(text(note))) + ".\n";
            }
            if (job.crawl) {
                lastCrawl_ = job.crawl;
            }
            runEnded(job.announced, {}, notes);
        };
    });
}

void IndexNowDialog::onSaveSitemap() {
    if (!setup_.chooseSitemapSave) {
        return;
    }
    const std::string path = setup_.chooseSitemapSave(this);
    if (path.empty()) {
        return;
    }
    if (lastCrawl_) {
        summaryLabel_->setText(sitemapText(crawl::writeCrawlSitemap(*lastCrawl_, path), path));
        return;
    }
    progress_->setRange(0, 0);
    summaryLabel_->setText("Crawling the site...");
    startJob([this, path]() -> Finish {
        crawl::CrawlParams params = crawl::crawlParams(setup_.siteUrl, setup_.timing);
        params.cancel = &cancel_;
        RunFrontend frontend(*this);
        base::SystemClock clock;
        indexnow::RecordedCrawl::Result recorded =
            indexnow::RecordedCrawl::run({params, indexnow::ledgerPath(setup_.workspace), false},
                                         crawl::webPageFetch(setup_.caFile), clock, &frontend);
        crawl::CrawlResult crawled = std::move(recorded.crawl);
        const bool whole = crawled.ending != crawl::CrawlEnding::Cancelled &&
                           crawled.ending != crawl::CrawlEnding::StartUnreadable;
        QString text;
        if (crawled.ending == crawl::CrawlEnding::Cancelled) {
            text = "Stopped: the crawl was cancelled and no sitemap was written.";
        } else if (crawled.ending == crawl::CrawlEnding::StartUnreadable) {
            text = toQt("The start page " + setup_.siteUrl +
                        " could not be read: " + crawled.startError);
        } else {
            const indexnow::SourceNote ending{indexnow::SourceNote::Kind::CrawlEnded,
                                              crawl::endingText(crawled, params)};
            text = toQt(sentence(indexnow::text(ending))) + ".\n" +
                   sitemapText(crawl::writeCrawlSitemap(crawled, path), path);
            if (recorded.ledgerError) {
                text += "\n" + toQt(sentence("the ledger: " + recorded.ledgerError.reason)) + ".";
            }
        }
        return [this, text, whole, crawled = std::move(crawled)] {
            progress_->setRange(0, 1);
            progress_->setValue(whole ? 1 : 0);
            if (whole) {
                lastCrawl_ = crawled;
            }
            summaryLabel_->setText(text);
        };
    });
}

namespace {

// The failure of a Search Console job as the summary says it.
QString failureText(const google::SetupFailure& failure) {
    return failure.problem == google::SetupProblem::Stopped ? QString("Stopped.")
                                                            : toQt(sentence(text(failure))) + ".";
}

QString propertyText(const google::SearchConsoleJob::Check& check, const std::string& siteUrl) {
    const google::Property& p = *check.property;
    return toQt((check.propertyGiven ? "The property " + p.siteUrl
                                     : "The property that covers " + siteUrl + " is " + p.siteUrl) +
                ", with permission " + token(p.permission) + ": the account " + text(p.permission) +
                ".");
}

}  // namespace

std::optional<google::SearchConsoleJob::Params> IndexNowDialog::googleParams(QString& problem) {
    // The URLs to inspect are those the URL section names, read as an announcement reads them.
    indexnow::AnnouncementJob::Params sources;
    if (!urlSection_->fill(sources, problem)) {
        return std::nullopt;
    }
    google::SearchConsoleJob::Params params;
    params.credentialsFile = google::credentialsPath(googleSection_->credentialsFile(),
                                                     setup_.googleCredentials, setup_.workspace);
    params.property = googleSection_->property();
    params.siteUrl = setup_.siteUrl;
    params.siteTitle = setup_.siteTitle;
    params.api = google::apiSettings(setup_.googleApi);
    params.api.caFile = setup_.caFile;
    params.api.userAgent = kUserAgent;
    params.ledgerFile = indexnow::ledgerPath(setup_.workspace);
    params.deepChecklist = sources.deepChecklist;
    params.crawl = sources.crawl;
    params.sitemap = sources.sitemap;
    return params;
}

void IndexNowDialog::startGoogleJob(
    google::SearchConsoleJob::Params params, const QString& startText,
    std::function<QString(const google::SearchConsoleJob::Params&, GoogleFrontend&)> run) {
    const bool remembered = rememberSettings();
    answers_->clear();
    googleInspected_ = 0;
    googlePlanned_ = 0;
    progress_->setRange(0, 0);
    if (remembered) {
        summaryLabel_->setText(startText);
    }
    startJob([this, params = std::move(params), gathering = urlSection_->startText(),
              run = std::move(run)]() -> Finish {
        GoogleFrontend frontend(*this, gathering);
        const QString summary = run(params, frontend);
        return [this, text = frontend.notes + summary] {
            // An inspection's bar stays where the run ended.
            if (googlePlanned_ == 0) {
                progress_->setRange(0, 1);
                progress_->setValue(1);
            }
            summaryLabel_->setText(text);
        };
    });
}

void IndexNowDialog::onGoogleCheck() {
    QString problem;
    auto params = googleParams(problem);
    if (!params) {
        summaryLabel_->setText(problem);
        return;
    }
    startGoogleJob(std::move(*params), "Checking the service account...",
                   [this](const google::SearchConsoleJob::Params& p, GoogleFrontend& frontend) {
                       base::SystemClock clock;
                       const google::SearchConsoleJob::Check check =
                           google::SearchConsoleJob::check(p, setup_.timing, clock, frontend);
                       for (const google::Property& property : check.properties) {
                           post([this, property] { answers_->addProperty(property); });
                       }
                       QString text;
                       if (!check.clientEmail.empty()) {
                           text = toQt("Service account " + check.clientEmail + ".\n");
                       }
                       return text + (check.failure ? failureText(*check.failure)
                                                    : propertyText(check, p.siteUrl));
                   });
}

void IndexNowDialog::onGoogleSitemaps() {
    QString problem;
    auto params = googleParams(problem);
    if (!params) {
        summaryLabel_->setText(problem);
        return;
    }
    startGoogleJob(std::move(*params), "Submitting the sitemaps...",
                   [this](const google::SearchConsoleJob::Params& p, GoogleFrontend& frontend) {
                       base::SystemClock clock;
                       const google::SearchConsoleJob::Sitemaps r =
                           google::SearchConsoleJob::sitemaps(p, true, setup_.timing, clock,
                                                              frontend);
                       if (r.check.failure) {
                           return failureText(*r.check.failure);
                       }
                       for (const google::SitemapState& state : r.states) {
                           post([this, state] { answers_->addSitemap(state); });
                       }
                       QString text = QString(
                                          "%1 sitemaps submitted, %2 refused; %3 has %4 "
                                          "sitemaps.")
                                          .arg(r.submissions.size() - r.refused)
                                          .arg(r.refused)
                                          .arg(toQt(r.check.property->siteUrl))
                                          .arg(r.states.size());
                       if (!r.readError.empty()) {
                           text += "\n" + toQt(sentence(r.readError)) + ".";
                       }
                       if (!r.ledgerError.empty()) {
                           text += "\nThe ledger could not be written: " + toQt(r.ledgerError);
                       }
                       return text;
                   });
}

void IndexNowDialog::onGoogleInspect() {
    QString problem;
    auto params = googleParams(problem);
    if (!params) {
        summaryLabel_->setText(problem);
        return;
    }
    startGoogleJob(std::move(*params), urlSection_->startText(),
                   [this](const google::SearchConsoleJob::Params& p, GoogleFrontend& frontend) {
                       base::SystemClock clock;
                       const google::SearchConsoleJob::Inspection r =
                           google::SearchConsoleJob::inspect(p, setup_.timing, clock, frontend);
                       for (const indexnow::LeftOutUrl& url : r.leftOut) {
                           post([this, url] { answers_->addLeftOut(url); });
                       }
                       if (r.check.failure) {
                           return failureText(*r.check.failure);
                       }
                       const google::InspectionTally t = google::tally(r.inspections);
                       QString text = QString(
                                          "Google: %1 indexed, %2 not indexed, %3 not "
                                          "inspected.")
                                          .arg(t.indexed)
                                          .arg(t.notIndexed)
                                          .arg(r.notInspected);
                       for (const auto& [state, count] : t.notIndexedBy) {
                           text += QString("\nNot indexed: %1: %2.").arg(toQt(state)).arg(count);
                       }
                       if (r.quotaEnded) {
                           text += QString(
                                       "\nThe inspection quota of %1 is spent: %2 URLs are "
                                       "left to inspect.")
                                       .arg(toQt(r.check.property->siteUrl))
                                       .arg(r.notInspected);
                       }
                       if (r.stopped) {
                           text += "\nStopped.";
                       }
                       if (!r.ledgerError.empty()) {
                           text += "\nThe ledger could not be written: " + toQt(r.ledgerError);
                       }
                       return text;
                   });
}

void IndexNowDialog::showCrawlProgress(std::size_t fetched, std::size_t waiting) {
    summaryLabel_->setText(
        QString("Crawling the site: %1 pages read, %2 waiting...").arg(fetched).arg(waiting));
}

void IndexNowDialog::onCancel() {
    cancel_ = true;
    cancelButton_->setEnabled(false);
}

void IndexNowDialog::reject() {
    if (busy()) {
        closeWhenIdle_ = true;
        onCancel();
        return;
    }
    // A settings file that cannot be written keeps the dialog open once, to say so.
    if (rememberSettings() || settingsUnwritable_) {
        QDialog::reject();
        return;
    }
    settingsUnwritable_ = true;
}

void IndexNowDialog::startJob(std::function<Finish()> job) {
    cancel_ = false;
    setIdle(false);
    worker_ = std::jthread([this, job = std::move(job)] {
        Finish finish = job();
        post([this, finish = std::move(finish)] { jobEnded(finish); });
    });
}

void IndexNowDialog::jobEnded(const Finish& finish) {
    // The worker's last act was to queue this call; it is ending or has ended.
    worker_.join();
    setIdle(true);
    if (closeWhenIdle_) {
        rememberSettings();
        QDialog::reject();
        emit jobFinished();
        return;
    }
    finish();
    emit jobFinished();
}

void IndexNowDialog::setIdle(bool idle) {
    keySection_->setInputEnabled(idle);
    urlSection_->setInputEnabled(idle);
    endpointSection_->setInputEnabled(idle);
    googleSection_->setInputEnabled(idle);
    announceButton_->setEnabled(idle);
    cancelButton_->setEnabled(!idle);
}

void IndexNowDialog::post(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void IndexNowDialog::runEnded(const indexnow::AnnounceResult& result, const QString& failure,
                              const QString& notes) {
    progress_->setRange(0, 1);
    progress_->setValue(failure.isEmpty() ? 1 : 0);
    if (!failure.isEmpty()) {
        summaryLabel_->setText(failure);
        return;
    }
    lastResult_ = result;
    summaryLabel_->setText(notes + toQt(summaryOf(result)));
    if (!result.logPath.empty() && setup_.askShowLog && setup_.askShowLog(this) && setup_.showLog) {
        setup_.showLog(result.logPath);
    }
}

}  // namespace farrow::ui
