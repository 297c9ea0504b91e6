#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace farrow::crawl {

// A URI reference split into its five parts as RFC 3986 (appendix B) splits it. A part that is
// absent differs from one that is present and empty ("http://a/b?" has an empty query).
struct UriReference {
    std::optional<std::string> scheme;
    std::optional<std::string> authority;
    std::string path;
    std::optional<std::string> query;
    std::optional<std::string> fragment;

    std::string text() const;
};

UriReference parseUriReference(std::string_view text);

// The path with its "." and ".." segments worked out (RFC 3986 section 5.2.4).
std::string removeDotSegments(std::string_view path);

// `reference` resolved against the absolute URI `base` (RFC 3986 section 5.2.2, strict).
std::string resolveReference(std::string_view base, std::string_view reference);

// The URI without its fragment.
std::string withoutFragment(std::string_view uri);

// A URI the crawl compares and stores: the scheme and host in lower case, the default port of
// the scheme left out, an empty path made "/", and no fragment.
std::string normalizedUrl(std::string_view uri);

// The parts of an http or https URL the crawl's bounds look at.
struct WebAddress {
    std::string scheme;
    std::string host;
    int port = 0;
    // The path and query, "/" at least.
    std::string target;
};

// Empty when `uri` is no http or https URL with a host.
std::optional<WebAddress> webAddress(std::string_view uri);

}  // namespace farrow::crawl
