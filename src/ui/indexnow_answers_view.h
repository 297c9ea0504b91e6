#pragma once

#include <QTreeWidget>

#include "google/search_console_job.h"
#include "indexnow/announcement.h"

namespace farrow::ui {

// The engines' answers of a run, and the URLs it left out, one row each; and the Search
// Console's answers: the account's properties, each sitemap submitted and read, each URL
// inspected.
class IndexNowAnswersView final : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kMinimumHeight = 150;

    explicit IndexNowAnswersView(QWidget* parent);

    void addAnswer(const indexnow::RequestRecord& record);
    void addLeftOut(const indexnow::LeftOutUrl& url);
    void addProperty(const google::Property& property);
    void addSubmission(const google::SitemapSubmission& submission, const std::string& detail);
    void addSitemap(const google::SitemapState& sitemap);
    void addInspection(const google::IndexStatus& inspection);

private:
    void addRow(const QStringList& columns);
};

}  // namespace farrow::ui
