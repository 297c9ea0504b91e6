#pragma once

#include <string>
#include <vector>

#include "deep/page_entry.h"

namespace farrow::deep {

// Why a page a sitemap lists is not submitted for the profile.
enum class SitemapLeftOutReason {
    // Relative, or of another scheme (file:, javascript:...).
    NotWeb,
    // A line break, a tab or another control character, which would reach file names.
    ControlCharacter,
    // Another host or port, or outside the profile's folder.
    OtherSite,
};

struct SitemapLeftOut {
    std::string url;
    SitemapLeftOutReason reason = SitemapLeftOutReason::NotWeb;
};

struct SitemapChoice {
    std::vector<PageEntry> pages;
    std::vector<SitemapLeftOut> leftOut;
};

// The pages of a sitemap a deep run of the profile at `profileUrl` may submit: http(s) URLs of
// its site (host, port and folder, as the deep crawl keeps to), in order.
SitemapChoice chooseSitemapPages(const std::vector<PageEntry>& listed,
                                 const std::string& profileUrl);

// "left out of the sitemap's pages: file:///etc/passwd: not an http or https URL"; control
// characters of the URL shown as %XX.
std::string text(const SitemapLeftOut& leftOut, const std::string& profileUrl);

}  // namespace farrow::deep
