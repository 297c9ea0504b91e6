#include "submit/http_exchange.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>

#include "app/text.h"
#include "platform/curl_handle.h"
#include "submit/reply_collector.h"

namespace farrow::submit {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kPlatformMessageLimit = 1023;
constexpr long kMaxRedirects = 10;

struct CurlUrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

// The state one transfer's callbacks share; it lives on the stack of `sendExchange`.
struct Transfer {
    Transfer(CURL* h, std::string& reply, const app::Timing& timing)
        : handle(h),
          collector(reply),
          sendTimeout(timing.httpSendTimeout),
          receiveTimeout(timing.httpReceiveTimeout) {}

    CURL* handle;
    ReplyCollector collector;
    app::Millis sendTimeout;
    app::Millis receiveTimeout;
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastReceived = -1;
    curl_off_t lastSent = -1;
    // Set when the watch gave up on a silent peer, with the phase it was in.
    bool stalled = false;
    bool stalledSending = false;
};

long responseCode(CURL* h) {
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

std::size_t takeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    // The body of an error status is not wanted; stopping here spares reading a large page.
    if (responseCode(t->handle) >= 400) {
        return 0;
    }
    t->collector.feed({data, size * count});
    return size * count;
}

std::size_t takeHeader(char*, std::size_t size, std::size_t count, void* user) {
    static_cast<Transfer*>(user)->lastActivity = Clock::now();
    return size * count;
}

// The send and receive time-outs mean "no byte moved for that long", not a cap on the whole
// transfer: a slow but steady reply is read to its end, a silent one is given up.
int watchProgress(void* user, curl_off_t, curl_off_t received, curl_off_t sendTotal,
                  curl_off_t sent) {
    auto* t = static_cast<Transfer*>(user);
    const Clock::time_point now = Clock::now();
    curl_off_t connectTime = 0;
    curl_easy_getinfo(t->handle, CURLINFO_CONNECT_TIME_T, &connectTime);
    // Until the connection stands, the connect time-out of libcurl is the one that counts.
    if (connectTime == 0 || received != t->lastReceived || sent != t->lastSent) {
        t->lastReceived = received;
        t->lastSent = sent;
        t->lastActivity = now;
        return 0;
    }
    const bool sending = sendTotal > 0 && sent < sendTotal;
    if (now - t->lastActivity >= (sending ? t->sendTimeout : t->receiveTimeout)) {
        t->stalled = true;
        t->stalledSending = sending;
        return 1;
    }
    return 0;
}

void fail(HttpExchange& exchange, std::string text) {
    if (text.size() > kErrorTextLimit) {
        text.resize(kErrorTextLimit);
    }
    exchange.errorText = std::move(text);
    exchange.ok = false;
}

// The scheme of `url` in lower case, or empty when it is no absolute URL with a host.
std::string schemeOf(const std::string& url) {
    std::unique_ptr<CURLU, CurlUrlDeleter> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        return {};
    }
    char* scheme = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) {
        return {};
    }
    std::string result(scheme);
    curl_free(scheme);
    return result;
}

// Request builders leave spaces in addresses (a street address "1+Main+St, Apt+2", extra
// parameters of " "), which libcurl refuses outright; they travel as %20, and control
// characters as their escapes too, so such a site is not failed before it is asked. A "#" (a
// fragment of the user's URL, a keyword "C#") would end what is sent, so it travels as %23.
std::string escapeUnsafeBytes(const std::string& url) {
    std::string out;
    out.reserve(url.size());
    for (unsigned char c : url) {
        if (c <= 0x20 || c == 0x7f || c == '#') {
            out += app::format("%%%02X", c);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string transportMessage(CURLcode rc, const char* errorBuffer, const Transfer& transfer,
                             const app::Timing& timing) {
    std::string message;
    if (transfer.stalled) {
        const app::Millis limit =
            transfer.stalledSending ? timing.httpSendTimeout : timing.httpReceiveTimeout;
        message = app::format(
            "%s: nothing %s for %lld ms", curl_easy_strerror(CURLE_OPERATION_TIMEDOUT),
            transfer.stalledSending ? "sent" : "received", static_cast<long long>(limit.count()));
    } else if (errorBuffer[0] != '\0') {
        message = errorBuffer;
    } else {
        message = curl_easy_strerror(rc);
    }
    if (message.size() > kPlatformMessageLimit) {
        message.resize(kPlatformMessageLimit);
    }
    return message;
}

}  // namespace

void resetExchange(HttpExchange& exchange) {
    exchange.data.clear();
    exchange.method.clear();
    exchange.errorText.clear();
    exchange.status = 1;
    exchange.responseCode = 0;
    exchange.reply.clear();
    exchange.ok = true;
}

void sendExchange(HttpExchange& exchange, const app::Timing& timing) {
    const bool post = exchange.method == "POST";
    if (!post && exchange.method != "GET") {
        return;
    }
    exchange.ok = true;

    platform::CurlEasy handle = platform::makeCurlEasy();
    if (!handle) {
        fail(exchange,
             app::format("Inernet Session to %s Could Not Be Established", exchange.url.c_str()));
        return;
    }

    // A POST goes to plain HTTP only; a GET may also open an HTTPS page. Anything else (ftp,
    // file, ...) is refused before any traffic.
    const std::string target =
        escapeUnsafeBytes(post ? exchange.url : exchange.url + exchange.data);
    const std::string scheme = schemeOf(target);
    if (scheme != "http" && (post || scheme != "https")) {
        fail(exchange, app::format("AfxParseUrl of %s returned an error", exchange.url.c_str()));
        return;
    }

    CURL* h = handle.get();
    Transfer transfer(h, exchange.reply, timing);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    platform::CurlSlist headers;

    curl_easy_setopt(h, CURLOPT_URL, target.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, post ? "http" : "http,https");
    curl_easy_setopt(h, CURLOPT_USERAGENT, kAgentName);
    // No proxy is set here: libcurl takes the system's from the environment (http_proxy,
    // https_proxy, all_proxy, no_proxy).
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(timing.httpConnectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &takeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &takeHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &watchProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    if (post) {
        headers.reset(
            curl_slist_append(nullptr, "Content-Type: application/x-www-form-urlencoded"));
        // Without this libcurl asks for "100 Continue" before larger bodies and waits for it.
        if (headers) {
            curl_slist_append(headers.get(), "Expect:");
        }
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, exchange.data.data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(exchange.data.size()));
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    } else {
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
        curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    }

    const CURLcode rc = curl_easy_perform(h);
    const long code = responseCode(h);
    exchange.responseCode = static_cast<int>(code);
    if (code >= 400) {
        fail(exchange, app::format("Failed with RC of %d", static_cast<int>(code)));
        if (post) {
            exchange.status = static_cast<int>(code);
        }
    } else if (rc != CURLE_OK) {
        fail(exchange,
             "CInternet Exception Caught: " + transportMessage(rc, errorBuffer, transfer, timing));
    }
}

}  // namespace farrow::submit
