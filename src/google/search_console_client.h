#pragma once

#include <atomic>
#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "base/clock.h"
#include "base/timing.h"
#include "google/service_account.h"

namespace farrow::google {

inline constexpr const char* kDefaultApi = "https://www.googleapis.com";
inline constexpr const char* kDefaultInspectApi = "https://searchconsole.googleapis.com";

// Where the calls go and how.
struct ApiSettings {
    std::string api = kDefaultApi;
    std::string inspectApi = kDefaultInspectApi;
    // A CA file trusted beside the system's store; empty: the system's store only.
    std::string caFile;
    std::string userAgent;
    // When it turns true the call under way ends, and no wait goes on.
    const std::atomic<bool>* cancel = nullptr;
};

// The product's addresses, or both replaced by `override` (a test's or the sandbox's server)
// when it is not empty.
ApiSettings apiSettings(const std::string& override);

// How one call ended.
enum class CallOutcome {
    Done,
    // The token was refused, or a new one was refused too.
    Unauthenticated,
    // The account is no user of the property, or the URL lies outside it.
    PermissionDenied,
    // The quota is spent (429).
    QuotaSpent,
    NotFound,
    // Any other refusal (4xx).
    Refused,
    // 5xx after every retry.
    ServerFailed,
    // No answer: the connection, TLS or a time-out, after every retry.
    Unreachable,
    Cancelled,
    // An answer that is no JSON of the expected shape.
    BadAnswer,
};

std::string text(CallOutcome outcome);
std::string token(CallOutcome outcome);

struct ApiAnswer {
    CallOutcome outcome = CallOutcome::Done;
    long status = 0;
    // The answer's JSON; null when it had none.
    nlohmann::json body;
    // Google's message of an error answer, the token endpoint's error_description, or the
    // transport's words.
    std::string message;

    bool done() const { return outcome == CallOutcome::Done; }
};

// Fetches access tokens for one service account and keeps the last one until it is near its
// expiry. One object per run; not shared between threads.
class TokenClient final {
public:
    TokenClient(ServiceAccount account, ApiSettings settings, const base::Timing& timing,
                const base::Clock& clock);

    // The token to send, fetched when there is none, when the one held expires within the
    // margin, or when `renew` is set. Done with the token in `message`, or why not.
    ApiAnswer token(bool renew = false);
    // How many tokens were asked for.
    std::size_t fetched() const { return fetched_; }

private:
    ServiceAccount account_;
    ApiSettings settings_;
    const base::Timing& timing_;
    const base::Clock& clock_;
    std::string token_;
    base::TimePoint expires_{};
    std::size_t fetched_ = 0;
};

// The Search Console calls a run makes; each carries the token, takes a new one once on 401,
// and retries server failures (and 429, except for inspections) with the timing's waits.
class SearchConsoleClient final {
public:
    SearchConsoleClient(TokenClient& tokens, ApiSettings settings, const base::Timing& timing);

    ApiAnswer sites();
    ApiAnswer submitSitemap(const std::string& property, const std::string& feed);
    ApiAnswer sitemaps(const std::string& property);
    ApiAnswer inspect(const std::string& property, const std::string& url);

private:
    ApiAnswer call(const std::string& method, const std::string& url, const std::string& body,
                   bool retryQuota);

    TokenClient& tokens_;
    ApiSettings settings_;
    const base::Timing& timing_;
};

// `text` percent-encoded as one path segment: every byte but the unreserved ones.
std::string encodeSegment(const std::string& text);

// Waits `wait` unless `cancel` turns true first; false then.
bool pause(base::Millis wait, const std::atomic<bool>* cancel);

}  // namespace farrow::google
