#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/timing.h"
#include "indexnow/announcement_ledger.h"
#include "indexnow/indexnow_request.h"
#include "indexnow/key_scope.h"
#include "indexnow/url_source.h"

namespace farrow::indexnow {

// An engine is asked this many times before the next one is tried.
inline constexpr int kAttemptsPerEndpoint = 3;

struct AnnounceParams {
    KeyScope scope;
    // In the order found; the filters leave out what may not or need not go.
    std::vector<CandidateUrl> urls;
    // What the sources already left out (lines of a list that hold no URL), reported with the
    // rest.
    std::vector<LeftOutUrl> leftOut;
    // Tried in order; the first that takes a request gets the next one too. Empty: the
    // default one.
    std::vector<std::string> endpoints{kDefaultEndpoint};
    // Plan the requests and send nothing.
    bool dryRun = false;
    // Send URLs accepted recently again.
    bool force = false;
    // A CA file trusted beside the system's store; empty: the system's store only.
    std::string caFile;
    std::string userAgent;
    // Where the run's HTML log goes; empty: no log.
    std::string logsDir;
};

// One request that an engine answered, or that found no engine to answer it.
struct RequestRecord {
    std::string endpoint;
    std::string method;
    std::size_t urls = 0;
    // 0 when nothing answered.
    long status = 0;
    RequestOutcome outcome = RequestOutcome::Unreachable;
    // What the engine asked for in Retry-After, in seconds.
    std::optional<long long> retryAfter;
    // The answer's body cut to a line, or why nothing answered.
    std::string detail;
};

// How an announcement reaches its user. Called on the thread that runs `announce`, in order.
class AnnounceObserver {
public:
    virtual ~AnnounceObserver() = default;
    virtual void urlLeftOut(const LeftOutUrl& url) = 0;
    // A dry run's request, as it would go: method, address and (for POST) body.
    virtual void requestPlanned(const std::string& method, const std::string& address,
                                const std::string& body) = 0;
    virtual void requestAnswered(const RequestRecord& record) = 0;
    // Before a pause of `wait` ahead of asking `endpoint` again.
    virtual void waiting(const std::string& endpoint, base::Millis wait) = 0;
    // `sent` of `total` URLs are through (accepted, refused or given up).
    virtual void progress(std::size_t sent, std::size_t total) = 0;
};

enum class AnnounceEnding {
    // Every request went its way (accepted, or given up after the retries and the fallbacks).
    Finished,
    // An engine refused a request as ours to mend; nothing more was sent.
    Refused,
    Cancelled,
    // An answered request could not be written down; nothing more was sent. When an engine had
    // taken it, its URLs count as taken and as not recorded.
    LedgerFailed,
};

struct AnnounceResult {
    AnnounceEnding ending = AnnounceEnding::Finished;
    std::size_t candidates = 0;
    std::size_t leftOut = 0;
    // URLs that were to be sent after the filters.
    std::size_t toSend = 0;
    std::size_t accepted = 0;
    std::size_t pending = 0;
    std::size_t refused = 0;
    // Taken by an engine (counted above) but not in the ledger: the next run sends them again.
    std::size_t notRecorded = 0;
    // Not delivered: given up, or never sent after a refusal or a cancel.
    std::size_t undelivered = 0;
    std::size_t requests = 0;
    // Whether any engine answered anything at all.
    bool anyAnswer = false;
    // After a refusal: what to fix, and the engine's own words.
    std::string advice;
    std::string engineWords;
    // Engines that refused the key (403) while the next endpoint was tried, in order.
    std::vector<std::string> keyRefusedBy;
    // URLs whose last change is dated after the run began; taken as undated.
    std::vector<std::string> futureDated;
    // After LedgerFailed: SQLite's reason.
    std::string ledgerError;
    // The run's HTML log; empty when none was written.
    std::string logPath;
};

// Filters, sends and records one announcement. The ledger may be null (nothing skipped as sent
// recently, nothing recorded). `cancel` may be null.
AnnounceResult announce(AnnounceParams params, AnnouncementLedger* ledger,
                        const base::Timing& timing, const base::Clock& clock,
                        AnnounceObserver& observer, const std::atomic<bool>* cancel = nullptr);

// The filters alone: the candidates that go, in order, each once; the rest with their reasons.
struct FilterResult {
    std::vector<std::string> kept;
    // When each kept page last changed, as its source said.
    std::vector<std::optional<base::TimePoint>> keptLastModified;
    std::vector<LeftOutUrl> leftOut;
};
// Takes `urls` apart: a million of them are not held twice.
FilterResult filterUrls(std::vector<CandidateUrl> urls, const KeyScope& scope);

}  // namespace farrow::indexnow
