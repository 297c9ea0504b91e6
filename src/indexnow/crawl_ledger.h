#pragma once

#include <sqlite3.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/error.h"
#include "crawl/page_memory.h"
#include "indexnow/announcement_ledger.h"
#include "indexnow/ledger_statements.h"

namespace farrow::indexnow {

// One page read by a crawl, to be recorded.
struct CrawlRecord {
    crawl::PageReading reading;
    // Answered 304: only its validators and the time are new.
    bool unchanged = false;
    base::TimePoint when;
};

// The crawl's part of the workspace's ledger: the last reading of each page and the links it
// gave. Opened through the announcements, so that an older ledger is upgraded first. Not shared
// between threads.
class CrawlLedger final {
public:
    struct Opened;
    static Opened open(const std::string& path);

    std::optional<crawl::PageReading> recall(const std::string& url) const;
    // Writes `records` in one transaction; SQLite's reason when it fails (nothing is written).
    base::Error record(const std::vector<CrawlRecord>& records);

private:
    explicit CrawlLedger(sqlite3* db);

    std::unique_ptr<sqlite3, SqliteCloser> db_;
    // Asked once a page: prepared once. Finalized before the connection closes.
    Statement recallPage_;
    Statement recallLinks_;
};

struct CrawlLedger::Opened {
    std::optional<CrawlLedger> ledger;
    base::Error error;
};

}  // namespace farrow::indexnow
