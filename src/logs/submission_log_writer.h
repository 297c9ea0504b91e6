#pragma once

#include <ctime>
#include <memory>
#include <string>

#include "base/branding.h"
#include "logs/log_names.h"
#include "logs/log_rows.h"
#include "logs/write_problems.h"

namespace farrow::logs {

// Writes the submission log and the error log of one run. Every piece is one append, so both
// files are complete up to the last piece even while the run goes on, and a run that gets the
// names of an earlier one appends its document after the earlier one. Rows may be written from
// any thread.
class SubmissionLogWriter final {
public:
    SubmissionLogWriter(LogNames names, std::string url, base::Branding branding);

    const LogNames& names() const { return names_; }
    // Where this writer, and anyone writing rows of the same run, notes failed appends.
    const std::shared_ptr<WriteProblems>& problems() const { return problems_; }

    // The heads of both files, up to the opening of their tables.
    void writeHeader(const std::tm& start) const;

    void writeSiteRow(SiteOutcome outcome, const std::string& siteName) const;

    // To the submission log, then to the error log.
    void writeControlRow(ControlRow row) const;

    // The footer comes in three steps because the failure profile is saved between them:
    // the tables' ends and the run's duration,
    void writeFooterOpening(long long elapsedSeconds) const;
    // the note that the failure profile was written (only when a site failed),
    void writeFailureProfileNote(const std::string& failureProfilePath) const;
    // and the failure ratio, the closing date and the documents' ends.
    void writeFooterClosing(double processed, double failed, const std::tm& end) const;

private:
    void toLog(const std::string& text) const;
    void toErrorLog(const std::string& text) const;
    void toBoth(const std::string& text) const;

    LogNames names_;
    std::string url_;
    base::Branding branding_;
    std::shared_ptr<WriteProblems> problems_ = std::make_shared<WriteProblems>();
};

}  // namespace farrow::logs
