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

// Redirects followed from one address before it counts as a loop.
constexpr int kMaxRedirects = 10;
// RFC 9309 asks crawlers to read at least 500 KiB of a robots.txt.
constexpr std::size_t kRobotsBytes = 512u * 1024;

bool isHtml(const std::string& contentType) {
    const std::string type = contentType.substr(0, contentType.find(';'));
    return base::contains(type, "text/html") || base::contains(type, "application/xhtml+xml");
}

// X-Robots-Tag may name a crawler before its directives ("otherbot: noindex"); only ours and
// unnamed ones count.
bool headerSaysNoindex(const FetchAnswer& answer) {
    for (const auto& [name, value] : answer.headers) {
        if (name != "x-robots-tag") {
            continue;
        }
        std::string_view directives = value;
        const std::size_t colon = directives.find(':');
        if (colon != std::string_view::npos &&
            directives.substr(0, colon).find(',') == std::string_view::npos) {
            std::string_view agent = directives.substr(0, colon);
            while (!agent.empty() && agent.front() == ' ') {
                agent.remove_prefix(1);
            }
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
            const std::size_t count = std::max<std::size_t>(1, params_.inFlight);
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

    FetchAnswer get(const std::string& url, std::size_t maxBytes) const {
        FetchAsk ask;
        ask.url = url;
        ask.maxBytes = maxBytes;
        ask.connectTimeout = params_.connectTimeout;
        ask.stallTimeout = params_.stallTimeout;
        const auto left = std::chrono::duration_cast<base::Millis>(deadline() - Clock::now());
        ask.deadline = std::max(base::Millis(1), std::min(params_.pageDeadline, left));
        ask.cancel = params_.cancel;
        return fetch_(ask);
    }

    void readRobots() {
        std::string url = origin_ + "/robots.txt";
        for (int hop = 0; hop <= 5; ++hop) {
            const FetchAnswer answer = get(url, kRobotsBytes);
            if (!answer.failure.empty() || answer.status >= 500) {
                // An unreachable robots.txt forbids everything until it can be read.
                robots_ = RobotsRules::disallowAll();
                robotsProblem_ = answer.failure.empty()
                                     ? "robots.txt answered " + std::to_string(answer.status)
                                     : "robots.txt could not be read: " + answer.failure;
                return;
            }
            if (answer.status >= 300 && answer.status < 400 && !answer.header("location").empty()) {
                url = withoutFragment(resolveReference(url, answer.header("location")));
                continue;
            }
            if (answer.status >= 200 && answer.status < 300) {
                robots_ = RobotsRules::parse(answer.body, kRobotsToken);
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
                page.leftOut = robotsProblem_.empty() ? "disallowed by robots.txt" : robotsProblem_;
                visit.pages.push_back(page);
                visit.failure = page.leftOut;
                return visit;
            }
            FetchAnswer answer = get(url, params_.maxPageBytes);
            visit.fetched = true;
            if (!answer.failure.empty()) {
                page.leftOut = "unreachable: " + answer.failure;
                visit.pages.push_back(page);
                visit.failure = answer.failure;
                return visit;
            }
            page.status = answer.status;
            page.contentType = answer.header("content-type");
            page.lastModified = answer.header("last-modified");
            page.truncated = answer.truncated;
            const std::string location = answer.header("location");
            if (answer.status >= 300 && answer.status < 400 && !location.empty()) {
                const std::string target = normalizedUrl(resolveReference(url, location));
                chain.push_back(url);
                page.leftOut = "redirects to " + target;
                visit.pages.push_back(page);
                if (!inScope(target)) {
                    visit.pages.back().leftOut = "redirects outside the site to " + target;
                    visit.failure = visit.pages.back().leftOut;
                    return visit;
                }
                if (std::find(chain.begin(), chain.end(), target) != chain.end() ||
                    hop + 1 >= kMaxRedirects) {
                    visit.pages.back().leftOut = "redirect loop at " + target;
                    visit.failure = visit.pages.back().leftOut;
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
                page.leftOut = "answered " + std::to_string(answer.status);
                visit.pages.push_back(page);
                visit.failure = page.leftOut;
                return visit;
            }
            if (isHtml(page.contentType)) {
                PageLinks links = extractPageLinks(answer.body, url);
                answer.body.clear();
                page.title = std::move(links.title);
                const std::string canonical =
                    links.canonical.empty() ? "" : normalizedUrl(links.canonical);
                if (links.noindex || headerSaysNoindex(answer)) {
                    page.leftOut = "noindex";
                } else if (!canonical.empty() && canonical != url) {
                    page.leftOut = "canonical is " + canonical;
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
        if (!visit.failure.empty() && (cancelled() || Clock::now() >= deadline())) {
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
    std::string robotsProblem_;

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
    params.inFlight = timing.siteCrawlInFlight;
    params.connectTimeout = timing.siteCrawlConnectTimeout;
    params.stallTimeout = timing.siteCrawlStallTimeout;
    params.pageDeadline = timing.siteCrawlPageDeadline;
    params.crawlDeadline = timing.siteCrawlDeadline;
    params.poll = timing.crawlPoll;
    return params;
}

std::vector<SitemapEntry> sitemapEntries(const CrawlResult& result) {
    std::vector<SitemapEntry> entries;
    for (const CrawledPage& page : result.pages) {
        if (page.leftOut.empty()) {
            entries.push_back({page.url, w3cDateTime(page.lastModified)});
        }
    }
    return entries;
}

std::string endingText(const CrawlResult& result, const CrawlParams& params) {
    switch (result.ending) {
        case CrawlEnding::Finished:
            return "ended by itself: every page within the site's folder was read";
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
