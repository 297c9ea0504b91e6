#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace farrow::test {

// A pyftpdlib server on 127.0.0.1 serving its own fresh root folder to the user nexo. Started in
// the constructor (the port is known once it returns) and killed in the destructor.
class FtpTestServer final {
public:
    // `unknownCommands`: commands the server answers as unknown, comma-separated ("SIZE,MLSD").
    explicit FtpTestServer(const std::string& password = "greyoak",
                           const std::string& unknownCommands = "");
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    int port() const { return port_; }
    // "127.0.0.1:port", the form FARROWLANE_DB_SERVER takes.
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    // Writes a file below the root, creating its folders.
    void putFile(const std::string& relativePath, const std::string& content) const;
    void makeFolder(const std::string& relativePath) const;

private:
    std::filesystem::path root_;
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace farrow::test
