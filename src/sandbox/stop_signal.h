#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace farrow::sandbox {

// Raised once when the sandbox shuts down; every route or connection that holds a client waits
// on it, so that stopping never leaves a thread behind.
class StopSignal final {
public:
    void raise() {
        {
            std::lock_guard lock(mutex_);
            raised_ = true;
        }
        changed_.notify_all();
    }

    bool raised() const {
        std::lock_guard lock(mutex_);
        return raised_;
    }

    // Waits at most `span`; true when the signal was raised (before or during the wait).
    bool waitFor(std::chrono::milliseconds span) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, span, [this] { return raised_; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool raised_ = false;
};

}  // namespace farrow::sandbox
