#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "audit/external_link_check.h"
#include "audit/finding.h"
#include "audit/ledger_join.h"
#include "base/clock.h"
#include "base/timing.h"
#include "base/workspace.h"
#include "crawl/page_fetch.h"
#include "crawl/site_crawl.h"

namespace farrow::audit {

struct AuditParams {
    std::string startUrl;
    // 0: the timing record's crawl bounds.
    std::size_t maxPages = 0;
    std::size_t maxDepth = 0;
    // When set, one request at a time with this pause after each answer (CrawlParams::delay).
    std::optional<base::Millis> delay;
    // Stamps the pages recorded in the ledger; the system's clock when none is given.
    const base::Clock* clock = nullptr;
    // Links to other sites are checked too (--external), each told to `externalProgress`.
    bool external = false;
    ExternalLinkProgress* externalProgress = nullptr;
    // Set by the caller (Ctrl-C, a Cancel button): the crawl ends and what was read is audited.
    const std::atomic<bool>* cancel = nullptr;
};

// One address the crawl met, with what the audit and the ledger say of it.
struct AuditPage {
    std::string url;
    long status = 0;
    std::size_t depth = 0;
    std::string title;
    // Why the crawl left it out of a sitemap; empty when it did not.
    std::string leftOut;
    // The kinds found on it (where their mending is done), each once, in kFindingKinds' order.
    std::vector<FindingKind> findings;
    std::optional<indexnow::LedgerEntry> announcement;
    // Whether the page read now differs from the page announced; none when it was not
    // announced, or either fingerprint is unknown (a page not read whole with 200, a sending
    // whose source gave none).
    std::optional<bool> changedSinceAnnounced;
    std::optional<google::IndexStatus> inspection;

    // The worst severity among `findings`; none when it has none.
    std::optional<Severity> worst() const;
};

struct AuditSummary {
    // Pages fetched, and the addresses met (redirects, disallowed ones and errors too).
    std::size_t read = 0;
    std::size_t pages = 0;
    // Pages answering 200 without errors or warnings; those with at least one error; those
    // with warnings and no error.
    std::size_t fit = 0;
    std::size_t withErrors = 0;
    std::size_t withWarnings = 0;
    std::size_t errors = 0;
    std::size_t warnings = 0;
    std::size_t notices = 0;
    std::size_t announced = 0;
    std::size_t inspected = 0;
    std::size_t indexed = 0;
    // Pages inspected, by Google's coverage state.
    std::map<std::string, std::size_t> coverage;
};

struct AuditResult {
    crawl::CrawlEnding ending = crawl::CrawlEnding::Finished;
    // "ended by itself", "stopped at the page bound (N pages)", "the start page could not...".
    std::string endingText;
    std::string startUrl;
    std::string scope;
    std::vector<AuditPage> pages;
    std::vector<Finding> findings;
    AuditSummary summary;
    // The property's sitemaps as last submitted to the Search Console.
    std::vector<google::SitemapSubmission> sitemaps;
    // Why the ledger could not be read; the pages then count as not announced.
    std::string ledgerProblem;
    // Why the crawl could not be recorded in the ledger; the audit stands without it.
    std::string recordProblem;
    // The sitemaps the crawl read: robots.txt's, else the folder's sitemap.xml.
    std::vector<crawl::RobotsSitemap> sitemapsRead;
    // With AuditParams::external: what became of the links to other sites.
    std::optional<ExternalLinkCheck> external;
};

// Whether a finding of `threshold` or worse was made.
bool reaches(const AuditResult& result, Severity threshold);

// The kinds found, by the pages each touches, most first (then errors before warnings).
std::vector<std::pair<FindingKind, std::size_t>> mendFirst(const AuditResult& result);

// Crawls the site from `params.startUrl` within the timing record's bounds, reading every page
// whole and recording it in the workspace's ledger as any crawl of the site is; finds what is
// wrong with its pages and the sitemaps', and joins the ledger. It sends nothing to any engine.
AuditResult runSiteAudit(const AuditParams& params, const base::Workspace& workspace,
                         const base::Timing& timing, const crawl::PageFetch& fetch,
                         crawl::CrawlProgress* progress = nullptr);

}  // namespace farrow::audit
