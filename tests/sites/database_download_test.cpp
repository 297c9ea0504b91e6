#include "sites/database_download.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/fake_frontend.h"
#include "support/ftp_test_server.h"
#include "support/loopback_listener.h"
#include "support/temp_workspace.h"

namespace farrow::sites {
namespace {

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
        app::StartupStatus status;
        status.serverHost = server;
        result = downloadSitesDatabase(status, messenger, timing);
        EXPECT_EQ(status.done.load(), 1);
        EXPECT_EQ(status.succeeded.load(), result);
        return status.takeMessage();
    }

    test::TempWorkspace workspace;
    test::FakeMessenger messenger;
    app::Timing timing;
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

    workspace.write("sites.enc", "older");
    EXPECT_EQ(download(server.address()), "Database Update Downloading: 11 bytes");
    EXPECT_EQ(workspace.read("sites.enc"), "remote-copy");
    EXPECT_EQ(result, 1);
}

TEST_F(DatabaseDownloadTest, MissingDatabaseFolderFails) {
    test::FtpTestServer server;
    server.makeFolder("executable");
    download(server.address());
    EXPECT_EQ(result, 0);
    EXPECT_EQ(messenger.texts(), (std::vector<std::string>{kNoDirectory}));
    EXPECT_EQ(messenger.messages()[0].icon, app::MessageIcon::Stop);
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
}

TEST_F(DatabaseDownloadTest, RefusedLoginAndDeadServerFailToConnect) {
    test::FtpTestServer server("another-password");
    server.putFile("database/sites.enc", "x");
    EXPECT_EQ(download(server.address()), "Connecting to Database System...");
    EXPECT_EQ(result, 0);
    download("127.0.0.1:" + std::to_string(test::closedLoopbackPort()));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(messenger.texts(), (std::vector<std::string>{kNoSession, kNoSession}));
    EXPECT_FALSE(std::filesystem::exists(workspace.file("sites.enc")));
}

TEST_F(DatabaseDownloadTest, SilentServerFailsInsteadOfHanging) {
    test::LoopbackListener silent;
    timing.ftpStallTimeout = app::Millis{200};
    download("127.0.0.1:" + std::to_string(silent.port()));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(messenger.texts(), (std::vector<std::string>{kNoSession}));
    EXPECT_GE(silent.drainConnections(), 1);
}

TEST(DatabaseServerHost, ComesFromTheEnvironment) {
    ::unsetenv(kDatabaseServerVariable);
    EXPECT_EQ(databaseServerHost(), kDefaultDatabaseHost);
    ::setenv(kDatabaseServerVariable, "127.0.0.1:2121", 1);
    EXPECT_EQ(databaseServerHost(), "127.0.0.1:2121");
    ::unsetenv(kDatabaseServerVariable);
}

}  // namespace
}  // namespace farrow::sites
