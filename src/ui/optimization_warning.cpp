#include "ui/optimization_warning.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace farrow::ui {

namespace {

constexpr int kTextWidth = 360;

}  // namespace

QString displayedLines(const QString& text) {
    QString lines = text;
    lines.replace("\r\n", "\n");
    lines.replace('\r', '\n');
    return lines;
}

OptimizationWarning::OptimizationWarning(const QString& text, QWidget* parent) : QDialog(parent) {
    setObjectName("optimizationWarning");
    setWindowTitle("Optimization Warning");
    auto* label = new QLabel(displayedLines(text), this);
    label->setObjectName("warningText");
    label->setWordWrap(true);
    label->setFixedWidth(kTextWidth);

    auto* fine = new QPushButton("That's Fine", this);
    fine->setObjectName("fineButton");
    fine->setDefault(true);
    auto* noWay = new QPushButton("No WAY!", this);
    noWay->setObjectName("noWayButton");
    connect(fine, &QPushButton::clicked, this, &QDialog::accept);
    connect(noWay, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(fine);
    buttons->addWidget(noWay);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(12);
    layout->addWidget(label);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace farrow::ui
