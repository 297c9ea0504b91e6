#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/web_client.h"

namespace farrow::crawl {

// What a crawl read of a page that answered 200, as the next crawl recalls it.
struct PageReading {
    std::string url;
    // The validators it came with, for a conditional request; empty when it gave none.
    std::string etag;
    std::string lastModified;
    // pageFingerprint() of its body.
    std::string fingerprint;
    std::string contentType;
    std::string title;
    // What the page said of itself: noindex, and a canonical address other than its own.
    bool noindex = false;
    std::string canonical;
    // The links the crawl followed from it (none marked nofollow), in the page's order.
    std::vector<std::string> links;
};

// How a crawl remembers pages from one crawl to the next; either call may be empty. Both are
// called from the crawl's threads, at the same time.
struct PageMemory {
    // What the last crawl read of `url`, if anything.
    std::function<std::optional<PageReading>(const std::string& url)> recall;
    // What this crawl read of a page. `unchanged`: the page answered 304 to a conditional
    // request, and the reading is the recalled one with that answer's validators.
    std::function<void(const PageReading& reading, bool unchanged)> remember;
};

// The SHA-256 of `body` with every run of whitespace folded to one space and the ends trimmed,
// in hex: markup indented anew gives the same.
std::string pageFingerprint(std::string_view body);

// If-None-Match and If-Modified-Since for what was recalled of a page.
std::vector<std::string> conditionalHeaders(const PageReading& known);

// The validators of an answer as kept of a page: none longer than `maxBytes` (a cut one would
// never match).
void takeValidators(const platform::WebResponse& answer, std::size_t maxBytes,
                    PageReading& reading);

}  // namespace farrow::crawl
