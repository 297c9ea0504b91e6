#pragma once

#include <atomic>
#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/error.h"
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
    // A crawled page's fingerprint; with a ledger, a page accepted with the same one is
    // "unchanged" and not sent again, whatever its dates.
    std::string fingerprint{};
};

// Why a URL, or a line standing in for one, is not announced.
enum class LeftOutReason {
    NotAUrl,
    Duplicate,
    OtherHost,
    OutsideKeyLocation,
    // Accepted within the resend wait.
    SentRecently,
    // Not changed since it was last accepted: its fingerprint is the one it was accepted with,
    // or its date is no later.
    Unchanged,
    // A crawled page the crawl kept out of its sitemap; the crawl's words say why.
    KeptOutByCrawl,
};

struct LeftOutUrl {
    std::string url;
    LeftOutReason reason = LeftOutReason::NotAUrl;
    // The crawl's reason ("noindex", "answered 404"...) for KeptOutByCrawl.
    std::string crawlReason{};
};

// The reason as people read it, and as the report names it.
std::string text(const LeftOutUrl& url);
std::string token(const LeftOutUrl& url);

// What the user should hear of a source that was read.
struct SourceNote {
    enum class Kind {
        // A sitemap of an index could not be read; `detail` names it and why.
        SitemapSkipped,
        // A sitemap's address redirected; `detail` names it and where it was read.
        SitemapRedirected,
        // A bound of the sitemap's read was met; `detail` says what it left out.
        SitemapCut,
        // How the crawl ended; `detail` is the crawl's own words.
        CrawlEnded,
    };
    Kind kind = Kind::SitemapSkipped;
    std::string detail;
};

std::string text(const SourceNote& note);

struct UrlSourceResult {
    std::vector<CandidateUrl> urls;
    // Lines that hold no URL.
    std::vector<LeftOutUrl> leftOut;
    // Why the source could not be read; the URLs read before are kept.
    base::Error error;
    std::vector<SourceNote> notes;
    // What a bound of a sitemap's read left out.
    crawl::SitemapCut sitemapCut;
};

// A URL longer than this is no page address (and engines refuse it).
inline constexpr std::size_t kMaxUrlLength = 2048;
// A list longer than this is refused rather than read into memory.
inline constexpr std::size_t kMaxListUrls = 1'000'000;

// One URL per line; blank lines and lines starting with "#" are skipped; a line that is no
// absolute http(s) URL is left out as "not-a-url", cut to a readable length.
UrlSourceResult readUrlList(std::istream& in);

// The pages of the deep checklist of the site at `url`, crawled as the deep submission does;
// `cancel`, when set, ends the crawl with the pages found so far; `caFile`, when given, is
// trusted beside the system's certificates.
UrlSourceResult deepChecklistUrls(const std::string& url, const std::string& title,
                                  const base::Timing& timing,
                                  const std::atomic<bool>* cancel = nullptr,
                                  const std::string& caFile = {});

// The pages a sitemap or sitemap index lists, with their lastmod when it is a W3C date-time.
// A bound of the whole read that is met keeps what was taken by then and is said in one note.
UrlSourceResult sitemapUrls(const crawl::SitemapSourceParams& params,
                            const crawl::PageFetch& fetch);

// The pages a crawl put in the sitemap, with their Last-Modified; those it left out, with why.
// `params` are the crawl's, for how it ended.
UrlSourceResult crawledUrls(const crawl::CrawlResult& crawled, const crawl::CrawlParams& params);

}  // namespace farrow::indexnow
