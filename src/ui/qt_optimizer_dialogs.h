#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "optimizer/optimizer_dialogs.h"

namespace farrow::ui {

// The page optimizer's dialogs on the desktop, modal over `parent`.
class QtOptimizerDialogs : public optimizer::OptimizerDialogs {
public:
    explicit QtOptimizerDialogs(QWidget* parent) : parent_(parent) {}

    bool confirmMirroring(const std::string& text) override;
    // An open-file chooser that also takes a typed name of a file that does not exist.
    std::optional<std::string> choosePage(const profile::FileChooserOptions& options) override;
    void showDone(const std::string& text) override;

private:
    QPointer<QWidget> parent_;
};

// Qt's name filters for a chooser's type list. Qt takes the patterns from the parentheses of
// each entry, split at spaces, and reads "*.*" literally, so every entry is written again from
// its pattern, and "*.*" becomes "*" to show every file, also names without a dot:
// "HTML Pages (*.htm *.html)", "All Files (*)".
QStringList pageNameFilters(const profile::FileChooserOptions& options);

}  // namespace farrow::ui
