#include "ui/batch_errors_dialog.h"
#include "ui/latin1.h"
#include "ui/page_controls.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace farrow::ui {

namespace {

constexpr int kListWidth = 420;
constexpr int kListHeight = 160;

}  // namespace

BatchErrorsDialog::BatchErrorsDialog(const std::vector<std::string>& errorLogs,
                                     std::function<void(const std::string&)> showLog,
                                     QWidget* parent)
    : QDialog(parent),
      showLog_(std::move(showLog)),
      list_(pathList(this, "errorLogList", errorLogs, kListWidth)) {
    setObjectName("batchErrorsDialog");
    setWindowTitle("Batch Processing Error(s)");

    auto* hint = new QLabel("Please select an error log from the list below.", this);
    hint->setObjectName("batchErrorsHint");
    list_->setMinimumHeight(kListHeight);

    auto* see = new QPushButton("Let's See it...", this);
    see->setObjectName("seeButton");
    see->setDefault(true);
    auto* done = new QPushButton("I'm Done", this);
    done->setObjectName("doneButton");
    done->setAutoDefault(false);
    connect(see, &QPushButton::clicked, this, [this] {
        const QList<QListWidgetItem*> selected = list_->selectedItems();
        if (!selected.isEmpty() && showLog_) {
            showLog_(listedPath(selected.front()));
        }
    });
    connect(list_, &QListWidget::itemDoubleClicked, see, &QPushButton::click);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(see);
    buttons->addWidget(done);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(list_);
    layout->addLayout(buttons);
}

void showBatchErrorsDialog(QWidget* parent, const std::vector<std::string>& errorLogs,
                           std::function<void(const std::string&)> showLog) {
    BatchErrorsDialog dialog(errorLogs, std::move(showLog), parent);
    dialog.exec();
}

}  // namespace farrow::ui
