#pragma once

#include <atomic>
#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/timing.h"
#include "crawl/site_crawl.h"
#include "crawl/sitemap_reader.h"

namespace farrow::indexnow {

// Where a URL to announce came from.
enum class UrlOrigin { Profile, DeepChecklist, List, Sitemap, Crawl };

struct CandidateUrl {
    std::string url;
    UrlOrigin origin = UrlOrigin::List;
    // When the page last changed, as its sitemap or its server says; with a ledger, a page
    // accepted since is "unchanged" and not sent again.
    std::optional<base::TimePoint> lastModified{};
};

// A URL, or a line standing in for one, that is not announced, and why ("not-a-url",
// "other-host", "outside-key-location", "duplicate", "sent-recently", "unchanged"; a crawled
// page that is kept out of the sitemap, the crawl's reason).
struct LeftOutUrl {
    std::string url;
    std::string reason;
};

struct UrlSourceResult {
    std::vector<CandidateUrl> urls;
    // Lines that hold no URL.
    std::vector<LeftOutUrl> leftOut;
    // Why the source could not be read; the URLs read before are kept.
    std::string error;
    // What the user should hear of a source that was read: sitemaps of an index that were
    // skipped, how a crawl ended.
    std::vector<std::string> notes;
};

// A URL longer than this is no page address (and engines refuse it).
inline constexpr std::size_t kMaxUrlLength = 2048;
// A list longer than this is refused rather than read into memory.
inline constexpr std::size_t kMaxListUrls = 1'000'000;

// One URL per line; blank lines and lines starting with "#" are skipped; a line that is no
// absolute http(s) URL is left out as "not-a-url", cut to a readable length.
UrlSourceResult readUrlList(std::istream& in);

// The pages of the deep checklist of the site at `url`, crawled as the deep submission does;
// `cancel`, when set, ends the crawl with the pages found so far.
UrlSourceResult deepChecklistUrls(const std::string& url, const std::string& title,
                                  const base::Timing& timing,
                                  const std::atomic<bool>* cancel = nullptr);

// The pages a sitemap or sitemap index lists, with their lastmod when it is a W3C date-time.
UrlSourceResult sitemapUrls(const crawl::SitemapSourceParams& params,
                            const crawl::PageFetch& fetch);

// The pages a crawl put in the sitemap, with their Last-Modified; those it left out, with why.
// `params` are the crawl's, for how it ended.
UrlSourceResult crawledUrls(const crawl::CrawlResult& crawled, const crawl::CrawlParams& params);

}  // namespace farrow::indexnow
