#include "logs/log_rows.h"

#include "base/text.h"
#include "logs/html_text.h"
#include "platform/file_system.h"

namespace farrow::logs {

namespace {

constexpr const char* kControlFont = "<FONT COLOR=#0000FF>";

constexpr const char* kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

std::string errorRowMarkup(const std::string& html, const std::string& siteName) {
    const std::string name = escapeHtml(siteName);
    return "<TR><TD><A NAME=\"" + name + "\">" + name + "<TD>" + html + "</A>\n";
}

}  // namespace

std::string siteRow(SiteOutcome outcome, const std::string& errorLogName,
                    const std::string& siteName) {
    const std::string name = escapeHtml(siteName);
    if (outcome == SiteOutcome::Successful) {
        return "<TR><TD>SUCCESSFUL:<TD>" + name + "\n";
    }
    const char* word = outcome == SiteOutcome::Failed ? "FAILED:" : "TERMINATED:";
    return "<TR><TD><FONT COLOR=#D00000><a href=\"" + escapeHtml(linkPath(errorLogName)) + "#" +
           name + "\">" + word + "</FONT><TD>" + name + "\n";
}

std::string errorRow(const std::string& text, const std::string& siteName) {
    return errorRowMarkup(escapeHtml(text), siteName);
}

std::string controlRow(ControlRow row) {
    switch (row) {
        case ControlRow::StopRequested:
            return base::format("<TR><TD>%s Stopping Submission due to user request</FONT>\n",
                                kControlFont);
        case ControlRow::PauseRequested:
            return base::format("<TR><TD>%s Pausing Submission due to user request</FONT>\n",
                                kControlFont);
        case ControlRow::Stopped:
            return base::format("<TR><TD>%s Submission Stopped Successfully</FONT>\n",
                                kControlFont);
    }
    return {};
}

std::string errorLogLink(const std::string& errorLogName) {
    return "<a href=\"" + escapeHtml(linkPath(errorLogName)) +
           "\"> Verbose Error Log </a><BR><BR>\n";
}

std::string batchRunStartRow(const std::string& url, const std::string& profilePath) {
    return "<TR><TR>" + escapeHtml(url) + " From " + escapeHtml(profilePath) + "\n";
}

std::string logDate(const std::tm& time) {
    const char* weekday = time.tm_wday >= 0 && time.tm_wday < 7 ? kWeekdays[time.tm_wday] : "?";
    const char* month = time.tm_mon >= 0 && time.tm_mon < 12 ? kMonths[time.tm_mon] : "?";
    return base::format("%s, %s %02d, %d", weekday, month, time.tm_mday, time.tm_year + 1900);
}

std::string logTime(const std::tm& time) {
    return base::format("%02d:%02d", time.tm_hour, time.tm_min);
}

void writeErrorRow(const std::string& text, const std::string& siteName, const std::string& logPath,
                   WriteProblems* problems) {
    appendNoting(logPath, errorRow(text, siteName), problems);
}

void writeInvalidUrlRow(const std::string& url, const std::string& siteName,
                        const std::string& logPath, WriteProblems* problems) {
    appendNoting(logPath,
                 errorRowMarkup("I do not recognize <b>" + escapeHtml(url) + "</b> as a valid URL.",
                                siteName),
                 problems);
}

}  // namespace farrow::logs
