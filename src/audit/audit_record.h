#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/error.h"
#include "base/workspace.h"
#include "crawl/site_crawl.h"

namespace farrow::audit {

// What one audit made of a site, kept in the workspace by every front end that audits, so
// that the announcement dialog can say how the site stood when it was last audited.
struct AuditRecord {
    base::TimePoint when{};
    std::string startUrl;
    // The addresses met, and the findings by severity.
    std::size_t pages = 0;
    std::size_t errors = 0;
    std::size_t warnings = 0;
    std::size_t notices = 0;
    crawl::CrawlEnding ending = crawl::CrawlEnding::Finished;
    // The audit's file; empty when it went to standard output.
    std::string file;

    bool operator==(const AuditRecord&) const = default;
};

// "audits.jsonl" in the workspace: a line per audit, oldest first.
std::string auditRecordsPath(const base::Workspace& workspace);

// Appends `record` to the list at `path`, made when missing; with the system's reason when it
// could not be written.
base::Error appendAuditRecord(const std::string& path, const AuditRecord& record);

struct LastAudit {
    // None when no audit was recorded, or the last line is none of ours.
    std::optional<AuditRecord> record;
    // Why the list could not be read; empty when it could or is not there.
    std::string problem;
};

// The last record of the list at `path`, read from its end only, however long the list grew.
LastAudit readLastAudit(const std::string& path);

// "42 pages, 3 errors, 5 warnings, 2 notices (audit.html)": the file named alone when it lies in
// `workspaceRoot`; a crawl that did not end by itself says so at the end.
std::string summaryLine(const AuditRecord& record, const std::string& workspaceRoot);

// "Last audit 2026-12-10 07:12 UTC: " and the summary line.
std::string lastAuditLine(const AuditRecord& record, const std::string& workspaceRoot);

}  // namespace farrow::audit
