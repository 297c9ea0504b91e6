#include "ui/optimization_done.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include "ui/optimization_warning.h"

namespace farrow::ui {

namespace {

constexpr int kBoxWidth = 320;
constexpr int kBoxHeight = 80;

}  // namespace

OptimizationDone::OptimizationDone(const QString& text, QWidget* parent) : QDialog(parent) {
    setObjectName("optimizationDone");
    setWindowTitle("Optimization Done");
    auto* box = new QTextEdit(this);
    box->setObjectName("doneText");
    box->setReadOnly(true);
    box->setPlainText(displayedLines(text));
    box->selectAll();
    box->setAlignment(Qt::AlignCenter);
    box->moveCursor(QTextCursor::Start);
    box->setFixedSize(kBoxWidth, kBoxHeight);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->addWidget(box);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace farrow::ui
