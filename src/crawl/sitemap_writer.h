#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"

namespace farrow::crawl {

struct SitemapEntry {
    std::string loc;
    // W3C date-time ("2026-12-09T07:30:00+00:00"), or empty.
    std::string lastmod;
};

// The protocol's ceilings for one sitemap file; tests shrink them.
struct SitemapLimits {
    std::size_t maxUrls = 50000;
    std::size_t maxBytes = 50u * 1024 * 1024;
};

struct SitemapFile {
    // The file name, e.g. "sitemap.xml" or "sitemap-2.xml".
    std::string name;
    std::string xml;
};

// The sitemap files for `entries`: one urlset named `fileName` when it fits the limits; else
// urlsets "NAME-1.EXT", "NAME-2.EXT"... and a sitemap index named `fileName` that lists them at
// `folderUrl` (the address the files will be published under, ending in "/").
std::vector<SitemapFile> buildSitemaps(const std::vector<SitemapEntry>& entries,
                                       const std::string& fileName, const std::string& folderUrl,
                                       const SitemapLimits& limits = {});

// Writes the files into `folder`; stops at the first that cannot be written.
base::Error writeSitemapFiles(const std::vector<SitemapFile>& files, const std::string& folder);

// `text` with &, <, >, " and ' as XML entities.
std::string xmlEscaped(std::string_view text);

// An HTTP date (Last-Modified) as a W3C date-time in UTC; empty when it is no date.
std::string w3cDateTime(std::string_view httpDate);

}  // namespace farrow::crawl
