#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <utility>

#include "base/timing.h"
#include "base/workspace.h"
#include "platform/internet_connection.h"

namespace farrow::cli {

// What the commands take from the program's environment, read in main.
struct CommandSettings {
    // The server "update" asks ("host" or "host:port").
    std::string databaseServer;
    // The folder farrowctl was started in and its files.
    base::Workspace workspace{"."};
    // The system's temporary folder.
    std::string tempDir;
    // Every wait and limit of a run ($FARROWLANE_TIMING over the product's values).
    base::Timing timing;
    // Whether an Internet connection can be made, asked before a submission.
    platform::ConnectionTest connectionTest = platform::attemptInternetConnection;
    // A CA file the HTTPS channels trust beside the system's store ($FARROWLANE_CA_FILE).
    std::string caFile;
    // Where "-" reads from (stdin); null: nothing to read.
    std::istream* input = nullptr;
    // The Search Console's address for tests and the sandbox ($FARROWLANE_GOOGLE_API); empty:
    // the service's own.
    std::string googleApi;
    // The service account's key file ($GOOGLE_APPLICATION_CREDENTIALS).
    std::string googleCredentials;
    // Whether stderr is a terminal that redraws a line in place (not TERM=dumb), and its width.
    bool progressLine = false;
    std::size_t terminalColumns = 80;
};

// The product's settings with another database server.
inline CommandSettings serverAt(std::string databaseServer) {
    CommandSettings settings;
    settings.databaseServer = std::move(databaseServer);
    return settings;
}

}  // namespace farrow::cli
