#pragma once

#include <atomic>
#include <mutex>
#include <string>

namespace farrow::base {

// Shared between a start-up thread that reports stages and the thread that shows them. The
// worker posts a message and raises `changed`; the reader takes the message and clears it.
class StartupStatus final {
public:
    void postMessage(std::string text) {
        {
            std::lock_guard lock(mutex_);
            message_ = std::move(text);
        }
        changed.store(1, std::memory_order_release);
    }
    // The newest message; clears `changed`.
    std::string takeMessage() {
        changed.store(0, std::memory_order_relaxed);
        std::lock_guard lock(mutex_);
        return message_;
    }
    void finish(bool ok) {
        succeeded.store(ok ? 1 : 0, std::memory_order_relaxed);
        done.store(1, std::memory_order_release);
    }

    std::atomic<int> changed{0};
    std::atomic<int> done{0};
    std::atomic<int> succeeded{1};

private:
    std::mutex mutex_;
    std::string message_;
};

}  // namespace farrow::base
