#include "ui/help_file.h"

#include <QDir>
#include <QFileInfo>

namespace farrow::ui {

QString findHelpFile(const QString& applicationDir) {
    const QDir dir(applicationDir);
    for (const QString& candidate :
         {dir.filePath(kHelpFileName),
          dir.filePath(QStringLiteral("../share/farrowlane/") + kHelpFileName)}) {
        const QFileInfo info(candidate);
        if (info.isFile()) {
            return info.canonicalFilePath();
        }
    }
    return {};
}

}  // namespace farrow::ui
