#pragma once

#include <string>

#include "app/messenger.h"

namespace farrow::app {

// The ten lines of "sysconfig.fls"; "NULL" marks a value that is not set.
struct Branding {
    std::string productName = "NULL";
    std::string vendorLine = "NULL";
    std::string vendorName = "NULL";
    std::string salesContact = "NULL";
    std::string infoContact = "NULL";
    std::string mailSetting = "NULL";
    std::string vendorGraphic = "NULL";
    std::string vendorHeading = "NULL";
    std::string vendorHeading2 = "NULL";
    std::string supportMail = "NULL";
};

inline constexpr const char* kBrandingFile = "sysconfig.fls";

// Reads the branding file of the current directory. A missing file leaves every value "NULL"; a
// file that cannot be opened is reported (exclamation icon) and also leaves them "NULL".
Branding readBranding(Messenger& messenger, const std::string& path = kBrandingFile);

// The adult-only edition is selected by the vendor's name.
bool isAdultOnlyEdition(const Branding& branding);

}  // namespace farrow::app
