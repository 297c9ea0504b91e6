#include "ui/qt_optimizer_dialogs.h"

#include <QFileDialog>

#include "ui/latin1.h"
#include "ui/optimization_done.h"
#include "ui/optimization_warning.h"

namespace farrow::ui {

QStringList pageNameFilters(const profile::FileChooserOptions& options) {
    QStringList filters;
    for (const profile::FileFilter& f : options.filters()) {
        QString name = toQt(f.label);
        if (const qsizetype open = name.lastIndexOf('('); open > 0) {
            name = name.left(open).trimmed();
        }
        QStringList patterns = toQt(f.pattern).split(';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            if (pattern == "*.*") {
                pattern = "*";
            }
        }
        filters << name + " (" + patterns.join(' ') + ")";
    }
    return filters;
}

bool QtOptimizerDialogs::confirmMirroring(const std::string& text) {
    OptimizationWarning warning(toQt(text), parent_);
    return warning.exec() == QDialog::Accepted;
}

std::optional<std::string> QtOptimizerDialogs::choosePage(
    const profile::FileChooserOptions& options) {
    QFileDialog chooser(parent_);
    chooser.setObjectName("pageChooser");
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    // AnyFile: the name typed need not exist; the optimizer says so when it is missing.
    chooser.setFileMode(QFileDialog::AnyFile);
    chooser.setNameFilters(pageNameFilters(options));
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return pathFromQt(chooser.selectedFiles().first());
}

void QtOptimizerDialogs::showDone(const std::string& text) {
    OptimizationDone done(toQt(text), parent_);
    done.exec();
}

}  // namespace farrow::ui
