#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace farrow::platform {

namespace fs = std::filesystem;

namespace {

// Writes the whole text; 0, or the error number of the write that fell short.
int writeAll(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return ENOSPC;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return 0;
}

std::atomic<unsigned> temporaryCount{0};

// A new file beside `path`, with a short name of its own so that a long `path` still leaves room.
int openTemporary(const std::string& path, std::string& temporary) {
    const fs::path dir = fs::path(path).parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = (dir / (".tmp-" + std::to_string(::getpid()) + "-" +
                            std::to_string(temporaryCount.fetch_add(1))))
                        .string();
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Gives the finished temporary its name; 0 or the error number.
int putInPlace(const std::string& temporary, const std::string& path, bool replace) {
    if (replace) {
        return ::rename(temporary.c_str(), path.c_str()) == 0 ? 0 : errno;
    }
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // A file system without the no-replace rename: a hard link fails the same way on a taken name.
    if (::link(temporary.c_str(), path.c_str()) != 0) {
        return errno;
    }
    ::unlink(temporary.c_str());
    return 0;
}

bool saveThroughTemporary(const std::string& path, const std::string& content, bool replace) {
    std::string temporary;
    const int fd = openTemporary(path, temporary);
    if (fd < 0) {
        return false;
    }
    int failure = writeAll(fd, content);
    // The data must be on the disk before the name points at it.
    if (failure == 0 && ::fsync(fd) != 0) {
        failure = errno;
    }
    if (::close(fd) != 0 && failure == 0) {
        failure = errno;
    }
    if (failure == 0) {
        failure = putInPlace(temporary, path, replace);
    }
    if (failure != 0) {
        ::unlink(temporary.c_str());
        errno = failure;
        return false;
    }
    return true;
}

}  // namespace

bool appendTextToFile(const std::string& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    // An exclusive lock per open file keeps whole texts together even when the write is split.
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    const off_t start = ::lseek(fd, 0, SEEK_END);
    int failure = writeAll(fd, text);
    if (failure != 0 && start >= 0) {
        // Half a row would read as a whole one: take back what did reach the file.
        while (::ftruncate(fd, start) != 0 && errno == EINTR) {
        }
    }
    ::flock(fd, LOCK_UN);
    if (::close(fd) != 0 && failure == 0) {
        failure = errno;
    }
    errno = failure;
    return failure == 0;
}

bool writeWholeFile(const std::string& path, const std::string& content) {
    // A device or a pipe named as the output (/dev/stdout, a FIFO), or a link to one, is
    // written into: renaming a file over it would replace the device itself. A link to a file
    // is replaced, not written through.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        int failure = writeAll(fd, content);
        if (::close(fd) != 0 && failure == 0) {
            failure = errno;
        }
        errno = failure;
        return failure == 0;
    }
    return saveThroughTemporary(path, content, true);
}

bool createWholeFile(const std::string& path, const std::string& content) {
    return saveThroughTemporary(path, content, false);
}

FilePtr openFile(const std::string& path, const char* mode) {
    return FilePtr(std::fopen(path.c_str(), mode));
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool isThereButNotRegular(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    return fs::exists(status) && !fs::is_regular_file(status);
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
