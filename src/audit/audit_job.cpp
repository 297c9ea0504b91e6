#include "audit/audit_job.h"

#include <cerrno>
#include <filesystem>
#include <sstream>

#include "audit/audit_events.h"
#include "audit/audit_html.h"
#include "crawl/sitemap_writer.h"
#include "platform/file_system.h"

namespace farrow::audit {

const char* token(AuditFormat format) {
    switch (format) {
        case AuditFormat::Html:
            return "html";
        case AuditFormat::JsonLines:
            return "jsonl";
    }
    return "html";
}

AuditJob::Result AuditJob::run(const Params& params, const base::Workspace& workspace,
                               const base::Timing& timing, const crawl::PageFetch& fetch,
                               const base::Clock& clock, AuditJobFrontend& frontend) {
    Result job;
    if (params.stream == nullptr) {
        job.path = params.out.empty() ? std::string("audit.") + token(params.format) : params.out;
        if (std::filesystem::path(job.path).is_relative()) {
            job.path = (std::filesystem::path(workspace.root()) / job.path).lexically_normal();
        }
        // Found now rather than after an hour's crawl.
        if (const base::Error e = crawl::checkOutputPlace(job.path)) {
            job.outcome = AuditJobOutcome::OutputUnusable;
            job.problem = e.reason;
            return job;
        }
    }
    frontend.crawling(params.audit.startUrl);
    job.audit = runSiteAudit(params.audit, workspace, timing, fetch, &frontend);
    if (job.audit.ending == crawl::CrawlEnding::StartUnreadable) {
        job.outcome = AuditJobOutcome::StartUnreadable;
        return job;
    }

    const base::TimePoint made = clock.now();
    const std::string text =
        params.format == AuditFormat::Html ? auditHtml(job.audit, made) : auditJsonLines(job.audit);
    if (params.stream != nullptr) {
        // A failed write to it is the caller's stream's to say.
        *params.stream << text << std::flush;
    } else if (!platform::writeWholeFile(job.path, text)) {
        job.outcome = AuditJobOutcome::WriteFailed;
        job.problem = "cannot write \"" + job.path + "\": " + platform::systemReason(errno);
        return job;
    }

    const AuditSummary& sum = job.audit.summary;
    job.record = AuditRecord{made,         job.audit.startUrl, sum.pages,        sum.errors,
                             sum.warnings, sum.notices,        job.audit.ending, job.path};
    const std::string records = auditRecordsPath(workspace);
    if (base::Error e = appendAuditRecord(records, *job.record)) {
        job.recordError = {e.code, "the audit's summary could not be recorded in \"" + records +
                                       "\": " + e.reason};
    }
    return job;
}

std::string failureText(const AuditJob::Result& result) {
    switch (result.outcome) {
        case AuditJobOutcome::Written:
            return {};
        case AuditJobOutcome::StartUnreadable:
            return result.audit.endingText;
        case AuditJobOutcome::OutputUnusable:
        case AuditJobOutcome::WriteFailed:
            return result.problem;
    }
    return result.problem;
}

std::string ledgerText(const AuditResult& result) {
    return result.ledgerProblem.empty()
               ? std::string()
               : "the ledger could not be read, so no page counts as announced: " +
                     result.ledgerProblem;
}

std::string recordText(const AuditResult& result) {
    return result.recordProblem.empty() ? std::string() : "the ledger: " + result.recordProblem;
}

std::string summaryText(const AuditResult& result) {
    const AuditSummary& sum = result.summary;
    std::ostringstream out;
    out << "The crawl " << result.endingText << ".\n"
        << sum.read << " pages read, " << sum.pages << " addresses met: " << sum.fit
        << " fit to be indexed, " << sum.withErrors << " with errors, " << sum.withWarnings
        << " with warnings.\n"
        << "Findings: error " << sum.errors << ", warning " << sum.warnings << ", notice "
        << sum.notices << ".\n"
        << "Announced: " << sum.announced << "; inspected: " << sum.inspected
        << "; indexed: " << sum.indexed << ".\n";
    if (result.external) {
        out << text(*result.external) << ".\n";
    }
    const auto order = mendFirst(result);
    if (!order.empty()) {
        out << "Mend first:";
        for (std::size_t i = 0; i < order.size() && i < 3; ++i) {
            out << (i == 0 ? " " : ", ") << token(order[i].first) << " (" << order[i].second
                << (order[i].second == 1 ? " page)" : " pages)");
        }
        out << ".\n";
    }
    return out.str();
}

}  // namespace farrow::audit
