#include "ui/indexnow_answers_view.h"

#include <QHeaderView>

#include "ui/latin1.h"

namespace farrow::ui {

namespace {

constexpr const char* kSearchConsole = "Search Console";

QString orDash(const std::string& text) {
    return text.empty() ? QString("-") : toQt(text);
}

}  // namespace

IndexNowAnswersView::IndexNowAnswersView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName("answersList");
    setRootIsDecorated(false);
    setHeaderLabels({"Endpoint", "URLs", "Status", "Outcome", "Detail"});
    setMinimumHeight(kMinimumHeight);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

void IndexNowAnswersView::addAnswer(const indexnow::RequestRecord& r) {
    QString status = r.status != 0 ? QString::number(r.status) : QString();
    if (r.retryAfter) {
        status += QString(" (retry after %1 s)").arg(*r.retryAfter);
    }
    addRow(
        {toQt(r.endpoint), QString::number(r.urls), status, toQt(text(r.outcome)), toQt(r.detail)});
}

void IndexNowAnswersView::addLeftOut(const indexnow::LeftOutUrl& url) {
    new QTreeWidgetItem(this, {QString(), toQt(url.url), QString(), "left out", toQt(text(url))});
}

void IndexNowAnswersView::addProperty(const google::Property& p) {
    addRow({kSearchConsole, toQt(p.siteUrl), QString(), toQt(token(p.permission)),
            toQt("the account " + text(p.permission))});
}

void IndexNowAnswersView::addSubmission(const google::SitemapSubmission& s,
                                        const std::string& detail) {
    addRow({kSearchConsole, toQt(s.feed), s.status != 0 ? QString::number(s.status) : QString(),
            toQt(s.outcome), toQt(detail)});
}

void IndexNowAnswersView::addSitemap(const google::SitemapState& s) {
    const QString read =
        s.lastDownloaded.empty() ? "never read by Google" : toQt("read " + s.lastDownloaded);
    addRow({kSearchConsole, toQt(s.path), QString(),
            s.isPending ? "pending" : (s.isSitemapsIndex ? "sitemap index" : "sitemap"),
            read + QString(", %1 errors, %2 warnings, %3 URLs submitted")
                       .arg(s.errors)
                       .arg(s.warnings)
                       .arg(s.submitted)});
}

void IndexNowAnswersView::addInspection(const google::IndexStatus& i) {
    if (i.outcome != google::InspectionOutcome::Inspected) {
        addRow({kSearchConsole, toQt(i.url), QString(), "not inspected",
                toQt(text(i.outcome) + ": " + i.detail)});
        return;
    }
    addRow({kSearchConsole, toQt(i.url), orDash(i.verdict), orDash(i.coverageState),
            i.indexingState.empty() ? QString() : toQt(i.indexingState)});
}

void IndexNowAnswersView::addRow(const QStringList& columns) {
    scrollToItem(new QTreeWidgetItem(this, columns));
}

}  // namespace farrow::ui
