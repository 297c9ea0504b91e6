#pragma once

#include <ctime>
#include <fstream>
#include <string>

#include "indexnow/url_source.h"

namespace farrow::indexnow {

struct RequestRecord;

// The HTML log of one announcement in the logs folder, in the look of the submission logs;
// every value from a user or an engine is escaped.
class AnnouncementLog final {
public:
    // Opens "INDEXNOW-<site>-<MMDDhhmmss>.HTM" in `logsDir` (made when missing). With no folder,
    // or a log that cannot be opened, nothing is written.
    AnnouncementLog(const std::string& logsDir, const std::string& host, const std::tm& start);
    AnnouncementLog(const AnnouncementLog&) = delete;
    AnnouncementLog& operator=(const AnnouncementLog&) = delete;

    // Empty when the log could not be opened.
    const std::string& path() const { return path_; }

    void request(const RequestRecord& record);
    void leftOut(const LeftOutUrl& url);
    // A page dated after the run began, taken as one without a date.
    void futureDated(const std::string& url);
    // The closing lines: the summary and, after a refusal, what to fix.
    void finish(const std::string& summary, const std::string& advice);

private:
    enum class Section { None, LeftOut, FutureDated, Requests };

    void write(const std::string& html);
    // Closes the table of the section before and opens the one of `next`.
    void section(Section next, const char* heading);

    std::ofstream out_;
    std::string path_;
    Section section_ = Section::None;
};

}  // namespace farrow::indexnow
