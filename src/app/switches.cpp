#include "app/switches.h"

namespace farrow::app {

base::Switches parseSwitches(const std::vector<std::string>& argv) {
    base::Switches s;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a == "/VERBOSE" || a == "/TEST") {
            s.verbose = true;
        } else if (a == "/SITELOG") {
            s.siteLog = true;
        } else if (a == "/HTML") {
            s.htmlDump = true;
        } else if (a == "/VUZODURI") {
            s.skipDatabaseDownload = s.verbose = s.siteLog = s.htmlDump = true;
        }
        // "/LOG" is accepted for old command lines and changes nothing.
    }
    return s;
}

}  // namespace farrow::app
