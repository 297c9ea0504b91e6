#include "indexnow/announcement_ledger.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "support/temp_workspace.h"

namespace farrow::indexnow {
namespace {

using namespace std::chrono_literals;

std::string pragma(const std::string& path, const std::string& name) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, ("PRAGMA " + name).c_str(), -1, &s, nullptr);
    std::string value;
    if (sqlite3_step(s) == SQLITE_ROW) {
        value = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return value;
}

TEST(AnnouncementLedger, MadeWithWalAndASchemaVersion) {
    test::TempWorkspace dir;
    const std::string path = ledgerPath(dir.workspace());
    {
        AnnouncementLedger::Opened opened = AnnouncementLedger::open(path);
        ASSERT_TRUE(opened.ledger) << opened.error.reason;
    }
    EXPECT_EQ(pragma(path, "user_version"), "4");
    EXPECT_EQ(pragma(path, "journal_mode"), "wal");
    // Opened again as it is.
    EXPECT_TRUE(AnnouncementLedger::open(path).ledger);
}

TEST(AnnouncementLedger, UpgradesAnOlderLedgerInPlaceKeepingItsSendings) {
    test::TempWorkspace dir;
    const std::string path = ledgerPath(dir.workspace());
    {
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db,
                     "CREATE TABLE sending (id INTEGER PRIMARY KEY, url TEXT NOT NULL, endpoint "
                     "TEXT NOT NULL, sent_ms INTEGER NOT NULL, status INTEGER NOT NULL, outcome "
                     "TEXT NOT NULL);INSERT INTO sending VALUES (1, 'https://a.example/', "
                     "'https://e.example/indexnow', 5, 200, 'accepted');PRAGMA user_version=1;",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    {
        AnnouncementLedger::Opened opened = AnnouncementLedger::open(path);
        ASSERT_TRUE(opened.ledger) << opened.error.reason;
        EXPECT_EQ(opened.ledger->history(std::nullopt).size(), 1u);
    }
    EXPECT_EQ(pragma(path, "user_version"), "4");
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    for (const char* table : {"page_fetch", "page_link", "inspection", "sitemap_submission"}) {
        EXPECT_EQ(sqlite3_exec(db, (std::string("SELECT * FROM ") + table).c_str(), nullptr,
                               nullptr, nullptr),
                  SQLITE_OK)
            << table;
    }
    sqlite3_close(db);
}

TEST(AnnouncementLedger, AVersionThreeLedgerTakesFingerprintsAndKeepsOnePageRecordEach) {
    test::TempWorkspace dir;
    const std::string path = ledgerPath(dir.workspace());
    {
        // The tables of versions 1 to 3 that the upgrade touches, as that program made them,
        // with a sending and a page read twice.
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        ASSERT_EQ(sqlite3_exec(
                      db,
                      "CREATE TABLE sending (id INTEGER PRIMARY KEY, url TEXT NOT NULL, endpoint "
                      "TEXT NOT NULL, sent_ms INTEGER NOT NULL, status INTEGER NOT NULL, outcome "
                      "TEXT NOT NULL);"
                      "CREATE INDEX sending_url ON sending (url, sent_ms);"
                      "CREATE TABLE page_fetch (id INTEGER PRIMARY KEY, url TEXT NOT NULL, "
                      "fetched_ms INTEGER NOT NULL, etag TEXT, last_modified TEXT, fingerprint "
                      "TEXT);"
                      "CREATE INDEX page_fetch_url ON page_fetch (url, fetched_ms);"
                      "CREATE TABLE page_link (fetch_id INTEGER NOT NULL REFERENCES page_fetch "
                      "(id) ON DELETE CASCADE, target TEXT NOT NULL);"
                      "INSERT INTO sending VALUES (1, 'https://a.example/', "
                      "'https://e.example/indexnow', 5, 200, 'accepted');"
                      "INSERT INTO page_fetch VALUES (1, 'https://a.example/', 1, 'old', NULL, "
                      "'f1'), (2, 'https://a.example/', 2, 'new', NULL, 'f2');"
                      "INSERT INTO page_link VALUES (1, 'https://a.example/x'), (2, "
                      "'https://a.example/y');"
                      "PRAGMA user_version=3;",
                      nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    AnnouncementLedger ledger = *AnnouncementLedger::open(path).ledger;
    EXPECT_EQ(pragma(path, "user_version"), "4");
    // The old sending has no fingerprint; a new one records its own.
    const std::vector<std::string> url = {"https://a.example/"};
    EXPECT_EQ(ledger.lastAcceptedSendings(url).at(url[0]).fingerprint, "");
    ASSERT_EQ(ledger
                  .record(url, "https://e.example/indexnow", base::TimePoint(10ms), 200, "accepted",
                          {{url[0], "abc"}})
                  .reason,
              "");
    ASSERT_EQ(ledger
                  .record(url, "https://e.example/indexnow", base::TimePoint(20ms), 429, "busy",
                          {{url[0], "def"}})
                  .reason,
              "");
    const AcceptedSending last = ledger.lastAcceptedSendings(url).at(url[0]);
    EXPECT_EQ(last.when, base::TimePoint(10ms));
    EXPECT_EQ(last.fingerprint, "abc");
    // Of the page read twice, the latest reading stands, with its links alone.
    EXPECT_EQ(pragma(path, "quick_check"), "ok");
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT f.etag, l.target FROM page_fetch f JOIN page_link l ON l.fetch_id "
                       "= f.id",
                       -1, &s, nullptr);
    std::vector<std::string> rows;
    while (sqlite3_step(s) == SQLITE_ROW) {
        rows.push_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))) + " " +
                       reinterpret_cast<const char*>(sqlite3_column_text(s, 1)));
    }
    sqlite3_finalize(s);
    // A second reading of the same page is one record.
    EXPECT_NE(sqlite3_exec(db,
                           "INSERT INTO page_fetch (url, fetched_ms) VALUES ('https://a.example/', "
                           "3)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(rows, (std::vector<std::string>{"new https://a.example/y"}));
}

TEST(AnnouncementLedger, RefusesWhatItCannotUse) {
    test::TempWorkspace dir;
    dir.write("newer.db", "");
    {
        sqlite3* db = nullptr;
        sqlite3_open(dir.file("newer.db").c_str(), &db);
        sqlite3_exec(db, "PRAGMA user_version=7", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    dir.write("text.db", std::string(8192, 'x'));
    std::filesystem::create_directory(dir.path() / "folder.db");
    // A schema version with its table gone: refused as damaged and left as it is.
    {
        AnnouncementLedger::Opened made = AnnouncementLedger::open(dir.file("tableless.db"));
        ASSERT_TRUE(made.ledger) << made.error.reason;
    }
    {
        sqlite3* db = nullptr;
        sqlite3_open(dir.file("tableless.db").c_str(), &db);
        sqlite3_exec(db, "DROP TABLE sending", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    const std::string tableless = dir.read("tableless.db");
    dir.write("not-a-folder", "");
    struct Case {
        std::string file;
        std::string words;
    } cases[] = {{"newer.db", "newer version"},
                 {"text.db", "not a database"},
                 {"folder.db", ""},
                 {"tableless.db", "damaged: the table of sendings is missing"},
                 // What the system said, not "unable to open database file".
                 {"not-a-folder/indexnow.db", "cannot be opened or made: Not a directory"}};
    for (const Case& c : cases) {
        const AnnouncementLedger::Opened opened = AnnouncementLedger::open(dir.file(c.file));
        EXPECT_FALSE(opened.ledger) << c.file;
        EXPECT_NE(opened.error.reason.find(c.words), std::string::npos) << opened.error.reason;
    }
    EXPECT_EQ(dir.read("tableless.db"), tableless);
}

TEST(AnnouncementLedger, AFileAnotherWriterHoldsIsFoundBeforeAnythingIsSent) {
    test::TempWorkspace dir;
    AnnouncementLedger ledger = *AnnouncementLedger::open(ledgerPath(dir.workspace())).ledger;
    EXPECT_EQ(ledger.checkWritable().reason, "");
    sqlite3* other = nullptr;
    sqlite3_open(ledgerPath(dir.workspace()).c_str(), &other);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    // After SQLite's own wait for the other writer.
    EXPECT_EQ(ledger.checkWritable().reason, "cannot be written: database is locked");
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(ledger.checkWritable().reason, "");
}

TEST(AnnouncementLedger, OnlyAcceptedAndPendingCountAsSentAndTheLatestWins) {
    test::TempWorkspace dir;
    AnnouncementLedger ledger = *AnnouncementLedger::open(ledgerPath(dir.workspace())).ledger;
    const base::TimePoint now = std::chrono::system_clock::from_time_t(1796803200);
    ASSERT_EQ(ledger.record({"u/a", "u/b"}, "e1", now - 2h, 200, "accepted").reason, "");
    ASSERT_EQ(ledger.record({"u/c"}, "e1", now - 2h, 202, "pending").reason, "");
    ASSERT_EQ(ledger.record({"u/d"}, "e1", now - 2h, 429, "busy").reason, "");
    ASSERT_EQ(ledger.record({"u/e"}, "e1", now - 30h, 200, "accepted").reason, "");
    ASSERT_EQ(ledger.record({"u/f"}, "e1", now - 2h, 403, "refused").reason, "");
    ASSERT_EQ(ledger.record({"u/d"}, "e2", now - 1h, 200, "accepted").reason, "");
    ASSERT_EQ(ledger.record({"u/e"}, "e2", now - 40h, 200, "accepted").reason, "");
    EXPECT_EQ(ledger.lastAccepted({"u/a", "u/b", "u/c", "u/d", "u/e", "u/f", "u/g"}),
              (std::map<std::string, base::TimePoint>{{"u/a", now - 2h},
                                                      {"u/b", now - 2h},
                                                      {"u/c", now - 2h},
                                                      {"u/d", now - 1h},
                                                      {"u/e", now - 30h}}));

    const std::vector<LedgerEntry> d = ledger.history(std::string("u/d"));
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].endpoint, "e1");
    EXPECT_EQ(d[0].status, 429);
    EXPECT_EQ(d[1].outcome, "accepted");
    EXPECT_EQ(d[1].when, now - 1h);
    EXPECT_EQ(ledger.history(std::nullopt).size(), 8u);
    EXPECT_TRUE(ledger.history(std::string("u/none")).empty());
}

}  // namespace
}  // namespace farrow::indexnow
