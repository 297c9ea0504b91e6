#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace farrow::platform {

namespace fs = std::filesystem;

bool appendTextToFile(const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    // An exclusive lock per open file keeps whole texts together even when the write is split.
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    const char* p = text.data();
    std::size_t left = text.size();
    int failure = 0;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            failure = errno;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ::flock(fd, LOCK_UN);
    if (::close(fd) != 0 && failure == 0) {
        failure = errno;
    }
    errno = failure;
    return failure == 0;
}

FilePtr openFile(const std::string& path, const char* mode) {
    return FilePtr(std::fopen(path.c_str(), mode));
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

std::optional<std::uintmax_t> fileSize(const std::string& path) {
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    if (ec) {
        return std::nullopt;
    }
    return size;
}

void removeFile(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

bool makeDirectory(const std::string& path) {
    std::error_code ec;
    fs::create_directory(path, ec);
    return !ec || fs::is_directory(path, ec);
}

std::string currentDirectory() {
    std::error_code ec;
    auto p = fs::current_path(ec);
    return ec ? std::string(".") : p.string();
}

std::string joinPath(const std::string& dir, const std::string& name) {
    return (fs::path(dir) / name).string();
}

std::string systemReason(int errorNumber) {
    return std::string(std::strerror(errorNumber)) + " (" + std::to_string(errorNumber) + ")";
}

}  // namespace farrow::platform
