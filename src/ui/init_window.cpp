#include "ui/init_window.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/raised_frame.h"

namespace farrow::ui {

namespace {

constexpr int kStageWidth = 320;

}  // namespace

InitWindow::InitWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName("initWindow");
    setCursor(Qt::WaitCursor);
    QFrame* frame = addRaisedFrame(this);

    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(14, 12, 14, 12);
    stageField_ = new QLineEdit(frame);
    stageField_->setObjectName("stageField");
    stageField_->setReadOnly(true);
    stageField_->setMinimumWidth(kStageWidth);
    loadedLabel_ = new QLabel("Loaded", frame);
    loadedLabel_->setObjectName("loadedLabel");
    countField_ = new QLineEdit(frame);
    countField_->setObjectName("countField");
    countField_->setReadOnly(true);
    okButton_ = new QPushButton("Ok", frame);
    okButton_->setObjectName("okButton");
    okButton_->hide();
    connect(okButton_, &QPushButton::clicked, this, &QWidget::close);

    grid->addWidget(new QLabel("Stage:", frame), 0, 0);
    grid->addWidget(stageField_, 0, 1);
    grid->addWidget(loadedLabel_, 1, 0);
    grid->addWidget(countField_, 1, 1);
    grid->addWidget(okButton_, 2, 1, Qt::AlignRight);
    loadedLabel_->hide();
    countField_->hide();
    stageField_->clear();
}

void InitWindow::showCentred() {
    loadedLabel_->hide();
    countField_->hide();
    adjustSize();
    if (QScreen* s = screen()) {
        move(s->availableGeometry().center() - rect().center());
    }
    show();
    repaint();
}

void InitWindow::setStage(const QString& text) {
    stageField_->setText(text);
    setWindowTitle(text);
    repaint();
}

void InitWindow::showLoaded() {
    loadedLabel_->show();
    countField_->show();
    repaint();
}

void InitWindow::setLoadedCount(const QString& text) {
    countField_->setText(text);
    countField_->repaint();
}

}  // namespace farrow::ui
