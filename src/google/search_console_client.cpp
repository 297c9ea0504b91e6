#include "google/search_console_client.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "google/json_web_token.h"
#include "platform/web_client.h"

namespace farrow::google {

namespace {

// The answers of these services are small; a larger one is no answer of theirs.
constexpr std::size_t kMaxAnswerBytes = 4u << 20;
// How often a pause looks at the cancel flag.
constexpr base::Millis kPauseSlice{20};

bool cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load();
}

platform::WebRequest requestOf(const ApiSettings& settings, const base::Timing& timing) {
    platform::WebRequest r;
    r.caFile = settings.caFile;
    r.userAgent = settings.userAgent;
    r.maxBodyBytes = kMaxAnswerBytes;
    r.connectTimeout = timing.googleConnectTimeout;
    r.stallTimeout = timing.googleStallTimeout;
    r.deadline = timing.googleDeadline;
    r.cancel = settings.cancel;
    return r;
}

std::string trimmedBase(std::string base) {
    while (base.ends_with('/')) {
        base.pop_back();
    }
    return base;
}

// The message of an error answer: {"error":{"code","message","status"}}.
std::string errorMessage(const nlohmann::json& body) {
    if (body.is_object()) {
        const auto error = body.find("error");
        if (error != body.end() && error->is_object()) {
            const auto message = error->find("message");
            if (message != error->end() && message->is_string()) {
                return message->get<std::string>();
            }
        }
    }
    return {};
}

CallOutcome outcomeOf(long status) {
    if (status >= 200 && status < 300) {
        return CallOutcome::Done;
    }
    switch (status) {
        case 401:
            return CallOutcome::Unauthenticated;
        case 403:
            return CallOutcome::PermissionDenied;
        case 404:
            return CallOutcome::NotFound;
        case 429:
            return CallOutcome::QuotaSpent;
        default:
            return status >= 500 ? CallOutcome::ServerFailed : CallOutcome::Refused;
    }
}

ApiAnswer transportAnswer(const platform::WebResponse& result) {
    ApiAnswer a;
    a.outcome = result.failure == platform::WebFailure::Cancelled ? CallOutcome::Cancelled
                                                                  : CallOutcome::Unreachable;
    a.message = result.reason;
    return a;
}

}  // namespace

ApiSettings apiSettings(const std::string& override) {
    ApiSettings s;
    if (!override.empty()) {
        s.api = trimmedBase(override);
        s.inspectApi = s.api;
    }
    return s;
}

std::string text(CallOutcome outcome) {
    switch (outcome) {
        case CallOutcome::Done:
            return "done";
        case CallOutcome::Unauthenticated:
            return "the access token was refused";
        case CallOutcome::PermissionDenied:
            return "permission denied";
        case CallOutcome::QuotaSpent:
            return "the quota is spent";
        case CallOutcome::NotFound:
            return "not found";
        case CallOutcome::Refused:
            return "refused";
        case CallOutcome::ServerFailed:
            return "the service failed";
        case CallOutcome::Unreachable:
            return "the service could not be reached";
        case CallOutcome::Cancelled:
            return "stopped";
        case CallOutcome::BadAnswer:
            return "the service's answer could not be read";
    }
    return {};
}

std::string token(CallOutcome outcome) {
    switch (outcome) {
        case CallOutcome::Done:
            return "done";
        case CallOutcome::Unauthenticated:
            return "unauthenticated";
        case CallOutcome::PermissionDenied:
            return "permission-denied";
        case CallOutcome::QuotaSpent:
            return "quota-spent";
        case CallOutcome::NotFound:
            return "not-found";
        case CallOutcome::Refused:
            return "refused";
        case CallOutcome::ServerFailed:
            return "server-failed";
        case CallOutcome::Unreachable:
            return "unreachable";
        case CallOutcome::Cancelled:
            return "cancelled";
        case CallOutcome::BadAnswer:
            return "bad-answer";
    }
    return {};
}

std::string encodeSegment(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

bool pause(base::Millis wait, const std::atomic<bool>* cancel) {
    const auto end = std::chrono::steady_clock::now() + wait;
    while (!cancelled(cancel)) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) {
            return true;
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(end - now, kPauseSlice));
    }
    return false;
}

TokenClient::TokenClient(ServiceAccount account, ApiSettings settings, const base::Timing& timing,
                         const base::Clock& clock)
    : account_(std::move(account)),
      settings_(std::move(settings)),
      timing_(timing),
      clock_(clock) {}

ApiAnswer TokenClient::token(bool renew) {
    const base::TimePoint now = clock_.now();
    if (!renew && !token_.empty() && now + timing_.googleTokenMargin < expires_) {
        return {CallOutcome::Done, 200, nullptr, token_};
    }
    token_.clear();
    const SignedToken signedToken = signAssertion(account_, now);
    if (!signedToken.jwt) {
        return {CallOutcome::Unauthenticated, 0, nullptr, signedToken.error.reason};
    }
    platform::WebRequest request = requestOf(settings_, timing_);
    request.method = "POST";
    request.url = account_.tokenUri;
    request.headers = {"Content-Type: application/x-www-form-urlencoded"};
    request.body = "grant_type=" + encodeSegment("urn:ietf:params:oauth:grant-type:jwt-bearer") +
                   "&assertion=" + *signedToken.jwt;
    ++fetched_;
    const platform::WebResponse response = platform::fetchWeb(request);
    if (response.failed()) {
        return transportAnswer(response);
    }
    const nlohmann::json body = nlohmann::json::parse(response.body, nullptr, false);
    if (response.status != 200) {
        ApiAnswer a{outcomeOf(response.status), response.status, nullptr, {}};
        if (a.outcome == CallOutcome::Refused || a.outcome == CallOutcome::NotFound) {
            a.outcome = CallOutcome::Unauthenticated;
        }
        if (body.is_object() && body.contains("error_description") &&
            body["error_description"].is_string()) {
            a.message = body["error_description"].get<std::string>();
        } else if (body.is_object() && body.contains("error") && body["error"].is_string()) {
            a.message = body["error"].get<std::string>();
        } else {
            a.message = "the token endpoint answered " + std::to_string(response.status);
        }
        return a;
    }
    if (!body.is_object() || !body.contains("access_token") || !body["access_token"].is_string() ||
        body["access_token"].get<std::string>().empty()) {
        return {CallOutcome::BadAnswer, response.status, nullptr,
                "the token endpoint's answer holds no access_token"};
    }
    long long seconds = kAssertionSeconds;
    if (body.contains("expires_in") && body["expires_in"].is_number_integer()) {
        seconds = body["expires_in"].get<long long>();
    }
    token_ = body["access_token"].get<std::string>();
    expires_ = now + std::chrono::seconds(seconds);
    return {CallOutcome::Done, 200, nullptr, token_};
}

SearchConsoleClient::SearchConsoleClient(TokenClient& tokens, ApiSettings settings,
                                         const base::Timing& timing)
    : tokens_(tokens), settings_(std::move(settings)), timing_(timing) {}

ApiAnswer SearchConsoleClient::call(const std::string& method, const std::string& url,
                                    const std::string& body, bool retryQuota) {
    bool renewed = false;
    std::size_t retries = 0;
    for (;;) {
        ApiAnswer bearer = tokens_.token(false);
        if (!bearer.done()) {
            return bearer;
        }
        platform::WebRequest request = requestOf(settings_, timing_);
        request.method = method;
        request.url = url;
        request.headers = {"Authorization: Bearer " + bearer.message};
        if (!body.empty()) {
            request.headers.push_back("Content-Type: application/json");
        }
        request.body = body;
        const platform::WebResponse result = platform::fetchWeb(request);
        ApiAnswer answer;
        if (result.failure != platform::WebFailure::None) {
            answer = transportAnswer(result);
        } else {
            answer.status = result.status;
            answer.outcome = outcomeOf(answer.status);
            if (!result.body.empty()) {
                answer.body = nlohmann::json::parse(result.body, nullptr, false);
                if (answer.body.is_discarded()) {
                    answer.body = nullptr;
                    if (answer.outcome == CallOutcome::Done) {
                        answer.outcome = CallOutcome::BadAnswer;
                        answer.message = "the answer is no JSON";
                    }
                }
            }
            if (answer.outcome != CallOutcome::Done && answer.outcome != CallOutcome::BadAnswer) {
                answer.message = errorMessage(answer.body);
            }
        }
        if (answer.outcome == CallOutcome::Unauthenticated && !renewed) {
            renewed = true;
            if (ApiAnswer fresh = tokens_.token(true); !fresh.done()) {
                return fresh;
            }
            continue;
        }
        // A certificate that failed verification fails again.
        const bool again = (answer.outcome == CallOutcome::ServerFailed ||
                            answer.outcome == CallOutcome::Unreachable ||
                            (retryQuota && answer.outcome == CallOutcome::QuotaSpent)) &&
                           result.failure != platform::WebFailure::Certificate;
        if (!again || retries >= timing_.googleRetries) {
            return answer;
        }
        ++retries;
        if (!pause(timing_.googleRetryWait, settings_.cancel)) {
            return {CallOutcome::Cancelled, 0, nullptr, "stopped"};
        }
    }
}

ApiAnswer SearchConsoleClient::sites() {
    return call("GET", settings_.api + "/webmasters/v3/sites", {}, true);
}

ApiAnswer SearchConsoleClient::submitSitemap(const std::string& property, const std::string& feed) {
    return call("PUT",
                settings_.api + "/webmasters/v3/sites/" + encodeSegment(property) + "/sitemaps/" +
                    encodeSegment(feed),
                {}, true);
}

ApiAnswer SearchConsoleClient::sitemaps(const std::string& property) {
    return call("GET",
                settings_.api + "/webmasters/v3/sites/" + encodeSegment(property) + "/sitemaps", {},
                true);
}

ApiAnswer SearchConsoleClient::inspect(const std::string& property, const std::string& url) {
    const nlohmann::json body{{"inspectionUrl", url}, {"siteUrl", property}};
    return call("POST", settings_.inspectApi + "/v1/urlInspection/index:inspect", body.dump(),
                false);
}

}  // namespace farrow::google
