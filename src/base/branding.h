#pragma once

#include <string>

namespace farrow::base {

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

}  // namespace farrow::base
