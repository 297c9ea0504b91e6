#pragma once

#include <map>
#include <optional>
#include <string>

#include "google/index_status.h"
#include "google/search_console_ledger.h"
#include "indexnow/announcement_ledger.h"

namespace farrow::audit {

// What the workspace's ledger says of each address, keyed by the address as the crawl writes
// it: the last IndexNow announcement and the last answered inspection.
struct LedgerJoin {
    std::map<std::string, indexnow::LedgerEntry> announcements;
    std::map<std::string, google::IndexStatus> inspections;
    // The last submission of each sitemap to the Search Console, by its address.
    std::map<std::string, google::SitemapSubmission> sitemaps;
    // Why the ledger could not be read (SQLite's words); empty when it was, or when there is
    // none yet, which means nothing was announced or inspected.
    std::string problem;

    const indexnow::LedgerEntry* announcement(const std::string& url) const;
    const google::IndexStatus* inspection(const std::string& url) const;
};

// Reads the ledger at `path` and records nothing in it; a missing file is an empty ledger and
// is not made.
LedgerJoin readLedger(const std::string& path);

}  // namespace farrow::audit
