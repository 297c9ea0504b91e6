#include "batch/batch_logs.h"

#include "base/text.h"
#include "logs/html_text.h"
#include "logs/log_rows.h"
#include "platform/file_system.h"

namespace farrow::batch {

namespace {

constexpr const char* kDocumentHead =
    "<HTML>\n<BODY BGCOLOR=#C0C0C0 LINK=#FF0000 VLINK=#FF0000 ALINK=#FF0000>\n";

}  // namespace

BatchLogNames makeBatchLogNames(const std::string& logsDir, const std::string& errorsDir,
                                const std::tm& start) {
    BatchLogNames names;
    names.stamp = base::format("%02d%02d%02d%02d", start.tm_mon + 1, start.tm_mday, start.tm_hour,
                               start.tm_min);
    const std::string file = "BatchLog-" + names.stamp + ".HTM";
    names.logPath = platform::joinPath(logsDir, file);
    names.errorLogPath = platform::joinPath(errorsDir, file);
    return names;
}

void writeBatchHeads(const BatchLogNames& names, const std::tm& start) {
    const std::string created =
        " on " + logs::logDate(start) + " at " + logs::logTime(start) + "</B><BR>\n";
    const std::string& errors = names.errorLogPath;
    platform::appendTextToFile(errors, kDocumentHead);
    platform::appendTextToFile(errors, "<TITLE>BATCH: Submission Error Log</TITLE>\n");
    platform::appendTextToFile(errors, "<B>Error Log File created" + created);
    platform::appendTextToFile(errors, "<TABLE>\n");

    const std::string& log = names.logPath;
    platform::appendTextToFile(log, kDocumentHead);
    platform::appendTextToFile(log, "<TITLE>BATCH: Submission Log</TITLE>\n");
    platform::appendTextToFile(log, "<B>Submission Log File created" + created);
    platform::appendTextToFile(log, "<TABLE>\n");
    platform::appendTextToFile(log, logs::errorLogLink(errors));
}

void writeRunEnd(const BatchLogNames& names) {
    platform::appendTextToFile(names.errorLogPath, "<TR>\n");
    platform::appendTextToFile(names.logPath, "<TR>\n");
}

void writeNotRun(const BatchLogNames& names, const std::string& profilePath) {
    platform::appendTextToFile(
        names.logPath, "<TR><TD>not run: stopped<TD>" + logs::escapeHtml(profilePath) + "\n");
}

void writeBatchFooters(const BatchLogNames& names, long long elapsedSeconds) {
    platform::appendTextToFile(names.logPath, "</TABLE>\n");
    platform::appendTextToFile(names.errorLogPath, "</TABLE>\n");
    // A clock set back during the batch must not give a negative duration.
    const long long d = elapsedSeconds < 0 ? 0 : elapsedSeconds;
    platform::appendTextToFile(
        names.logPath,
        base::format("<B>BATCH: Submission took: %d hours %d minutes and %d seconds\n",
                     static_cast<int>((d / 3600) % 24), static_cast<int>((d / 60) % 60),
                     static_cast<int>(d % 60)));
}

}  // namespace farrow::batch
