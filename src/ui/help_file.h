#pragma once

#include <QString>

namespace farrow::ui {

inline constexpr const char* kHelpFileName = "help.html";

// The help page: beside the executable (where the build puts it), else in the installed share
// folder next to the executable's bin folder. Empty when neither exists.
QString findHelpFile(const QString& applicationDir);

}  // namespace farrow::ui
