#pragma once

#include <mutex>
#include <string>
#include <utility>

namespace farrow::platform {

// A text one thread writes and another reads while a long job runs.
class SharedText final {
public:
    void set(std::string text) {
        std::lock_guard lock(mutex_);
        text_ = std::move(text);
    }
    std::string get() const {
        std::lock_guard lock(mutex_);
        return text_;
    }

private:
    mutable std::mutex mutex_;
    std::string text_;
};

}  // namespace farrow::platform
