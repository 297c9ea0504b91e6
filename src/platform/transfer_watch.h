#pragma once

#include <atomic>
#include <chrono>
#include <optional>

#include "base/timing.h"

namespace farrow::platform {

// Watches one transfer for the three ways we end it before the peer does: the caller's cancel
// flag, a deadline for the whole transfer, and silence. Silence counts only once connected
// (the connect time-out covers the rest) and starts again with every byte moved.
class TransferWatch {
public:
    using Clock = std::chrono::steady_clock;
    enum class Verdict { Going, Cancelled, PastDeadline, Stalled };

    // No deadline: the transfer may run as long as it keeps moving. `cancel` may be null.
    TransferWatch(std::optional<base::Millis> deadline, const std::atomic<bool>* cancel,
                  Clock::time_point start = Clock::now());

    // The transfer's byte count as its library reports it; a change, or no connection yet,
    // is activity.
    void observe(Clock::time_point now, long long moved, bool connected);
    // Activity the byte count does not show (a header line, an event on the socket).
    void stir(Clock::time_point now);
    // Time spent outside the transfer (the caller's own work on what was read), counted neither
    // as silence nor towards the deadline.
    void exclude(Clock::duration spent);

    // `stallLimit` is the silence allowed now; it may differ between sending and receiving.
    Verdict check(Clock::time_point now, base::Millis stallLimit) const;
    // How long until `check` would give up, for the time-out of a wait on the socket.
    Clock::duration left(Clock::time_point now, base::Millis stallLimit) const;

private:
    bool cancelled() const;

    std::optional<base::Millis> deadline_;
    const std::atomic<bool>* cancel_;
    Clock::time_point start_;
    Clock::time_point lastActivity_;
    Clock::duration excluded_{};
    long long lastMoved_ = -1;
};

}  // namespace farrow::platform
