#include "logs/submission_log_writer.h"

#include <utility>

#include "base/text.h"
#include "logs/html_text.h"
#include "platform/file_system.h"

namespace farrow::logs {

namespace {

constexpr const char* kDocumentHead =
    "<HTML>\n<BODY BGCOLOR=#C0C0C0 LINK=#FF0000 VLINK=#FF0000 ALINK=#FF0000>\n";
constexpr const char* kDocumentEnd = "</BODY>\n</HTML>\n";
constexpr const char* kNull = "NULL";

}  // namespace

SubmissionLogWriter::SubmissionLogWriter(LogNames names, std::string url, base::Branding branding)
    : names_(std::move(names)), url_(std::move(url)), branding_(std::move(branding)) {}

void SubmissionLogWriter::toLog(const std::string& text) const {
    appendNoting(names_.logPath, text, problems_.get());
}

void SubmissionLogWriter::toErrorLog(const std::string& text) const {
    appendNoting(names_.errorLogName, text, problems_.get());
}

void SubmissionLogWriter::toBoth(const std::string& text) const {
    toLog(text);
    toErrorLog(text);
}

void SubmissionLogWriter::writeHeader(const std::tm& start) const {
    toBoth(kDocumentHead);
    const base::Branding& b = branding_;
    if (b.vendorGraphic != kNull) {
        toBoth("<CENTER><IMG SRC=\"" + escapeHtml(b.vendorGraphic) +
               "\" alt=\"Vendor's Graphic\"></CENTER><BR>");
    }
    if (b.vendorHeading != kNull) {
        std::string heading = escapeHtml(b.vendorName) + ": " + escapeHtml(b.vendorHeading);
        if (b.vendorHeading2 != kNull) {
            heading += " " + escapeHtml(b.vendorHeading2);
        }
        toBoth("<CENTER><H3>" + heading + "</H3></CENTER>");
    }
    if (b.supportMail != kNull) {
        const std::string mail = escapeHtml(b.supportMail);
        toBoth("<CENTER>Mail Support At: <a href=\"mailto:" + mail + "\">" + mail +
               "</a></CENTER><BR>");
    }
    const std::string tag = escapeHtml(names_.tag);
    toLog("<TITLE>Submission Log Of " + tag + "</TITLE>\n");
    toErrorLog("<TITLE>Submission Error Log Of " + tag + "</TITLE>\n");
    const std::string created =
        "Log File created on " + logDate(start) + " at " + logTime(start) + "</B><BR>\n";
    toLog("<B>Submission " + created);
    toErrorLog("<B>Error " + created);
    toLog(errorLogLink(names_.errorLogName));
    const std::string nowSubmitting = "<B>Now Submitting " + escapeHtml(url_) + "</B><BR>\n";
    toLog(nowSubmitting);
    toLog("<TABLE>\n");
    toErrorLog(nowSubmitting);
    toErrorLog("<TABLE>\n");
}

void SubmissionLogWriter::writeSiteRow(SiteOutcome outcome, const std::string& siteName) const {
    toLog(siteRow(outcome, names_.errorLogName, siteName));
}

void SubmissionLogWriter::writeControlRow(ControlRow row) const {
    toBoth(controlRow(row));
}

void SubmissionLogWriter::writeFooterOpening(long long elapsedSeconds) const {
    toLog("</TABLE>\n");
    toErrorLog("</TABLE>\n");
    // A clock set back during the run must not give a negative duration.
    const long long d = elapsedSeconds < 0 ? 0 : elapsedSeconds;
    toLog(base::format("<B>Submission took: %d hours %d minutes and %d seconds\n",
                       static_cast<int>((d / 3600) % 24), static_cast<int>((d / 60) % 60),
                       static_cast<int>(d % 60)));
}

void SubmissionLogWriter::writeFailureProfileNote(const std::string& failureProfilePath) const {
    toErrorLog("<BR><B><I>Wrote Failure Profile " + escapeHtml(failureProfilePath) +
               "</B></I><BR>\n");
}

void SubmissionLogWriter::writeFooterClosing(double processed, double failed,
                                             const std::tm& end) const {
    // With no site processed there is nothing to divide by: the ratio is 0.
    const double ratio = processed > 0 ? failed * 100 / processed : 0.0;
    toLog(base::format(
        "<BR>Effective Ratio of Failures to Successes for this submission: %04.2f<BR>\n", ratio));
    toErrorLog("<B>Error Log File closed at " + logDate(end) + "</B><BR>\n");
    toErrorLog(kDocumentEnd);
    toLog(kDocumentEnd);
}

}  // namespace farrow::logs
