#pragma once

#include <cstddef>
#include <string>

#include "base/clock.h"
#include "base/error.h"
#include "crawl/page_fetch.h"
#include "crawl/site_crawl.h"

namespace farrow::indexnow {

// The whole-site crawl as every front end runs it: with the workspace's ledger, each page the
// last crawl read is asked for conditionally (a 304 keeps what was read then, its links too),
// unless the caller asks for whole pages, and each page read is recorded, a batch of pages in
// one transaction.
struct RecordedCrawl {
    struct Params {
        crawl::CrawlParams crawl;
        // The ledger's file.
        std::string ledgerFile;
        // Reads a ledger that is there, makes none and records nothing.
        bool dryRun = false;
        // Off: every page is read whole, as by a first crawl, and still recorded; for a caller
        // that needs more of each page than a 304 keeps (its description, all its links).
        bool conditional = true;
    };

    struct Result {
        crawl::CrawlResult crawl;
        // Pages recorded; those of them that answered 304.
        std::size_t recorded = 0;
        std::size_t unchanged = 0;
        // Why the ledger could not be opened (the crawl then went without it) or written (the
        // pages read after were not recorded).
        base::Error ledgerError;
    };

    static Result run(Params params, const crawl::PageFetch& fetch, const base::Clock& clock,
                      crawl::CrawlProgress* progress = nullptr);
};

}  // namespace farrow::indexnow
