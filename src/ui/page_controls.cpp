#include "ui/page_controls.h"

#include <QAbstractButton>
#include <QFontMetrics>
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

namespace {

// `path` in lines no wider than `width`, each ending after a slash where one fits.
QString brokenPath(const QString& path, const QFontMetrics& metrics, int width) {
    QStringList lines;
    QString line;
    qsizetype lastSlash = -1;
    for (const QChar c : path) {
        line += c;
        if (c == '/') {
            lastSlash = line.size();
        }
        if (metrics.horizontalAdvance(line) > width && line.size() > 1) {
            const qsizetype cut =
                lastSlash > 0 && lastSlash < line.size() ? lastSlash : line.size() - 1;
            lines << line.left(cut);
            line = line.mid(cut);
            lastSlash = -1;
        }
    }
    lines << line;
    return lines.join('\n');
}

}  // namespace

QListWidget* pathList(QWidget* parent, const QString& name, const std::vector<std::string>& paths,
                      int width) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setMinimumWidth(width);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Room for the frame, the item's margins and a vertical scroll bar.
    const int textWidth = width - 2 * list->frameWidth() - 40;
    for (const std::string& path : paths) {
        const QString text = pathToQt(path);
        auto* item = new QListWidgetItem(brokenPath(text, list->fontMetrics(), textWidth));
        item->setData(Qt::UserRole, text);
        item->setToolTip(text);
        list->addItem(item);
    }
    if (list->count() > 0) {
        list->setCurrentRow(0);
    }
    return list;
}

std::string listedPath(const QListWidgetItem* item) {
    return pathFromQt(item->data(Qt::UserRole).toString());
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
