#include "crawl/request_pacer.h"

#include <algorithm>
#include <optional>
#include <thread>

#include "base/http_date.h"

namespace farrow::crawl {

RequestPacer::RequestPacer(const PacingParams& params, const PageFetch& fetch)
    : params_(params), fetch_(fetch) {}

void RequestPacer::setDelay(base::Millis delay) {
    std::lock_guard lock(mutex_);
    params_.delay = delay;
    notBefore_ = std::max(notBefore_, lastAnswer_ + delay);
}

bool RequestPacer::waitTurn(Clock::time_point until) {
    while (true) {
        const Clock::time_point now = Clock::now();
        Clock::time_point turn;
        {
            std::lock_guard lock(mutex_);
            turn = notBefore_;
        }
        if (cancelled() || now >= until) {
            return false;
        }
        if (now >= turn) {
            return true;
        }
        // In slices, so that a stop ends the pause at once.
        std::this_thread::sleep_for(std::min(
            {turn - now, until - now, Clock::duration(std::max(params_.poll, base::Millis(1)))}));
    }
}

void RequestPacer::holdUntil(Clock::time_point at) {
    std::lock_guard lock(mutex_);
    notBefore_ = std::max(notBefore_, at);
}

PacedAnswer RequestPacer::fetch(const platform::WebRequest& ask, Clock::time_point until) {
    PacedAnswer out;
    // At least a millisecond, so that the doubling reaches the limit even from zero.
    base::Millis step = std::max(params_.backoff, base::Millis(1));
    while (true) {
        if (!waitTurn(until)) {
            out.response = {};
            out.response.failure =
                cancelled() ? platform::WebFailure::Cancelled : platform::WebFailure::Timeout;
            out.response.reason = cancelled() ? "stopped" : "no time was left to make the request";
            out.response.pastDeadline = !cancelled();
            out.cutAtUntil = true;
            return out;
        }
        platform::WebRequest request = ask;
        const auto left = std::chrono::duration_cast<base::Millis>(until - Clock::now());
        request.deadline = std::max(base::Millis(1), std::min(ask.deadline, left));
        out.response = fetch_(request);
        ++out.requests;
        {
            std::lock_guard lock(mutex_);
            lastAnswer_ = Clock::now();
            notBefore_ = std::max(notBefore_, lastAnswer_ + params_.delay);
        }
        if (out.response.failed()) {
            out.cutAtUntil = out.response.pastDeadline && left < ask.deadline;
            return out;
        }
        if (!out.refused()) {
            return out;
        }
        base::Millis pause = step;
        const std::optional<long long> asked = base::retryAfterSeconds(
            out.response.header("retry-after"), std::chrono::system_clock::now());
        if (asked) {
            // Held below the limit first, so that a server asking for years overflows nothing.
            const long long most = params_.backoffLimit.count() / 1000 + 1;
            pause = base::Millis(std::min(*asked, most) * 1000);
        }
        // A server that keeps asking for no pause at all is given up when the doubling would
        // pass the limit too.
        if (out.paused + pause > params_.backoffLimit || step > params_.backoffLimit) {
            return out;
        }
        out.paused += pause;
        step *= 2;
        holdUntil(Clock::now() + pause);
    }
}

}  // namespace farrow::crawl
