#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "base/error.h"
#include "base/timing.h"

namespace farrow::indexnow {

// One announcement at a time per workspace: an exclusive lock on a file beside the ledger, held
// by this object and let go when the process ends however it ends.
class AnnouncementLock final {
public:
    struct Taken;
    // Waits up to `wait` for a run that holds `path`; `busy` when it still holds it then (or a
    // stop came).
    static Taken take(const std::string& path, base::Millis wait,
                      const std::atomic<bool>* stop = nullptr);

    AnnouncementLock(AnnouncementLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    AnnouncementLock& operator=(AnnouncementLock&& other) noexcept;
    AnnouncementLock(const AnnouncementLock&) = delete;
    AnnouncementLock& operator=(const AnnouncementLock&) = delete;
    ~AnnouncementLock();

private:
    explicit AnnouncementLock(int fd) : fd_(fd) {}

    int fd_;
};

struct AnnouncementLock::Taken {
    std::optional<AnnouncementLock> lock;
    bool busy = false;
    // Why there is no lock.
    base::Error error;
};

// The lock file of the ledger at `ledgerFile`.
std::string lockPath(const std::string& ledgerFile);

}  // namespace farrow::indexnow
