#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/error.h"
#include "google/service_account.h"

namespace farrow::google {

// The scope the token asks for: reading and managing the account's properties.
inline constexpr const char* kWebmastersScope = "https://www.googleapis.com/auth/webmasters";
// How long a signed assertion is good for.
inline constexpr int kAssertionSeconds = 3600;

// Base64 with the URL-safe alphabet and no padding.
std::string base64Url(std::string_view bytes);

struct SignedToken {
    std::optional<std::string> jwt;
    // OpenSSL's words when the key would not sign.
    base::Error error;
};

// The token-grant assertion of `account`: header, claims (issuer, scope, audience = the token
// URI, issued now, expiring an hour later) and its RS256 signature.
SignedToken signAssertion(const ServiceAccount& account, base::TimePoint now);

}  // namespace farrow::google
