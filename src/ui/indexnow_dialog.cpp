#include "ui/indexnow_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <sstream>

#include "base/clock.h"
#include "crawl/sitemap_reader.h"
#include "crawl/sitemap_writer.h"
#include "crawl/uri_reference.h"
#include "crawl/web_fetch.h"
#include "indexnow/announcement_ledger.h"
#include "indexnow/indexnow_key.h"
#include "indexnow/indexnow_request.h"
#include "indexnow/key_file_check.h"
#include "indexnow/url_source.h"

namespace farrow::ui {

namespace {

constexpr const char* kUserAgent = "Farrowlane";

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string plain(const QString& text) {
    return text.trimmed().toStdString();
}

std::string summaryOf(const indexnow::AnnounceResult& r) {
    std::ostringstream text;
    text << r.toSend << " to send, " << r.accepted << " accepted, " << r.pending << " pending, "
         << r.refused << " refused, " << r.undelivered << " not delivered, " << r.leftOut
         << " left out.";
    switch (r.ending) {
        case indexnow::AnnounceEnding::Refused:
            text << "\nTo fix: " << r.advice;
            if (!r.engineWords.empty()) {
                text << " (the engine said: " << r.engineWords << ")";
            }
            break;
        case indexnow::AnnounceEnding::Cancelled:
            text << "\nStopped.";
            break;
        case indexnow::AnnounceEnding::LedgerFailed:
            text << "\nThe ledger could not be written: " << r.ledgerError;
            break;
        case indexnow::AnnounceEnding::Finished:
            break;
    }
    return text.str();
}

// "the crawl ended..." as the start of a sentence.
std::string sentence(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') {
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    }
    return text;
}

// Writes the crawl's sitemap (split under an index when it is large) and says what was done.
std::string writeSitemap(const crawl::CrawlResult& crawled, const std::string& path) {
    const std::filesystem::path target(path);
    const std::vector<crawl::SitemapEntry> entries = crawl::sitemapEntries(crawled);
    const std::vector<crawl::SitemapFile> files =
        crawl::buildSitemaps(entries, target.filename().string(), crawled.scope);
    if (const base::Error e = crawl::writeSitemapFiles(files, target.parent_path().string())) {
        return "The sitemap could not be written: " + e.reason;
    }
    std::string text =
        "The sitemap of " + std::to_string(entries.size()) + " pages was written to " + path;
    if (files.size() > 1) {
        text += " (an index of " + std::to_string(files.size() - 1) + " sitemaps beside it)";
    }
    return text + ".\nPublish it in the site's folder and add this line to robots.txt:\nSitemap: " +
           crawled.scope + target.filename().string();
}

}  // namespace

// Tells the summary how far a crawl has got; called from the crawl's threads.
class IndexNowDialog::CrawlWatcher final : public crawl::CrawlProgress {
public:
    explicit CrawlWatcher(IndexNowDialog& dialog) : dialog_(dialog) {}

    void pageDone(const crawl::CrawledPage&, std::size_t fetched, std::size_t waiting) override {
        dialog_.post([d = &dialog_, fetched, waiting] {
            d->summaryLabel_->setText(QString("Crawling the site: %1 pages read, %2 waiting...")
                                          .arg(fetched)
                                          .arg(waiting));
        });
    }

private:
    IndexNowDialog& dialog_;
};

// Hands the run's events to the window thread, in order.
class IndexNowDialog::RunObserver final : public indexnow::AnnounceObserver {
public:
    explicit RunObserver(IndexNowDialog& dialog) : dialog_(dialog) {}

    void urlLeftOut(const indexnow::LeftOutUrl& url) override {
        dialog_.post([d = &dialog_, url] { d->addLeftOut(url); });
    }
    void requestPlanned(const std::string&, const std::string&, const std::string&) override {}
    void requestAnswered(const indexnow::RequestRecord& record) override {
        dialog_.post([d = &dialog_, record] { d->addAnswer(record); });
    }
    void waiting(const std::string& endpoint, base::Millis wait) override {
        const QString text = QString("Waiting %1 s before asking %2 again...")
                                 .arg(static_cast<double>(wait.count()) / 1000.0, 0, 'f', 1)
                                 .arg(qs(endpoint));
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

IndexNowDialog::IndexNowDialog(IndexNowSetup setup, QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)) {
    setObjectName("indexNowDialog");
    setWindowTitle("IndexNow");
    buildControls();
    const indexnow::LoadedKey loaded = indexnow::loadKey(setup_.workspace);
    if (loaded.key) {
        keyField_->setText(qs(*loaded.key));
        showKey(*loaded.key);
    } else if (loaded.error.code == base::ErrorCode::NotFound) {
        publishLabel_->setText("This workspace has no key yet: make one.");
    } else {
        publishLabel_->setText("The workspace's key cannot be used: " + qs(loaded.error.reason));
    }
}

IndexNowDialog::~IndexNowDialog() {
    cancel_ = true;
    // Joined here: the worker's calls queued to this dialog are dropped with it.
    if (worker_.joinable()) {
        worker_.join();
    }
}

void IndexNowDialog::buildControls() {
    auto* keyGroup = new QGroupBox("Key", this);
    keyField_ = new QLineEdit(keyGroup);
    keyField_->setObjectName("keyField");
    keyField_->setMaxLength(static_cast<int>(indexnow::kMaxKeyLength));
    makeKeyButton_ = new QPushButton("Make Key", keyGroup);
    makeKeyButton_->setObjectName("makeKeyButton");
    publishLabel_ = new QLabel(keyGroup);
    publishLabel_->setObjectName("publishLabel");
    publishLabel_->setWordWrap(true);
    publishLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    keyLocationField_ = new QLineEdit(keyGroup);
    keyLocationField_->setObjectName("keyLocationField");
    keyLocationField_->setPlaceholderText("at the root of the site");
    verifyButton_ = new QPushButton("Verify", keyGroup);
    verifyButton_->setObjectName("verifyButton");
    verifyLabel_ = new QLabel(keyGroup);
    verifyLabel_->setObjectName("verifyLabel");
    verifyLabel_->setWordWrap(true);
    verifyLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* keyLayout = new QGridLayout(keyGroup);
    keyLayout->addWidget(new QLabel("Key:", keyGroup), 0, 0);
    keyLayout->addWidget(keyField_, 0, 1);
    keyLayout->addWidget(makeKeyButton_, 0, 2);
    keyLayout->addWidget(publishLabel_, 1, 1, 1, 2);
    keyLayout->addWidget(new QLabel("Key file at:", keyGroup), 2, 0);
    keyLayout->addWidget(keyLocationField_, 2, 1);
    keyLayout->addWidget(verifyButton_, 2, 2);
    keyLayout->addWidget(verifyLabel_, 3, 1, 1, 2);

    auto* urlGroup = new QGroupBox("URLs", this);
    siteAddressRadio_ = new QRadioButton("This site's address: " + qs(setup_.siteUrl), urlGroup);
    siteAddressRadio_->setObjectName("siteAddressRadio");
    siteAddressRadio_->setChecked(true);
    deepPagesRadio_ =
        new QRadioButton("The deep pages (the pages the start page links to)", urlGroup);
    deepPagesRadio_->setObjectName("deepPagesRadio");
    crawlRadio_ = new QRadioButton("The whole site (crawl)", urlGroup);
    crawlRadio_->setObjectName("crawlRadio");
    saveSitemapButton_ = new QPushButton("Save sitemap...", urlGroup);
    saveSitemapButton_->setObjectName("saveSitemapButton");
    saveSitemapButton_->setToolTip("Crawl the whole site and save its sitemap.xml");
    sitemapRadio_ = new QRadioButton("A sitemap:", urlGroup);
    sitemapRadio_->setObjectName("sitemapRadio");
    sitemapField_ =
        new QLineEdit(qs(crawl::resolveReference(setup_.siteUrl, "sitemap.xml")), urlGroup);
    sitemapField_->setObjectName("sitemapField");
    sitemapField_->setPlaceholderText("the sitemap's URL, or a file");
    browseSitemapButton_ = new QPushButton("Browse...", urlGroup);
    browseSitemapButton_->setObjectName("browseSitemapButton");
    forceCheck_ =
        new QCheckBox("Again what was accepted in the last 24 hours, changed or not", urlGroup);
    forceCheck_->setObjectName("forceCheck");
    auto* crawlRow = new QHBoxLayout;
    crawlRow->addWidget(crawlRadio_);
    crawlRow->addStretch();
    crawlRow->addWidget(saveSitemapButton_);
    auto* sitemapRow = new QHBoxLayout;
    sitemapRow->addWidget(sitemapRadio_);
    sitemapRow->addWidget(sitemapField_, 1);
    sitemapRow->addWidget(browseSitemapButton_);
    auto* urlLayout = new QVBoxLayout(urlGroup);
    urlLayout->addWidget(siteAddressRadio_);
    urlLayout->addWidget(deepPagesRadio_);
    urlLayout->addLayout(crawlRow);
    urlLayout->addLayout(sitemapRow);
    urlLayout->addWidget(forceCheck_);

    auto* endpointGroup = new QGroupBox("Endpoints, one a line, tried in order", this);
    endpointsField_ = new QPlainTextEdit(qs(indexnow::kDefaultEndpoint), endpointGroup);
    endpointsField_->setObjectName("endpointsField");
    endpointsField_->setFixedHeight(60);
    auto* endpointLayout = new QVBoxLayout(endpointGroup);
    endpointLayout->addWidget(endpointsField_);

    announceButton_ = new QPushButton("Announce", this);
    announceButton_->setObjectName("announceButton");
    cancelButton_ = new QPushButton("Cancel", this);
    cancelButton_->setObjectName("cancelButton");
    cancelButton_->setEnabled(false);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("progressBar");
    progress_->setRange(0, 1);
    progress_->setValue(0);
    auto* runRow = new QHBoxLayout;
    runRow->addWidget(announceButton_);
    runRow->addWidget(cancelButton_);
    runRow->addWidget(progress_, 1);

    answers_ = new QTreeWidget(this);
    answers_->setObjectName("answersList");
    answers_->setRootIsDecorated(false);
    answers_->setHeaderLabels({"Endpoint", "URLs", "Status", "Outcome", "Detail"});
    answers_->setMinimumHeight(150);
    answers_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    summaryLabel_ = new QLabel(this);
    summaryLabel_->setObjectName("summaryLabel");
    summaryLabel_->setWordWrap(true);
    summaryLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    closeButton_ = new QPushButton("Close", this);
    closeButton_->setObjectName("closeButton");
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(closeButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(keyGroup);
    layout->addWidget(urlGroup);
    layout->addWidget(endpointGroup);
    layout->addLayout(runRow);
    layout->addWidget(answers_, 1);
    layout->addWidget(summaryLabel_);
    layout->addLayout(closeRow);
    resize(680, 720);

    connect(makeKeyButton_, &QPushButton::clicked, this, &IndexNowDialog::onMakeKey);
    connect(verifyButton_, &QPushButton::clicked, this, &IndexNowDialog::onVerify);
    connect(announceButton_, &QPushButton::clicked, this, &IndexNowDialog::onAnnounce);
    connect(cancelButton_, &QPushButton::clicked, this, &IndexNowDialog::onCancel);
    connect(saveSitemapButton_, &QPushButton::clicked, this, &IndexNowDialog::onSaveSitemap);
    connect(browseSitemapButton_, &QPushButton::clicked, this, &IndexNowDialog::onBrowseSitemap);
    // Typing a sitemap's address means announcing it.
    connect(sitemapField_, &QLineEdit::textEdited, sitemapRadio_,
            [this] { sitemapRadio_->setChecked(true); });
    connect(closeButton_, &QPushButton::clicked, this, &IndexNowDialog::reject);
}

void IndexNowDialog::showKey(const std::string& key) {
    const auto site = indexnow::urlParts(setup_.siteUrl);
    const std::string at = (site ? site->scheme : std::string("https")) + "://" +
                           (site ? site->host : std::string("HOST")) + "/" + key + ".txt";
    publishLabel_->setText("Publish the file " +
                           qs(indexnow::publishedKeyPath(setup_.workspace, key)) + " at " + qs(at));
}

std::optional<indexnow::KeyScope> IndexNowDialog::scopeFromFields() {
    const std::string key = plain(keyField_->text());
    if (key.empty()) {
        summaryLabel_->setText("There is no key: make one first.");
        return std::nullopt;
    }
    if (const std::string problem = indexnow::keyProblem(key); !problem.empty()) {
        summaryLabel_->setText("The key will not do: " + qs(problem));
        return std::nullopt;
    }
    const indexnow::ScopeResult scope =
        indexnow::keyScope(setup_.siteUrl, key, plain(keyLocationField_->text()));
    if (!scope.scope) {
        summaryLabel_->setText(qs(scope.error));
    }
    return scope.scope;
}

std::vector<std::string> IndexNowDialog::endpointsFromField() {
    std::vector<std::string> endpoints;
    std::istringstream lines(endpointsField_->toPlainText().toStdString());
    for (std::string line; std::getline(lines, line);) {
        const std::string endpoint = plain(qs(line));
        if (endpoint.empty()) {
            continue;
        }
        if (!indexnow::urlParts(endpoint)) {
            summaryLabel_->setText("\"" + qs(endpoint) + "\" is no http or https address.");
            return {};
        }
        endpoints.push_back(endpoint);
    }
    if (endpoints.empty()) {
        summaryLabel_->setText("Name at least one endpoint.");
    }
    return endpoints;
}

void IndexNowDialog::onMakeKey() {
    const indexnow::MadeKey made = indexnow::makeKey();
    if (!made.key) {
        publishLabel_->setText("No key was made: " + qs(made.error));
        return;
    }
    if (const base::Error e = indexnow::saveKey(setup_.workspace, *made.key)) {
        publishLabel_->setText("The key could not be saved: " + qs(e.reason));
        return;
    }
    keyField_->setText(qs(*made.key));
    showKey(*made.key);
    verifyLabel_->clear();
}

void IndexNowDialog::onVerify() {
    const std::optional<indexnow::KeyScope> scope = scopeFromFields();
    if (!scope) {
        return;
    }
    verifyLabel_->setText("Fetching " + qs(scope->keyLocation) + " ...");
    startJob([this, scope = *scope]() -> Finish {
        const indexnow::KeyFileCheck check =
            indexnow::checkKeyFile(scope, setup_.timing, setup_.caFile, kUserAgent, &cancel_);
        return [this, check] { verifyLabel_->setText(qs(check.message)); };
    });
}

void IndexNowDialog::onAnnounce() {
    const std::optional<indexnow::KeyScope> scope = scopeFromFields();
    if (!scope) {
        return;
    }
    indexnow::AnnounceParams params;
    params.scope = *scope;
    params.endpoints = endpointsFromField();
    if (params.endpoints.empty()) {
        return;
    }
    params.force = forceCheck_->isChecked();
    params.caFile = setup_.caFile;
    params.userAgent = kUserAgent;
    params.logsDir = setup_.workspace.logsDir();
    enum class Source { Site, Deep, Crawl, Sitemap };
    const Source source = deepPagesRadio_->isChecked() ? Source::Deep
                          : crawlRadio_->isChecked()   ? Source::Crawl
                          : sitemapRadio_->isChecked() ? Source::Sitemap
                                                       : Source::Site;
    std::string sitemap = plain(sitemapField_->text());
    if (source == Source::Sitemap) {
        if (sitemap.empty()) {
            summaryLabel_->setText("Name the sitemap: its URL, or a file.");
            return;
        }
        // A file named without its folder is one of the workspace.
        if (!crawl::webAddress(sitemap) && std::filesystem::path(sitemap).is_relative()) {
            sitemap = (std::filesystem::path(setup_.workspace.root()) / sitemap).string();
        }
    }
    answers_->clear();
    lastResult_.reset();
    progress_->setRange(0, 0);
    summaryLabel_->setText(source == Source::Site      ? "Announcing..."
                           : source == Source::Crawl   ? "Crawling the site..."
                           : source == Source::Sitemap ? "Reading the sitemap..."
                                                       : "Reading the site's pages...");
    startJob([this, params = std::move(params), source, sitemap]() mutable -> Finish {
        std::optional<crawl::CrawlResult> crawled;
        indexnow::UrlSourceResult pages;
        switch (source) {
            case Source::Site:
                pages.urls.push_back({setup_.siteUrl, indexnow::UrlOrigin::Profile});
                break;
            case Source::Deep:
                pages = indexnow::deepChecklistUrls(setup_.siteUrl, setup_.siteTitle, setup_.timing,
                                                    &cancel_);
                break;
            case Source::Crawl:
                crawled = crawlSite();
                pages = indexnow::crawledUrls(*crawled,
                                              crawl::crawlParams(setup_.siteUrl, setup_.timing));
                break;
            case Source::Sitemap: {
                crawl::SitemapSourceParams read =
                    crawl::sitemapSourceParams(sitemap, setup_.timing);
                read.fetchTimes.cancel = &cancel_;
                pages = indexnow::sitemapUrls(read, crawl::webPageFetch(setup_.caFile));
                if (!pages.error.empty()) {
                    pages.error = "The sitemap could not be read: " + pages.error;
                }
                break;
            }
        }
        // Cancelled while the pages were gathered: what was found is not sent.
        if (source != Source::Site && cancel_) {
            return [this] { runEnded({}, "Stopped before anything was sent."); };
        }
        if (!pages.error.empty()) {
            return [this, error = sentence(pages.error)] { runEnded({}, error); };
        }
        std::string notes;
        for (const std::string& note : pages.notes) {
            notes += sentence(note) + ".\n";
        }
        params.urls = std::move(pages.urls);
        params.leftOut = std::move(pages.leftOut);
        // Opened, used and closed on this thread alone.
        indexnow::AnnouncementLedger::Opened opened =
            indexnow::AnnouncementLedger::open(indexnow::ledgerPath(setup_.workspace));
        if (!opened.ledger) {
            return [this, error = opened.error] { runEnded({}, "The ledger: " + error); };
        }
        RunObserver observer(*this);
        base::SystemClock clock;
        const indexnow::AnnounceResult result =
            indexnow::announce(params, &*opened.ledger, setup_.timing, clock, observer, &cancel_);
        return [this, result, notes, crawled = std::move(crawled)] {
            if (crawled) {
                lastCrawl_ = crawled;
            }
            runEnded(result, {}, notes);
        };
    });
}

void IndexNowDialog::onBrowseSitemap() {
    if (!setup_.chooseSitemapFile) {
        return;
    }
    if (const std::string path = setup_.chooseSitemapFile(this); !path.empty()) {
        sitemapField_->setText(qs(path));
        sitemapRadio_->setChecked(true);
    }
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
        summaryLabel_->setText(qs(writeSitemap(*lastCrawl_, path)));
        return;
    }
    progress_->setRange(0, 0);
    summaryLabel_->setText("Crawling the site...");
    startJob([this, path]() -> Finish {
        crawl::CrawlResult crawled = crawlSite();
        std::string text;
        if (crawled.ending == crawl::CrawlEnding::Cancelled) {
            text = "Stopped: the crawl was cancelled and no sitemap was written.";
        } else if (crawled.ending == crawl::CrawlEnding::StartUnreadable) {
            text = "The start page " + setup_.siteUrl + " could not be read: " + crawled.startError;
        } else {
            text = "The crawl " +
                   crawl::endingText(crawled, crawl::crawlParams(setup_.siteUrl, setup_.timing)) +
                   ".\n" + writeSitemap(crawled, path);
        }
        const bool whole = crawled.ending != crawl::CrawlEnding::Cancelled &&
                           crawled.ending != crawl::CrawlEnding::StartUnreadable;
        return [this, text, whole, crawled = std::move(crawled)] {
            progress_->setRange(0, 1);
            progress_->setValue(whole ? 1 : 0);
            if (whole) {
                lastCrawl_ = crawled;
            }
            summaryLabel_->setText(qs(text));
        };
    });
}

crawl::CrawlResult IndexNowDialog::crawlSite() {
    crawl::CrawlParams params = crawl::crawlParams(setup_.siteUrl, setup_.timing);
    params.cancel = &cancel_;
    CrawlWatcher watcher(*this);
    return crawl::crawlSite(params, crawl::webPageFetch(setup_.caFile), &watcher);
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
    QDialog::reject();
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
        QDialog::reject();
        emit jobFinished();
        return;
    }
    finish();
    emit jobFinished();
}

void IndexNowDialog::setIdle(bool idle) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             makeKeyButton_, verifyButton_, announceButton_, keyField_, keyLocationField_,
             siteAddressRadio_, deepPagesRadio_, crawlRadio_, saveSitemapButton_, sitemapRadio_,
             sitemapField_, browseSitemapButton_, forceCheck_, endpointsField_}) {
        control->setEnabled(idle);
    }
    cancelButton_->setEnabled(!idle);
}

void IndexNowDialog::post(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void IndexNowDialog::addAnswer(const indexnow::RequestRecord& r) {
    QString status = r.status != 0 ? QString::number(r.status) : QString();
    if (r.retryAfter) {
        status += QString(" (retry after %1 s)").arg(*r.retryAfter);
    }
    auto* row = new QTreeWidgetItem(
        answers_, {qs(r.endpoint), QString::number(r.urls), status, qs(r.outcome), qs(r.detail)});
    answers_->scrollToItem(row);
}

void IndexNowDialog::addLeftOut(const indexnow::LeftOutUrl& url) {
    new QTreeWidgetItem(answers_, {QString(), qs(url.url), QString(), "left out", qs(url.reason)});
}

void IndexNowDialog::runEnded(const indexnow::AnnounceResult& result, const std::string& failure,
                              const std::string& notes) {
    progress_->setRange(0, 1);
    progress_->setValue(failure.empty() ? 1 : 0);
    if (!failure.empty()) {
        summaryLabel_->setText(qs(failure));
        return;
    }
    lastResult_ = result;
    summaryLabel_->setText(qs(notes + summaryOf(result)));
    if (!result.logPath.empty() && setup_.askShowLog && setup_.askShowLog(this) && setup_.showLog) {
        setup_.showLog(result.logPath);
    }
}

}  // namespace farrow::ui
