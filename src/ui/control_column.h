#pragma once

#include <QString>
#include <QWidget>

#include "app/caption_catalogue.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace farrow::ui {

// The column right of the pages, always visible: Exit, Help, the actions group, IndexNow, the
// site audit, the status field and About. It holds the controls; the window decides what their
// clicks do.
class ControlColumn final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 170;

    explicit ControlColumn(QWidget* parent);

    // The About entry, also offered in the window's context menu.
    QAction* aboutAction() const { return aboutAction_; }
    void setProductName(const QString& product);
    void applyCaptions(const app::CaptionCatalogue& captions);

    bool deepChecked() const;
    void setDeepChecked(bool checked);
    bool optimizeChecked() const;
    void setOptimizeChecked(bool checked);

    // Shows `text` in the status field; with `now` it is painted at once, for a caller that
    // holds the window thread.
    void showStatus(const QString& text, bool now = false);
    // Says which profile and page a long job is at; empty hides the line.
    void showUnderWay(const QString& text);

signals:
    void exitClicked();
    void helpClicked();
    void batchClicked();
    void indexNowClicked();
    void siteAuditClicked();
    void optimizeClicked();

private:
    QPushButton* exitButton_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    QGroupBox* actionsGroup_ = nullptr;
    QCheckBox* deepCheck_ = nullptr;
    QCheckBox* optimizeCheck_ = nullptr;
    QPushButton* batchButton_ = nullptr;
    QPushButton* indexNowButton_ = nullptr;
    QPushButton* siteAuditButton_ = nullptr;
    QLineEdit* statusField_ = nullptr;
    QLabel* underWay_ = nullptr;
    QToolButton* aboutButton_ = nullptr;
    QAction* aboutAction_ = nullptr;
};

}  // namespace farrow::ui
