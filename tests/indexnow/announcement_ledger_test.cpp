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
    EXPECT_EQ(pragma(path, "user_version"), "3");
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
    EXPECT_EQ(pragma(path, "user_version"), "3");
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
