#pragma once

#include <cstddef>
#include <string>

#include "base/timing.h"

namespace farrow::submit {

// The name the program gives itself in every HTTP request.
inline constexpr const char* kAgentName = "farrowlane";
inline constexpr std::size_t kErrorTextLimit = 255;

// One HTTP request to a target site and what came of it. The caller resets it, fills `url`,
// `method` and `data`, sends it and reads the rest.
struct HttpExchange {
    std::string url;
    // The form body of a POST; appended to `url` for a GET.
    std::string data;
    // "GET" or "POST", case counts.
    std::string method;
    // Empty while the exchange went well, else why it failed (at most `kErrorTextLimit`).
    std::string errorText;
    // A POST answered with 400 or higher keeps that status here.
    int status = 1;
    // The HTTP status the site answered, 0 when no answer came.
    int responseCode = 0;
    // The reply body as one line (see ReplyCollector).
    std::string reply;
    bool ok = true;
};

// Gives every field but `url` its starting value.
void resetExchange(HttpExchange& exchange);

// Performs the request on a session of its own and records the outcome. A method other than
// "GET" and "POST" sends nothing and leaves the record as it is. The send and receive time-outs
// of `timing` count from the last byte moved; its exchange limit, when set, ends the whole
// exchange.
void sendExchange(HttpExchange& exchange, const base::Timing& timing);

}  // namespace farrow::submit
