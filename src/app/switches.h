#pragma once

#include <string>
#include <vector>

namespace farrow::app {

// The diagnostic switches of the command line.
struct Switches {
    bool verbose = false;
    bool siteLog = false;
    bool htmlDump = false;
    bool skipDatabaseDownload = false;
};

// Compares each argument after the program name, whole and case-sensitively, with the switch
// texts; anything else is ignored.
Switches parseSwitches(const std::vector<std::string>& argv);

}  // namespace farrow::app
