#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/timing.h"
#include "crawl/page_fetch.h"
#include "crawl/sitemap_writer.h"
#include "crawl/start_tag_scan.h"

namespace farrow::crawl {

struct SitemapContent {
    enum class Kind { UrlSet, Index };
    Kind kind = Kind::UrlSet;
    // The <url> (or, in an index, <sitemap>) entries: loc and lastmod as written.
    std::vector<SitemapEntry> entries;
    // Why the bytes are no sitemap; none when they are one.
    base::Error error;
};

// Reads a urlset or a sitemap index, gzip-packed or not, that may grow to `maxBytes` unpacked;
// anything longer, no well-formed sitemap, a DOCTYPE that declares anything (entities above all)
// and a start tag past `tags` are errors. An external DTD a DOCTYPE names is neither fetched nor
// applied.
SitemapContent parseSitemap(std::string_view bytes, std::size_t maxBytes,
                            const StartTagBounds& tags = {});

// `bytes` unpacked into `out` when they begin as gzip does, else as they are; an error when they
// are broken or unpack to more than `maxBytes`.
base::Error gunzipBounded(std::string_view bytes, std::size_t maxBytes, std::string& out);

// Whether a sitemap source is a web address ("http:" or "https:", in any case) rather than a
// file's path.
bool isWebSitemapSource(std::string_view source);

// An index names at most this many sitemaps, as the protocol allows.
inline constexpr std::size_t kMaxIndexSitemaps = 50000;

// Every bound of the read comes from the timing record: make the record with
// `sitemapSourceParams`.
struct SitemapSourceParams {
    // A URL (http, https) or the path of a file the user named.
    std::string source;
    // Each sitemap file is read up to this many bytes (packed and unpacked).
    std::size_t maxBytes{};
    // URLs taken in all, of a sitemap or of every sitemap of an index.
    std::size_t maxUrls{};
    // Redirects of one sitemap's address followed, each to http or https on the same host.
    std::size_t maxRedirects{};
    // The whole read, an index and its sitemaps, ends this long after it began.
    base::Millis deadline{};
    // A sitemap with a start tag past these is refused.
    StartTagBounds tags;
    // The waits and the cancel flag of each read; its address and size are the reader's.
    platform::WebRequest fetchTimes;
};

// A bound of the whole read that was met before the sitemap's end.
enum class SitemapBound { None, Urls, Time };

struct SitemapCut {
    SitemapBound bound = SitemapBound::None;
    // The bound's value: URLs or milliseconds.
    std::size_t limit = 0;
    // URLs seen once the bound was met and not taken (each once), and the sitemaps of the
    // index not read because of it.
    std::size_t urlsNotTaken = 0;
    std::vector<std::string> partsNotRead;
    explicit operator bool() const { return bound != SitemapBound::None; }
};

// The bound's name as FARROWLANE_TIMING sets it ("sitemapMaxUrls", "sitemapDeadline").
std::string token(SitemapBound bound);
// "the sitemap bound sitemapMaxUrls (1000000 URLs) was met: 20 URLs seen and not taken,
// 2 sitemaps not read: URL, URL"; at most `named` sitemaps are named, the rest counted.
std::string text(const SitemapCut& cut, std::size_t named = 10);

struct SitemapPages {
    std::vector<SitemapEntry> pages;
    // The first failure (the source unreadable, or no sitemap), none when the source was read.
    base::Error error;
    // Sitemaps of an index that could not be read, each with why.
    std::vector<std::string> skipped;
    // Sitemaps read where their address redirected: "http://h/sitemap.xml was read at
    // https://h/sitemap_index.xml".
    std::vector<std::string> redirected;
    // What a bound of the whole read left out.
    SitemapCut cut;
};

// Reading `source` with the bounds and waits the timing record sets for sitemaps.
SitemapSourceParams sitemapSourceParams(const std::string& source, const base::Timing& timing);

// The pages a sitemap (or a sitemap index, one level down) lists, each once, in order. A
// sitemap from the web names its parts only by http or https URLs, resolved against its own;
// an index in a file may also name files in its folder.
SitemapPages loadSitemapPages(const SitemapSourceParams& params, const PageFetch& fetch);

// A W3C date-time as sitemaps write lastmod ("2026-12-09", "2026-12-09T07:30+01:00",
// "2026-12-09T07:30:00.5Z"...); nullopt when the text is none. A date alone is its midnight UTC.
std::optional<std::chrono::system_clock::time_point> w3cTimePoint(std::string_view text);

}  // namespace farrow::crawl
