#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/error.h"

namespace farrow::indexnow {

// The parts of an absolute http or https URL that the protocol compares.
struct UrlParts {
    // "http" or "https", lower-cased.
    std::string scheme;
    // The host as the protocol names it, lower-cased, with ":port" when the URL gives one.
    std::string host;
    // From the first "/" on, with the query; "/" when the URL has no path.
    std::string path;
};

// The parts of `url`, or nullopt when it is no absolute http(s) URL with a host (a relative
// path, another scheme, spaces or control characters, a user name).
std::optional<UrlParts> urlParts(std::string_view url);

// Which URLs one key may announce: those of the site's host, and, when the key file lies
// elsewhere than at the root, only those under the key file's folder.
struct KeyScope {
    std::string host;
    std::string key;
    // Where the engines fetch the key file.
    std::string keyLocation;
    // True when the key location was given rather than the root default.
    bool keyLocationGiven = false;
    // The path prefix the key covers: "/" or the key file's folder. The scheme is not compared,
    // since a site answers on both.
    std::string folder;
};

struct ScopeResult {
    std::optional<KeyScope> scope;
    base::Error error;
};

// The scope of `key` for the site at `siteUrl`; the key file at `keyLocation`, or when that is
// empty at "SCHEME://HOST/KEY.txt" with the site's scheme. The key location must lie on the
// site's host.
ScopeResult keyScope(const std::string& siteUrl, const std::string& key,
                     const std::string& keyLocation);

enum class ScopeFit { Inside, OtherHost, OutsideKeyLocation };

ScopeFit fitOf(const UrlParts& url, const KeyScope& scope);

}  // namespace farrow::indexnow
