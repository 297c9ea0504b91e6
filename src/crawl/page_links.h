#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "crawl/start_tag_scan.h"

namespace farrow::crawl {

struct PageLink {
    // Absolute, without fragment.
    std::string url;
    // rel="nofollow" on the link.
    bool nofollow = false;
};

// What a crawler takes from one HTML page.
struct PageLinks {
    std::string title;
    // <meta name="description" content>, white space folded; empty when the page has none.
    std::string description;
    // <link rel="canonical">, resolved; empty when the page names none.
    std::string canonical;
    // <meta name="robots"> says noindex / nofollow (or "none", both).
    bool noindex = false;
    bool nofollow = false;
    // a and area hrefs in document order, resolved against <base href> or the page; links to
    // javascript:, mailto:, tel: and data: left out.
    std::vector<PageLink> links;
    // What the page loads, resolved as its links are: the src of img, script, iframe, embed,
    // audio, video and source, and the href of stylesheet and icon links.
    std::vector<std::string> resources;
    // The page was read only up to `readBytes`: at a start tag past the bounds, or because
    // `stop` said so.
    StartTagCut tagCut = StartTagCut::None;
    bool stopped = false;
    std::size_t readBytes = 0;
};

struct PageReadLimits {
    StartTagBounds tags;
    // Bytes kept of the title and of the description.
    std::size_t textBytes = 1024;
    // Asked between the pieces the parser is fed; true ends the reading (a stop, a deadline).
    std::function<bool()> stop;
};

// Parses `html` as a browser would take tag soup (libxml2's HTML parser, no network), in the
// charset `contentType` names, else the page's own, else UTF-8 with bad bytes replaced, and
// collects its links, resolved against `pageUrl`, as the parser meets them.
PageLinks extractPageLinks(std::string_view html, const std::string& pageUrl,
                           const PageReadLimits& limits = {}, std::string_view contentType = {});

// The first `maxBytes` bytes of `text` at most, not ending inside a UTF-8 sequence.
std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes);

// Whether a robots directive list ("noindex, nofollow") holds `directive`, without regard to
// case; "none" holds both noindex and nofollow.
bool robotsDirectiveHolds(std::string_view list, std::string_view directive);

}  // namespace farrow::crawl
