#pragma once

#include <QString>

#include "base/workspace.h"

namespace farrow::ui {

// The one file in which the window remembers its settings between starts, per workspace, in
// QSettings' ini format; each window keeps a group of its own.
inline constexpr const char* kWindowSettingsFile = "farrowlane-window.ini";

QString windowSettingsPath(const base::Workspace& workspace);

}  // namespace farrow::ui
