#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace farrow::base {

using Millis = std::chrono::milliseconds;

// Every wait, sleep, time-out and latency limit of the program. The defaults are the product's
// values; tests shrink them so that nothing waits for real minutes.
struct Timing {
    // Start-up: the window thread and the check thread poll their status records this often.
    Millis startupPoll{5};
    // The pause after starting a helper thread and before polling it.
    Millis threadSettle{100};
    // The check thread's nap before it raises `done`.
    Millis startupFinish{1};
    Millis ftpConnectTimeout{4000};
    // A database server that sends nothing for this long, during the conversation or a
    // transfer, has failed; otherwise a stalled server would hold start-up for ever.
    Millis ftpStallTimeout{30000};

    // The build step yields the processor this long after each prepared request.
    Millis buildYield{1};

    // Submission run: controller and dispatcher passes, the pause between harvest and refill.
    Millis controllerPass{100};
    Millis controllerWait{5};
    Millis dispatcherPass{100};
    // The dispatcher's pause after each harvest and before each refill, which spaces out the
    // start of new connections.
    Millis dispatcherHarvestPause{100};
    Millis dispatcherRefillPause{100};
    // The controller's nap after the logs are closed.
    Millis controllerEndNap{1000};
    Millis workerPoll{2};
    // A worker running this long is abandoned; doubled with the raw-reply dump on.
    Millis workerLatencyLimit{60000};
    // An exchange of the run ends by itself this long after the latency limit: late enough that
    // the dispatcher has given its worker up first, even on a loaded machine, and soon enough
    // that given-up threads never pile up.
    Millis exchangeGrace{600};

    // HTTP transport: connect, send and receive (no byte for this long) time-outs.
    Millis httpConnectTimeout{2000};
    Millis httpSendTimeout{2000};
    Millis httpReceiveTimeout{2000};
    // SMTP transport: the whole conversation, from connecting to the answer to the message,
    // ends after this long, so that a mail server that answers slowly frees its worker before
    // the dispatcher abandons it.
    Millis mailTimeout{30000};
    // Once the mail is taken, the answer to QUIT is waited for this long at most.
    Millis mailQuitWait{1000};
    // When set, an HTTP or mail exchange ends by itself once it has run this long, whatever
    // the time-outs of its single steps (a body trickled for ever, a server answering each
    // command just in time).
    std::optional<Millis> exchangeLimit;

    // Deep submission: reading the user's own pages, and the watcher's poll.
    Millis pageConnectTimeout{20000};
    // A page of the user's site that sends nothing for this long has failed, like an unreachable
    // one; otherwise a silent server would hold the crawl for ever.
    Millis pageStallTimeout{30000};
    Millis crawlPoll{10};

    // Bounded readers and the browser start.
    // A whole page of the user's site is read for this long at most: a page trickled just
    // faster than the stall limit would otherwise hold the crawl for ever.
    Millis pageReadLimit{60000};
    // The deep crawl as a whole (its pages, then their titles) ends this long after it began;
    // the pages found by then go to the checklist.
    Millis crawlLimit{900000};
    // A browser that ends with an error this soon after its start is reported like a missing
    // one; one still running then (or ended well) counts as started.
    Millis browserStartCheck{500};

    // IndexNow announcements: connecting to an engine or to the site's key file, silence once
    // connected, and the whole of one exchange.
    Millis indexnowConnectTimeout{10000};
    Millis indexnowStallTimeout{30000};
    Millis indexnowDeadline{60000};
    // The pause before asking a busy engine again when it did not say how long to wait, and the
    // longest wait any Retry-After gets: an engine asking for an hour is given up instead.
    Millis indexnowRetryWait{5000};
    Millis indexnowRetryWaitLimit{60000};
    // A URL accepted this recently is not announced again unless forced.
    Millis indexnowResendAfter{86400000};
    // A second announcement in one workspace waits this long for the first to end.
    Millis indexnowLockWait{10000};

    // The whole-site crawl and the sitemaps it reads: connecting, a server silent this long,
    // one page's whole exchange, and the whole crawl; then its limits, which the same variable
    // sets as plain numbers: pages read, link depth, bytes kept of one page and of one
    // sitemap, and pages read at once.
    Millis siteCrawlConnectTimeout{10000};
    Millis siteCrawlStallTimeout{30000};
    Millis siteCrawlPageDeadline{60000};
    Millis siteCrawlDeadline{3600000};
    // The whole read of a sitemap and, for an index, of its sitemaps, and the URLs taken of it.
    Millis sitemapDeadline{600000};
    std::size_t sitemapMaxUrls = 1000000;
    // Politeness: the longest Crawl-delay of a robots.txt that is honoured (a longer one is
    // cut to this); after a 429 or 503 without Retry-After, the first pause before the page is
    // asked again, doubled each time; and the pauses one page may take in all before it counts
    // as refused.
    Millis siteCrawlDelayCap{30000};
    Millis siteCrawlBackoff{5000};
    Millis siteCrawlBackoffLimit{120000};
    std::size_t siteCrawlMaxPages = 5000;
    std::size_t siteCrawlMaxDepth = 100;
    std::size_t siteCrawlPageBytes = 8u << 20;
    std::size_t siteCrawlSitemapBytes = 50u << 20;
    std::size_t siteCrawlInFlight = 4;
    // Redirects of robots.txt followed before the site counts as having none.
    std::size_t robotsRedirectLimit = 5;
    // Redirects of one sitemap's address followed before it counts as unreadable.
    std::size_t sitemapRedirectLimit = 5;

    // Search Console: connecting, silence once connected, one exchange; the pause before a
    // failed or busy call is made again, and how many times it is; a token is renewed this long
    // before it expires; inspections are spaced this far apart (so never more than 600 a
    // minute), and at most this many are made for one property in one quota window.
    Millis googleConnectTimeout{10000};
    Millis googleStallTimeout{30000};
    Millis googleDeadline{60000};
    Millis googleRetryWait{5000};
    std::size_t googleRetries = 2;
    Millis googleTokenMargin{60000};
    Millis googleInspectPace{100};
    std::size_t googleDailyInspections = 2000;
    Millis googleQuotaWindow{86400000};

    // The audit's check of links to other sites (--external): one request's whole exchange, the
    // whole check, then as plain numbers the links checked, requests made at once (two at most
    // to one host) and the bytes read of a GET made where HEAD is refused.
    Millis auditExternalRequestDeadline{15000};
    Millis auditExternalDeadline{300000};
    std::size_t auditExternalMaxLinks = 1000;
    std::size_t auditExternalInFlight = 8;
    std::size_t auditExternalGetBytes = 16u << 10;

    // A page or sitemap is read up to its first start tag longer than this many bytes or with
    // more attributes than this; a page's title (and any other text the crawl keeps of a
    // page) is cut to this many bytes.
    std::size_t siteCrawlTagBytes = 64u << 10;
    std::size_t siteCrawlTagAttributes = 256;
    std::size_t siteCrawlTitleBytes = 1024;
    // Steps one robots.txt pattern may take to match one URL (pattern characters times URL
    // bytes); a pattern that would take more matches nothing.
    std::size_t robotsMatchSteps = 4u << 20;

    bool operator==(const Timing&) const = default;
};

struct TimingOverrides {
    // The timing with the overrides applied; empty when the text was refused.
    std::optional<Timing> timing;
    // Why the text was refused, naming the bad item.
    std::string error;
};

// The names the variable below knows, each bound to a field of its own.
std::vector<std::string_view> timingNames();

// Applies a comma-separated list of `name=milliseconds` (the FARROWLANE_TIMING variable) to
// `base`. An empty text changes nothing; an unknown name, a missing "=", or a value that is not
// a whole number from 0 to 2147483647 refuses the whole text.
TimingOverrides applyTimingOverrides(std::string_view text, const Timing& base);

}  // namespace farrow::base
