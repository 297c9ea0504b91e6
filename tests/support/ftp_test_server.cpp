#include "support/ftp_test_server.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace farrow::test {

FtpTestServer::FtpTestServer(const std::string& password, const std::string& unknownCommands) {
    std::string pattern = (std::filesystem::temp_directory_path() / "farrow-ftp-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    root_ = pattern;

    int out[2];
    if (::pipe(out) != 0) {
        throw std::runtime_error("pipe failed");
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        const std::string script = std::string(FARROW_SCRIPTS_DIR) + "/loopback_ftp_server.py";
        ::execl(FARROW_SYSTEM_PYTHON, FARROW_SYSTEM_PYTHON, script.c_str(), root_.c_str(),
                password.c_str(), unknownCommands.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::FILE* in = ::fdopen(out[0], "r");
    if (!in || std::fscanf(in, "%d", &port_) != 1) {
        if (in) {
            std::fclose(in);
        }
        throw std::runtime_error("the FTP test server did not start");
    }
    std::fclose(in);
}

FtpTestServer::~FtpTestServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

void FtpTestServer::putFile(const std::string& relativePath, const std::string& content) const {
    const auto path = root_ / relativePath;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

void FtpTestServer::makeFolder(const std::string& relativePath) const {
    std::filesystem::create_directories(root_ / relativePath);
}

}  // namespace farrow::test
