#pragma once

#include <ctime>
#include <string>

namespace farrow::logs {

// The files of one submission run, named after the profile's URL and the local time the run
// started.
struct LogNames {
    // The URL without its first 7 characters ("http://"), every "/" and "\" made "+", every
    // control character "_".
    std::string tag;
    // Month, day, hour and minute of the start, two digits each.
    std::string stamp;
    // The submission log in the LOGS directory.
    std::string logPath;
    // The error log in the ERRORS directory; failure rows link to it.
    std::string errorLogName;
    // Where the sites that failed are saved as a profile.
    std::string failureProfilePath;
    // The submission log relative to the working directory, as the progress window shows it.
    std::string relativeLogName;
};

LogNames makeLogNames(const std::string& url, const std::string& logsDir,
                      const std::string& errorsDir, const std::tm& start);

}  // namespace farrow::logs
