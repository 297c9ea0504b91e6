#include "ui/exit_prompt.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace farrow::ui {

namespace {

constexpr int kTextWidth = 240;

}  // namespace

ExitPrompt::ExitPrompt(bool fieldsChanged, QWidget* parent) : QDialog(parent) {
    setObjectName("exitPrompt");
    setWindowTitle("Exit Prompt");
    auto* text = new QLineEdit("Are you sure you want to exit?", this);
    text->setReadOnly(true);
    text->setFrame(false);
    text->setAlignment(Qt::AlignCenter);
    text->setFocusPolicy(Qt::NoFocus);
    text->setMinimumWidth(kTextWidth);
    QPalette flat = text->palette();
    flat.setColor(QPalette::Base, flat.color(QPalette::Window));
    text->setPalette(flat);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("okButton");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("cancelButton");
    // With changes to lose, a hasty Enter keeps the program running.
    (fieldsChanged ? cancel : ok)->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->addWidget(text);
    if (fieldsChanged) {
        auto* changed = new QLabel(
            "The profile's fields changed since it was last loaded or saved; exiting loses "
            "those changes.",
            this);
        changed->setObjectName("fieldsChangedLabel");
        changed->setWordWrap(true);
        changed->setAlignment(Qt::AlignCenter);
        layout->addWidget(changed);
    }
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace farrow::ui
