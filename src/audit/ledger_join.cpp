#include "audit/ledger_join.h"

#include <filesystem>
#include <system_error>

#include "crawl/uri_reference.h"

namespace farrow::audit {

namespace {

template <typename T>
const T* lookUp(const std::map<std::string, T>& map, const std::string& url) {
    const auto found = map.find(url);
    return found == map.end() ? nullptr : &found->second;
}

}  // namespace

const indexnow::LedgerEntry* LedgerJoin::announcement(const std::string& url) const {
    return lookUp(announcements, url);
}

const google::IndexStatus* LedgerJoin::inspection(const std::string& url) const {
    return lookUp(inspections, url);
}

LedgerJoin readLedger(const std::string& path) {
    LedgerJoin join;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return join;
    }
    indexnow::AnnouncementLedger::Opened announcements = indexnow::AnnouncementLedger::open(path);
    if (!announcements.ledger) {
        join.problem = announcements.error.reason;
        return join;
    }
    // Oldest first: the last one of each address stays.
    for (indexnow::LedgerEntry& entry : announcements.ledger->history(std::nullopt)) {
        std::string url = crawl::normalizedUrl(entry.url);
        join.announcements[std::move(url)] = std::move(entry);
    }
    google::SearchConsoleLedger::Opened inspections = google::SearchConsoleLedger::open(path);
    if (!inspections.ledger) {
        join.problem = inspections.error.reason;
        return join;
    }
    for (auto& [url, inspection] : inspections.ledger->lastInspections()) {
        join.inspections[crawl::normalizedUrl(url)] = std::move(inspection);
    }
    for (google::HistoryEntry& entry : inspections.ledger->history(std::nullopt)) {
        if (entry.submission) {
            std::string feed = entry.submission->feed;
            join.sitemaps[std::move(feed)] = std::move(*entry.submission);
        }
    }
    return join;
}

}  // namespace farrow::audit
