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
#include "crawl/robots_rules.h"
#include "crawl/uri_reference.h"

namespace farrow::crawl {

namespace {

using Clock = std::chrono::steady_clock;

// Redirects followed from one address before the chain counts as too long.
constexpr int kMaxRedirects = 10;
// RFC 9309 asks crawlers to read at least 500 KiB of a robots.txt.
constexpr std::size_t kRobotsBytes = 512u * 1024;

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
};

class SiteCrawler {
public:
    SiteCrawler(const CrawlParams& params, const PageFetch& fetch, CrawlProgress* progress)
        : params_(params), fetch_(fetch), progress_(progress) {}

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
        // libxml2 sets up its tables once, before the threads that parse pages start.
        xmlInitParser();

        seen_.insert(startUrl);
        queue_.push_back({startUrl, 0});
        {
            std::vector<std::jthread> workers;
            const std::size_t count = std::clamp<std::size_t>(params_.inFlight, 1, kMostInFlight);
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

    // `crawlBound` is set when the exchange's deadline is what is left of the crawl's time
    // rather than the page's own.
    platform::WebResponse get(const std::string& url, std::size_t maxBytes,
                              bool* crawlBound = nullptr) const {
        platform::WebRequest ask;
        ask.url = url;
        ask.maxBodyBytes = maxBytes;
        ask.connectTimeout = params_.connectTimeout;
        ask.stallTimeout = params_.stallTimeout;
        const auto left = std::chrono::duration_cast<base::Millis>(deadline() - Clock::now());
        ask.deadline = std::max(base::Millis(1), std::min(params_.pageDeadline, left));
        if (crawlBound != nullptr) {
            *crawlBound = left < params_.pageDeadline;
        }
        ask.cancel = params_.cancel;
        return fetch_(ask);
    }

    // The time bound a parse ran into: the page's own or the crawl's.
    std::string boundPassed() const {
        return Clock::now() >= deadline()
                   ? "siteCrawlDeadline (" + std::to_string(params_.crawlDeadline.count()) + " ms)"
                   : "siteCrawlPageDeadline (" + std::to_string(params_.pageDeadline.count()) +
                         " ms)";
    }

    void readRobots() {
        std::string url = origin_ + "/robots.txt";
        for (std::size_t hop = 0; hop <= params_.robotsRedirects; ++hop) {
            const platform::WebResponse answer = get(url, kRobotsBytes);
            if (answer.failed() || answer.status >= 500) {
                // An unreachable robots.txt forbids everything until it can be read.
                robots_ = RobotsRules::disallowAll();
                robotsLeftOut_ = answer.failed()
                                     ? LeftOut{LeftOutReason::RobotsUnreadable, 0, answer.reason}
                                     : LeftOut{LeftOutReason::RobotsAnswered, answer.status, {}};
                return;
            }
            if (answer.status >= 300 && answer.status < 400 && !answer.header("location").empty()) {
                const std::optional<std::string> to = webUrl(url, answer.header("location"));
                if (!to) {
                    // Sent nowhere a crawler can follow: as if there were none.
                    return;
                }
                url = *to;
                continue;
            }
            if (answer.status >= 200 && answer.status < 300) {
                robots_ = RobotsRules::parse(answer.body, kRobotsToken);
                robots_.setMatchSteps(params_.robotsMatchSteps);
            }
            return;
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
        std::string linkFrom;
        bool fetched = false;
        std::string failure;
        // The page was cut by the crawl's own end (its time bound, a stop): not the site's fault.
        bool cutByCrawlEnd = false;
    };

    Visit visitPage(const Job& job) {
        Visit visit;
        std::string url = job.url;
        std::vector<std::string> chain;
        for (int hop = 0;; ++hop) {
            CrawledPage page;
            page.url = url;
            page.depth = job.depth;
            if (!robots_.allows(targetOf(url))) {
                page.leftOut = robotsLeftOut_;
                visit.pages.push_back(page);
                visit.failure = text(page.leftOut);
                return visit;
            }
            const Clock::time_point pageDeadline =
                std::min(Clock::now() + params_.pageDeadline, deadline());
            bool crawlBound = false;
            platform::WebResponse answer = get(url, params_.maxPageBytes, &crawlBound);
            visit.fetched = true;
            if (answer.failed()) {
                visit.cutByCrawlEnd = answer.pastDeadline && crawlBound;
                if (answer.pastDeadline && !crawlBound) {
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
            if (answer.status != 200) {
                page.leftOut = {LeftOutReason::Answered, answer.status, {}};
                visit.pages.push_back(page);
                visit.failure = text(page.leftOut);
                return visit;
            }
            if (isHtml(page.contentType)) {
                PageReadLimits limits;
                limits.tags = params_.tagBounds;
                limits.textBytes = params_.textBytes;
                limits.stop = [&] { return cancelled() || Clock::now() >= pageDeadline; };
                PageLinks links = extractPageLinks(answer.body, url, limits, page.contentType);
                answer.body.clear();
                page.title = std::move(links.title);
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
                page.canonical = canonical.empty() ? links.canonical : canonical;
                if (links.noindex || headerSaysNoindex(answer)) {
                    page.leftOut = {LeftOutReason::Noindex, 0, {}};
                } else if (!canonical.empty() && canonical != url) {
                    page.leftOut = {LeftOutReason::Canonical, 0, canonical};
                }
                if (!canonical.empty() && canonical != url) {
                    visit.links.push_back({canonical, false});
                }
                if (!links.nofollow) {
                    for (PageLink& link : links.links) {
                        if (!link.nofollow) {
                            visit.links.push_back(std::move(link));
                        }
                    }
                }
                visit.linkFrom = url;
            }
            visit.pages.push_back(std::move(page));
            return visit;
        }
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
        for (CrawledPage& page : visit.pages) {
            if (progress_ != nullptr) {
                progress_->pageDone(page, result_.fetched, queue_.size());
            }
            result_.pages.push_back(std::move(page));
        }
        for (const PageLink& link : visit.links) {
            const std::string url = normalizedUrl(link.url);
            if (!inScope(url) || seen_.count(url) != 0) {
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
            queue_.push_back({url, job.depth + 1});
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
    }

    const CrawlParams& params_;
    const PageFetch& fetch_;
    CrawlProgress* progress_;
    Clock::time_point start_;
    std::string origin_;
    std::string folder_;
    RobotsRules robots_;
    // Why a page robots.txt keeps the crawl from is left out.
    LeftOut robotsLeftOut_{LeftOutReason::DisallowedByRobots, 0, {}};

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> queue_;
    std::unordered_set<std::string> seen_;
    std::size_t inFlight_ = 0;
    CrawlEnding stop_ = CrawlEnding::Finished;
    CrawlEnding bound_ = CrawlEnding::Finished;
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

CrawlResult crawlSite(const CrawlParams& params, const PageFetch& fetch, CrawlProgress* progress) {
    return SiteCrawler(params, fetch, progress).run();
}

}  // namespace farrow::crawl
