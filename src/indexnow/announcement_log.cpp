#include "indexnow/announcement_log.h"

#include <cerrno>

#include "base/text.h"
#include "indexnow/announcement.h"
#include "logs/html_text.h"
#include "logs/log_rows.h"
#include "platform/file_system.h"
#include "profile/profile_file.h"

namespace farrow::indexnow {

namespace {

constexpr const char* kDocumentHead =
    "<HTML>\n<BODY BGCOLOR=#C0C0C0 LINK=#FF0000 VLINK=#FF0000 ALINK=#FF0000>\n";
constexpr const char* kDocumentEnd = "</BODY>\n</HTML>\n";

std::string cell(const std::string& text) {
    return "<TD>" + logs::escapeHtml(text) + "</TD>";
}

}  // namespace

AnnouncementLog::AnnouncementLog(const std::string& logsDir, const std::string& host,
                                 const std::tm& start) {
    if (logsDir.empty()) {
        return;
    }
    platform::makeDirectory(logsDir);
    std::string tag = host;
    for (char& c : tag) {
        if (c == '/' || c == '\\' || c == ':') {
            c = '+';
        }
    }
    const std::string stamp = base::format("%02d%02d%02d%02d%02d", start.tm_mon + 1, start.tm_mday,
                                           start.tm_hour, start.tm_min, start.tm_sec);
    const std::string base = platform::joinPath(logsDir, "INDEXNOW-" + tag + "-" + stamp + ".HTM");
    // Each run gets a log of its own, even when two start in the same second.
    std::string path;
    for (int number = 1; number <= profile::kMaxNumberedNames; ++number) {
        path = profile::numberedName(base, number);
        if (platform::createWholeFile(path, "")) {
            break;
        }
        path.clear();
        if (errno != EEXIST) {
            return;
        }
    }
    if (path.empty()) {
        return;
    }
    out_.open(path, std::ios::binary | std::ios::app);
    if (!out_) {
        return;
    }
    path_ = path;
    write(kDocumentHead);
    write("<TITLE>IndexNow Log Of " + logs::escapeHtml(host) + "</TITLE>\n");
    write("<B>IndexNow Log File created on " + logs::logDate(start) + " at " +
          logs::logTime(start) + "</B><BR>\n");
    write("<B>Now Announcing " + logs::escapeHtml(host) + "</B><BR>\n");
}

void AnnouncementLog::write(const std::string& html) {
    if (!path_.empty()) {
        out_ << html;
        out_.flush();
    }
}

void AnnouncementLog::section(Section next, const char* heading) {
    if (section_ == next) {
        return;
    }
    if (section_ != Section::None) {
        write("</TABLE>\n");
    }
    write(std::string("<B>") + heading + "</B><BR>\n<TABLE>\n");
    section_ = next;
}

void AnnouncementLog::request(const RequestRecord& r) {
    section(Section::Requests, "Requests");
    write("<TR>" + cell(r.endpoint) + cell(r.method) + cell(std::to_string(r.urls) + " URLs") +
          cell(r.status ? std::to_string(r.status) : "-") + "<TD><B>" +
          logs::escapeHtml(text(r.outcome)) + "</B></TD>" + cell(r.detail) + "</TR>\n");
}

void AnnouncementLog::leftOut(const LeftOutUrl& url) {
    section(Section::LeftOut, "Left Out");
    write("<TR>" + cell(url.url) + cell(text(url)) + "</TR>\n");
}

void AnnouncementLog::futureDated(const std::string& url) {
    section(Section::FutureDated, "Dated In The Future, Taken As Undated");
    write("<TR>" + cell(url) + "</TR>\n");
}

void AnnouncementLog::finish(const std::string& summary, const std::string& advice) {
    if (section_ != Section::None) {
        write("</TABLE>\n");
    }
    write("<B>" + logs::escapeHtml(summary) + "</B><BR>\n");
    if (!advice.empty()) {
        write("<B>To fix: " + logs::escapeHtml(advice) + "</B><BR>\n");
    }
    write(kDocumentEnd);
}

}  // namespace farrow::indexnow
