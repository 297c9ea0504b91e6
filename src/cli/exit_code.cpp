#include "cli/exit_code.h"

#include <sstream>

namespace farrow::cli {

std::string exitCodeHelp(const std::vector<ExitMeaning>& meanings, bool stopsOnSignal) {
    std::vector<ExitMeaning> all = meanings;
    if (stopsOnSignal) {
        all.emplace_back(kExitInterrupted,
                         "a second Ctrl-C (SIGINT) ended it at once; the first one stops it");
        all.emplace_back(kExitTerminated,
                         "a second SIGTERM ended it at once; the first one stops it");
    }
    const std::string indent(stopsOnSignal ? 7 : 5, ' ');
    std::ostringstream text;
    text << "Exit codes:\n";
    for (const auto& [code, meaning] : all) {
        const std::string number = std::to_string(static_cast<int>(code));
        text << "  " << number << std::string(indent.size() - 2 - number.size(), ' ');
        // A meaning of several lines keeps its later lines under its first.
        for (char c : meaning) {
            text << c;
            if (c == '\n') {
                text << indent;
            }
        }
        text << '\n';
    }
    text << "Output that cannot be written (stdout, the report, a file) is named on stderr, "
            "with exit code 1.\n";
    return text.str();
}

}  // namespace farrow::cli
