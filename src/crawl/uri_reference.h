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

// `reference` resolved against the absolute URI `base` (RFC 3986 section 5.2, strict); empty
// when either is no URI.
std::string resolveReference(std::string_view base, std::string_view reference);

// `href` as a browser reads it on the http(s) page at `base`, resolved and normalised: tabs and
// line breaks dropped, a backslash taken as "/" and "%2e" segments as dot segments (the WHATWG URL
// standard's steps for http and https), every character RFC 3986 does not allow percent-encoded
// as UTF-8, then as normalizedUrl has it. Empty when the result is no http(s) URL with a host.
std::optional<std::string> webUrl(std::string_view base, std::string_view href);

// The absolute `url` as webUrl has it.
std::optional<std::string> webUrl(std::string_view url);

// The URI without its fragment.
std::string withoutFragment(std::string_view uri);

// A URI the crawl compares and stores: written as RFC 3986 allows, the scheme and host in lower
// case, percent-encodings upper-cased and dot segments worked out, no user name, the default
// port of the scheme left out, an empty path made "/", and no fragment. A URI that is no http(s)
// URL only loses its fragment.
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
