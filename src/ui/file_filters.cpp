#include "ui/file_filters.h"

#include <QStringList>

namespace farrow::ui {

QString qtFileFilters(const profile::FileChooserOptions& options) {
    QStringList filters;
    for (const profile::FileFilter& f : options.filters()) {
        QString label = QString::fromStdString(f.label);
        if (f.pattern == "*.*") {
            label.replace("(*.*)", "(*)");
        }
        filters << label;
    }
    return filters.join(";;");
}

}  // namespace farrow::ui
