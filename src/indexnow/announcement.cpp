#include "indexnow/announcement.h"

#include <algorithm>
#include <map>
#include <thread>
#include <unordered_set>

#include "crawl/uri_reference.h"
#include "indexnow/announcement_log.h"
#include "platform/web_client.h"

namespace farrow::indexnow {

namespace {

// The answer of an engine is a status and perhaps a line of text; more is not read.
constexpr std::size_t kMaxAnswerBytes = 64 * 1024;
// Waits are cut into slices this long, so that a cancel is seen soon.
constexpr base::Millis kWaitSlice{50};

bool cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load();
}

// False when the wait was cancelled.
bool waitFor(base::Millis wait, const std::atomic<bool>* cancel) {
    const auto end = std::chrono::steady_clock::now() + wait;
    while (!cancelled(cancel)) {
        const auto left = end - std::chrono::steady_clock::now();
        if (left <= base::Millis::zero()) {
            return true;
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(left, kWaitSlice));
    }
    return false;
}

std::string summaryOf(const AnnounceResult& r) {
    std::string summary = std::to_string(r.toSend) + " to send: " + std::to_string(r.accepted) +
                          " accepted, " + std::to_string(r.pending) + " pending, " +
                          std::to_string(r.refused) + " refused, " + std::to_string(r.undelivered) +
                          " not delivered; " + std::to_string(r.leftOut) + " left out";
    if (r.notRecorded > 0) {
        summary += "; accepted, not recorded: " + std::to_string(r.notRecorded);
    }
    return summary;
}

// Sends one planned request until an engine takes or refuses it, or none will.
class RequestSender {
public:
    RequestSender(const AnnounceParams& params, const std::vector<std::string>& endpoints,
                  AnnouncementLedger* ledger, const base::Timing& timing, const base::Clock& clock,
                  AnnounceObserver& observer, AnnouncementLog& log, const std::atomic<bool>* cancel,
                  const Fingerprints& fingerprints, AnnounceResult& result)
        : params_(params),
          endpoints_(endpoints),
          ledger_(ledger),
          timing_(timing),
          clock_(clock),
          observer_(observer),
          log_(log),
          cancel_(cancel),
          fingerprints_(fingerprints),
          result_(result) {}

    // TakenNotRecorded: an engine took the request, and the ledger could not be written.
    enum class Sent { Taken, Refused, GivenUp, Cancelled, LedgerFailed, TakenNotRecorded };

    Sent send(const PlannedRequest& request) {
        // Engines check the key each on their own: a 403 sends the request to the next one,
        // and only a 403 from every one is a refusal.
        std::size_t keyRefusals = 0;
        for (const std::string& endpoint : endpoints_) {
            for (int attempt = 1; attempt <= kAttemptsPerEndpoint; ++attempt) {
                if (cancelled(cancel_)) {
                    return Sent::Cancelled;
                }
                const platform::WebResponse answer = exchange(request, endpoint);
                RequestRecord record;
                record.endpoint = endpoint;
                record.method = request.method;
                record.urls = request.urls.size();
                if (answer.failure != platform::WebFailure::None) {
                    record.outcome = RequestOutcome::Unreachable;
                    record.detail = answer.reason;
                    tell(record);
                    if (answer.failure == platform::WebFailure::Certificate) {
                        // A certificate that failed fails again: the next engine at once.
                        attempt = kAttemptsPerEndpoint;
                        continue;
                    }
                    if (attempt < kAttemptsPerEndpoint &&
                        !pause(endpoint, timing_.indexnowRetryWait)) {
                        return Sent::Cancelled;
                    }
                    continue;
                }
                const long status = answer.status;
                record.status = status;
                record.outcome = outcomeOf(status);
                record.retryAfter = retryAfterSeconds(answer.header("retry-after"), clock_.now());
                record.detail = bodyLine(answer.body);
                result_.anyAnswer = true;
                const AnswerClass answerClass = classifyStatus(status);
                if (ledger_ != nullptr) {
                    const base::Error e =
                        ledger_->record(request.urls, endpoint, clock_.now(), status,
                                        token(record.outcome), fingerprints_);
                    if (e) {
                        result_.ledgerError = e.reason;
                        tell(record);
                        return takenNotRecorded(answerClass, request.urls.size());
                    }
                }
                tell(record);
                switch (answerClass) {
                    case AnswerClass::Accepted:
                        result_.accepted += request.urls.size();
                        return Sent::Taken;
                    case AnswerClass::Pending:
                        result_.pending += request.urls.size();
                        return Sent::Taken;
                    case AnswerClass::OurFault:
                        if (status == 403) {
                            noteKeyRefusal(endpoint);
                            if (++keyRefusals < endpoints_.size()) {
                                attempt = kAttemptsPerEndpoint;
                                continue;
                            }
                        }
                        result_.refused += request.urls.size();
                        result_.advice = refusalAdvice(status, params_.scope);
                        result_.engineWords = record.detail;
                        return Sent::Refused;
                    case AnswerClass::Unexpected:
                        // The next endpoint at once: asking again would get the same.
                        attempt = kAttemptsPerEndpoint;
                        continue;
                    case AnswerClass::EngineTrouble:
                        break;
                }
                if (attempt == kAttemptsPerEndpoint) {
                    continue;
                }
                base::Millis wait = timing_.indexnowRetryWait;
                if (record.retryAfter) {
                    const long long limitSeconds = timing_.indexnowRetryWaitLimit.count() / 1000;
                    if (*record.retryAfter > limitSeconds) {
                        // Longer than we wait: the next engine instead.
                        attempt = kAttemptsPerEndpoint;
                        continue;
                    }
                    wait = base::Millis(*record.retryAfter * 1000);
                }
                if (!pause(endpoint, std::min(wait, timing_.indexnowRetryWaitLimit))) {
                    return Sent::Cancelled;
                }
            }
        }
        return Sent::GivenUp;
    }

private:
    platform::WebResponse exchange(const PlannedRequest& request, const std::string& endpoint) {
        platform::WebRequest web;
        web.method = request.method;
        web.url = requestAddress(request, endpoint, params_.scope);
        if (request.method == "POST") {
            web.headers = {kJsonContentType};
            web.body = request.body;
        }
        web.caFile = params_.caFile;
        web.userAgent = params_.userAgent;
        web.maxBodyBytes = kMaxAnswerBytes;
        web.connectTimeout = timing_.indexnowConnectTimeout;
        web.stallTimeout = timing_.indexnowStallTimeout;
        web.deadline = timing_.indexnowDeadline;
        // A stop waits for the request under way, so that what the engine took is recorded.
        web.cancel = nullptr;
        ++result_.requests;
        return platform::fetchWeb(web);
    }

    Sent takenNotRecorded(AnswerClass answerClass, std::size_t urls) {
        if (answerClass == AnswerClass::Accepted) {
            result_.accepted += urls;
        } else if (answerClass == AnswerClass::Pending) {
            result_.pending += urls;
        } else {
            return Sent::LedgerFailed;
        }
        result_.notRecorded += urls;
        return Sent::TakenNotRecorded;
    }

    void noteKeyRefusal(const std::string& endpoint) {
        if (std::find(result_.keyRefusedBy.begin(), result_.keyRefusedBy.end(), endpoint) ==
            result_.keyRefusedBy.end()) {
            result_.keyRefusedBy.push_back(endpoint);
        }
    }

    void tell(const RequestRecord& record) {
        log_.request(record);
        observer_.requestAnswered(record);
    }

    bool pause(const std::string& endpoint, base::Millis wait) {
        observer_.waiting(endpoint, wait);
        return waitFor(wait, cancel_);
    }

    const AnnounceParams& params_;
    const std::vector<std::string>& endpoints_;
    AnnouncementLedger* ledger_;
    const base::Timing& timing_;
    const base::Clock& clock_;
    AnnounceObserver& observer_;
    AnnouncementLog& log_;
    const std::atomic<bool>* cancel_;
    const Fingerprints& fingerprints_;
    AnnounceResult& result_;
};

}  // namespace

FilterResult filterUrls(std::vector<CandidateUrl> urls, const KeyScope& scope) {
    FilterResult result;
    // Positions in `kept`, so that each URL is held once.
    const auto hash = [&](std::size_t i) { return std::hash<std::string>{}(result.kept[i]); };
    const auto same = [&](std::size_t a, std::size_t b) {
        return result.kept[a] == result.kept[b];
    };
    std::unordered_set<std::size_t, decltype(hash), decltype(same)> seen(0, hash, same);
    // URLs left out for where they are, which are few.
    std::unordered_set<std::string> outside;
    for (CandidateUrl& candidate : urls) {
        if (!urlParts(candidate.url) || candidate.url.size() > kMaxUrlLength) {
            result.leftOut.push_back({std::move(candidate.url), LeftOutReason::NotAUrl});
            continue;
        }
        // Sent as RFC 3986 writes it and without its fragment, so "e.html#x" is "e.html".
        std::string url = crawl::normalizedUrl(candidate.url);
        const std::optional<UrlParts> parts = urlParts(url);
        if (!parts || url.size() > kMaxUrlLength) {
            result.leftOut.push_back({std::move(candidate.url), LeftOutReason::NotAUrl});
            continue;
        }
        const ScopeFit fit = fitOf(*parts, scope);
        if (fit != ScopeFit::Inside) {
            const LeftOutReason why = !outside.insert(url).second ? LeftOutReason::Duplicate
                                      : fit == ScopeFit::OtherHost
                                          ? LeftOutReason::OtherHost
                                          : LeftOutReason::OutsideKeyLocation;
            result.leftOut.push_back({std::move(candidate.url), why});
            continue;
        }
        result.kept.push_back(std::move(url));
        if (!seen.insert(result.kept.size() - 1).second) {
            result.kept.pop_back();
            result.leftOut.push_back({std::move(candidate.url), LeftOutReason::Duplicate});
            continue;
        }
        result.keptLastModified.push_back(candidate.lastModified);
        std::string().swap(candidate.url);
    }
    return result;
}

AnnounceResult announce(AnnounceParams params, AnnouncementLedger* ledger,
                        const base::Timing& timing, const base::Clock& clock,
                        AnnounceObserver& observer, const std::atomic<bool>* cancel) {
    const std::vector<std::string> endpoints =
        params.endpoints.empty() ? std::vector<std::string>{kDefaultEndpoint} : params.endpoints;
    AnnounceResult result;
    result.candidates = params.urls.size();
    // A dry run leaves no trace.
    AnnouncementLog log(params.dryRun ? std::string() : params.logsDir, params.scope.host,
                        clock.toLocal(clock.now()));
    result.logPath = log.path();

    // Recorded with each URL sent, for the next run to compare; taken before the filter takes
    // the candidates apart.
    Fingerprints fingerprints;
    for (const CandidateUrl& candidate : params.urls) {
        if (!candidate.fingerprint.empty()) {
            fingerprints.emplace(crawl::normalizedUrl(candidate.url), candidate.fingerprint);
        }
    }
    FilterResult filtered = filterUrls(std::move(params.urls), params.scope);
    filtered.leftOut.insert(filtered.leftOut.begin(), params.leftOut.begin(), params.leftOut.end());
    if (ledger != nullptr && !params.force && !filtered.kept.empty()) {
        // A page whose content was fingerprinted then and now goes again only when the content
        // changed; one that says when it last changed, only when it changed after it was last
        // taken; one that does neither, once the resend wait is over.
        const base::TimePoint now = clock.now();
        const base::TimePoint since = now - timing.indexnowResendAfter;
        const std::map<std::string, AcceptedSending> taken =
            ledger->lastAcceptedSendings(filtered.kept);
        std::vector<std::string> kept;
        kept.reserve(filtered.kept.size());
        for (std::size_t i = 0; i < filtered.kept.size(); ++i) {
            std::string& url = filtered.kept[i];
            const std::optional<base::TimePoint>& lastModified = filtered.keptLastModified[i];
            // A date still to come says nothing of a change: such a page waits as an undated one.
            const bool dated = lastModified.has_value() && *lastModified <= now;
            if (lastModified.has_value() && !dated) {
                result.futureDated.push_back(url);
            }
            const auto last = taken.find(url);
            const auto fingerprint = fingerprints.find(url);
            if (last == taken.end()) {
                kept.push_back(std::move(url));
            } else if (fingerprint != fingerprints.end() && !last->second.fingerprint.empty()) {
                if (fingerprint->second != last->second.fingerprint) {
                    kept.push_back(std::move(url));
                } else {
                    filtered.leftOut.push_back({std::move(url), LeftOutReason::Unchanged});
                }
            } else if (dated) {
                if (*lastModified > last->second.when) {
                    kept.push_back(std::move(url));
                } else {
                    filtered.leftOut.push_back({std::move(url), LeftOutReason::Unchanged});
                }
            } else if (last->second.when >= since) {
                filtered.leftOut.push_back({std::move(url), LeftOutReason::SentRecently});
            } else {
                kept.push_back(std::move(url));
            }
        }
        filtered.kept = std::move(kept);
    }
    result.leftOut = filtered.leftOut.size();
    result.toSend = filtered.kept.size();
    for (const LeftOutUrl& url : filtered.leftOut) {
        log.leftOut(url);
        observer.urlLeftOut(url);
    }
    for (const std::string& url : result.futureDated) {
        log.futureDated(url);
    }

    // One request at a time is made, so that only its URLs and body are held twice.
    const std::size_t requests = requestCount(filtered.kept.size());
    if (params.dryRun) {
        for (std::size_t i = 0; i < requests; ++i) {
            const PlannedRequest request = planRequest(filtered.kept, i, params.scope);
            observer.requestPlanned(request.method,
                                    requestAddress(request, endpoints.front(), params.scope),
                                    request.body);
        }
        return result;
    }
    std::size_t done = 0;
    observer.progress(0, result.toSend);
    RequestSender sender(params, endpoints, ledger, timing, clock, observer, log, cancel,
                         fingerprints, result);
    for (std::size_t i = 0; i < requests; ++i) {
        const PlannedRequest request = planRequest(filtered.kept, i, params.scope);
        const RequestSender::Sent sent = sender.send(request);
        done += request.urls.size();
        if (sent == RequestSender::Sent::GivenUp) {
            result.undelivered += request.urls.size();
        }
        observer.progress(done, result.toSend);
        if (sent == RequestSender::Sent::Taken) {
            continue;
        }
        if (sent == RequestSender::Sent::TakenNotRecorded) {
            // What goes on could not be recorded either.
            result.undelivered += result.toSend - done;
            result.ending = AnnounceEnding::LedgerFailed;
            break;
        }
        // A refusal would be the same for the rest; an engine that took nothing after its
        // retries and fallbacks is not pressed with more.
        result.undelivered += result.toSend - done;
        result.ending = sent == RequestSender::Sent::Refused        ? AnnounceEnding::Refused
                        : sent == RequestSender::Sent::Cancelled    ? AnnounceEnding::Cancelled
                        : sent == RequestSender::Sent::LedgerFailed ? AnnounceEnding::LedgerFailed
                                                                    : AnnounceEnding::Finished;
        if (sent == RequestSender::Sent::Cancelled || sent == RequestSender::Sent::LedgerFailed) {
            result.undelivered += request.urls.size();
        }
        break;
    }
    log.finish(summaryOf(result), result.advice);
    return result;
}

}  // namespace farrow::indexnow
