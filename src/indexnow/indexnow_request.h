#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/http_date.h"
#include "base/timing.h"
#include "indexnow/key_scope.h"

namespace farrow::indexnow {

// The engine every IndexNow engine shares its announcements with.
inline constexpr const char* kDefaultEndpoint = "https://api.indexnow.org/indexnow";
inline constexpr std::size_t kMaxUrlsPerRequest = 10000;

// One request of an announcement, before it is addressed to an endpoint.
struct PlannedRequest {
    // "GET" (a single URL in the query) or "POST" (a JSON body).
    std::string method;
    std::vector<std::string> urls;
    // The JSON body of a POST.
    std::string body;
};

// How many requests announce `count` URLs: one GET for a single URL, else one POST per 10,000.
std::size_t requestCount(std::size_t count);
// The `index`th of those requests for `urls` (all of the scope's host).
PlannedRequest planRequest(const std::vector<std::string>& urls, std::size_t index,
                           const KeyScope& scope);
// All of them.
std::vector<PlannedRequest> planRequests(const std::vector<std::string>& urls,
                                         const KeyScope& scope);

// The address a planned request goes to at `endpoint`: the endpoint itself for a POST, with
// the query for a GET.
std::string requestAddress(const PlannedRequest& request, const std::string& endpoint,
                           const KeyScope& scope);

inline constexpr const char* kJsonContentType = "Content-Type: application/json; charset=utf-8";

// Percent-encodes everything but the unreserved characters, for a query value.
std::string percentEncoded(std::string_view text);

// How an engine's answer is taken.
enum class AnswerClass {
    // 200.
    Accepted,
    // 202: received, the key not yet checked.
    Pending,
    // 400, 403, 422: the request is wrong and would be wrong on every engine.
    OurFault,
    // 429 or 5xx: the engine's trouble; wait, retry, then try the next engine.
    EngineTrouble,
    // Anything else: this endpoint is no IndexNow engine as we know them; try the next.
    Unexpected,
};

AnswerClass classifyStatus(long status);

// What became of one request.
enum class RequestOutcome {
    Accepted,
    Pending,
    Refused,
    // 429.
    Busy,
    // 5xx.
    Failed,
    Unexpected,
    // Nothing answered.
    Unreachable,
};

// The outcome of an answer of `status`.
RequestOutcome outcomeOf(long status);

// The word the ledger, the report and the lines use: "accepted", "pending", "refused", "busy",
// "failed", "unexpected", "unreachable".
std::string token(RequestOutcome outcome);
std::string text(RequestOutcome outcome);

// What to fix after a refusal, in plain words.
std::string refusalAdvice(long status, const KeyScope& scope);

using base::retryAfterSeconds;

// An answer's body as one short line: tags dropped, white space folded, cut to `limit`.
std::string bodyLine(std::string_view body, std::size_t limit = 160);

}  // namespace farrow::indexnow
