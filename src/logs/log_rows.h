#pragma once

#include <ctime>
#include <string>

#include "logs/write_problems.h"

namespace farrow::logs {

// How one target site of a run ended.
enum class SiteOutcome { Successful, Failed, Terminated };

// The moments the controller marks in both logs.
enum class ControlRow { StopRequested, PauseRequested, Stopped };

// A submission-log row for one site. FAILED and TERMINATED rows link to the site's row in the
// error log (their link element stays open, as every log so far has written it).
std::string siteRow(SiteOutcome outcome, const std::string& errorLogName,
                    const std::string& siteName);

// An error-log row whose anchor is the site name that `siteRow` links to.
std::string errorRow(const std::string& text, const std::string& siteName);

std::string controlRow(ControlRow row);

// The submission log's link to the whole error log.
std::string errorLogLink(const std::string& errorLogName);

// The line that opens one run of a batch in the batch log and the batch error log: the run's URL
// and the profile it came from, both shown as plain text.
std::string batchRunStartRow(const std::string& url, const std::string& profilePath);

// "Sunday, March 07, 2004" and "09:05", in English whatever the locale.
std::string logDate(const std::tm& time);
std::string logTime(const std::tm& time);

// Appends one error row for a site to the error log `logPath`. The text is plain: characters
// that mean markup are shown, not obeyed.
void writeErrorRow(const std::string& text, const std::string& siteName, const std::string& logPath,
                   WriteProblems* problems = nullptr);

// Appends the error row of a site that rejected the run's URL, the URL set in bold.
void writeInvalidUrlRow(const std::string& url, const std::string& siteName,
                        const std::string& logPath, WriteProblems* problems = nullptr);

}  // namespace farrow::logs
