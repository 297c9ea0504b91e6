#pragma once

#include <string>

#include "app/messenger.h"
#include "app/startup_status.h"
#include "app/timing.h"

namespace farrow::sites {

inline constexpr const char* kSitesFile = "sites.enc";
inline constexpr const char* kDefaultDatabaseHost = "sitesdb.farrowlane.net";
inline constexpr const char* kDatabaseServerVariable = "FARROWLANE_DB_SERVER";

// The database server: the environment's FARROWLANE_DB_SERVER ("host" or "host:port") when set,
// else the built-in host.
std::string databaseServerHost();

// Replaces the local sites file with the server's copy when the sizes differ. Reports stages and
// the outcome through `status`; failures are shown with a stop icon. Returns 1 on success.
int downloadSitesDatabase(app::StartupStatus& status, app::Messenger& messenger,
                          const app::Timing& timing, const std::string& localPath = kSitesFile);

}  // namespace farrow::sites
