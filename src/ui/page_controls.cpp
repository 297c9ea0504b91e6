#include "ui/page_controls.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "profile/profile_file.h"
#include "ui/latin1.h"

namespace farrow::ui {

int profileValueLength() {
    return static_cast<int>(profile::kMaxStoredValue);
}

QLineEdit* lineEdit(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    acceptLatin1Only(edit);
    return edit;
}

QLineEdit* profileField(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    acceptLatin1Only(edit, profileValueLength());
    return edit;
}

QLineEdit* readOnlyLine(QWidget* parent, const QString& name) {
    QLineEdit* edit = lineEdit(parent, name);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setAlignment(Qt::AlignCenter);
    return edit;
}

QLabel* label(const QString& text, QWidget* parent, const QString& name) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QPushButton* button(const QString& text, QWidget* parent, const QString& name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

QListWidget* siteList(QWidget* parent, const QString& name, bool multiple) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection
                                    : QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    return list;
}

std::string fieldText(const QLineEdit* edit) {
    return fromQt(edit->text());
}

void setCaption(QObject* control, const app::CaptionCatalogue& captions, std::size_t line) {
    const QString caption = toQt(captions[line - 1]);
    if (auto* l = qobject_cast<QLabel*>(control)) {
        l->setText(caption);
    } else if (auto* b = qobject_cast<QAbstractButton*>(control)) {
        b->setText(caption);
    } else if (auto* g = qobject_cast<QGroupBox*>(control)) {
        g->setTitle(caption);
    }
}

std::vector<std::size_t> highlightedRows(const QListWidget* list) {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : list->selectionModel()->selectedIndexes()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    return rows;
}

int selectedRow(const QListWidget* list) {
    const QModelIndexList rows = list->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void fillList(QListWidget* widget, const sites::SortedList& model, bool keepHighlights) {
    QStringList highlighted;
    if (keepHighlights) {
        for (const QListWidgetItem* item : widget->selectedItems()) {
            highlighted.append(item->text());
        }
    }
    const QListWidgetItem* current = widget->currentItem();
    const QString currentText = current ? current->text() : QString();

    QStringList entries;
    entries.reserve(static_cast<qsizetype>(model.size()));
    for (const std::string& entry : model.entries()) {
        entries.append(toQt(entry));
    }
    const QSignalBlocker block(widget);
    widget->clear();
    widget->addItems(entries);
    for (int row = 0; row < widget->count(); ++row) {
        QListWidgetItem* item = widget->item(row);
        if (highlighted.removeOne(item->text())) {
            if (item->text() == currentText && !widget->currentItem()) {
                widget->setCurrentItem(item, QItemSelectionModel::NoUpdate);
            }
            item->setSelected(true);
        }
    }
}

}  // namespace farrow::ui
