#include "ui/control_column.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/page_controls.h"

namespace farrow::ui {

namespace {

constexpr int kSectionGap = 8;

}  // namespace

ControlColumn::ControlColumn(QWidget* parent) : QWidget(parent) {
    setObjectName("rightColumn");
    setFixedWidth(kWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    exitButton_ = button("Exit", this, "exitButton");
    helpButton_ = button("&Help", this, "helpButton");
    layout->addWidget(exitButton_);
    layout->addWidget(helpButton_);

    actionsGroup_ = new QGroupBox("Actions", this);
    actionsGroup_->setObjectName("actionsGroup");
    deepCheck_ = new QCheckBox("Deep Submission", actionsGroup_);
    deepCheck_->setObjectName("deepCheck");
    optimizeCheck_ = new QCheckBox("Optimize", actionsGroup_);
    optimizeCheck_->setObjectName("optimizeCheck");
    batchButton_ = button("Batch Submission", actionsGroup_, "batchButton");
    auto* group = new QVBoxLayout(actionsGroup_);
    group->addWidget(deepCheck_);
    group->addWidget(optimizeCheck_);
    group->addWidget(batchButton_);
    layout->addSpacing(kSectionGap);
    layout->addWidget(actionsGroup_);
    // Beside the group, not in it: the caption catalogue names the group's controls only.
    indexNowButton_ = button("IndexNow...", this, "indexNowButton");
    layout->addWidget(indexNowButton_);
    siteAuditButton_ = button("Site audit...", this, "siteAuditButton");
    layout->addWidget(siteAuditButton_);

    statusField_ = readOnlyLine(this, "statusField");
    layout->addSpacing(kSectionGap);
    layout->addWidget(statusField_);
    underWay_ = new QLabel(this);
    underWay_->setObjectName("underWayLabel");
    underWay_->setWordWrap(true);
    underWay_->hide();
    layout->addWidget(underWay_);
    layout->addStretch();

    // Linux window managers keep the title-bar menu to themselves, so the About entry lives
    // here and in the window's context menu.
    aboutAction_ = new QAction("About: ", parent);
    aboutAction_->setObjectName("aboutAction");
    aboutButton_ = new QToolButton(this);
    aboutButton_->setObjectName("aboutButton");
    aboutButton_->setDefaultAction(aboutAction_);
    aboutButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    aboutButton_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->addWidget(aboutButton_);

    connect(exitButton_, &QPushButton::clicked, this, &ControlColumn::exitClicked);
    connect(helpButton_, &QPushButton::clicked, this, &ControlColumn::helpClicked);
    connect(batchButton_, &QPushButton::clicked, this, &ControlColumn::batchClicked);
    connect(indexNowButton_, &QPushButton::clicked, this, &ControlColumn::indexNowClicked);
    connect(siteAuditButton_, &QPushButton::clicked, this, &ControlColumn::siteAuditClicked);
    connect(optimizeCheck_, &QCheckBox::clicked, this, &ControlColumn::optimizeClicked);
}

void ControlColumn::setProductName(const QString& product) {
    aboutAction_->setText("About: " + product);
}

void ControlColumn::applyCaptions(const app::CaptionCatalogue& captions) {
    setCaption(actionsGroup_, captions, 43);
    setCaption(deepCheck_, captions, 44);
    setCaption(batchButton_, captions, 45);
}

bool ControlColumn::deepChecked() const {
    return deepCheck_->isChecked();
}

void ControlColumn::setDeepChecked(bool checked) {
    deepCheck_->setChecked(checked);
}

bool ControlColumn::optimizeChecked() const {
    return optimizeCheck_->isChecked();
}

void ControlColumn::setOptimizeChecked(bool checked) {
    optimizeCheck_->setChecked(checked);
}

void ControlColumn::showStatus(const QString& text, bool now) {
    statusField_->setText(text);
    statusField_->setToolTip(QString());
    if (now) {
        statusField_->repaint();
    }
}

void ControlColumn::showUnderWay(const QString& text) {
    underWay_->setText(text);
    underWay_->setToolTip(text);
    underWay_->setVisible(!text.isEmpty());
    underWay_->repaint();
}

}  // namespace farrow::ui
