#include "audit/external_link_check.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

#include "crawl/robots_rules.h"
#include "crawl/uri_reference.h"

namespace farrow::audit {

namespace {

using Clock = std::chrono::steady_clock;

// "http://host:port", the key of the per-host bound and of robots.txt.
std::string originOf(const crawl::WebAddress& at) {
    return at.scheme + "://" + at.host + ":" + std::to_string(at.port);
}

// Where HEAD is not served, GET is asked. 405 and 501 say so in words (RFC 9110); a server
// that takes the connection and then closes it without an answer, resets it or sends what is no
// answer often does the same to HEAD alone (the client counts these with refused connections,
// which fail again at once). A time-out or a failed handshake would fail the same way for GET,
// and asking again would only spend the check's time.
bool headRefused(const platform::WebResponse& answer) {
    if (answer.failed()) {
        return answer.failure == platform::WebFailure::Connect ||
               answer.failure == platform::WebFailure::Other;
    }
    return answer.status == 405 || answer.status == 501;
}

class Checker {
public:
    Checker(const ExternalLinkCheckParams& params, const crawl::PageFetch& fetch)
        : params_(params), fetch_(fetch) {}

    ExternalLinkCheck run() {
        until_ = Clock::now() + params_.deadline;
        result_.maxLinks = params_.maxLinks;
        result_.deadline = params_.deadline;
        for (std::size_t i = 0; i < params_.links.size(); ++i) {
            const ExternalLinkTarget& link = params_.links[i];
            result_.links.push_back({link.url, link.linkedFrom, ExternalVerdict::Unchecked, 0, {}});
            const std::optional<crawl::WebAddress> at = crawl::webAddress(link.url);
            if (i >= params_.maxLinks) {
                ++result_.pastLinkBound;
            } else if (!at) {
                settle(i, {{}, {}, ExternalVerdict::Broken, 0, "no http or https address"});
            } else {
                Host& host = hostOf(originOf(*at));
                host.waiting.push_back({i, at->target});
                ++waiting_;
            }
        }
        {
            std::vector<std::jthread> workers;
            const std::size_t count = std::clamp<std::size_t>(
                std::min(params_.inFlight, hosts_.size() * kExternalPerHost), 1,
                crawl::kMostInFlight);
            for (std::size_t i = 0; i < count; ++i) {
                workers.emplace_back([this] { work(); });
            }
        }
        finish();
        return std::move(result_);
    }

private:
    enum class Robots { Unread, Reading, Read };

    struct Waiting {
        std::size_t link;
        std::string target;
    };

    struct Host {
        std::string origin;
        Robots robots = Robots::Unread;
        crawl::RobotsReading reading;
        std::size_t active = 0;
        std::deque<Waiting> waiting;
    };

    // One piece of work: a host's robots.txt, or a link of it.
    struct Task {
        Host* host = nullptr;
        std::optional<Waiting> link;
    };

    Host& hostOf(const std::string& origin) {
        const auto found = byOrigin_.find(origin);
        if (found != byOrigin_.end()) {
            return hosts_[found->second];
        }
        byOrigin_.emplace(origin, hosts_.size());
        hosts_.push_back({origin, Robots::Unread, {}, 0, {}});
        return hosts_.back();
    }

    bool cancelled() const { return params_.cancel != nullptr && params_.cancel->load(); }
    bool ended() const { return cancelled() || Clock::now() >= until_; }

    void work() {
        std::unique_lock lock(mutex_);
        while (true) {
            if (ended()) {
                wake_.notify_all();
                return;
            }
            std::optional<Task> task = next();
            if (!task) {
                if (waiting_ == 0 && active_ == 0) {
                    wake_.notify_all();
                    return;
                }
                const std::size_t seen = changes_;
                wake_.wait_for(lock, params_.poll, [&] { return changes_ != seen; });
                continue;
            }
            ++task->host->active;
            ++active_;
            lock.unlock();
            if (task->link) {
                ExternalLinkState state =
                    check(*task->host, task->link->target, result_.links[task->link->link].url);
                lock.lock();
                settle(task->link->link, std::move(state));
            } else {
                crawl::RobotsReading reading = readRobots(task->host->origin);
                lock.lock();
                task->host->reading = std::move(reading);
                task->host->robots = Robots::Read;
            }
            --task->host->active;
            --active_;
            ++changes_;
            wake_.notify_all();
        }
    }

    // With the lock held: the next request to make, hosts taken in turn so that one host with
    // many links does not hold the others back. Links that need no request are settled here.
    std::optional<Task> next() {
        for (std::size_t tried = 0; tried < hosts_.size(); ++tried) {
            Host& host = hosts_[(turn_ + tried) % hosts_.size()];
            if (host.active >= kExternalPerHost || host.waiting.empty() ||
                host.robots == Robots::Reading) {
                continue;
            }
            turn_ = (turn_ + tried + 1) % hosts_.size();
            if (host.robots == Robots::Unread) {
                host.robots = Robots::Reading;
                return Task{&host, std::nullopt};
            }
            while (!host.waiting.empty()) {
                Waiting link = std::move(host.waiting.front());
                host.waiting.pop_front();
                --waiting_;
                if (std::optional<ExternalLinkState> known = withoutRequest(host, link.target)) {
                    settle(link.link, std::move(*known));
                    continue;
                }
                return Task{&host, std::move(link)};
            }
        }
        return std::nullopt;
    }

    // What robots.txt already says of a link.
    std::optional<ExternalLinkState> withoutRequest(const Host& host,
                                                    const std::string& target) const {
        const crawl::RobotsReading& robots = host.reading;
        ExternalLinkState state;
        if (robots.failed) {
            // No connection for robots.txt, none for the page: the host is down, whatever
            // RFC 9309 asks a crawler to assume of its rules.
            state.verdict = ExternalVerdict::Broken;
            state.detail = "unreachable: " + robots.reason;
        } else if (robots.status != 0) {
            state.verdict = ExternalVerdict::Disallowed;
            state.detail = "not checked: its robots.txt answered " + std::to_string(robots.status);
        } else if (!robots.rules.allows(target)) {
            state.verdict = ExternalVerdict::Disallowed;
            state.detail = "not checked: disallowed by its robots.txt";
        } else {
            return std::nullopt;
        }
        return state;
    }

    platform::WebResponse ask(const std::string& method, const std::string& url,
                              std::size_t maxBytes) const {
        platform::WebRequest request;
        request.method = method;
        request.url = url;
        request.maxBodyBytes = maxBytes;
        request.connectTimeout = params_.connectTimeout;
        request.stallTimeout = params_.stallTimeout;
        const auto left = std::chrono::duration_cast<base::Millis>(until_ - Clock::now());
        request.deadline = std::max(base::Millis(1), std::min(params_.requestDeadline, left));
        request.cancel = params_.cancel;
        return fetch_(request);
    }

    crawl::RobotsReading readRobots(const std::string& origin) const {
        crawl::RobotsReading reading = crawl::readRobotsTxt(
            origin, params_.robotsRedirects, params_.robotsMatchSteps, crawl::kRobotsToken,
            [this](const std::string& url) { return ask("GET", url, crawl::kRobotsBytes); });
        if (reading.failed && ended()) {
            // Cut by the check's own end, not the host's fault: its links stay unchecked.
            reading = {};
        }
        return reading;
    }

    // Asks for the link, following redirects within its host; robots.txt is asked again at
    // each hop. Unchecked when the check's end cut it.
    ExternalLinkState check(const Host& host, std::string target, std::string url) const {
        ExternalLinkState state;
        for (std::size_t hop = 0;; ++hop) {
            platform::WebResponse answer = ask("HEAD", url, 0);
            std::string head;
            std::string method = "HEAD";
            if (headRefused(answer) && !ended()) {
                head = answer.failed() ? " (HEAD failed: " + answer.reason + ")"
                                       : " (HEAD answered " + std::to_string(answer.status) + ")";
                method = "GET";
                answer = ask("GET", url, params_.getBytes);
            }
            if (answer.failed()) {
                if (ended()) {
                    return {};
                }
                state.verdict = ExternalVerdict::Broken;
                // Both failed alike, most often: the GET's words say it.
                state.detail = "unreachable: " + answer.reason;
                return state;
            }
            state.status = answer.status;
            const std::string location = answer.header("location");
            const std::optional<std::string> to =
                answer.status >= 300 && answer.status < 400 && !location.empty()
                    ? crawl::webUrl(url, location)
                    : std::nullopt;
            const std::optional<crawl::WebAddress> at = to ? crawl::webAddress(*to) : std::nullopt;
            if (at && originOf(*at) == host.origin && hop < kExternalRedirects) {
                if (std::optional<ExternalLinkState> known = withoutRequest(host, at->target)) {
                    known->status = answer.status;
                    known->detail = "redirects to " + *to + ", " + known->detail;
                    return *known;
                }
                url = *to;
                target = at->target;
                continue;
            }
            state.verdict = answer.status >= 400 ? ExternalVerdict::Broken : ExternalVerdict::Fine;
            state.detail = "answered " + std::to_string(answer.status) + " to " + method + head;
            if (hop > 0) {
                state.detail += " at " + url;
            }
            if (to && !(at && originOf(*at) == host.origin)) {
                state.detail += ", redirecting to another host: " + *to;
            }
            return state;
        }
    }

    // With the lock held.
    void settle(std::size_t link, ExternalLinkState state) {
        ExternalLinkState& kept = result_.links[link];
        kept.verdict = state.verdict;
        kept.status = state.status;
        kept.detail = std::move(state.detail);
        if (kept.verdict == ExternalVerdict::Unchecked) {
            return;
        }
        ++settled_;
        if (params_.progress != nullptr) {
            params_.progress->linkDone(kept, settled_,
                                       std::min(params_.links.size(), params_.maxLinks));
        }
    }

    void finish() {
        for (const ExternalLinkState& link : result_.links) {
            switch (link.verdict) {
                case ExternalVerdict::Fine:
                    ++result_.fine;
                    break;
                case ExternalVerdict::Broken:
                    ++result_.broken;
                    break;
                case ExternalVerdict::Disallowed:
                    ++result_.disallowed;
                    break;
                case ExternalVerdict::Unchecked:
                    break;
            }
        }
        result_.leftAtEnd = result_.links.size() - result_.fine - result_.broken -
                            result_.disallowed - result_.pastLinkBound;
        if (result_.leftAtEnd > 0) {
            result_.ending = cancelled() ? ExternalEnding::Cancelled : ExternalEnding::TimeBound;
        } else if (result_.pastLinkBound > 0) {
            result_.ending = ExternalEnding::LinkBound;
        }
    }

    const ExternalLinkCheckParams& params_;
    const crawl::PageFetch& fetch_;
    Clock::time_point until_;

    std::mutex mutex_;
    std::condition_variable wake_;
    // Grown before the threads start, so the addresses of hosts stay put.
    std::vector<Host> hosts_;
    std::unordered_map<std::string, std::size_t> byOrigin_;
    std::size_t turn_ = 0;
    std::size_t waiting_ = 0;
    std::size_t active_ = 0;
    std::size_t changes_ = 0;
    std::size_t settled_ = 0;
    ExternalLinkCheck result_;
};

}  // namespace

ExternalLinkCheckParams externalLinkCheckParams(std::vector<ExternalLinkTarget> links,
                                                const base::Timing& timing) {
    ExternalLinkCheckParams params;
    params.links = std::move(links);
    params.maxLinks = timing.auditExternalMaxLinks;
    params.inFlight = timing.auditExternalInFlight;
    params.connectTimeout = timing.siteCrawlConnectTimeout;
    params.stallTimeout = timing.siteCrawlStallTimeout;
    params.requestDeadline = timing.auditExternalRequestDeadline;
    params.deadline = timing.auditExternalDeadline;
    params.getBytes = timing.auditExternalGetBytes;
    params.robotsRedirects = timing.robotsRedirectLimit;
    params.robotsMatchSteps = timing.robotsMatchSteps;
    params.poll = timing.crawlPoll;
    return params;
}

std::vector<ExternalLinkTarget> externalLinks(const crawl::CrawlResult& crawl,
                                              const std::string& startUrl) {
    const std::optional<crawl::WebAddress> start =
        crawl::webAddress(crawl::normalizedUrl(startUrl));
    std::vector<ExternalLinkTarget> links;
    std::unordered_map<std::string, std::size_t> index;
    for (const crawl::CrawledPage& page : crawl.pages) {
        for (const std::string& link : page.links) {
            const std::optional<crawl::WebAddress> at = crawl::webAddress(link);
            if (!at || (start && originOf(*at) == originOf(*start))) {
                continue;
            }
            const auto [found, added] = index.emplace(link, links.size());
            if (added) {
                links.push_back({link, {}});
            }
            std::vector<std::string>& from = links[found->second].linkedFrom;
            if (std::find(from.begin(), from.end(), page.url) == from.end()) {
                from.push_back(page.url);
            }
        }
    }
    return links;
}

std::vector<Finding> externalFindings(const ExternalLinkCheck& check) {
    std::vector<Finding> found;
    for (const ExternalLinkState& link : check.links) {
        if (link.verdict == ExternalVerdict::Broken) {
            found.push_back({FindingKind::ExternalBroken, link.url, link.detail, link.linkedFrom});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Finding& a, const Finding& b) { return a.url < b.url; });
    return found;
}

ExternalLinkCheck checkExternalLinks(const ExternalLinkCheckParams& params,
                                     const crawl::PageFetch& fetch) {
    return Checker(params, fetch).run();
}

const char* token(ExternalEnding ending) {
    switch (ending) {
        case ExternalEnding::Finished:
            return "finished";
        case ExternalEnding::LinkBound:
            return "link-bound";
        case ExternalEnding::TimeBound:
            return "time-bound";
        case ExternalEnding::Cancelled:
            return "cancelled";
    }
    return "finished";
}

std::string text(const ExternalLinkCheck& check) {
    std::string text = std::to_string(check.links.size()) +
                       " links to other sites: " + std::to_string(check.fine) + " fine, " +
                       std::to_string(check.broken) + " broken, " +
                       std::to_string(check.disallowed) +
                       " disallowed by their site's robots.txt (not checked)";
    if (check.pastLinkBound > 0) {
        text += ", " + std::to_string(check.pastLinkBound) +
                " not checked: past auditExternalMaxLinks (" + std::to_string(check.maxLinks) + ")";
    }
    if (check.leftAtEnd > 0) {
        text += ", " + std::to_string(check.leftAtEnd) + " not checked: " +
                (check.ending == ExternalEnding::Cancelled
                     ? std::string("stopped")
                     : "the check's time ran out (auditExternalDeadline, " +
                           std::to_string(check.deadline.count()) + " ms)");
    }
    return text;
}

}  // namespace farrow::audit
