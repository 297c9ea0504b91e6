#include "ui/deep_checklist_dialog.h"
#include "ui/latin1.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace farrow::ui {

namespace {

constexpr int kListWidth = 420;
constexpr int kListHeight = 260;

}  // namespace

DeepChecklistDialog::DeepChecklistDialog(std::vector<deep::ChecklistItem> items, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      items_(std::move(items)),
      list_(new QListWidget(this)) {
    setObjectName("deepChecklist");
    setWindowTitle("Deep Submission CheckList");
    setSizeGripEnabled(true);
    list_->setObjectName("checklist");
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setMinimumSize(kListWidth, kListHeight);
    // The lines come sorted from the core; each remembers the page behind it, so "OK" never
    // has to take a title or URL back out of the line's text.
    for (std::size_t i = 0; i < items_.size(); ++i) {
        auto* line = new QListWidgetItem(toQt(items_[i].text), list_);
        line->setData(Qt::UserRole, static_cast<qulonglong>(i));
    }

    auto* removeSelected = new QPushButton("Remove Selected", this);
    removeSelected->setObjectName("removeSelectedButton");
    removeSelected->setAutoDefault(false);
    auto* removeAll = new QPushButton("RemoveAll", this);
    removeAll->setObjectName("removeAllButton");
    removeAll->setAutoDefault(false);
    removeAll->hide();
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    connect(removeSelected, &QPushButton::clicked, this, &DeepChecklistDialog::removeSelected);
    connect(removeAll, &QPushButton::clicked, list_, &QListWidget::clear);
    connect(ok, &QPushButton::clicked, this, &DeepChecklistDialog::takeRemaining);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(removeSelected);
    buttons->addWidget(removeAll);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
}

void DeepChecklistDialog::removeSelected() {
    qDeleteAll(list_->selectedItems());
}

void DeepChecklistDialog::takeRemaining() {
    std::vector<deep::PageEntry> pages;
    for (int row = 0; row < list_->count(); ++row) {
        const auto index = list_->item(row)->data(Qt::UserRole).toULongLong();
        pages.push_back(items_[index].page);
    }
    pages_ = std::move(pages);
    accept();
}

}  // namespace farrow::ui
