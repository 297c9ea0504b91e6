#include "logs/log_names.h"

#include "base/text.h"
#include "platform/file_system.h"

namespace farrow::logs {

namespace {

// A file name holds at most 255 bytes; the tag gives way to the stamp and the extension.
constexpr std::size_t kMaxFileName = 255;
constexpr std::size_t kStampAndExtension = 13;  // "-MMDDhhmm.HTM"

}  // namespace

LogNames makeLogNames(const std::string& url, const std::string& logsDir,
                      const std::string& errorsDir, const std::tm& start) {
    LogNames names;
    names.tag = url.size() > 7 ? url.substr(7) : std::string();
    for (char& c : names.tag) {
        if (c == '/' || c == '\\') {
            c = '+';
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            // A line break in a file name breaks every listing that shows it.
            c = '_';
        }
    }
    names.stamp = base::format("%02d%02d%02d%02d", start.tm_mon + 1, start.tm_mday, start.tm_hour,
                               start.tm_min);
    const std::string base =
        names.tag.substr(0, kMaxFileName - kStampAndExtension) + "-" + names.stamp;
    names.logPath = platform::joinPath(logsDir, base + ".HTM");
    names.errorLogName = platform::joinPath(errorsDir, base + ".HTM");
    names.failureProfilePath = platform::joinPath(errorsDir, base + ".fl2");
    names.relativeLogName = platform::joinPath(platform::joinPath(".", "LOGS"), base + ".HTM");
    return names;
}

}  // namespace farrow::logs
