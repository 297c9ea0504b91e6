#pragma once

#include <sqlite3.h>

#include <chrono>
#include <memory>
#include <string>

#include "base/clock.h"

namespace farrow::indexnow {

// The small SQLite helpers every table of the workspace's ledger is read and written with.

struct StatementFinalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Null when the SQL cannot be prepared (sqlite3_errmsg says why).
inline Statement prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    return Statement(raw);
}

// Empty when it ran; SQLite's reason otherwise.
inline std::string exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) {
        return {};
    }
    std::string reason = message ? message : sqlite3_errmsg(db);
    sqlite3_free(message);
    return reason;
}

inline long long millisOf(base::TimePoint t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

inline void bindText(sqlite3_stmt* s, int index, const std::string& text) {
    sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

inline std::string columnText(sqlite3_stmt* s, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(s, column)))
                : std::string();
}

}  // namespace farrow::indexnow
