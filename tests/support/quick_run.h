#pragma once

#include <string>

#include "submit/submission_controller.h"
#include "support/temp_workspace.h"

namespace farrow::test {

// Run parameters for a test run in `ws`: the LOGS and ERRORS folders made, the logs pointed at
// them, and every pass, pause and nap of the controller and the dispatcher shrunk to a
// millisecond or two, so that a run of a few sites takes milliseconds.
submit::RunParams quickRunParams(const TempWorkspace& ws, const std::string& url);

// The whole of a file, or "" when it cannot be read.
std::string wholeFile(const std::string& path);

// How many times `part` stands in `text`, overlaps counted.
std::size_t occurrences(const std::string& text, const std::string& part);

}  // namespace farrow::test
