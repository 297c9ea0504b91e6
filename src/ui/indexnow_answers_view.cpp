#include "ui/indexnow_answers_view.h"

#include <QHeaderView>

#include "ui/latin1.h"

namespace farrow::ui {

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
    auto* row = new QTreeWidgetItem(this, {toQt(r.endpoint), QString::number(r.urls), status,
                                           toQt(text(r.outcome)), toQt(r.detail)});
    scrollToItem(row);
}

void IndexNowAnswersView::addLeftOut(const indexnow::LeftOutUrl& url) {
    new QTreeWidgetItem(this, {QString(), toQt(url.url), QString(), "left out", toQt(text(url))});
}

}  // namespace farrow::ui
