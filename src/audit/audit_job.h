#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "audit/audit_record.h"
#include "audit/site_audit.h"
#include "base/clock.h"
#include "base/error.h"
#include "base/timing.h"
#include "base/workspace.h"
#include "crawl/page_fetch.h"
#include "crawl/site_crawl.h"

namespace farrow::audit {

enum class AuditFormat { Html, JsonLines };

// "html", "jsonl": the --format values and the default file's extension.
const char* token(AuditFormat format);

// How the job's written audit went.
enum class AuditJobOutcome {
    Written,
    // The output's folder is missing or not writable: found before the crawl.
    OutputUnusable,
    StartUnreadable,
    WriteFailed,
};

// How a job reaches its user: the start of the crawl and its progress. Called on the thread
// that runs the job, and the crawl's pages on the crawl's.
class AuditJobFrontend : public crawl::CrawlProgress {
public:
    // The output's place is usable and the crawl from `startUrl` begins.
    virtual void crawling(const std::string& startUrl) = 0;
};

// The site audit as farrowctl and the window run it: crawl and audit the site, write the audit
// and record its summary in the workspace.
struct AuditJob {
    struct Params {
        AuditParams audit;
        AuditFormat format = AuditFormat::Html;
        // The audit's file; a relative path is taken in the workspace, and empty is
        // "audit.html" or "audit.jsonl" there. Not used when `stream` is given.
        std::string out;
        // Standard output, when the audit goes there.
        std::ostream* stream = nullptr;
    };
    struct Result {
        AuditJobOutcome outcome = AuditJobOutcome::Written;
        AuditResult audit;
        // The file written (or to be written); empty for `stream`.
        std::string path;
        // Why the output was unusable or its write failed.
        std::string problem;
        // The summary recorded in the workspace, once the audit was written; and why it could
        // not be recorded ("the audit's summary could not be recorded in \"PATH\": ...").
        std::optional<AuditRecord> record;
        base::Error recordError;
    };
    static Result run(const Params& params, const base::Workspace& workspace,
                      const base::Timing& timing, const crawl::PageFetch& fetch,
                      const base::Clock& clock, AuditJobFrontend& frontend);
};

// Why a job wrote no audit, as a sentence without its capital or full stop; empty when written.
std::string failureText(const AuditJob::Result& result);

// "the ledger could not be read, so no page counts as announced: ..."; empty when it was read.
std::string ledgerText(const AuditResult& result);

// "the ledger: ..." when the crawl's pages could not be recorded; empty when they were.
std::string recordText(const AuditResult& result);

// The audit's figures, a line each: the crawl's ending, the pages, the findings by severity,
// the announced and indexed, and the three kinds to mend first.
std::string summaryText(const AuditResult& result);

}  // namespace farrow::audit
