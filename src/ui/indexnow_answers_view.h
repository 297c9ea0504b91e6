#pragma once

#include <QTreeWidget>

#include "indexnow/announcement.h"

namespace farrow::ui {

// The engines' answers of a run, and the URLs it left out, one row each.
class IndexNowAnswersView final : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kMinimumHeight = 150;

    explicit IndexNowAnswersView(QWidget* parent);

    void addAnswer(const indexnow::RequestRecord& record);
    void addLeftOut(const indexnow::LeftOutUrl& url);
};

}  // namespace farrow::ui
