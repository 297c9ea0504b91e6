#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"

namespace farrow::crawl {

struct CrawlResult;

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

// Writes the files into `folder`, each whole or not at all; stops at the first that cannot be
// written.
base::Error writeSitemapFiles(const std::vector<SitemapFile>& files, const std::string& folder);

// Why an output cannot be written at `path` (its folder missing or not writable, a folder of
// its name), checked before the work that makes it; none when it can.
base::Error checkOutputPlace(const std::string& path);

// A crawl's sitemap as written to the disk.
struct WrittenSitemap {
    // The files written, the index last; each is the sitemap's folder joined with its name.
    std::vector<std::string> files;
    // The pages it lists.
    std::size_t pages = 0;
    // The line robots.txt needs to name the sitemap: "Sitemap: URL".
    std::string robotsLine;
    base::Error error;
};

// Writes the sitemap of the pages `crawled` kept to `path`: one file when it fits the limits,
// else parts beside it under an index at `path`. A crawl that kept no page writes nothing.
WrittenSitemap writeCrawlSitemap(const CrawlResult& crawled, const std::string& path,
                                 const SitemapLimits& limits = {});

// `text` with &, <, >, " and ' as XML entities.
std::string xmlEscaped(std::string_view text);

// An HTTP date (Last-Modified) as a W3C date-time in UTC; empty when it is no date.
std::string w3cDateTime(std::string_view httpDate);

}  // namespace farrow::crawl
