#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/timing.h"
#include "crawl/page_fetch.h"
#include "crawl/page_memory.h"
#include "crawl/sitemap_reader.h"
#include "crawl/sitemap_writer.h"
#include "crawl/start_tag_scan.h"

namespace farrow::crawl {

// The product token robots.txt groups are matched against.
inline constexpr const char* kRobotsToken = "Farrowlane";

struct CrawlParams {
    std::string startUrl;
    // Pages read, link depth (the start page is 0), bytes kept of a page, pages read at once,
    // and every wait: `crawlParams` takes them from the timing record, and a caller may
    // override them.
    std::size_t maxPages = 0;
    std::size_t maxDepth = 0;
    std::size_t maxPageBytes = 0;
    std::size_t inFlight = 0;
    base::Millis connectTimeout{};
    base::Millis stallTimeout{};
    base::Millis pageDeadline{};
    base::Millis crawlDeadline{};
    // How often idle threads look at `cancel` while others read pages.
    base::Millis poll{};
    // Redirects of robots.txt followed, and the steps one of its patterns may take to match.
    std::size_t robotsRedirects = 0;
    std::size_t robotsMatchSteps = SIZE_MAX;
    // A page is read up to its first start tag past these bounds; its title and every other
    // text kept of it up to `textBytes`.
    StartTagBounds tagBounds;
    std::size_t textBytes = 0;
    // The sitemaps robots.txt names on the site's host are read with these bounds (the source
    // is set for each), all within `sitemapDeadline`.
    SitemapSourceParams sitemaps;
    base::Millis sitemapDeadline{};
    // When robots.txt names no sitemap, `sitemap.xml` of the start page's folder is read in
    // their stead.
    bool folderSitemap = false;
    // When set, one request at a time with this pause after each answer. robots.txt's
    // Crawl-delay asks for the same, held to `delayCap`; the longer pause of the two is kept.
    std::optional<base::Millis> delay;
    base::Millis delayCap{};
    // After a 429 or 503, the first pause (without Retry-After; doubled each time) and the
    // pauses one page may take in all.
    base::Millis backoff{};
    base::Millis backoffLimit{};
    // Each page keeps the links it gave (CrawledPage::links), for a caller that joins them.
    bool keepLinks = false;
    // Set by the caller (Ctrl-C, a Cancel button) to end the crawl with what it found.
    const std::atomic<bool>* cancel = nullptr;
    // What the last crawl read, asked again conditionally; what this one reads, remembered.
    PageMemory memory;
};

// Pages read at once, at most: each is a thread of its own.
inline constexpr std::size_t kMostInFlight = 64;

// The crawl's bounds and waits as the timing record sets them; pages read at once are held to
// kMostInFlight.
CrawlParams crawlParams(const std::string& startUrl, const base::Timing& timing);

// Why a page the crawl met is not in the sitemap.
enum class LeftOutReason {
    // In the sitemap.
    None,
    // Answered a status other than 200 or a redirect.
    Answered,
    // Still answered 429 or 503 when the pauses after such answers reached their limit.
    Refused,
    // Names another http(s) address as its canonical one.
    Canonical,
    DisallowedByRobots,
    Noindex,
    // A redirect back to an address of its own chain.
    RedirectLoop,
    // A chain of redirects longer than the crawl follows, none of its addresses repeated.
    LongRedirectChain,
    // Not read whole within siteCrawlPageDeadline, whose figure `detail` holds (in ms).
    PageDeadline,
    RedirectsOutside,
    RedirectsTo,
    // robots.txt answered 5xx, or could not be read: every page counts as disallowed.
    RobotsAnswered,
    RobotsUnreadable,
    Unreachable,
};

struct LeftOut {
    LeftOutReason reason = LeftOutReason::None;
    // The status of Answered, Refused and RobotsAnswered.
    long status = 0;
    // The address of Canonical and the redirects; the failure of Unreachable and
    // RobotsUnreadable; the requests and pauses of Refused ("4 requests over 75000 ms").
    std::string detail;

    explicit operator bool() const { return reason != LeftOutReason::None; }
    bool operator==(const LeftOut&) const = default;
};

// "answered 404", "canonical is http://...", "unreachable: <why>"...
std::string text(const LeftOut& leftOut);
// The words of `text` without an address: the same for every page left out alike
// ("redirects to", "answered 404").
std::string groupText(const LeftOut& leftOut);
// "answered", "canonical", "noindex"...
const char* token(LeftOutReason reason);

// How the crawl came to an address: a link (the start page too), or a sitemap it read.
enum class FoundBy { Link, Sitemap };

// "link", "sitemap".
const char* token(FoundBy foundBy);

// One address the crawl met.
struct CrawledPage {
    // Where the page was found at; for a page reached through redirects, where they ended.
    std::string url;
    std::size_t depth = 0;
    long status = 0;
    std::string contentType;
    std::string title;
    // The Last-Modified header as sent.
    std::string lastModified;
    // Why the page is not in the sitemap; empty when it is.
    LeftOut leftOut;
    // Only the first bytes of the page were read; `cut` says which of the crawl's own bounds
    // ended the reading (the page's bytes, a start tag past its bounds, the page's deadline).
    bool truncated = false;
    std::string cut{};
    // pageFingerprint() of a page that answered 200, or the recorded one of a page that
    // answered 304 (`status`) to a conditional request.
    std::string fingerprint{};
    FoundBy foundBy = FoundBy::Link;
    // <meta name="description">, kept to the title's bound.
    std::string description{};
    // The canonical address the page names, resolved; as written when it is no http(s) URL.
    std::string canonical{};
    // Bytes of the page: its Content-Length when it says more than was read.
    std::size_t bytes = 0;
    // With CrawlParams::keepLinks: every a and area link of the page, normalized, in document
    // order, nofollow ones too.
    std::vector<std::string> links{};
    // With CrawlParams::keepLinks: what the page loads (PageLinks::resources), normalized.
    std::vector<std::string> resources{};
};

enum class CrawlEnding {
    // Every page within the bounds was read.
    Finished,
    // Pages were left unread at a bound: the number of pages, the depth, or the time.
    PageBound,
    DepthBound,
    TimeBound,
    Cancelled,
    // The start page could not be read; `startError` says why.
    StartUnreadable,
};

// "finished", "page-bound", "start-unreadable"...
const char* token(CrawlEnding ending);

// A sitemap robots.txt names, as the crawl read it.
struct RobotsSitemap {
    // As robots.txt names it.
    std::string url;
    // The pages it lists within the crawl's folder.
    std::size_t listed = 0;
    // Why it, or parts of an index, could not be read; a sitemap off the site's host is not.
    std::vector<std::string> problems;
    // Named by no robots.txt: the folder's sitemap.xml, read with CrawlParams::folderSitemap.
    bool inFolder = false;
};

struct CrawlResult {
    CrawlEnding ending = CrawlEnding::Finished;
    std::string startError;
    // Every address met, by depth and then address.
    std::vector<CrawledPage> pages;
    // Pages fetched (redirect hops and robots.txt not counted).
    std::size_t fetched = 0;
    // The folder the crawl kept to ("http://host:port/dir/").
    std::string scope;
    // The sitemaps robots.txt names (or the folder's), once the links of the site were followed.
    std::vector<RobotsSitemap> sitemaps;
    // The addresses within the crawl's folder that the sitemaps list and the crawl met or was to
    // read, whichever way it came to them: no more than its page bound. Each once, sorted.
    std::vector<std::string> listed;
    // robots.txt's Crawl-delay, as it asks; the pause kept between requests, when they went one
    // at a time; and whether that pause is the Crawl-delay's rather than the caller's.
    std::optional<base::Millis> crawlDelay;
    std::optional<base::Millis> pause;
    bool pauseFromRobots = false;
};

// The sitemap's entries: the pages not left out, in the crawl's order, with lastmod from
// Last-Modified.
std::vector<SitemapEntry> sitemapEntries(const CrawlResult& result);

// "ended by itself", "stopped at the page bound (N pages)"...
std::string endingText(const CrawlResult& result, const CrawlParams& params);

// How requests were spaced ("one request at a time, 2000 ms apart, as robots.txt's Crawl-delay
// asks"); empty when they were not.
std::string pacingText(const CrawlResult& result);

// Told of each page as it is done; calls come one at a time, from the crawl's threads.
class CrawlProgress {
public:
    virtual ~CrawlProgress() = default;
    virtual void pageDone(const CrawledPage& page, std::size_t fetched, std::size_t waiting) = 0;
};

// Reads the site from `params.startUrl` the way a search engine's crawler does: its robots.txt
// first, then every link within the start page's host, port and folder, `params.inFlight`
// pages at a time on threads of its own, which have all ended when it returns; then the pages
// the sitemaps of its robots.txt (or the folder's, with `params.folderSitemap`) list in that
// folder that no link led to, and their links. With a delay, from `params` or robots.txt's
// Crawl-delay, one request at a time.
CrawlResult crawlSite(const CrawlParams& params, const PageFetch& fetch,
                      CrawlProgress* progress = nullptr);

}  // namespace farrow::crawl
