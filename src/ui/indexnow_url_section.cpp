#include "ui/indexnow_url_section.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <filesystem>

#include "crawl/sitemap_reader.h"
#include "crawl/uri_reference.h"
#include "crawl/web_fetch.h"
#include "ui/latin1.h"

namespace farrow::ui {

IndexNowUrlSection::IndexNowUrlSection(
    const std::string& siteUrl, base::Workspace workspace,
    std::function<std::string(QWidget* parent)> chooseSitemapFile, QWidget* parent)
    : QGroupBox("URLs", parent),
      workspace_(std::move(workspace)),
      chooseSitemapFile_(std::move(chooseSitemapFile)) {
    siteAddressRadio_ = new QRadioButton("This site's address: " + toQt(siteUrl), this);
    siteAddressRadio_->setObjectName("siteAddressRadio");
    siteAddressRadio_->setChecked(true);
    deepPagesRadio_ = new QRadioButton("The deep pages (the pages the start page links to)", this);
    deepPagesRadio_->setObjectName("deepPagesRadio");
    crawlRadio_ = new QRadioButton("The whole site (crawl)", this);
    crawlRadio_->setObjectName("crawlRadio");
    saveSitemapButton_ = new QPushButton("Save sitemap...", this);
    saveSitemapButton_->setObjectName("saveSitemapButton");
    saveSitemapButton_->setToolTip("Crawl the whole site and save its sitemap.xml");
    sitemapRadio_ = new QRadioButton("A sitemap:", this);
    sitemapRadio_->setObjectName("sitemapRadio");
    // A profile's address may hold letters a URI may not; the field then shows them as typed.
    std::string sitemap = crawl::resolveReference(siteUrl, "sitemap.xml");
    if (sitemap.empty()) {
        sitemap = siteUrl.substr(0, siteUrl.rfind('/') + 1) + "sitemap.xml";
    }
    sitemapField_ = new QLineEdit(toQt(sitemap), this);
    sitemapField_->setObjectName("sitemapField");
    sitemapField_->setPlaceholderText("the sitemap's URL, or a file");
    browseSitemapButton_ = new QPushButton("Browse...", this);
    browseSitemapButton_->setObjectName("browseSitemapButton");
    forceCheck_ =
        new QCheckBox("Again what was accepted in the last 24 hours, changed or not", this);
    forceCheck_->setObjectName("forceCheck");
    auto* crawlRow = new QHBoxLayout;
    crawlRow->addWidget(crawlRadio_);
    crawlRow->addStretch();
    crawlRow->addWidget(saveSitemapButton_);
    auto* sitemapRow = new QHBoxLayout;
    sitemapRow->addWidget(sitemapRadio_);
    sitemapRow->addWidget(sitemapField_, 1);
    sitemapRow->addWidget(browseSitemapButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(siteAddressRadio_);
    layout->addWidget(deepPagesRadio_);
    layout->addLayout(crawlRow);
    layout->addLayout(sitemapRow);
    layout->addWidget(forceCheck_);

    connect(saveSitemapButton_, &QPushButton::clicked, this,
            &IndexNowUrlSection::saveSitemapRequested);
    connect(browseSitemapButton_, &QPushButton::clicked, this,
            &IndexNowUrlSection::onBrowseSitemap);
    // Typing a sitemap's address means announcing it.
    connect(sitemapField_, &QLineEdit::textEdited, sitemapRadio_,
            [this] { sitemapRadio_->setChecked(true); });
}

bool IndexNowUrlSection::fill(indexnow::AnnouncementJob::Params& params, QString& problem) const {
    params.force = forceCheck_->isChecked();
    params.deepChecklist = deepPagesRadio_->isChecked();
    params.crawl = crawlRadio_->isChecked();
    if (!sitemapRadio_->isChecked()) {
        return true;
    }
    const QString field = sitemapField_->text().trimmed();
    if (field.isEmpty()) {
        problem = "Name the sitemap: its URL, or a file.";
        return false;
    }
    const std::string address = fromQt(field);
    if (crawl::isWebSitemapSource(address)) {
        params.sitemap = address;
        return true;
    }
    // A file named without its folder is one of the workspace.
    const std::filesystem::path file(pathFromQt(field));
    params.sitemap = file.is_relative() ? (std::filesystem::path(workspace_.root()) / file).string()
                                        : file.string();
    return true;
}

QString IndexNowUrlSection::startText() const {
    return crawlRadio_->isChecked()       ? "Crawling the site..."
           : sitemapRadio_->isChecked()   ? "Reading the sitemap..."
           : deepPagesRadio_->isChecked() ? "Reading the site's pages..."
                                          : "Announcing...";
}

void IndexNowUrlSection::setInputEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             siteAddressRadio_, deepPagesRadio_, crawlRadio_, saveSitemapButton_, sitemapRadio_,
             sitemapField_, browseSitemapButton_, forceCheck_}) {
        control->setEnabled(enabled);
    }
}

QString IndexNowUrlSection::source() const {
    return crawlRadio_->isChecked()       ? "crawl"
           : sitemapRadio_->isChecked()   ? "sitemap"
           : deepPagesRadio_->isChecked() ? "deep"
                                          : "site";
}

QString IndexNowUrlSection::sitemap() const {
    return sitemapField_->text();
}

void IndexNowUrlSection::setSource(const QString& source, const QString& sitemap) {
    if (!sitemap.isEmpty()) {
        sitemapField_->setText(sitemap);
    }
    for (auto [word, radio] : {std::pair{"site", siteAddressRadio_},
                               {"deep", deepPagesRadio_},
                               {"crawl", crawlRadio_},
                               {"sitemap", sitemapRadio_}}) {
        if (source == word) {
            radio->setChecked(true);
        }
    }
}

void IndexNowUrlSection::onBrowseSitemap() {
    if (!chooseSitemapFile_) {
        return;
    }
    if (const std::string path = chooseSitemapFile_(this); !path.empty()) {
        sitemapField_->setText(pathToQt(path));
        sitemapRadio_->setChecked(true);
    }
}

}  // namespace farrow::ui
