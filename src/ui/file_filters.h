#pragma once

#include <QString>

#include "profile/profile_dialogs.h"

namespace farrow::ui {

// Qt's filter list for a chooser: "Farrowlane Profiles (*.fl2);;All Files (*)". The labels
// already name their patterns; "*.*" becomes "*", since to Qt it would hide names without a dot.
QString qtFileFilters(const profile::FileChooserOptions& options);

}  // namespace farrow::ui
