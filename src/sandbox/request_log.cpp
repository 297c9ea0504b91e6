#include "sandbox/request_log.h"

#include <chrono>
#include <ctime>
#include <iomanip>

namespace farrow::sandbox {

void RequestLog::line(const std::string& text) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    std::lock_guard lock(mutex_);
    out_ << std::put_time(&local, "%H:%M:%S") << '.' << std::setw(3) << std::setfill('0') << millis
         << ' ' << text << std::endl;
}

}  // namespace farrow::sandbox
