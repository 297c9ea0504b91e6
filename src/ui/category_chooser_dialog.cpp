#include "ui/category_chooser_dialog.h"

#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/latin1.h"

namespace farrow::ui {

namespace {

constexpr int kListWidth = 280;
constexpr int kListHeight = 220;

}  // namespace

CategoryChooserDialog::CategoryChooserDialog(const std::string& caption,
                                             const std::vector<std::string>& lines, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)) {
    setObjectName("categoryChooser");
    setWindowTitle(toQt(caption));
    list_->setObjectName("categoryChoices");
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const std::string& line : lines) {
        list_->addItem(toQt(line));
    }
    list_->setMinimumSize(kListWidth, kListHeight);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (QListWidgetItem* item = list_->currentItem(); item && item->isSelected()) {
            choice_ = fromQt(item->text());
        }
        accept();
    });
    connect(list_, &QListWidget::itemDoubleClicked, ok, &QPushButton::click);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

}  // namespace farrow::ui
