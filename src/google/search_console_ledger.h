#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/error.h"
#include "google/index_status.h"
#include "indexnow/announcement_ledger.h"

namespace farrow::google {

// One sitemap submission as the ledger keeps it.
struct SitemapSubmission {
    std::string feed;
    std::string property;
    base::TimePoint when{};
    long status = 0;
    // "submitted", "refused" or "failed".
    std::string outcome;
};

// One line of the history: an inspection or a submission.
struct HistoryEntry {
    base::TimePoint when{};
    std::optional<IndexStatus> inspection;
    std::optional<SitemapSubmission> submission;
};

// What the ledger knows of a URL's last inspection and announcement.
struct UrlRecord {
    std::optional<base::TimePoint> inspected;
    bool indexed = false;
    std::optional<base::TimePoint> announced;
};

// The Search Console's part of the workspace's ledger: the same file as the announcements,
// opened through them, so that a ledger of an older version is upgraded first. Each answer is
// written in one transaction. Not shared between threads.
class SearchConsoleLedger final {
public:
    struct Opened;
    static Opened open(const std::string& path);

    base::Error recordInspection(const IndexStatus& inspection);
    base::Error recordSubmission(const SitemapSubmission& submission);
    // Inspections answered for `property` since `since` (refusals and failures do not count
    // against the quota).
    std::size_t inspectionsSince(const std::string& property, base::TimePoint since) const;
    std::map<std::string, UrlRecord> records(const std::vector<std::string>& urls) const;
    // The last inspection of each URL that the service answered, with every field it kept.
    std::map<std::string, IndexStatus> lastInspections() const;
    // Every inspection and submission, oldest first; only those of `url` (as the URL inspected
    // or the sitemap submitted) when given.
    std::vector<HistoryEntry> history(const std::optional<std::string>& url) const;

private:
    SearchConsoleLedger(indexnow::AnnouncementLedger announcements, sqlite3* db)
        : announcements_(std::move(announcements)), db_(db) {}

    indexnow::AnnouncementLedger announcements_;
    std::unique_ptr<sqlite3, indexnow::SqliteCloser> db_;
};

struct SearchConsoleLedger::Opened {
    std::optional<SearchConsoleLedger> ledger;
    base::Error error;
};

}  // namespace farrow::google
