#include "indexnow/announcement_ledger.h"

#include <iterator>

#include "indexnow/ledger_statements.h"
#include "platform/file_system.h"

namespace farrow::indexnow {

namespace {

// A writer of another process holds the database this long at most before we give up.
constexpr int kBusyTimeoutMs = 5000;

// The schema, one step per version: a ledger of version N has run the first N steps, and an
// older one runs the rest in one transaction.
constexpr const char* kSchemaSteps[] = {
    // 1: the IndexNow sendings.
    "CREATE TABLE IF NOT EXISTS sending ("
    " id INTEGER PRIMARY KEY,"
    " url TEXT NOT NULL,"
    " endpoint TEXT NOT NULL,"
    " sent_ms INTEGER NOT NULL,"
    " status INTEGER NOT NULL,"
    " outcome TEXT NOT NULL);"
    "CREATE INDEX IF NOT EXISTS sending_url ON sending (url, sent_ms);",
    // 2: the crawl's record of each page fetched and the links it held.
    "CREATE TABLE IF NOT EXISTS page_fetch ("
    " id INTEGER PRIMARY KEY,"
    " url TEXT NOT NULL,"
    " fetched_ms INTEGER NOT NULL,"
    " etag TEXT,"
    " last_modified TEXT,"
    " fingerprint TEXT);"
    "CREATE INDEX IF NOT EXISTS page_fetch_url ON page_fetch (url, fetched_ms);"
    "CREATE TABLE IF NOT EXISTS page_link ("
    " fetch_id INTEGER NOT NULL REFERENCES page_fetch (id) ON DELETE CASCADE,"
    " target TEXT NOT NULL);"
    "CREATE INDEX IF NOT EXISTS page_link_fetch ON page_link (fetch_id);",
    // 3: the Search Console's inspections and the sitemaps submitted to it.
    "CREATE TABLE IF NOT EXISTS inspection ("
    " id INTEGER PRIMARY KEY,"
    " url TEXT NOT NULL,"
    " property TEXT NOT NULL,"
    " inspected_ms INTEGER NOT NULL,"
    " outcome TEXT NOT NULL,"
    " verdict TEXT,"
    " coverage_state TEXT,"
    " indexing_state TEXT,"
    " robots_txt_state TEXT,"
    " page_fetch_state TEXT,"
    " last_crawl_time TEXT,"
    " google_canonical TEXT,"
    " user_canonical TEXT);"
    "CREATE INDEX IF NOT EXISTS inspection_url ON inspection (url, inspected_ms);"
    "CREATE INDEX IF NOT EXISTS inspection_property ON inspection (property, inspected_ms);"
    "CREATE TABLE IF NOT EXISTS sitemap_submission ("
    " id INTEGER PRIMARY KEY,"
    " feed TEXT NOT NULL,"
    " property TEXT NOT NULL,"
    " submitted_ms INTEGER NOT NULL,"
    " status INTEGER NOT NULL,"
    " outcome TEXT NOT NULL);",
    // 4: the fingerprint each URL was announced with, and one record of each page crawled,
    // with what a 304 needs of it.
    "ALTER TABLE sending ADD COLUMN fingerprint TEXT;"
    "ALTER TABLE page_fetch ADD COLUMN content_type TEXT;"
    "ALTER TABLE page_fetch ADD COLUMN title TEXT;"
    "ALTER TABLE page_fetch ADD COLUMN noindex INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE page_fetch ADD COLUMN canonical TEXT;"
    "DELETE FROM page_fetch WHERE id NOT IN (SELECT MAX(id) FROM page_fetch GROUP BY url);"
    "DELETE FROM page_link WHERE fetch_id NOT IN (SELECT id FROM page_fetch);"
    "DROP INDEX IF EXISTS page_fetch_url;"
    "CREATE UNIQUE INDEX page_fetch_page ON page_fetch (url);",
};
constexpr int kSchemaVersion = static_cast<int>(std::size(kSchemaSteps));

}  // namespace

std::string ledgerPath(const base::Workspace& workspace) {
    return platform::joinPath(workspace.root(), "indexnow.db");
}

AnnouncementLedger::Opened AnnouncementLedger::open(const std::string& path) {
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &raw,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<sqlite3, SqliteCloser> db(raw);
    if (rc != SQLITE_OK) {
        // SQLite's "unable to open database file" hides what the system said.
        const int systemError = raw ? sqlite3_system_errno(raw) : 0;
        const std::string reason =
            systemError != 0 ? "cannot be opened or made: " + platform::systemReason(systemError)
                             : std::string(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
        return {std::nullopt, {base::ErrorCode::OpenFailed, path + ": " + reason}};
    }
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    int version = -1;
    {
        Statement s = prepare(raw, "PRAGMA user_version");
        if (s && sqlite3_step(s.get()) == SQLITE_ROW) {
            version = sqlite3_column_int(s.get(), 0);
        }
    }
    if (version < 0) {
        return {std::nullopt, {base::ErrorCode::ReadFailed, path + ": " + sqlite3_errmsg(raw)}};
    }
    if (version > kSchemaVersion) {
        return {std::nullopt,
                {base::ErrorCode::WrongFormat,
                 path + ": made by a newer version of the program (schema " +
                     std::to_string(version) + ")"}};
    }
    if (std::string e = exec(raw, "PRAGMA journal_mode=WAL"); !e.empty()) {
        return {std::nullopt, {base::ErrorCode::WriteFailed, path + ": " + e}};
    }
    if (version > 0) {
        Statement s =
            prepare(raw, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'sending'");
        if (!s || sqlite3_step(s.get()) != SQLITE_ROW) {
            return {std::nullopt,
                    {base::ErrorCode::WrongFormat,
                     path + ": damaged: the table of sendings is missing (the file was left as "
                            "it is)"}};
        }
    }
    if (version < kSchemaVersion) {
        std::string upgrade = "BEGIN IMMEDIATE;";
        for (int step = version; step < kSchemaVersion; ++step) {
            upgrade += kSchemaSteps[step];
        }
        upgrade += "PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";COMMIT;";
        if (std::string e = exec(raw, upgrade.c_str()); !e.empty()) {
            exec(raw, "ROLLBACK");
            return {std::nullopt, {base::ErrorCode::WriteFailed, path + ": " + e}};
        }
    }
    return {AnnouncementLedger(db.release()), {}};
}

base::Error AnnouncementLedger::checkWritable() {
    // Taking the write lock finds a file that is read-only or held by another writer.
    if (std::string e = exec(db_.get(), "BEGIN IMMEDIATE"); !e.empty()) {
        return {base::ErrorCode::WriteFailed, "cannot be written: " + e};
    }
    exec(db_.get(), "ROLLBACK");
    return {};
}

std::map<std::string, base::TimePoint> AnnouncementLedger::lastAccepted(
    const std::vector<std::string>& urls) const {
    std::map<std::string, base::TimePoint> found;
    for (auto& [url, sending] : lastAcceptedSendings(urls)) {
        found.emplace(url, sending.when);
    }
    return found;
}

std::map<std::string, AcceptedSending> AnnouncementLedger::lastAcceptedSendings(
    const std::vector<std::string>& urls) const {
    std::map<std::string, AcceptedSending> found;
    Statement s = prepare(db_.get(),
                          "SELECT sent_ms, fingerprint FROM sending WHERE url = ?1 AND outcome IN "
                          "('accepted', 'pending') ORDER BY sent_ms DESC, id DESC LIMIT 1");
    if (!s) {
        return found;
    }
    // One read transaction for all the lookups: outside one, each takes and drops the file's
    // lock.
    const bool inTransaction = exec(db_.get(), "BEGIN").empty();
    for (const std::string& url : urls) {
        sqlite3_reset(s.get());
        bindText(s.get(), 1, url);
        if (sqlite3_step(s.get()) == SQLITE_ROW) {
            found.emplace(url, AcceptedSending{base::TimePoint(std::chrono::milliseconds(
                                                   sqlite3_column_int64(s.get(), 0))),
                                               columnText(s.get(), 1)});
        }
    }
    s.reset();
    if (inTransaction) {
        exec(db_.get(), "COMMIT");
    }
    return found;
}

base::Error AnnouncementLedger::record(const std::vector<std::string>& urls,
                                       const std::string& endpoint, base::TimePoint when,
                                       long status, const std::string& outcome,
                                       const Fingerprints& fingerprints) {
    sqlite3* db = db_.get();
    if (std::string e = exec(db, "BEGIN IMMEDIATE"); !e.empty()) {
        return {base::ErrorCode::WriteFailed, e};
    }
    Statement s = prepare(db,
                          "INSERT INTO sending (url, endpoint, sent_ms, status, outcome, "
                          "fingerprint) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    if (!s) {
        const std::string reason = sqlite3_errmsg(db);
        exec(db, "ROLLBACK");
        return {base::ErrorCode::WriteFailed, reason};
    }
    const long long ms = millisOf(when);
    for (const std::string& url : urls) {
        sqlite3_reset(s.get());
        bindText(s.get(), 1, url);
        bindText(s.get(), 2, endpoint);
        sqlite3_bind_int64(s.get(), 3, ms);
        sqlite3_bind_int64(s.get(), 4, status);
        bindText(s.get(), 5, outcome);
        const auto fingerprint = fingerprints.find(url);
        if (fingerprint != fingerprints.end()) {
            bindText(s.get(), 6, fingerprint->second);
        } else {
            sqlite3_bind_null(s.get(), 6);
        }
        if (sqlite3_step(s.get()) != SQLITE_DONE) {
            const std::string reason = sqlite3_errmsg(db);
            s.reset();
            exec(db, "ROLLBACK");
            return {base::ErrorCode::WriteFailed, reason};
        }
    }
    s.reset();
    if (std::string e = exec(db, "COMMIT"); !e.empty()) {
        exec(db, "ROLLBACK");
        return {base::ErrorCode::WriteFailed, e};
    }
    return {};
}

std::vector<LedgerEntry> AnnouncementLedger::history(const std::optional<std::string>& url) const {
    std::vector<LedgerEntry> entries;
    Statement s = prepare(db_.get(), url ? "SELECT url, endpoint, sent_ms, status, outcome, "
                                           "fingerprint FROM sending WHERE url = ?1 ORDER BY id"
                                         : "SELECT url, endpoint, sent_ms, status, outcome, "
                                           "fingerprint FROM sending ORDER BY id");
    if (!s) {
        return entries;
    }
    if (url) {
        bindText(s.get(), 1, *url);
    }
    while (sqlite3_step(s.get()) == SQLITE_ROW) {
        LedgerEntry e;
        e.url = columnText(s.get(), 0);
        e.endpoint = columnText(s.get(), 1);
        e.when = base::TimePoint(std::chrono::milliseconds(sqlite3_column_int64(s.get(), 2)));
        e.status = static_cast<long>(sqlite3_column_int64(s.get(), 3));
        e.outcome = columnText(s.get(), 4);
        e.fingerprint = columnText(s.get(), 5);
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace farrow::indexnow
