#include "sites/database_download.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/ftp_client.h"
#include "support/fake_frontend.h"
#include "support/ftp_test_server.h"
#include "support/loopback_listener.h"
#include "support/temp_workspace.h"

namespace farrow::sites {
namespace {

using platform::TransferErrorCode;

constexpr const char* kNoSession =
    "Could Not establish FTP session to datbase server. Please contact technical support.  "
    "Program will now exit";
constexpr const char* kNoDirectory =
    "Could Not set database directory. Please contact technical support.  Program will now exit";
constexpr const char* kNoDownload =
    "Could Not retrieve site database. Please contact technical support.  Program will now exit";

class DatabaseDownloadTest : public ::testing::Test {
protected:
    // Runs the download against `server`; returns the last stage text posted.
    std::string download(const std::string& server) {
        base::StartupStatus status;
        outcome = downloadSitesDatabase(
            {.server = server, .localPath = workspace.file(kSitesFile), .maxBytes = maxBytes},
            status, messenger, timing);
        result = outcome.ok() ? 1 : 0;
        EXPECT_EQ(status.done.load(), 1);
        EXPECT_EQ(status.succeeded.load(), result);
        EXPECT_EQ(outcome.error.reason.empty(), outcome.ok()) << outcome.error.reason;
        return status.takeMessage();
    }

    test::TempWorkspace workspace;
    test::FakeMessenger messenger;
    base::Timing timing;
    std::uintmax_t maxBytes = kMaxSitesFileBytes;
    DatabaseDownloadResult outcome;
    int result = -1;
};

TEST_F(DatabaseDownloadTest, DownloadsWhenThereIsNoLocalFile) {
    test::FtpTestServer server;
    server.makeFolder("executable");
    server.putFile("database/sites.enc", "0123456789");
    EXPECT_EQ(download(server.address()), "Database Update Downloading: 10 bytes");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(workspace.read("sites.enc"), "0123456789");
    EXPECT_TRUE(messenger.messages().empty());
}

TEST_F(DatabaseDownloadTest, ComparesSizesOnly) {
    test::FtpTestServer server;
    server.putFile("database/sites.enc", "remote-copy");

    // Same size, other content: kept. The server also lacks the executable folder.
    workspace.write("sites.enc", "local-copy!");
    EXPECT_EQ(download(server.address()), "Connecton to Database System Established");
    EXPECT_EQ(workspace.read("sites.enc"), "local-copy!");
    EXPECT_FALSE(outcome.downloaded);

    workspace.write("sites.enc", "older");
    EXPECT_EQ(download(server.address()), "Database Update Downloading: 11 bytes");
    EXPECT_EQ(workspace.read("sites.enc"), "remote-copy");
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(outcome.downloaded);
}

// A server that does not know SIZE is asked for a listing instead; MLSD first, LIST when that
// is unknown too.
class DatabaseDownloadWithoutSize : public DatabaseDownloadTest,
                                    public ::testing::WithParamInterface<const char*> {};

TEST_P(DatabaseDownloadWithoutSize, ComparesTheListedSize) {
    test::FtpTestServer server("greyoak", GetParam());
    server.putFile("database/sites.enc", "remote-copy");
    server.putFile("database/sites.enc.old", "an older copy");

    workspace.write("sites.enc", "local-copy!");
    EXPECT_EQ(download(server.address()), "Connecton to Database System Established");
    EXPECT_EQ(workspace.read("sites.enc"), "local-copy!");
    EXPECT_FALSE(outcome.downloaded);

    workspace.write("sites.enc", "older");
    EXPECT_EQ(download(server.address()), "Database Update Downloading: 11 bytes");
    EXPECT_EQ(workspace.read("sites.enc"), "remote-copy");
    EXPECT_TRUE(outcome.downloaded);
}

INSTANTIATE_TEST_SUITE_P(Servers, DatabaseDownloadWithoutSize,
                         ::testing::Values("SIZE", "SIZE,MLSD"), [](const auto& info) {
                             return std::string(info.param) == "SIZE" ? "NoSize" : "NoSizeNoMlsd";
                         });

TEST_F(DatabaseDownloadTest, FileMissingFromTheListingCountsAsDifferent) {
    test::FtpTestServer server("greyoak", "SIZE");
    server.putFile("database/other.enc", "local-copy!");
    workspace.write("sites.enc", "local-copy!");
    download(server.address());
    // The download of the missing file fails in its turn, and the local copy stays.
    EXPECT_EQ(result, 0);
    EXPECT_EQ(outcome.error.code, TransferErrorCode::NotFound) << outcome.error.reason;
    EXPECT_EQ(messenger.texts(), (std::vector<std::string>{kNoDownload}));
    EXPECT_EQ(workspace.read("sites.enc"), "local-copy!");
}

// A copy on the server larger than the bound is refused, whether its size is known beforehand
// (SIZE) or only shows during the transfer (no SIZE, no listing), and the local file stays.
class DatabaseTooLarge : public DatabaseDownloadTest,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(DatabaseTooLarge, FailsAndKeepsTheLocalFile) {
    test::FtpTestServer server("greyoak", GetParam());
    server.putFile("database/sites.enc", std::string(300000, '7'));
    workspace.write("sites.enc", "still here");
    maxBytes = 100000;
    EXPECT_EQ(download(server.address()), "sites.enc on the server is larger than 100000 bytes")
        << GetParam();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(outcome.error.code, TransferErrorCode::TooLarge) << outcome.error.reason;
    EXPECT_EQ(messenger.texts(), (std::vector<std::string>{kNoDownload}));
    EXPECT_EQ(workspace.read("sites.enc"), "still here");
    EXPECT_FALSE(std::filesystem::exists(workspace.file("sites.enc.part")));

    // One of exactly the bound's size is fetched.
    server.putFile("database/sites.enc", std::string(100000, '7'));
    download(server.address());
    EXPECT_EQ(result, 1) << outcome.error.reason;
    EXPECT_EQ(workspace.read("sites.enc").size(), 100000u);
}

INSTANTIATE_TEST_SUITE_P(Servers, DatabaseTooLarge, ::testing::Values("", "SIZE,MLSD,LIST"),
                         [](const auto& info) {
                             return std::string(info.param).empty() ? "SizeKnown" : "SizeUnknown";
                         });

TEST(FtpListing, ALongerListingThanTheBoundTellsNothing) {
    test::FtpTestServer server("greyoak", "SIZE");
    for (int i = 0; i < 40; ++i) {
        server.putFile("database/copy" + std::to_string(i) + ".enc", "x");
    }
    server.putFile("database/sites.enc", "remote-copy");
    for (const std::size_t bound : {std::size_t{1000}, platform::kMaxListingBytes}) {
        platform::FtpClient ftp("127.0.0.1", server.port(), std::chrono::seconds(4),
                                std::chrono::seconds(4), bound);
        ASSERT_TRUE(ftp.connect("nexo", "greyoak")) << ftp.lastError().reason;
        ASSERT_TRUE(ftp.changeDirectory("./database"));
        const std::optional<std::uintmax_t> size = ftp.remoteFileSize("sites.enc");
        if (bound == 1000) {
            EXPECT_EQ(size, std::nullopt);
            EXPECT_EQ(ftp.lastError().code, TransferErrorCode::TooLarge);
            EXPECT_EQ(ftp.lastError().reason, "the MLSD listing is longer than 1000 bytes");
        } else {
            EXPECT_EQ(size, 11u) << ftp.lastError().reason;
        }
    }
}

TEST(SizeInListing, ReadsMlsdAndUnixListings) {
    const std::string mlsd =
        "type=cdir;perm=el; .\r\n"
        "type=dir;size=4096; sites.enc.d\r\n"
        "type=file;size=1234;modify=20261208190000; sites.enc.old\r\n"
        "Type=File;Size=11;modify=20261208190000; sites.enc\r\n";
    EXPECT_EQ(platform::sizeInListing(mlsd, "sites.enc"), 11u);
    EXPECT_EQ(platform::sizeInListing(mlsd, "sites.enc.old"), 1234u);
    EXPECT_EQ(platform::sizeInListing(mlsd, "sites.enc.d"), std::nullopt);
    EXPECT_EQ(platform::sizeInListing(mlsd, "missing"), std::nullopt);

    const std::string list =
        "drwxr-xr-x   2 nexo     nexo         4096 Dec 08 19:00 sites\r\n"
        "-rw-r--r--   1 nexo     nexo           11 Dec 08 19:00 sites.enc\r\n"
        "-rw-r--r--   1 nexo     nexo          999 Dec 08  2025 with space.enc\n";
    EXPECT_EQ(platform::sizeInListing(list, "sites.enc"), 11u);
    EXPECT_EQ(platform::sizeInListing(list, "with space.enc"), 999u);
    EXPECT_EQ(platform::sizeInListing(list, "sites"), std::nullopt);
    EXPECT_EQ(platform::sizeInListing("", "sites.enc"), std::nullopt);
}

TEST_F(DatabaseDownloadTest, MissingDatabaseFolderFails) {
    test::FtpTestServer server;
    server.makeFolder("executable");
    download(server.address());
    EXPECT_EQ(result, 0);
    EXPECT_EQ(messenger.texts(), (std::vector<std::string>{kNoDirectory}));
    EXPECT_EQ(messenger.messages()[0].icon, base::MessageIcon::Stop);
    EXPECT_EQ(outcome.error.code, TransferErrorCode::NotFound) << outcome.error.reason;
}

TEST_F(DatabaseDownloadTest, FailedTransferKeepsTheLocalFile) {
    test::FtpTestServer server;
    server.makeFolder("database");
    workspace.write("sites.enc", "still here");
    download(server.address());
    EXPECT_EQ(result, 0);
    EXPECT_EQ(messenger.texts(), (std::vector<std::string>{kNoDownload}));
    EXPECT_EQ(workspace.read("sites.enc"), "still here");
    EXPECT_FALSE(std::filesystem::exists(workspace.file("sites.enc.part")));
    EXPECT_EQ(outcome.error.code, TransferErrorCode::NotFound) << outcome.error.reason;
}

TEST_F(DatabaseDownloadTest, ConnectionFailuresSayWhy) {
    test::FtpTestServer refusing("another-password");
    refusing.putFile("database/sites.enc", "x");
    test::LoopbackListener silent;
    timing.ftpStallTimeout = base::Millis{200};
    struct Case {
        std::string server;
        TransferErrorCode code;
    };
    const Case cases[] = {
        {refusing.address(), TransferErrorCode::Refused},
        {"127.0.0.1:" + std::to_string(test::closedLoopbackPort()),
         TransferErrorCode::ConnectFailed},
        // Accepts the connection but never greets: fails instead of holding start-up.
        {"127.0.0.1:" + std::to_string(silent.port()), TransferErrorCode::TimedOut},
        {"127.0.0.1:99999", TransferErrorCode::BadAddress},
    };
    std::vector<std::string> shown;
    for (const Case& c : cases) {
        EXPECT_EQ(download(c.server), "Connecting to Database System...") << c.server;
        EXPECT_EQ(result, 0) << c.server;
        EXPECT_EQ(outcome.error.code, c.code) << c.server << ": " << outcome.error.reason;
        shown.push_back(kNoSession);
        EXPECT_EQ(messenger.texts(), shown) << c.server;
    }
    EXPECT_GE(silent.drainConnections(), 1);
    EXPECT_FALSE(std::filesystem::exists(workspace.file("sites.enc")));
}

TEST(DatabaseServerFrom, FallsBackToTheBuiltInHost) {
    EXPECT_EQ(databaseServerFrom(nullptr), kDefaultDatabaseHost);
    EXPECT_EQ(databaseServerFrom(""), kDefaultDatabaseHost);
    EXPECT_EQ(databaseServerFrom("127.0.0.1:2121"), "127.0.0.1:2121");
}

}  // namespace
}  // namespace farrow::sites
