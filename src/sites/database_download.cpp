#include "sites/database_download.h"

#include <optional>

#include "base/text.h"
#include "platform/file_system.h"
#include "platform/ftp_client.h"
#include "platform/server_address.h"

namespace farrow::sites {

namespace {

constexpr const char* kUser = "nexo";
constexpr const char* kPassword = "greyoak";
constexpr int kDefaultFtpPort = 21;

DatabaseDownloadResult fail(base::StartupStatus& status, base::Messenger& messenger,
                            const char* text, platform::TransferError error) {
    messenger.showMessage(text, base::MessageIcon::Stop);
    status.finish(false);
    return {false, std::move(error)};
}

}  // namespace

std::string databaseServerFrom(const char* setting) {
    return (setting && *setting) ? std::string(setting) : std::string(kDefaultDatabaseHost);
}

DatabaseDownloadResult downloadSitesDatabase(const DatabaseDownload& request,
                                             base::StartupStatus& status,
                                             base::Messenger& messenger,
                                             const base::Timing& timing) {
    constexpr const char* kNoSession =
        "Could Not establish FTP session to datbase server. Please contact technical support.  "
        "Program will now exit";
    status.postMessage("Connecting to Database System...");
    const std::optional<platform::ServerAddress> address =
        platform::parseServerAddress(request.server, kDefaultFtpPort);
    if (!address) {
        return fail(status, messenger, kNoSession,
                    {platform::TransferErrorCode::BadAddress,
                     "no database server address: " + request.server});
    }
    platform::FtpClient ftp(address->host, address->port, timing.ftpConnectTimeout,
                            timing.ftpStallTimeout);
    if (!ftp.connect(kUser, kPassword)) {
        return fail(status, messenger, kNoSession, ftp.lastError());
    }
    status.postMessage("Connecton to Database System Established");

    // The server keeps the program's own files beside the database; entering and leaving that
    // folder is part of the conversation servers expect, and its outcome does not matter.
    ftp.changeDirectory("./executable");
    ftp.changeDirectory("..");
    if (!ftp.changeDirectory("./database")) {
        return fail(status, messenger,
                    "Could Not set database directory. Please contact technical support.  "
                    "Program will now exit",
                    ftp.lastError());
    }

    constexpr const char* kNoDatabase =
        "Could Not retrieve site database. Please contact technical support.  Program will now "
        "exit";
    bool fetch = true;
    const std::optional<std::uintmax_t> localSize = platform::fileSize(request.localPath);
    const std::optional<std::uintmax_t> size = ftp.remoteFileSize(kSitesFile);
    if (!size && ftp.lastError().code == platform::TransferErrorCode::TooLarge) {
        // Said, and then the file is fetched as if it were not listed; its own bound holds.
        status.postMessage(ftp.lastError().reason);
    }
    // A remote file that cannot be found counts as different.
    if (localSize) {
        fetch = !size || *size != *localSize;
    }
    const std::string tooLarge = std::string(kSitesFile) + " on the server is larger than " +
                                 std::to_string(request.maxBytes) + " bytes";
    if (fetch && size && *size > request.maxBytes) {
        status.postMessage(tooLarge);
        return fail(status, messenger, kNoDatabase,
                    {platform::TransferErrorCode::TooLarge, tooLarge});
    }
    if (fetch) {
        status.postMessage(base::format("Database Update Downloading: %d bytes",
                                        static_cast<int>(size.value_or(0))));
        if (!ftp.download(kSitesFile, request.localPath, request.maxBytes)) {
            if (ftp.lastError().code == platform::TransferErrorCode::TooLarge) {
                status.postMessage(tooLarge);
            }
            return fail(status, messenger, kNoDatabase, ftp.lastError());
        }
    }
    status.finish(true);
    return {fetch, {}, fetch ? platform::fileSize(request.localPath).value_or(0) : 0};
}

std::string updateText(const DatabaseDownloadResult& result, const std::string& server) {
    if (result.error.failed()) {
        return "Could not update " + std::string(kSitesFile) + " from the database server " +
               server + ": " + result.error.reason;
    }
    if (result.downloaded) {
        return "Downloaded a new " + std::string(kSitesFile) + " from " + server + " (" +
               std::to_string(result.bytes) + " bytes)";
    }
    return std::string(kSitesFile) + " is the same as on " + server + ": nothing downloaded";
}

}  // namespace farrow::sites
