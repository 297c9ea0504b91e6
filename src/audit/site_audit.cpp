#include "audit/site_audit.h"

#include <algorithm>
#include <set>
#include <unordered_map>

#include "audit/site_findings.h"
#include "indexnow/announcement_ledger.h"
#include "indexnow/recorded_crawl.h"

namespace farrow::audit {

std::optional<Severity> AuditPage::worst() const {
    std::optional<Severity> worst;
    for (const FindingKind kind : findings) {
        const Severity s = severity(kind);
        if (!worst || s < *worst) {
            worst = s;
        }
    }
    return worst;
}

bool reaches(const AuditResult& result, Severity threshold) {
    return std::any_of(result.findings.begin(), result.findings.end(),
                       [&](const Finding& f) { return severity(f.kind) <= threshold; });
}

std::vector<std::pair<FindingKind, std::size_t>> mendFirst(const AuditResult& result) {
    std::map<FindingKind, std::set<std::string>> touched;
    for (const Finding& finding : result.findings) {
        for (std::string& url : pagesTouched(finding)) {
            touched[finding.kind].insert(std::move(url));
        }
    }
    std::vector<std::pair<FindingKind, std::size_t>> order;
    for (const auto& [kind, pages] : touched) {
        order.emplace_back(kind, pages.size());
    }
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : severity(a.first) < severity(b.first);
    });
    return order;
}

AuditResult runSiteAudit(const AuditParams& params, const base::Workspace& workspace,
                         const base::Timing& timing, const crawl::PageFetch& fetch,
                         crawl::CrawlProgress* progress) {
    crawl::CrawlParams crawlParams = crawl::crawlParams(params.startUrl, timing);
    if (params.maxPages > 0) {
        crawlParams.maxPages = params.maxPages;
    }
    if (params.maxDepth > 0) {
        crawlParams.maxDepth = params.maxDepth;
    }
    crawlParams.delay = params.delay;
    crawlParams.folderSitemap = true;
    crawlParams.keepLinks = true;
    crawlParams.cancel = params.cancel;
    // A 304 keeps neither a page's description nor the links it marks nofollow: no conditional
    // requests.
    indexnow::RecordedCrawl::Params recording{crawlParams, indexnow::ledgerPath(workspace), false,
                                              false};
    const base::SystemClock systemClock;
    indexnow::RecordedCrawl::Result recorded = indexnow::RecordedCrawl::run(
        std::move(recording), fetch, params.clock != nullptr ? *params.clock : systemClock,
        progress);
    crawl::CrawlResult& crawl = recorded.crawl;

    AuditResult result;
    result.recordProblem = recorded.ledgerError.reason;
    result.ending = crawl.ending;
    result.endingText = crawl::endingText(crawl, crawlParams);
    result.startUrl = params.startUrl;
    result.scope = crawl.scope;
    result.summary.read = crawl.fetched;
    if (crawl.ending == crawl::CrawlEnding::StartUnreadable) {
        return result;
    }
    result.findings = siteFindings(crawl, crawlParams.maxDepth);
    result.sitemapsRead = std::move(crawl.sitemaps);
    if (params.external) {
        ExternalLinkCheckParams check =
            externalLinkCheckParams(externalLinks(crawl, params.startUrl), timing);
        check.cancel = params.cancel;
        check.progress = params.externalProgress;
        result.external = checkExternalLinks(check, fetch);
        for (Finding& finding : externalFindings(*result.external)) {
            result.findings.push_back(std::move(finding));
        }
        std::stable_sort(result.findings.begin(), result.findings.end(),
                         [](const Finding& a, const Finding& b) { return a.kind < b.kind; });
    }
    const LedgerJoin ledger = readLedger(indexnow::ledgerPath(workspace));
    result.ledgerProblem = ledger.problem;
    for (const auto& [feed, submission] : ledger.sitemaps) {
        result.sitemaps.push_back(submission);
    }

    std::unordered_map<std::string, std::size_t> row;
    for (crawl::CrawledPage& page : crawl.pages) {
        row.emplace(page.url, result.pages.size());
        AuditPage audited;
        audited.url = std::move(page.url);
        audited.status = page.status;
        audited.depth = page.depth;
        audited.title = std::move(page.title);
        audited.leftOut = crawl::text(page.leftOut);
        if (const indexnow::LedgerEntry* sent = ledger.announcement(audited.url)) {
            audited.announcement = *sent;
            if (page.status == 200 && !page.fingerprint.empty() && !sent->fingerprint.empty()) {
                audited.changedSinceAnnounced = page.fingerprint != sent->fingerprint;
            }
        }
        if (const google::IndexStatus* seen = ledger.inspection(audited.url)) {
            audited.inspection = *seen;
        }
        result.pages.push_back(std::move(audited));
    }
    AuditSummary& sum = result.summary;
    for (const Finding& finding : result.findings) {
        switch (severity(finding.kind)) {
            case Severity::Error:
                ++sum.errors;
                break;
            case Severity::Warning:
                ++sum.warnings;
                break;
            case Severity::Notice:
                ++sum.notices;
                break;
        }
        for (const std::string& url : pagesTouched(finding)) {
            const auto at = row.find(url);
            if (at == row.end()) {
                continue;
            }
            std::vector<FindingKind>& kinds = result.pages[at->second].findings;
            if (std::find(kinds.begin(), kinds.end(), finding.kind) == kinds.end()) {
                kinds.insert(std::upper_bound(kinds.begin(), kinds.end(), finding.kind),
                             finding.kind);
            }
        }
    }
    sum.pages = result.pages.size();
    for (const AuditPage& page : result.pages) {
        const std::optional<Severity> worst = page.worst();
        if (worst == Severity::Error) {
            ++sum.withErrors;
        } else if (worst == Severity::Warning) {
            ++sum.withWarnings;
        } else if (page.status == 200) {
            ++sum.fit;
        }
        if (page.announcement) {
            ++sum.announced;
        }
        if (page.inspection) {
            ++sum.inspected;
            ++sum.coverage[page.inspection->coverageState.empty() ? "(none given)"
                                                                  : page.inspection->coverageState];
            if (page.inspection->indexed()) {
                ++sum.indexed;
            }
        }
    }
    return result;
}

}  // namespace farrow::audit
