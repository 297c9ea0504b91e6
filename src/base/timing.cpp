#include "base/timing.h"

#include <charconv>
#include <utility>

namespace farrow::base {

namespace {

struct NamedField {
    const char* name;
    Millis Timing::*field;
};

constexpr NamedField kFields[] = {
    {"startupPoll", &Timing::startupPoll},
    {"threadSettle", &Timing::threadSettle},
    {"startupFinish", &Timing::startupFinish},
    {"ftpConnectTimeout", &Timing::ftpConnectTimeout},
    {"ftpStallTimeout", &Timing::ftpStallTimeout},
    {"buildYield", &Timing::buildYield},
    {"controllerPass", &Timing::controllerPass},
    {"controllerWait", &Timing::controllerWait},
    {"dispatcherPass", &Timing::dispatcherPass},
    {"dispatcherHarvestPause", &Timing::dispatcherHarvestPause},
    {"dispatcherRefillPause", &Timing::dispatcherRefillPause},
    {"controllerEndNap", &Timing::controllerEndNap},
    {"workerPoll", &Timing::workerPoll},
    {"workerLatencyLimit", &Timing::workerLatencyLimit},
    {"exchangeGrace", &Timing::exchangeGrace},
    {"httpConnectTimeout", &Timing::httpConnectTimeout},
    {"httpSendTimeout", &Timing::httpSendTimeout},
    {"httpReceiveTimeout", &Timing::httpReceiveTimeout},
    {"mailTimeout", &Timing::mailTimeout},
    {"mailQuitWait", &Timing::mailQuitWait},
    {"pageConnectTimeout", &Timing::pageConnectTimeout},
    {"pageStallTimeout", &Timing::pageStallTimeout},
    {"crawlPoll", &Timing::crawlPoll},
    {"pageReadLimit", &Timing::pageReadLimit},
    {"crawlLimit", &Timing::crawlLimit},
    {"browserStartCheck", &Timing::browserStartCheck},
    {"indexnowConnectTimeout", &Timing::indexnowConnectTimeout},
    {"indexnowStallTimeout", &Timing::indexnowStallTimeout},
    {"indexnowDeadline", &Timing::indexnowDeadline},
    {"indexnowRetryWait", &Timing::indexnowRetryWait},
    {"indexnowRetryWaitLimit", &Timing::indexnowRetryWaitLimit},
    {"indexnowResendAfter", &Timing::indexnowResendAfter},
    {"indexnowLockWait", &Timing::indexnowLockWait},
    {"siteCrawlConnectTimeout", &Timing::siteCrawlConnectTimeout},
    {"siteCrawlStallTimeout", &Timing::siteCrawlStallTimeout},
    {"siteCrawlPageDeadline", &Timing::siteCrawlPageDeadline},
    {"siteCrawlDeadline", &Timing::siteCrawlDeadline},
    {"sitemapDeadline", &Timing::sitemapDeadline},
    {"siteCrawlDelayCap", &Timing::siteCrawlDelayCap},
    {"siteCrawlBackoff", &Timing::siteCrawlBackoff},
    {"siteCrawlBackoffLimit", &Timing::siteCrawlBackoffLimit},
    {"googleConnectTimeout", &Timing::googleConnectTimeout},
    {"googleStallTimeout", &Timing::googleStallTimeout},
    {"googleDeadline", &Timing::googleDeadline},
    {"googleRetryWait", &Timing::googleRetryWait},
    {"googleTokenMargin", &Timing::googleTokenMargin},
    {"googleInspectPace", &Timing::googleInspectPace},
    {"googleQuotaWindow", &Timing::googleQuotaWindow},
    {"auditExternalRequestDeadline", &Timing::auditExternalRequestDeadline},
    {"auditExternalDeadline", &Timing::auditExternalDeadline},
};

// The limits that are counts rather than waits, set the same way.
struct NamedCount {
    const char* name;
    std::size_t Timing::*field;
};

constexpr NamedCount kCounts[] = {
    {"siteCrawlMaxPages", &Timing::siteCrawlMaxPages},
    {"siteCrawlMaxDepth", &Timing::siteCrawlMaxDepth},
    {"siteCrawlPageBytes", &Timing::siteCrawlPageBytes},
    {"siteCrawlSitemapBytes", &Timing::siteCrawlSitemapBytes},
    {"siteCrawlInFlight", &Timing::siteCrawlInFlight},
    {"robotsRedirectLimit", &Timing::robotsRedirectLimit},
    {"sitemapRedirectLimit", &Timing::sitemapRedirectLimit},
    {"sitemapMaxUrls", &Timing::sitemapMaxUrls},
    {"googleRetries", &Timing::googleRetries},
    {"googleDailyInspections", &Timing::googleDailyInspections},
    {"auditExternalMaxLinks", &Timing::auditExternalMaxLinks},
    {"auditExternalInFlight", &Timing::auditExternalInFlight},
    {"auditExternalGetBytes", &Timing::auditExternalGetBytes},
    {"siteCrawlTagBytes", &Timing::siteCrawlTagBytes},
    {"siteCrawlTagAttributes", &Timing::siteCrawlTagAttributes},
    {"siteCrawlTitleBytes", &Timing::siteCrawlTitleBytes},
    {"robotsMatchSteps", &Timing::robotsMatchSteps},
};

// A wait past this (about 24 days) is a typing slip; a far larger one would overflow the
// deadline arithmetic of every wait that uses it.
constexpr long long kLongestOverride = 2147483647;

TimingOverrides refuse(std::string error) {
    return {std::nullopt, std::move(error)};
}

}  // namespace

std::vector<std::string_view> timingNames() {
    std::vector<std::string_view> names;
    for (const NamedField& f : kFields) {
        names.emplace_back(f.name);
    }
    for (const NamedCount& c : kCounts) {
        names.emplace_back(c.name);
    }
    return names;
}

TimingOverrides applyTimingOverrides(std::string_view text, const Timing& base) {
    Timing timing = base;
    if (text.empty()) {
        return {timing, {}};
    }
    std::size_t begin = 0;
    while (true) {
        const std::size_t comma = text.find(',', begin);
        const std::string_view item =
            text.substr(begin, comma == std::string_view::npos ? comma : comma - begin);
        const std::string quoted = "\"" + std::string(item) + "\"";
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) {
            return refuse("FARROWLANE_TIMING: " + quoted + " is not name=milliseconds");
        }
        const std::string_view name = item.substr(0, equals);
        const std::string_view value = item.substr(equals + 1);
        const NamedField* found = nullptr;
        for (const NamedField& f : kFields) {
            if (name == f.name) {
                found = &f;
            }
        }
        const NamedCount* count = nullptr;
        for (const NamedCount& c : kCounts) {
            if (name == c.name) {
                count = &c;
            }
        }
        if (found == nullptr && count == nullptr) {
            return refuse("FARROWLANE_TIMING: unknown name in " + quoted);
        }
        long long ms = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
        if (value.empty() || ec != std::errc() || end != value.data() + value.size() || ms < 0 ||
            ms > kLongestOverride) {
            return refuse("FARROWLANE_TIMING: bad number of milliseconds in " + quoted);
        }
        if (found != nullptr) {
            timing.*(found->field) = Millis(ms);
        } else {
            timing.*(count->field) = static_cast<std::size_t>(ms);
        }
        if (comma == std::string_view::npos) {
            break;
        }
        begin = comma + 1;
    }
    return {timing, {}};
}

}  // namespace farrow::base
