#include "base/clock.h"

namespace farrow::base {

std::tm Clock::toLocal(TimePoint t) const {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

}  // namespace farrow::base
