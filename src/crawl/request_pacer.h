#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>

#include "base/timing.h"
#include "crawl/page_fetch.h"

namespace farrow::crawl {

struct PacingParams {
    // The pause after each answer before the next request; zero: none.
    base::Millis delay{};
    // After a 429 or 503 that names no Retry-After, the first pause before the same request is
    // made again, doubled each time; and the pauses one request may take in all.
    base::Millis backoff{};
    base::Millis backoffLimit{};
    // How often a pause looks at `cancel`.
    base::Millis poll{10};
    const std::atomic<bool>* cancel = nullptr;
};

// One exchange as the pacer made it.
struct PacedAnswer {
    platform::WebResponse response;
    // Requests made (more than one after 429 or 503 answers), and the pauses asked between them.
    std::size_t requests = 0;
    base::Millis paused{};
    // The exchange, or a pause before it, ended at the `until` its caller gave rather than at
    // its own deadline.
    bool cutAtUntil = false;

    // The server still answered 429 or 503 when the pacer gave up asking.
    bool refused() const {
        return !response.failed() && (response.status == 429 || response.status == 503);
    }
};

// Spaces the requests made to one site. Each waits for `delay` after the last answer; a 429 or
// 503 holds every request for the pause its Retry-After (seconds or an HTTP date) asks, else for
// the doubling backoff, and the request is made again while its pauses stay within
// `backoffLimit`. Pauses end at once on a stop. Safe to use from several threads; one request at
// a time is the caller's to arrange.
class RequestPacer final {
public:
    RequestPacer(const PacingParams& params, const PageFetch& fetch);

    // The delay from now on, counted from the last answer too.
    void setDelay(base::Millis delay);

    // `ask` made when its turn comes; its deadline is held to `until`, past which no pause
    // lasts.
    PacedAnswer fetch(const platform::WebRequest& ask, std::chrono::steady_clock::time_point until);

private:
    using Clock = std::chrono::steady_clock;

    // False when a stop or `until` came first.
    bool waitTurn(Clock::time_point until);
    void holdUntil(Clock::time_point at);
    bool cancelled() const { return params_.cancel != nullptr && params_.cancel->load(); }

    PacingParams params_;
    const PageFetch& fetch_;
    std::mutex mutex_;
    // No request starts before this.
    Clock::time_point notBefore_{};
    Clock::time_point lastAnswer_{};
};

}  // namespace farrow::crawl
