#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <vector>

#include "app/caption_catalogue.h"
#include "sites/sorted_list.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QObject;
class QPushButton;
class QWidget;

namespace farrow::ui {

// The size of every page of the main window; the right-hand column sits beside them.
inline constexpr int kPageWidth = 600;
inline constexpr int kPageHeight = 420;

// The most characters a profile value can have, so that what a saved profile keeps is what a
// run sends.
int profileValueLength();

// Every edit field holds a single-byte text, so it takes Latin-1 characters only.
QLineEdit* lineEdit(QWidget* parent, const QString& name);
// The edit field of one profile value: at most `profileValueLength()` characters.
QLineEdit* profileField(QWidget* parent, const QString& name);
QLineEdit* readOnlyLine(QWidget* parent, const QString& name);
QLabel* label(const QString& text, QWidget* parent, const QString& name);
QPushButton* button(const QString& text, QWidget* parent, const QString& name);
QListWidget* siteList(QWidget* parent, const QString& name, bool multiple);

// A list of file paths `width` pixels wide that breaks a long path into lines (after its slashes
// where it can) instead of scrolling sideways; `listedPath` gives back the path of an entry.
QListWidget* pathList(QWidget* parent, const QString& name, const std::vector<std::string>& paths,
                      int width);
std::string listedPath(const QListWidgetItem* item);

// The single-byte text of an edit field.
std::string fieldText(const QLineEdit* edit);

// Sets the caption of a label, button, check box or group from line `line` (counted from 1)
// of the catalogue.
void setCaption(QObject* control, const app::CaptionCatalogue& captions, std::size_t line);

// The rows highlighted in `list`, and the first of them (-1 with none).
std::vector<std::size_t> highlightedRows(const QListWidget* list);
int selectedRow(const QListWidget* list);

// Shows the model's entries. With `keepHighlights`, entries that stay keep their highlight, as
// they do in a list box that gains or loses other entries, so a category site stays chosen while
// sites are moved; otherwise nothing is highlighted afterwards.
void fillList(QListWidget* widget, const sites::SortedList& model, bool keepHighlights = true);

}  // namespace farrow::ui
