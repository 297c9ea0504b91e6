#include "google/search_console_ledger.h"

#include <algorithm>
#include <chrono>

#include "indexnow/ledger_statements.h"

namespace farrow::google {

namespace {

using indexnow::bindText;
using indexnow::columnText;
using indexnow::exec;
using indexnow::millisOf;
using indexnow::prepare;
using indexnow::Statement;

constexpr int kBusyTimeoutMs = 5000;

base::TimePoint timeOf(long long ms) {
    return base::TimePoint(std::chrono::milliseconds(ms));
}

// Runs one prepared insert in a transaction of its own.
base::Error insertOne(sqlite3* db, sqlite3_stmt* s) {
    if (s == nullptr) {
        return {base::ErrorCode::WriteFailed, sqlite3_errmsg(db)};
    }
    if (std::string e = exec(db, "BEGIN IMMEDIATE"); !e.empty()) {
        return {base::ErrorCode::WriteFailed, e};
    }
    if (sqlite3_step(s) != SQLITE_DONE) {
        const std::string reason = sqlite3_errmsg(db);
        exec(db, "ROLLBACK");
        return {base::ErrorCode::WriteFailed, reason};
    }
    if (std::string e = exec(db, "COMMIT"); !e.empty()) {
        exec(db, "ROLLBACK");
        return {base::ErrorCode::WriteFailed, e};
    }
    return {};
}

}  // namespace

SearchConsoleLedger::Opened SearchConsoleLedger::open(const std::string& path) {
    indexnow::AnnouncementLedger::Opened announcements = indexnow::AnnouncementLedger::open(path);
    if (!announcements.ledger) {
        return {std::nullopt, std::move(announcements.error)};
    }
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<sqlite3, indexnow::SqliteCloser> db(raw);
    if (rc != SQLITE_OK) {
        return {std::nullopt,
                {base::ErrorCode::OpenFailed,
                 path + ": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc))}};
    }
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    return {SearchConsoleLedger(std::move(*announcements.ledger), db.release()), {}};
}

base::Error SearchConsoleLedger::recordInspection(const IndexStatus& i) {
    Statement s = prepare(db_.get(),
                          "INSERT INTO inspection (url, property, inspected_ms, outcome, verdict, "
                          "coverage_state, indexing_state, robots_txt_state, page_fetch_state, "
                          "last_crawl_time, google_canonical, user_canonical) VALUES (?1, ?2, "
                          "?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)");
    if (s) {
        bindText(s.get(), 1, i.url);
        bindText(s.get(), 2, i.property);
        sqlite3_bind_int64(s.get(), 3, millisOf(i.when));
        bindText(s.get(), 4, token(i.outcome));
        int column = 5;
        for (const std::string* field :
             {&i.verdict, &i.coverageState, &i.indexingState, &i.robotsTxtState, &i.pageFetchState,
              &i.lastCrawlTime, &i.googleCanonical, &i.userCanonical}) {
            bindText(s.get(), column++, *field);
        }
    }
    return insertOne(db_.get(), s.get());
}

base::Error SearchConsoleLedger::recordSubmission(const SitemapSubmission& submission) {
    Statement s = prepare(db_.get(),
                          "INSERT INTO sitemap_submission (feed, property, submitted_ms, status, "
                          "outcome) VALUES (?1, ?2, ?3, ?4, ?5)");
    if (s) {
        bindText(s.get(), 1, submission.feed);
        bindText(s.get(), 2, submission.property);
        sqlite3_bind_int64(s.get(), 3, millisOf(submission.when));
        sqlite3_bind_int64(s.get(), 4, submission.status);
        bindText(s.get(), 5, submission.outcome);
    }
    return insertOne(db_.get(), s.get());
}

std::size_t SearchConsoleLedger::inspectionsSince(const std::string& property,
                                                  base::TimePoint since) const {
    Statement s = prepare(db_.get(),
                          "SELECT COUNT(*) FROM inspection WHERE property = ?1 AND "
                          "inspected_ms > ?2 AND outcome = 'inspected'");
    if (!s) {
        return 0;
    }
    bindText(s.get(), 1, property);
    sqlite3_bind_int64(s.get(), 2, millisOf(since));
    return sqlite3_step(s.get()) == SQLITE_ROW
               ? static_cast<std::size_t>(sqlite3_column_int64(s.get(), 0))
               : 0;
}

std::map<std::string, UrlRecord> SearchConsoleLedger::records(
    const std::vector<std::string>& urls) const {
    std::map<std::string, UrlRecord> found;
    const std::map<std::string, base::TimePoint> announced = announcements_.lastAccepted(urls);
    Statement s = prepare(db_.get(),
                          "SELECT inspected_ms, verdict FROM inspection WHERE url = ?1 AND "
                          "outcome = 'inspected' ORDER BY inspected_ms DESC, id DESC LIMIT 1");
    if (!s) {
        return found;
    }
    const bool inTransaction = exec(db_.get(), "BEGIN").empty();
    for (const std::string& url : urls) {
        UrlRecord record;
        sqlite3_reset(s.get());
        bindText(s.get(), 1, url);
        if (sqlite3_step(s.get()) == SQLITE_ROW) {
            record.inspected = timeOf(sqlite3_column_int64(s.get(), 0));
            record.indexed = columnText(s.get(), 1) == "PASS";
        }
        if (const auto it = announced.find(url); it != announced.end()) {
            record.announced = it->second;
        }
        found[url] = record;
    }
    s.reset();
    if (inTransaction) {
        exec(db_.get(), "COMMIT");
    }
    return found;
}

std::map<std::string, IndexStatus> SearchConsoleLedger::lastInspections() const {
    std::map<std::string, IndexStatus> last;
    Statement i = prepare(db_.get(),
                          "SELECT url, property, inspected_ms, verdict, coverage_state, "
                          "indexing_state, robots_txt_state, page_fetch_state, last_crawl_time, "
                          "google_canonical, user_canonical FROM inspection WHERE outcome = ?1 "
                          "ORDER BY id");
    if (i) {
        bindText(i.get(), 1, token(InspectionOutcome::Inspected));
        while (sqlite3_step(i.get()) == SQLITE_ROW) {
            IndexStatus r;
            r.url = columnText(i.get(), 0);
            r.property = columnText(i.get(), 1);
            r.when = timeOf(sqlite3_column_int64(i.get(), 2));
            int column = 3;
            for (std::string* field :
                 {&r.verdict, &r.coverageState, &r.indexingState, &r.robotsTxtState,
                  &r.pageFetchState, &r.lastCrawlTime, &r.googleCanonical, &r.userCanonical}) {
                *field = columnText(i.get(), column++);
            }
            std::string url = r.url;
            last[std::move(url)] = std::move(r);
        }
    }
    return last;
}

std::vector<HistoryEntry> SearchConsoleLedger::history(
    const std::optional<std::string>& url) const {
    std::vector<HistoryEntry> entries;
    Statement i = prepare(db_.get(), url ? "SELECT url, property, inspected_ms, outcome, verdict, "
                                           "coverage_state FROM inspection WHERE url = ?1 "
                                           "ORDER BY id"
                                         : "SELECT url, property, inspected_ms, outcome, verdict, "
                                           "coverage_state FROM inspection ORDER BY id");
    if (i) {
        if (url) {
            bindText(i.get(), 1, *url);
        }
        while (sqlite3_step(i.get()) == SQLITE_ROW) {
            IndexStatus r;
            r.url = columnText(i.get(), 0);
            r.property = columnText(i.get(), 1);
            r.when = timeOf(sqlite3_column_int64(i.get(), 2));
            const std::string outcome = columnText(i.get(), 3);
            for (const InspectionOutcome o :
                 {InspectionOutcome::Inspected, InspectionOutcome::Refused,
                  InspectionOutcome::QuotaSpent, InspectionOutcome::Failed}) {
                if (token(o) == outcome) {
                    r.outcome = o;
                }
            }
            r.verdict = columnText(i.get(), 4);
            r.coverageState = columnText(i.get(), 5);
            entries.push_back({r.when, std::move(r), std::nullopt});
        }
    }
    Statement s = prepare(db_.get(), url ? "SELECT feed, property, submitted_ms, status, outcome "
                                           "FROM sitemap_submission WHERE feed = ?1 ORDER BY id"
                                         : "SELECT feed, property, submitted_ms, status, outcome "
                                           "FROM sitemap_submission ORDER BY id");
    if (s) {
        if (url) {
            bindText(s.get(), 1, *url);
        }
        while (sqlite3_step(s.get()) == SQLITE_ROW) {
            SitemapSubmission r;
            r.feed = columnText(s.get(), 0);
            r.property = columnText(s.get(), 1);
            r.when = timeOf(sqlite3_column_int64(s.get(), 2));
            r.status = static_cast<long>(sqlite3_column_int64(s.get(), 3));
            r.outcome = columnText(s.get(), 4);
            entries.push_back({r.when, std::nullopt, std::move(r)});
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const HistoryEntry& a, const HistoryEntry& b) { return a.when < b.when; });
    return entries;
}

}  // namespace farrow::google
