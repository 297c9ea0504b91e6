#pragma once

#include <string>
#include <string_view>
#include <vector>

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
    // <link rel="canonical">, resolved; empty when the page names none.
    std::string canonical;
    // <meta name="robots"> says noindex / nofollow (or "none", both).
    bool noindex = false;
    bool nofollow = false;
    // a and area hrefs in document order, resolved against <base href> or the page; links to
    // javascript:, mailto:, tel: and data: left out.
    std::vector<PageLink> links;
};

// Parses `html` as a browser would take tag soup (libxml2's HTML parser, no network) and
// collects its links, resolved against `pageUrl`.
PageLinks extractPageLinks(std::string_view html, const std::string& pageUrl);

// Whether a robots directive list ("noindex, nofollow") holds `directive`, without regard to
// case; "none" holds both noindex and nofollow.
bool robotsDirectiveHolds(std::string_view list, std::string_view directive);

}  // namespace farrow::crawl
