#include "ui/update_prompt.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/raised_frame.h"

namespace farrow::ui {

namespace {

constexpr int kTextWidth = 380;

}  // namespace

UpdatePrompt::UpdatePrompt(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("updatePrompt");
    QFrame* frame = addRaisedFrame(this);

    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(12);
    for (const char* text :
         {"Would you like to connect to the Internet now and check for the availability of "
          "updates and newer versions?  This software will be updated twice monthly to reflect "
          "changes and additions.",
          "For maximum advertising exposure, we reccommend that you check for updates each time "
          "you run this program."}) {
        auto* label = new QLabel(text, frame);
        label->setWordWrap(true);
        label->setFixedWidth(kTextWidth);
        layout->addWidget(label);
    }

    auto* checkNow = new QPushButton("Check Now", frame);
    checkNow->setObjectName("checkNowButton");
    checkNow->setDefault(true);
    auto* skip = new QPushButton("Skip", frame);
    skip->setObjectName("skipButton");
    connect(checkNow, &QPushButton::clicked, this, &QDialog::accept);
    connect(skip, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(checkNow);
    buttons->addWidget(skip);
    buttons->addStretch();
    layout->addLayout(buttons);
    QWidget::layout()->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace farrow::ui
