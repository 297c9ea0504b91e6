#pragma once

#include <sqlite3.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/clock.h"
#include "base/error.h"
#include "base/workspace.h"

namespace farrow::indexnow {

// One URL of one answered request.
struct LedgerEntry {
    std::string url;
    std::string endpoint;
    base::TimePoint when;
    long status = 0;
    // "accepted", "pending", "refused", "busy", "failed", "unexpected".
    std::string outcome;
    // The fingerprint of the page as it was announced; empty when its source gave none.
    std::string fingerprint{};
};

// The last time a URL was accepted (or taken as pending), and the fingerprint of the page as it
// was then; empty when its source gave none.
struct AcceptedSending {
    base::TimePoint when;
    std::string fingerprint;
};

// The fingerprint each URL of a request goes with, by URL.
using Fingerprints = std::unordered_map<std::string, std::string>;

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

// The record of every URL announced from a workspace, in an SQLite database. Each answered
// request is written in one transaction, so a run killed at any moment leaves whole requests.
// One object per process; not shared between threads.
class AnnouncementLedger final {
public:
    struct Opened;
    // Opens or makes the database at `path`.
    static Opened open(const std::string& path);

    // Fails with SQLite's reason when nothing could be recorded now: the file is read-only or
    // another process holds it. A full disk shows only when a request is recorded.
    base::Error checkWritable();
    // Of `urls`, those ever accepted (or taken as pending), with when they last were.
    std::map<std::string, base::TimePoint> lastAccepted(const std::vector<std::string>& urls) const;
    std::map<std::string, AcceptedSending> lastAcceptedSendings(
        const std::vector<std::string>& urls) const;
    // Records one answered request: each of `urls` with the same endpoint, time, status and
    // outcome, and its fingerprint when it has one, with SQLite's reason when it fails.
    base::Error record(const std::vector<std::string>& urls, const std::string& endpoint,
                       base::TimePoint when, long status, const std::string& outcome,
                       const Fingerprints& fingerprints = {});
    // Every sending, oldest first; only those of `url` when given.
    std::vector<LedgerEntry> history(const std::optional<std::string>& url) const;

private:
    explicit AnnouncementLedger(sqlite3* db) : db_(db) {}

    std::unique_ptr<sqlite3, SqliteCloser> db_;
};

struct AnnouncementLedger::Opened {
    std::optional<AnnouncementLedger> ledger;
    // Why the database could not be used: SQLite's words, or a schema from a newer program.
    base::Error error;
};

// "indexnow.db" in the workspace.
std::string ledgerPath(const base::Workspace& workspace);

}  // namespace farrow::indexnow
