#include "ui/window_settings.h"

#include <filesystem>

#include "ui/latin1.h"

namespace farrow::ui {

QString windowSettingsPath(const base::Workspace& workspace) {
    return pathToQt((std::filesystem::path(workspace.root()) / kWindowSettingsFile).string());
}

}  // namespace farrow::ui
