#pragma once

#include <string>

#include "base/branding.h"
#include "base/messenger.h"

namespace farrow::app {

inline constexpr const char* kBrandingFile = "sysconfig.fls";

// Reads the branding file of the current directory. A missing file leaves every value "NULL"; a
// file that cannot be opened is reported (exclamation icon) and also leaves them "NULL".
base::Branding readBranding(base::Messenger& messenger, const std::string& path);

// The adult-only edition is selected by the vendor's name.
bool isAdultOnlyEdition(const base::Branding& branding);

}  // namespace farrow::app
