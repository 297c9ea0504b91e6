#include "crawl/site_crawl.h"

#include <libxml/parser.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_set>

#include "base/text.h"
#include "crawl/page_links.h"
#include "crawl/request_pacer.h"
#include "crawl/robots_rules.h"
#include "crawl/uri_reference.h"

namespace farrow::crawl {

namespace {

using Clock = std::chrono::steady_clock;

// Redirects followed from one address before the chain counts as too long.
constexpr int kMaxRedirects = 10;

bool isHtml(const std::string& contentType) {
    const std::string type = contentType.substr(0, contentType.find(';'));
    return base::contains(type, "text/html") || base::contains(type, "application/xhtml+xml");
}

// X-Robots-Tag may name a crawler before its directives ("otherbot: noindex"); only ours and
// unnamed ones count.
bool headerSaysNoindex(const platform::WebResponse& answer) {
    for (const auto& [name, value] : answer.headers) {
        if (name != "x-robots-tag") {
            continue;
        }
        std::string_view directives = value;
        const std::size_t colon = directives.find(':');
        if (colon != std::string_view::npos &&
            directives.substr(0, colon).find(',') == std::string_view::npos) {
            const std::string_view agent = base::trimmed(directives.substr(0, colon));
            const bool directive = base::equalsIgnoringCase(agent, "noindex") ||
                                   base::equalsIgnoringCase(agent, "unavailable_after");
            if (!directive) {
                if (!base::equalsIgnoringCase(agent, kRobotsToken)) {
                    continue;
                }
                directives = directives.substr(colon + 1);
            }
        }
        if (robotsDirectiveHolds(directives, "noindex")) {
            return true;
        }
    }
    return false;
}

// What a Content-Length header says; 0 when it is missing or no number.
std::size_t contentLength(const platform::WebResponse& answer) {
    const std::string value = answer.header("content-length");
    std::size_t length = 0;
    for (const char c : value) {
        if (c < '0' || c > '9' || length > SIZE_MAX / 10 - 1) {
            return 0;
        }
        length = length * 10 + static_cast<std::size_t>(c - '0');
    }
    return length;
}

struct Job {
    std::string url;
    std::size_t depth = 0;
    FoundBy foundBy = FoundBy::Link;
    // Not a page: the sitemaps of robots.txt, read once the links are followed.
    bool sitemaps = false;
};

PacingParams pacingParams(const CrawlParams& params) {
    PacingParams pacing;
    pacing.delay = params.delay.value_or(base::Millis::zero());
    pacing.backoff = params.backoff;
    pacing.backoffLimit = params.backoffLimit;
    pacing.poll = params.poll;
    pacing.cancel = params.cancel;
    return pacing;
}

class SiteCrawler {
public:
    SiteCrawler(const CrawlParams& params, const PageFetch& fetch, CrawlProgress* progress)
        : params_(params), progress_(progress), pacer_(pacingParams(params), fetch) {}

    CrawlResult run() {
        start_ = Clock::now();
        const std::optional<WebAddress> start = webAddress(params_.startUrl);
        if (!start) {
            result_.ending = CrawlEnding::StartUnreadable;
            result_.startError = "\"" + params_.startUrl + "\" is no http or https address";
            return std::move(result_);
        }
        const std::string startUrl = normalizedUrl(params_.startUrl);
        origin_ = startUrl.substr(0, startUrl.find('/', start->scheme.size() + 3));
        const std::string path = start->target.substr(0, start->target.find('?'));
        folder_ = path.substr(0, path.rfind('/') + 1);
        result_.scope = origin_ + folder_;
        readRobots();
        paceAsRobotsAsks();
        // libxml2 sets up its tables once, before the threads that parse pages start.
        xmlInitParser();

        seen_.insert(startUrl);
        queue_.push_back({startUrl, 0});
        sitemapUrls_ = robots_.sitemaps();
        inFolder_ = sitemapUrls_.empty() && params_.folderSitemap;
        if (inFolder_) {
            sitemapUrls_.push_back(result_.scope + "sitemap.xml");
        }
        sitemapsLeft_ = !sitemapUrls_.empty();
        {
            std::vector<std::jthread> workers;
            const std::size_t count =
                result_.pause ? 1 : std::clamp<std::size_t>(params_.inFlight, 1, kMostInFlight);
            for (std::size_t i = 0; i < count; ++i) {
                workers.emplace_back([this] { work(); });
            }
        }
        finish();
        return std::move(result_);
    }

private:
    Clock::time_point deadline() const { return start_ + params_.crawlDeadline; }

    bool cancelled() const { return params_.cancel != nullptr && params_.cancel->load(); }

    // The answer's `cutAtUntil` is set when the exchange ended at the crawl's time rather
    // than the page's own.
    PacedAnswer get(const std::string& url, std::size_t maxBytes,
                    std::vector<std::string> headers = {}) {
        platform::WebRequest ask;
        ask.url = url;
        ask.headers = std::move(headers);
        ask.maxBodyBytes = maxBytes;
        ask.connectTimeout = params_.connectTimeout;
        ask.stallTimeout = params_.stallTimeout;
        ask.deadline = params_.pageDeadline;
        ask.cancel = params_.cancel;
        return pacer_.fetch(ask, deadline());
    }

    // The time bound a parse ran into: the page's own or the crawl's.
    std::string boundPassed() const {
        return Clock::now() >= deadline()
                   ? "siteCrawlDeadline (" + std::to_string(params_.crawlDeadline.count()) + " ms)"
                   : "siteCrawlPageDeadline (" + std::to_string(params_.pageDeadline.count()) +
                         " ms)";
    }

    void readRobots() {
        const RobotsReading reading = readRobotsTxt(
            origin_, params_.robotsRedirects, params_.robotsMatchSteps, kRobotsToken,
            [this](const std::string& url) { return get(url, kRobotsBytes).response; });
        robots_ = reading.rules;
        if (reading.failed) {
            robotsLeftOut_ = {LeftOutReason::RobotsUnreadable, 0, reading.reason};
        } else if (reading.status != 0) {
            robotsLeftOut_ = {LeftOutReason::RobotsAnswered, reading.status, {}};
        }
    }

    // One request at a time when the user or robots.txt asks for a pause.
    void paceAsRobotsAsks() {
        result_.pause = params_.delay;
        if ((result_.crawlDelay = robots_.crawlDelay())) {
            const base::Millis asked = std::min(*result_.crawlDelay, params_.delayCap);
            if (!params_.delay || asked > *params_.delay) {
                result_.pause = asked;
                result_.pauseFromRobots = true;
            }
        }
        if (result_.pause) {
            pacer_.setDelay(*result_.pause);
        }
    }

    bool inScope(const std::string& url) const {
        if (url.rfind(origin_, 0) != 0) {
            return false;
        }
        const std::string_view rest = std::string_view(url).substr(origin_.size());
        return (rest.empty() ? std::string_view("/") : rest).rfind(folder_, 0) == 0;
    }

    std::string targetOf(const std::string& url) const {
        const std::string_view rest = std::string_view(url).substr(origin_.size());
        return rest.empty() ? "/" : std::string(rest);
    }

    void work() {
        std::unique_lock lock(mutex_);
        while (true) {
            while (true) {
                if (stop_ != CrawlEnding::Finished) {
                    break;
                }
                if (cancelled()) {
                    stop_ = CrawlEnding::Cancelled;
                } else if (Clock::now() >= deadline()) {
                    stop_ = CrawlEnding::TimeBound;
                } else if (!queue_.empty()) {
                    break;
                } else if (inFlight_ == 0) {
                    // The links are followed: the sitemaps may name pages none led to.
                    if (sitemapsLeft_ && seen_.size() < params_.maxPages) {
                        queue_.push_back({{}, 0, FoundBy::Link, true});
                    } else if (sitemapsLeft_) {
                        boundHit(CrawlEnding::PageBound);
                    }
                    sitemapsLeft_ = false;
                    break;
                } else {
                    wake_.wait_for(lock, params_.poll);
                    continue;
                }
            }
            if (stop_ != CrawlEnding::Finished || queue_.empty()) {
                wake_.notify_all();
                return;
            }
            const Job job = std::move(queue_.front());
            queue_.pop_front();
            ++inFlight_;
            lock.unlock();
            Visit visit = visitPage(job);
            lock.lock();
            --inFlight_;
            record(job, std::move(visit));
            wake_.notify_all();
        }
    }

    struct Visit {
        std::vector<CrawledPage> pages;
        std::vector<PageLink> links;
        FoundBy linksFoundBy = FoundBy::Link;
        std::vector<RobotsSitemap> sitemaps;
        std::string linkFrom;
        bool fetched = false;
        std::string failure;
        // The page was cut by the crawl's own end (its time bound, a stop): not the site's fault.
        bool cutByCrawlEnd = false;
    };

    // The pages the sitemaps list within the crawl's folder, as the links of a visit.
    Visit readSitemaps() {
        Visit visit;
        visit.linksFoundBy = FoundBy::Sitemap;
        const Clock::time_point until =
            std::min(deadline(), Clock::now() + params_.sitemapDeadline);
        const PageFetch paced = [&](const platform::WebRequest& ask) {
            return pacer_.fetch(ask, until).response;
        };
        const std::optional<WebAddress> site = webAddress(origin_);
        std::unordered_set<std::string> listed;
        for (const std::string& named : sitemapUrls_) {
            if (cancelled() || Clock::now() >= until) {
                break;
            }
            RobotsSitemap sitemap{named, 0, {}, inFolder_};
            const std::optional<std::string> url = webUrl(named);
            const std::optional<WebAddress> at = url ? webAddress(*url) : std::nullopt;
            if (!at || at->host != site->host) {
                sitemap.problems.push_back("not read: not on the site's host " + site->host);
                visit.sitemaps.push_back(std::move(sitemap));
                continue;
            }
            SitemapSourceParams read = params_.sitemaps;
            read.source = *url;
            read.fetchTimes.cancel = params_.cancel;
            SitemapPages pages = loadSitemapPages(read, paced);
            if (pages.error) {
                sitemap.problems.push_back(std::move(pages.error.reason));
            }
            for (std::string& skipped : pages.skipped) {
                sitemap.problems.push_back(std::move(skipped));
            }
            for (SitemapEntry& entry : pages.pages) {
                std::string page = normalizedUrl(entry.loc);
                if (!inScope(page)) {
                    continue;
                }
                ++sitemap.listed;
                if (listed.insert(page).second) {
                    visit.links.push_back({std::move(page), false});
                }
            }
            visit.sitemaps.push_back(std::move(sitemap));
        }
        return visit;
    }

    Visit visitPage(const Job& job) {
        if (job.sitemaps) {
            return readSitemaps();
        }
        Visit visit;
        std::string url = job.url;
        std::vector<std::string> chain;
        for (int hop = 0;; ++hop) {
            CrawledPage page;
            page.url = url;
            page.depth = job.depth;
            page.foundBy = job.foundBy;
            if (!robots_.allows(targetOf(url))) {
                page.leftOut = robotsLeftOut_;
                visit.pages.push_back(page);
                visit.failure = text(page.leftOut);
                return visit;
            }
            const Clock::time_point pageDeadline =
                std::min(Clock::now() + params_.pageDeadline, deadline());
            std::optional<PageReading> known;
            if (params_.memory.recall) {
                known = params_.memory.recall(url);
            }
            PacedAnswer paced =
                get(url, params_.maxPageBytes,
                    known ? conditionalHeaders(*known) : std::vector<std::string>{});
            platform::WebResponse& answer = paced.response;
            visit.fetched = true;
            if (answer.failed()) {
                visit.cutByCrawlEnd = paced.cutAtUntil;
                if (answer.pastDeadline && !paced.cutAtUntil) {
                    page.leftOut = {LeftOutReason::PageDeadline, 0,
                                    std::to_string(params_.pageDeadline.count())};
                } else {
                    page.leftOut = {LeftOutReason::Unreachable, 0,
                                    std::string(utf8Prefix(answer.reason, params_.textBytes))};
                }
                visit.pages.push_back(page);
                visit.failure = answer.reason;
                return visit;
            }
            page.status = answer.status;
            page.contentType = utf8Prefix(answer.header("content-type"), params_.textBytes);
            page.lastModified = utf8Prefix(answer.header("last-modified"), params_.textBytes);
            page.truncated = answer.truncated;
            page.bytes = std::max(answer.body.size(), contentLength(answer));
            if (answer.truncated) {
                page.cut = "read up to byte " + std::to_string(answer.body.size()) +
                           ": siteCrawlPageBytes (" + std::to_string(params_.maxPageBytes) +
                           " bytes)";
            }
            const std::string location = answer.header("location");
            if (answer.status >= 300 && answer.status < 400 && !location.empty()) {
                const std::string target = webUrl(url, location).value_or(location);
                chain.push_back(url);
                page.leftOut = {LeftOutReason::RedirectsTo, 0, target};
                visit.pages.push_back(page);
                if (!inScope(target)) {
                    visit.pages.back().leftOut.reason = LeftOutReason::RedirectsOutside;
                    visit.failure = text(visit.pages.back().leftOut);
                    return visit;
                }
                const bool repeats = std::find(chain.begin(), chain.end(), target) != chain.end();
                if (repeats || hop >= kMaxRedirects) {
                    visit.pages.back().leftOut.reason =
                        repeats ? LeftOutReason::RedirectLoop : LeftOutReason::LongRedirectChain;
                    visit.failure = text(visit.pages.back().leftOut);
                    return visit;
                }
                {
                    std::lock_guard lock(mutex_);
                    if (!seen_.insert(target).second) {
                        // Listed, or to be, where it was found first.
                        return visit;
                    }
                }
                url = target;
                continue;
            }
            if (paced.refused()) {
                page.leftOut = {LeftOutReason::Refused, answer.status,
                                std::to_string(paced.requests) + " requests over " +
                                    std::to_string(paced.paused.count()) + " ms"};
                visit.pages.push_back(page);
                visit.failure = text(page.leftOut);
                return visit;
            }
            if (answer.status == 304 && known) {
                // Unchanged since the last crawl: what it read then stands.
                takeValidators(answer, params_.textBytes, *known);
                page.contentType = known->contentType;
                page.title = known->title;
                page.lastModified = known->lastModified;
                judge(std::move(*known), true, page, visit);
                return visit;
            }
            if (answer.status != 200) {
                page.leftOut = {LeftOutReason::Answered, answer.status, {}};
                visit.pages.push_back(page);
                visit.failure = text(page.leftOut);
                return visit;
            }
            PageReading reading;
            reading.url = url;
            reading.fingerprint = pageFingerprint(answer.body);
            reading.contentType = page.contentType;
            takeValidators(answer, params_.textBytes, reading);
            bool whole = true;
            if (isHtml(page.contentType)) {
                PageReadLimits limits;
                limits.tags = params_.tagBounds;
                limits.textBytes = params_.textBytes;
                limits.stop = [&] { return cancelled() || Clock::now() >= pageDeadline; };
                PageLinks links = extractPageLinks(answer.body, url, limits, page.contentType);
                answer.body.clear();
                page.title = links.title;
                reading.title = std::move(links.title);
                whole = !links.stopped;
                page.description = std::move(links.description);
                if (params_.keepLinks) {
                    for (const PageLink& link : links.links) {
                        page.links.push_back(normalizedUrl(link.url));
                    }
                    for (const std::string& resource : links.resources) {
                        page.resources.push_back(normalizedUrl(resource));
                    }
                }
                if (links.tagCut != StartTagCut::None) {
                    page.truncated = true;
                    page.cut = "read up to byte " + std::to_string(links.readBytes) + ": " +
                               text(links.tagCut, params_.tagBounds);
                } else if (links.stopped) {
                    page.truncated = true;
                    page.cut = "read up to byte " + std::to_string(links.readBytes) + ": " +
                               (cancelled() ? std::string("stopped") : boundPassed());
                }
                // Engines ignore a canonical they cannot fetch (file:///..., mailto:, no host):
                // the page is then its own canonical.
                const std::string canonical =
                    webAddress(links.canonical) ? normalizedUrl(links.canonical) : "";
                reading.noindex = links.noindex || headerSaysNoindex(answer);
                page.canonical = canonical.empty() ? links.canonical : canonical;
                if (canonical != url) {
                    reading.canonical = canonical;
                }
                if (!links.nofollow) {
                    for (PageLink& link : links.links) {
                        if (!link.nofollow) {
                            reading.links.push_back(std::move(link.url));
                        }
                    }
                }
                visit.linkFrom = url;
            }
            judge(std::move(reading), whole, page, visit);
            return visit;
        }
    }

    // The page's verdict on itself and its links, as read now or by the last crawl; a reading
    // cut short by a stop or a deadline is not remembered.
    void judge(PageReading reading, bool remember, CrawledPage& page, Visit& visit) {
        page.fingerprint = reading.fingerprint;
        if (reading.noindex) {
            page.leftOut = {LeftOutReason::Noindex, 0, {}};
        } else if (!reading.canonical.empty()) {
            page.leftOut = {LeftOutReason::Canonical, 0, reading.canonical};
        }
        if (!reading.canonical.empty()) {
            visit.links.push_back({reading.canonical, false});
        }
        for (const std::string& link : reading.links) {
            visit.links.push_back({link, false});
        }
        if (remember && params_.memory.remember) {
            params_.memory.remember(reading, page.status == 304);
        }
        visit.pages.push_back(std::move(page));
    }

    // With the lock held.
    void record(const Job& job, Visit visit) {
        if (visit.fetched) {
            ++result_.fetched;
        }
        if (!visit.failure.empty() &&
            (visit.cutByCrawlEnd || cancelled() || Clock::now() >= deadline())) {
            // Cut off by the crawl's own end, not the site's fault: not listed.
            return;
        }
        if (job.depth == 0 && !visit.failure.empty()) {
            startError_ = visit.failure;
        }
        for (RobotsSitemap& sitemap : visit.sitemaps) {
            result_.sitemaps.push_back(std::move(sitemap));
        }
        for (CrawledPage& page : visit.pages) {
            if (progress_ != nullptr) {
                progress_->pageDone(page, result_.fetched, queue_.size());
            }
            result_.pages.push_back(std::move(page));
        }
        const bool listing = visit.linksFoundBy == FoundBy::Sitemap;
        for (const PageLink& link : visit.links) {
            const std::string url = normalizedUrl(link.url);
            if (!inScope(url)) {
                continue;
            }
            if (seen_.count(url) != 0) {
                if (listing) {
                    result_.listed.push_back(url);
                }
                continue;
            }
            if (job.depth + 1 > params_.maxDepth) {
                boundHit(CrawlEnding::DepthBound);
                continue;
            }
            if (seen_.size() >= params_.maxPages) {
                boundHit(CrawlEnding::PageBound);
                continue;
            }
            seen_.insert(url);
            if (listing) {
                result_.listed.push_back(url);
            }
            queue_.push_back({url, job.depth + 1, visit.linksFoundBy});
        }
    }

    void boundHit(CrawlEnding bound) {
        // The page bound says more than the depth bound when both were met.
        if (bound_ == CrawlEnding::Finished || bound == CrawlEnding::PageBound) {
            bound_ = bound;
        }
    }

    void finish() {
        if (!startError_.empty()) {
            result_.ending = CrawlEnding::StartUnreadable;
            result_.startError = startError_;
        } else if (stop_ != CrawlEnding::Finished) {
            result_.ending = stop_;
        } else {
            result_.ending = bound_;
        }
        std::sort(result_.pages.begin(), result_.pages.end(),
                  [](const CrawledPage& a, const CrawledPage& b) {
                      return a.depth != b.depth ? a.depth < b.depth : a.url < b.url;
                  });
        std::sort(result_.listed.begin(), result_.listed.end());
    }

    const CrawlParams& params_;
    CrawlProgress* progress_;
    RequestPacer pacer_;
    Clock::time_point start_;
    std::string origin_;
    std::string folder_;
    RobotsRules robots_;
    // The sitemaps read once the links are followed: robots.txt's, else the folder's.
    std::vector<std::string> sitemapUrls_;
    bool inFolder_ = false;
    // Why a page robots.txt keeps the crawl from is left out.
    LeftOut robotsLeftOut_{LeftOutReason::DisallowedByRobots, 0, {}};

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    std::unordered_set<std::string> seen_;
    std::size_t inFlight_ = 0;
    CrawlEnding stop_ = CrawlEnding::Finished;
    CrawlEnding bound_ = CrawlEnding::Finished;
    bool sitemapsLeft_ = false;
    std::string startError_;
    CrawlResult result_;
};

}  // namespace

CrawlParams crawlParams(const std::string& startUrl, const base::Timing& timing) {
    CrawlParams params;
    params.startUrl = startUrl;
    params.maxPages = timing.siteCrawlMaxPages;
    params.maxDepth = timing.siteCrawlMaxDepth;
    params.maxPageBytes = timing.siteCrawlPageBytes;
    params.inFlight = std::min(timing.siteCrawlInFlight, kMostInFlight);
    params.connectTimeout = timing.siteCrawlConnectTimeout;
    params.stallTimeout = timing.siteCrawlStallTimeout;
    params.pageDeadline = timing.siteCrawlPageDeadline;
    params.crawlDeadline = timing.siteCrawlDeadline;
    params.poll = timing.crawlPoll;
    params.robotsRedirects = timing.robotsRedirectLimit;
    params.tagBounds = {timing.siteCrawlTagBytes, timing.siteCrawlTagAttributes};
    params.textBytes = timing.siteCrawlTitleBytes;
    params.robotsMatchSteps = timing.robotsMatchSteps;
    params.sitemaps = sitemapSourceParams({}, timing);
    params.sitemapDeadline = timing.sitemapDeadline;
    params.delayCap = timing.siteCrawlDelayCap;
    params.backoff = timing.siteCrawlBackoff;
    params.backoffLimit = timing.siteCrawlBackoffLimit;
    return params;
}

std::vector<SitemapEntry> sitemapEntries(const CrawlResult& result) {
    std::vector<SitemapEntry> entries;
    for (const CrawledPage& page : result.pages) {
        if (!page.leftOut) {
            entries.push_back({page.url, w3cDateTime(page.lastModified)});
        }
    }
    return entries;
}

std::string text(const LeftOut& leftOut) {
    switch (leftOut.reason) {
        case LeftOutReason::None:
            return {};
        case LeftOutReason::Answered:
            return "answered " + std::to_string(leftOut.status);
        case LeftOutReason::Refused:
            return "refused: answered " + std::to_string(leftOut.status) +
                   (leftOut.detail.empty() ? "" : " to " + leftOut.detail);
        case LeftOutReason::Canonical:
            return "canonical is " + leftOut.detail;
        case LeftOutReason::DisallowedByRobots:
            return "disallowed by robots.txt";
        case LeftOutReason::Noindex:
            return "noindex";
        case LeftOutReason::RedirectLoop:
            return "redirect loop at " + leftOut.detail;
        case LeftOutReason::LongRedirectChain:
            return "redirect chain longer than " + std::to_string(kMaxRedirects) + " hops at " +
                   leftOut.detail;
        case LeftOutReason::PageDeadline:
            return "not read within siteCrawlPageDeadline (" + leftOut.detail + " ms)";
        case LeftOutReason::RedirectsOutside:
            return "redirects outside the site to " + leftOut.detail;
        case LeftOutReason::RedirectsTo:
            return "redirects to " + leftOut.detail;
        case LeftOutReason::RobotsAnswered:
            return "robots.txt answered " + std::to_string(leftOut.status);
        case LeftOutReason::RobotsUnreadable:
            return "robots.txt could not be read: " + leftOut.detail;
        case LeftOutReason::Unreachable:
            return "unreachable: " + leftOut.detail;
    }
    return {};
}

std::string groupText(const LeftOut& leftOut) {
    switch (leftOut.reason) {
        case LeftOutReason::Refused:
            return "refused: answered " + std::to_string(leftOut.status);
        case LeftOutReason::Canonical:
            return "canonical is";
        case LeftOutReason::RedirectLoop:
            return "redirect loop at";
        case LeftOutReason::LongRedirectChain:
            return "redirect chain longer than " + std::to_string(kMaxRedirects) + " hops at";
        case LeftOutReason::RedirectsOutside:
            return "redirects outside the site to";
        case LeftOutReason::RedirectsTo:
            return "redirects to";
        default:
            return text(leftOut);
    }
}

const char* token(LeftOutReason reason) {
    switch (reason) {
        case LeftOutReason::None:
            return "none";
        case LeftOutReason::Answered:
            return "answered";
        case LeftOutReason::Refused:
            return "refused";
        case LeftOutReason::Canonical:
            return "canonical";
        case LeftOutReason::DisallowedByRobots:
            return "robots-disallowed";
        case LeftOutReason::Noindex:
            return "noindex";
        case LeftOutReason::RedirectLoop:
            return "redirect-loop";
        case LeftOutReason::LongRedirectChain:
            return "redirect-chain";
        case LeftOutReason::PageDeadline:
            return "page-deadline";
        case LeftOutReason::RedirectsOutside:
            return "redirects-outside";
        case LeftOutReason::RedirectsTo:
            return "redirects";
        case LeftOutReason::RobotsAnswered:
            return "robots-answered";
        case LeftOutReason::RobotsUnreadable:
            return "robots-unreadable";
        case LeftOutReason::Unreachable:
            return "unreachable";
    }
    return "none";
}

const char* token(FoundBy foundBy) {
    return foundBy == FoundBy::Sitemap ? "sitemap" : "link";
}

const char* token(CrawlEnding ending) {
    switch (ending) {
        case CrawlEnding::Finished:
            return "finished";
        case CrawlEnding::PageBound:
            return "page-bound";
        case CrawlEnding::DepthBound:
            return "depth-bound";
        case CrawlEnding::TimeBound:
            return "time-bound";
        case CrawlEnding::Cancelled:
            return "cancelled";
        case CrawlEnding::StartUnreadable:
            return "start-unreadable";
    }
    return "finished";
}

std::string endingText(const CrawlResult& result, const CrawlParams& params) {
    switch (result.ending) {
        case CrawlEnding::Finished: {
            const std::size_t cut = static_cast<std::size_t>(
                std::count_if(result.pages.begin(), result.pages.end(), [](const CrawledPage& p) {
                    return p.truncated || p.leftOut.reason == LeftOutReason::PageDeadline;
                }));
            if (cut == 0) {
                return "ended by itself: every page within the site's folder was read";
            }
            return "ended by itself: every page within the site's folder was met, " +
                   std::to_string(cut) + " of them cut short at a bound of the crawl's";
        }
        case CrawlEnding::PageBound:
            return "stopped at the page bound (" + std::to_string(params.maxPages) + " pages)";
        case CrawlEnding::DepthBound:
            return "stopped at the depth bound (" + std::to_string(params.maxDepth) + " links)";
        case CrawlEnding::TimeBound:
            return "stopped at the time bound (" +
                   std::to_string(params.crawlDeadline.count() / 1000) + " s)";
        case CrawlEnding::Cancelled:
            return "cancelled: what was found so far is kept";
        case CrawlEnding::StartUnreadable:
            return "the start page could not be read: " + result.startError;
    }
    return {};
}

std::string pacingText(const CrawlResult& result) {
    if (!result.pause) {
        return {};
    }
    const std::string text =
        "one request at a time, " + std::to_string(result.pause->count()) + " ms apart";
    if (!result.pauseFromRobots) {
        return text + ", as asked";
    }
    if (*result.crawlDelay > *result.pause) {
        return text + ": robots.txt's Crawl-delay of " +
               std::to_string(result.crawlDelay->count()) + " ms, held to siteCrawlDelayCap";
    }
    return text + ", as robots.txt's Crawl-delay asks";
}

CrawlResult crawlSite(const CrawlParams& params, const PageFetch& fetch, CrawlProgress* progress) {
    return SiteCrawler(params, fetch, progress).run();
}

}  // namespace farrow::crawl
