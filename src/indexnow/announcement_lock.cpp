#include "indexnow/announcement_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/file_system.h"

namespace farrow::indexnow {

namespace {

// How often a waiting run looks again.
constexpr base::Millis kLockPoll{50};

}  // namespace

std::string lockPath(const std::string& ledgerFile) {
    return ledgerFile + ".lock";
}

AnnouncementLock::Taken AnnouncementLock::take(const std::string& path, base::Millis wait,
                                               const std::atomic<bool>* stop) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        return {std::nullopt,
                false,
                {base::ErrorCode::OpenFailed,
                 path + ": cannot be opened or made: " + platform::systemReason(errno)}};
    }
    AnnouncementLock held(fd);
    const auto end = std::chrono::steady_clock::now() + wait;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return {std::nullopt,
                    false,
                    {base::ErrorCode::WriteFailed,
                     path + ": cannot be locked: " + platform::systemReason(errno)}};
        }
        if (std::chrono::steady_clock::now() >= end || (stop != nullptr && stop->load())) {
            return {std::nullopt,
                    true,
                    {base::ErrorCode::WriteFailed,
                     "another announcement is running in this workspace"}};
        }
        std::this_thread::sleep_for(kLockPoll);
    }
    return {std::move(held), false, {}};
}

AnnouncementLock& AnnouncementLock::operator=(AnnouncementLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

AnnouncementLock::~AnnouncementLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace farrow::indexnow
