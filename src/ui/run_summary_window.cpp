#include "ui/run_summary_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/latin1.h"
#include "ui/page_controls.h"

namespace farrow::ui {

namespace {

constexpr int kWidth = 560;

}  // namespace

RunSummaryWindow::RunSummaryWindow(const QString& title, const std::string& text,
                                   const std::vector<std::string>& files, Opener open,
                                   QWidget* parent)
    : QDialog(parent), open_(std::move(open)) {
    setObjectName("runSummary");
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* summary = new QLabel(toQt(text), this);
    summary->setObjectName("summaryText");
    summary->setWordWrap(true);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    files_ = pathList(this, "summaryFiles", files, kWidth - 40);

    auto* openButton = new QPushButton("Open", this);
    openButton->setObjectName("openFileButton");
    auto* close = new QPushButton("Close", this);
    close->setObjectName("closeButton");
    close->setDefault(true);
    connect(openButton, &QPushButton::clicked, this, &RunSummaryWindow::openCurrent);
    connect(files_, &QListWidget::itemDoubleClicked, this, &RunSummaryWindow::openCurrent);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(openButton);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary);
    auto* filesLabel = new QLabel("Logs and failure profiles:", this);
    layout->addWidget(filesLabel);
    layout->addWidget(files_);
    layout->addLayout(buttons);
    // A job that wrote no file (the database update) has nothing to list or open.
    filesLabel->setVisible(!files.empty());
    files_->setVisible(!files.empty());
    openButton->setVisible(!files.empty());
    resize(kWidth, sizeHint().height());
}

void RunSummaryWindow::openCurrent() {
    if (QListWidgetItem* item = files_->currentItem()) {
        open_(listedPath(item));
    }
}

}  // namespace farrow::ui
