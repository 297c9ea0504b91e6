#pragma once

namespace farrow::base {

// The diagnostic switches of the command line.
struct Switches {
    bool verbose = false;
    bool siteLog = false;
    bool htmlDump = false;
    bool skipDatabaseDownload = false;
};

}  // namespace farrow::base
