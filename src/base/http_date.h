#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace farrow::base {

// The moment an HTTP date names, in any of its three forms: "Sun, 06 Nov 1994 08:49:37 GMT"
// (the one servers should send), "Sunday, 06-Nov-94 08:49:37 GMT" and asctime's
// "Sun Nov  6 08:49:37 1994". Day and month names are English whatever the locale; a two-digit
// year below 70 is of this century. nullopt for anything else.
std::optional<std::chrono::system_clock::time_point> parseHttpDate(std::string_view text);

// The seconds a Retry-After value asks for (a number of seconds or an HTTP date, counted from
// `now`); nullopt when absent or unreadable.
std::optional<long long> retryAfterSeconds(std::string_view value,
                                           std::chrono::system_clock::time_point now);

}  // namespace farrow::base
