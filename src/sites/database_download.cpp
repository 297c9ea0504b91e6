#include "sites/database_download.h"

#include <cstdlib>

#include "app/text.h"
#include "platform/file_system.h"
#include "platform/ftp_client.h"

namespace farrow::sites {

namespace {

constexpr const char* kUser = "nexo";
constexpr const char* kPassword = "greyoak";
constexpr int kDefaultFtpPort = 21;

void splitHostPort(const std::string& server, std::string& host, int& port) {
    host = server;
    port = kDefaultFtpPort;
    auto colon = server.rfind(':');
    if (colon != std::string::npos && colon + 1 < server.size()) {
        char* end = nullptr;
        long p = std::strtol(server.c_str() + colon + 1, &end, 10);
        if (*end == '\0' && p > 0 && p < 65536) {
            host = server.substr(0, colon);
            port = static_cast<int>(p);
        }
    }
}

int fail(app::StartupStatus& status, app::Messenger& messenger, const char* text) {
    messenger.showMessage(text, app::MessageIcon::Stop);
    status.finish(false);
    return 0;
}

}  // namespace

std::string databaseServerHost() {
    const char* env = std::getenv(kDatabaseServerVariable);
    return (env && *env) ? std::string(env) : std::string(kDefaultDatabaseHost);
}

int downloadSitesDatabase(app::StartupStatus& status, app::Messenger& messenger,
                          const app::Timing& timing, const std::string& localPath) {
    std::string host;
    int port = kDefaultFtpPort;
    splitHostPort(status.serverHost, host, port);
    platform::FtpClient ftp(host, port, timing.ftpConnectTimeout, timing.ftpStallTimeout);

    status.postMessage("Connecting to Database System...");
    if (!ftp.connect(kUser, kPassword)) {
        return fail(status, messenger,
                    "Could Not establish FTP session to datbase server. Please contact technical "
                    "support.  Program will now exit");
    }
    status.postMessage("Connecton to Database System Established");

    // The server keeps the program's own files beside the database; entering and leaving that
    // folder is part of the conversation servers expect, and its outcome does not matter.
    ftp.changeDirectory("./executable");
    ftp.changeDirectory("..");
    if (!ftp.changeDirectory("./database")) {
        return fail(status, messenger,
                    "Could Not set database directory. Please contact technical support.  "
                    "Program will now exit");
    }

    bool fetch = true;
    std::uintmax_t remoteSize = 0;
    if (auto localSize = platform::fileSize(localPath)) {
        auto size = ftp.remoteFileSize(kSitesFile);
        fetch = !size || *size != *localSize;
        remoteSize = size.value_or(0);
    } else {
        remoteSize = ftp.remoteFileSize(kSitesFile).value_or(0);
    }
    if (fetch) {
        status.postMessage(
            app::format("Database Update Downloading: %d bytes", static_cast<int>(remoteSize)));
        if (!ftp.download(kSitesFile, localPath)) {
            return fail(status, messenger,
                        "Could Not retrieve site database. Please contact technical support.  "
                        "Program will now exit");
        }
    }
    status.finish(true);
    return 1;
}

}  // namespace farrow::sites
