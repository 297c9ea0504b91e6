#include "ui/batch_dialog.h"
#include "ui/latin1.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace farrow::ui {

namespace {

constexpr int kListWidth = 360;
constexpr int kListHeight = 200;

constexpr const char* kHint =
    "Click on Load to load profiles filenames into the List for Batch Submission.  To cancel this "
    "procedure, click on the 'x' in the upper right hand corner of this window.";

}  // namespace

BatchDialog::BatchDialog(profile::BatchDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model), list_(new QListWidget(this)) {
    setObjectName("batchDialog");
    setWindowTitle("Batch Processing");

    auto* hint = new QLabel(kHint, this);
    hint->setObjectName("batchHint");
    hint->setWordWrap(true);
    list_->setObjectName("batchList");
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setMinimumSize(kListWidth, kListHeight);

    auto* buttons = new QGridLayout;
    auto button = [this, buttons](const char* text, const char* name, int row, int column) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b, row, column);
        return b;
    };
    QPushButton* add = button("Add Profile to List", "addButton", 0, 0);
    QPushButton* remove = button("Remove From List", "removeButton", 0, 1);
    QPushButton* save = button("Save Batch Session", "saveButton", 1, 0);
    QPushButton* load = button("Load Batch Session", "loadButton", 1, 1);
    QPushButton* goAhead = button("Go Ahead", "goAheadButton", 2, 0);
    QPushButton* cancel = button("Cancel", "cancelButton", 2, 1);

    connect(add, &QPushButton::clicked, this, [this] {
        if (model_.addProfile() == profile::BatchAction::Done) {
            refresh();
        }
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem* item = list_->currentItem()) {
            model_.removeName(pathFromQt(item->text()));
            refresh();
        }
    });
    connect(save, &QPushButton::clicked, this, [this] { model_.saveSession(); });
    connect(load, &QPushButton::clicked, this, [this] {
        if (model_.loadSession() == profile::BatchAction::Done) {
            refresh();
        }
    });
    connect(goAhead, &QPushButton::clicked, this, [this] {
        if (model_.goAhead() == profile::BatchAction::Done) {
            accept();
        }
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    refresh();
}

void BatchDialog::refresh() {
    list_->clear();
    for (const std::string& name : model_.shown().names()) {
        list_->addItem(pathToQt(name));
    }
}

bool openBatchDialog(QWidget* parent, profile::BatchList& list, profile::ProfileDialogs& dialogs,
                     base::Messenger& messenger, const std::string& runFilePath) {
    profile::BatchDialogModel model(list, dialogs, messenger, runFilePath);
    BatchDialog dialog(model, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace farrow::ui
