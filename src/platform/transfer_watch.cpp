#include "platform/transfer_watch.h"

#include <algorithm>

namespace farrow::platform {

TransferWatch::TransferWatch(std::optional<base::Millis> deadline, const std::atomic<bool>* cancel,
                             Clock::time_point start)
    : deadline_(deadline), cancel_(cancel), start_(start), lastActivity_(start) {}

void TransferWatch::observe(Clock::time_point now, long long moved, bool connected) {
    if (!connected || moved != lastMoved_) {
        lastMoved_ = moved;
        lastActivity_ = now;
    }
}

void TransferWatch::stir(Clock::time_point now) {
    lastActivity_ = now;
}

void TransferWatch::exclude(Clock::duration spent) {
    excluded_ += spent;
}

bool TransferWatch::cancelled() const {
    return cancel_ != nullptr && cancel_->load(std::memory_order_acquire);
}

TransferWatch::Verdict TransferWatch::check(Clock::time_point now, base::Millis stallLimit) const {
    if (cancelled()) {
        return Verdict::Cancelled;
    }
    if (deadline_ && now - start_ - excluded_ >= *deadline_) {
        return Verdict::PastDeadline;
    }
    if (now - lastActivity_ >= stallLimit) {
        return Verdict::Stalled;
    }
    return Verdict::Going;
}

TransferWatch::Clock::duration TransferWatch::left(Clock::time_point now,
                                                   base::Millis stallLimit) const {
    Clock::duration wait = lastActivity_ + stallLimit - now;
    if (deadline_) {
        wait = std::min(wait, start_ + excluded_ + *deadline_ - now);
    }
    return std::max(wait, Clock::duration::zero());
}

}  // namespace farrow::platform
