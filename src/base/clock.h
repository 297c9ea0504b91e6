#pragma once

#include <chrono>
#include <ctime>

namespace farrow::base {

using TimePoint = std::chrono::system_clock::time_point;

// Where a run reads the time: log stamps, the run's duration and how long each worker has run.
// Called from the window thread and from the dispatcher thread, so implementations must be
// safe to call from both at once.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
    // The calendar time of `t` where the user is; a test clock may pin the zone.
    virtual std::tm toLocal(TimePoint t) const;
};

class SystemClock final : public Clock {
public:
    TimePoint now() const override { return std::chrono::system_clock::now(); }
};

}  // namespace farrow::base
