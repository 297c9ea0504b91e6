#pragma once

#include <QGroupBox>
#include <functional>
#include <string>

#include "base/workspace.h"
#include "indexnow/announcement_job.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace farrow::ui {

// Where the announcement dialog takes its URLs: the site's address, its deep pages, the pages
// a whole-site crawl finds (with "Save sitemap..."), or a sitemap; and whether pages accepted
// lately go again.
class IndexNowUrlSection final : public QGroupBox {
    Q_OBJECT
public:
    // `chooseSitemapFile` answers "Browse..." with a path, or empty when the user cancels.
    IndexNowUrlSection(const std::string& siteUrl, base::Workspace workspace,
                       std::function<std::string(QWidget* parent)> chooseSitemapFile,
                       QWidget* parent);

    // Puts the chosen source into `params`; false with `problem` set when it will not do.
    bool fill(indexnow::AnnouncementJob::Params& params, QString& problem) const;
    // What the dialog says while the chosen source is read.
    QString startText() const;
    void setInputEnabled(bool enabled);
    // The chosen source as a word ("site", "deep", "crawl" or "sitemap") and the sitemap field,
    // for the dialog to remember; an unknown word leaves the choice as it is.
    QString source() const;
    QString sitemap() const;
    void setSource(const QString& source, const QString& sitemap);

signals:
    void saveSitemapRequested();

private:
    void onBrowseSitemap();

    base::Workspace workspace_;
    std::function<std::string(QWidget* parent)> chooseSitemapFile_;
    QRadioButton* siteAddressRadio_ = nullptr;
    QRadioButton* deepPagesRadio_ = nullptr;
    QRadioButton* crawlRadio_ = nullptr;
    QPushButton* saveSitemapButton_ = nullptr;
    QRadioButton* sitemapRadio_ = nullptr;
    QLineEdit* sitemapField_ = nullptr;
    QPushButton* browseSitemapButton_ = nullptr;
    QCheckBox* forceCheck_ = nullptr;
};

}  // namespace farrow::ui
