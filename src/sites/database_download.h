#pragma once

#include <cstdint>
#include <string>

#include "base/messenger.h"
#include "base/startup_status.h"
#include "base/timing.h"
#include "platform/transfer_error.h"
#include "sites/site_line_parser.h"
#include "sites/site_table.h"

namespace farrow::sites {

inline constexpr const char* kSitesFile = "sites.enc";
inline constexpr const char* kDefaultDatabaseHost = "sitesdb.farrowlane.net";
// The environment variable each program's main reads the database server from.
inline constexpr const char* kDatabaseServerVariable = "FARROWLANE_DB_SERVER";

// The database server a setting names ("host" or "host:port"), or the built-in host when the
// setting is missing or empty.
std::string databaseServerFrom(const char* setting);

// The largest sites file worth fetching: 5000 sites of the longest line the reader takes, each
// character two digits, with a line break. A larger copy on the server is refused.
inline constexpr std::uintmax_t kMaxSitesFileBytes = kMaxSites * (2 * (kMaxLineLength + 1) + 2);

struct DatabaseDownload {
    // "host", "host:port", "[v6]" or "[v6]:port"; the FTP port 21 when none is written.
    std::string server = kDefaultDatabaseHost;
    // Where the copy goes: the workspace's sites file.
    std::string localPath;
    // A server's copy larger than this is not fetched, and the local file stays as it is.
    std::uintmax_t maxBytes = kMaxSitesFileBytes;
};

struct DatabaseDownloadResult {
    // True when a new copy replaced the local file.
    bool downloaded = false;
    // Why the update failed (the reason as libcurl, the system or the server put it); `None`
    // when it succeeded.
    platform::TransferError error;
    // The size of the new copy; 0 when none came.
    std::uintmax_t bytes = 0;

    bool ok() const { return !error.failed(); }
};

// What the update did, in the words both programs show: the new copy and its size, the same copy
// found, or why the update failed, each naming `server`.
std::string updateText(const DatabaseDownloadResult& result, const std::string& server);

// Replaces the local sites file with the server's copy when the sizes differ. Reports stages and
// the outcome through `status`; failures are shown with a stop icon.
DatabaseDownloadResult downloadSitesDatabase(const DatabaseDownload& request,
                                             base::StartupStatus& status,
                                             base::Messenger& messenger,
                                             const base::Timing& timing);

}  // namespace farrow::sites
