#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "audit/finding.h"
#include "base/timing.h"
#include "crawl/page_fetch.h"
#include "crawl/site_crawl.h"

namespace farrow::audit {

// Requests made to one host (scheme, name and port) at once, at most: a site owner's check
// should not weigh on anybody else's server.
inline constexpr std::size_t kExternalPerHost = 2;
// Redirects followed within one host before the link's last answer counts.
inline constexpr std::size_t kExternalRedirects = 5;

// A link from the site to another one, and the pages of the site linking it.
struct ExternalLinkTarget {
    std::string url;
    std::vector<std::string> linkedFrom;
};

struct ExternalLinkState;

// Told of each link as it is settled; calls come one at a time, from the check's threads.
class ExternalLinkProgress {
public:
    virtual ~ExternalLinkProgress() = default;
    // `done` of the `total` links within the link bound are settled.
    virtual void linkDone(const ExternalLinkState& link, std::size_t done, std::size_t total) = 0;
};

struct ExternalLinkCheckParams {
    // Each address once, checked in this order up to `maxLinks`.
    std::vector<ExternalLinkTarget> links;
    std::size_t maxLinks = 0;
    // Requests at once in all; to one host never more than kExternalPerHost.
    std::size_t inFlight = 1;
    base::Millis connectTimeout{};
    base::Millis stallTimeout{};
    base::Millis requestDeadline{};
    base::Millis deadline{};
    // Bytes read of the answer to a GET; robots.txt is read up to crawl::kRobotsBytes.
    std::size_t getBytes = 0;
    std::size_t robotsRedirects = 0;
    std::size_t robotsMatchSteps = SIZE_MAX;
    // How often idle threads look at `cancel` and the deadline.
    base::Millis poll{10};
    // Set by the caller (Ctrl-C, a Cancel button): the links not yet checked stay unchecked.
    const std::atomic<bool>* cancel = nullptr;
    ExternalLinkProgress* progress = nullptr;
};

// `links` with the timing record's bounds.
ExternalLinkCheckParams externalLinkCheckParams(std::vector<ExternalLinkTarget> links,
                                                const base::Timing& timing);

// Every link of the crawl's pages to another scheme, host or port than the start page's (the
// site's own pages outside the crawl's folder are not another site's), in the order
// the pages and their links were met.
std::vector<ExternalLinkTarget> externalLinks(const crawl::CrawlResult& crawl,
                                              const std::string& startUrl);

enum class ExternalVerdict {
    // Answered below 400 (a redirect to another host is not followed, and counts so).
    Fine,
    // Answered 4xx or 5xx, or the host could not be reached.
    Broken,
    // Its host's robots.txt disallows it, or could not be read without error: not asked.
    Disallowed,
    // Past the link bound, or left when the check's time ran out or it was stopped.
    Unchecked,
};

struct ExternalLinkState {
    std::string url;
    std::vector<std::string> linkedFrom;
    ExternalVerdict verdict = ExternalVerdict::Unchecked;
    // The last answer's status, 0 when none came.
    long status = 0;
    // "answered 404 to GET (HEAD answered 405)", "unreachable: <why>", "disallowed by its
    // robots.txt"...; empty for a link left unchecked.
    std::string detail;
};

// How the check ended: every link asked, or which bound left some unasked.
enum class ExternalEnding { Finished, LinkBound, TimeBound, Cancelled };

// "finished", "link-bound", "time-bound", "cancelled".
const char* token(ExternalEnding ending);

struct ExternalLinkCheck {
    // Every link of the parameters, in their order.
    std::vector<ExternalLinkState> links;
    std::size_t fine = 0;
    std::size_t broken = 0;
    std::size_t disallowed = 0;
    // Left past the link bound, and left when the time ran out or the check was stopped.
    std::size_t pastLinkBound = 0;
    std::size_t leftAtEnd = 0;
    ExternalEnding ending = ExternalEnding::Finished;
    // The figures the text names.
    std::size_t maxLinks = 0;
    base::Millis deadline{};

    std::size_t unchecked() const { return pastLinkBound + leftAtEnd; }
};

// "12 links to other sites: 9 fine, 1 broken, 1 disallowed by its site's robots.txt (not
// checked), 1 not checked: past auditExternalMaxLinks (11)".
std::string text(const ExternalLinkCheck& check);

// An external-broken finding per broken link, by address.
std::vector<Finding> externalFindings(const ExternalLinkCheck& check);

// Asks each link's host with HEAD (GET where HEAD is refused), kExternalPerHost at a time per
// host and `params.inFlight` in all, on threads of its own that have ended when it returns;
// each host's robots.txt is read first and obeyed.
ExternalLinkCheck checkExternalLinks(const ExternalLinkCheckParams& params,
                                     const crawl::PageFetch& fetch);

}  // namespace farrow::audit
