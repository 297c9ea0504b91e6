#include "indexnow/crawl_ledger.h"

namespace farrow::indexnow {

namespace {

constexpr int kBusyTimeoutMs = 5000;

// One statement of a batch: its SQLite reason when it failed.
std::string stepped(sqlite3* db, sqlite3_stmt* s) {
    const int rc = sqlite3_step(s);
    sqlite3_reset(s);
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? std::string() : sqlite3_errmsg(db);
}

void bindOptional(sqlite3_stmt* s, int index, const std::string& text) {
    if (text.empty()) {
        sqlite3_bind_null(s, index);
    } else {
        bindText(s, index, text);
    }
}

}  // namespace

CrawlLedger::CrawlLedger(sqlite3* db)
    : db_(db),
      recallPage_(prepare(db,
                          "SELECT id, etag, last_modified, fingerprint, content_type, title, "
                          "noindex, canonical FROM page_fetch WHERE url = ?1")),
      recallLinks_(prepare(db, "SELECT target FROM page_link WHERE fetch_id = ?1 ORDER BY rowid")) {
}

CrawlLedger::Opened CrawlLedger::open(const std::string& path) {
    AnnouncementLedger::Opened announcements = AnnouncementLedger::open(path);
    if (!announcements.ledger) {
        return {std::nullopt, std::move(announcements.error)};
    }
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<sqlite3, SqliteCloser> db(raw);
    if (rc != SQLITE_OK) {
        return {std::nullopt,
                {base::ErrorCode::OpenFailed,
                 path + ": " + (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc))}};
    }
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    return {CrawlLedger(db.release()), {}};
}

std::optional<crawl::PageReading> CrawlLedger::recall(const std::string& url) const {
    sqlite3_stmt* page = recallPage_.get();
    sqlite3_stmt* links = recallLinks_.get();
    if (page == nullptr || links == nullptr) {
        return std::nullopt;
    }
    // Reset at once, so that no read stays open between the calls.
    const auto done = [&] {
        sqlite3_reset(page);
        sqlite3_reset(links);
    };
    bindText(page, 1, url);
    if (sqlite3_step(page) != SQLITE_ROW) {
        done();
        return std::nullopt;
    }
    crawl::PageReading known;
    known.url = url;
    known.etag = columnText(page, 1);
    known.lastModified = columnText(page, 2);
    known.fingerprint = columnText(page, 3);
    known.contentType = columnText(page, 4);
    known.title = columnText(page, 5);
    known.noindex = sqlite3_column_int(page, 6) != 0;
    known.canonical = columnText(page, 7);
    sqlite3_bind_int64(links, 1, sqlite3_column_int64(page, 0));
    while (sqlite3_step(links) == SQLITE_ROW) {
        known.links.push_back(columnText(links, 0));
    }
    done();
    return known;
}

base::Error CrawlLedger::record(const std::vector<CrawlRecord>& records) {
    sqlite3* db = db_.get();
    if (std::string e = exec(db, "BEGIN IMMEDIATE"); !e.empty()) {
        return {base::ErrorCode::WriteFailed, e};
    }
    Statement revalidate = prepare(
        db, "UPDATE page_fetch SET fetched_ms = ?2, etag = ?3, last_modified = ?4 WHERE url = ?1");
    Statement upsert = prepare(
        db,
        "INSERT INTO page_fetch (url, fetched_ms, etag, last_modified, fingerprint, content_type, "
        "title, noindex, canonical) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9) ON CONFLICT (url) "
        "DO UPDATE SET fetched_ms = excluded.fetched_ms, etag = excluded.etag, last_modified = "
        "excluded.last_modified, fingerprint = excluded.fingerprint, content_type = "
        "excluded.content_type, title = excluded.title, noindex = excluded.noindex, canonical = "
        "excluded.canonical RETURNING id");
    Statement unlink = prepare(db, "DELETE FROM page_link WHERE fetch_id = ?1");
    Statement link = prepare(db, "INSERT INTO page_link (fetch_id, target) VALUES (?1, ?2)");
    std::string failure;
    if (!revalidate || !upsert || !unlink || !link) {
        failure = sqlite3_errmsg(db);
    }
    for (const CrawlRecord& r : records) {
        if (!failure.empty()) {
            break;
        }
        const crawl::PageReading& page = r.reading;
        if (r.unchanged) {
            bindText(revalidate.get(), 1, page.url);
            sqlite3_bind_int64(revalidate.get(), 2, millisOf(r.when));
            bindOptional(revalidate.get(), 3, page.etag);
            bindOptional(revalidate.get(), 4, page.lastModified);
            failure = stepped(db, revalidate.get());
            continue;
        }
        sqlite3_stmt* s = upsert.get();
        bindText(s, 1, page.url);
        sqlite3_bind_int64(s, 2, millisOf(r.when));
        bindOptional(s, 3, page.etag);
        bindOptional(s, 4, page.lastModified);
        bindOptional(s, 5, page.fingerprint);
        bindOptional(s, 6, page.contentType);
        bindOptional(s, 7, page.title);
        sqlite3_bind_int(s, 8, page.noindex ? 1 : 0);
        bindOptional(s, 9, page.canonical);
        if (sqlite3_step(s) != SQLITE_ROW) {
            failure = sqlite3_errmsg(db);
            sqlite3_reset(s);
            break;
        }
        const sqlite3_int64 id = sqlite3_column_int64(s, 0);
        sqlite3_reset(s);
        sqlite3_bind_int64(unlink.get(), 1, id);
        failure = stepped(db, unlink.get());
        for (std::size_t i = 0; i < page.links.size() && failure.empty(); ++i) {
            sqlite3_bind_int64(link.get(), 1, id);
            bindText(link.get(), 2, page.links[i]);
            failure = stepped(db, link.get());
        }
    }
    revalidate.reset();
    upsert.reset();
    unlink.reset();
    link.reset();
    if (failure.empty()) {
        failure = exec(db, "COMMIT");
    }
    if (!failure.empty()) {
        exec(db, "ROLLBACK");
        return {base::ErrorCode::WriteFailed, failure};
    }
    return {};
}

}  // namespace farrow::indexnow
