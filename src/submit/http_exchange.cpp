#include "submit/http_exchange.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <string_view>

#include "base/text.h"
#include "platform/curl_handle.h"
#include "platform/transfer_watch.h"
#include "submit/reply_collector.h"

namespace farrow::submit {

namespace {

using Clock = platform::TransferWatch::Clock;

constexpr std::size_t kPlatformMessageLimit = 1023;
constexpr long kMaxRedirects = 10;

struct CurlUrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

// The state one transfer's callbacks and its loop share; it lives on the stack of
// `sendExchange`.
struct Transfer {
    Transfer(CURL* h, std::string& reply) : handle(h), collector(reply) {}

    CURL* handle;
    ReplyCollector collector;
    // False from the first line of a header block until its blank line, so that a reply cut
    // off inside its headers is told from a whole one.
    bool headersEnded = false;
    // How the loop ended, when it gave up itself.
    enum class Stop { No, Stalled, ExchangeLimit } stop = Stop::No;
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

std::size_t takeHeader(char* data, std::size_t size, std::size_t count, void* user) {
    const std::string_view line(data, size * count);
    static_cast<Transfer*>(user)->headersEnded = line == "\r\n" || line == "\n";
    return size * count;
}

// Removes the easy handle from the multi handle before either is cleaned up.
struct MultiMember {
    MultiMember(CURLM* m, CURL* h) : multi(m), handle(h) { curl_multi_add_handle(m, h); }
    ~MultiMember() { curl_multi_remove_handle(multi, handle); }
    MultiMember(const MultiMember&) = delete;
    MultiMember& operator=(const MultiMember&) = delete;
    CURLM* multi;
    CURL* handle;
};

// Runs the transfer. The send and receive time-outs mean "no byte moved for that long", not a
// cap on the whole transfer: a slow but steady reply is read to its end, a silent one is given
// up as soon as its limit has passed. The optional exchange limit caps the whole transfer.
CURLcode runTransfer(Transfer& t, const base::Timing& timing, curl_off_t bodySize,
                     std::string& multiError) {
    const platform::CurlMultiLease multi;
    // The connection closes when the transfer ends, as it did when each transfer had a multi
    // handle of its own: nothing of it stays in the lent handle.
    curl_easy_setopt(t.handle, CURLOPT_FORBID_REUSE, 1L);
    if (!multi.get()) {
        return CURLE_OUT_OF_MEMORY;
    }
    MultiMember member(multi.get(), t.handle);
    platform::TransferWatch watch(timing.exchangeLimit, nullptr);
    for (;;) {
        int running = 0;
        const CURLMcode mc = curl_multi_perform(multi.get(), &running);
        if (mc != CURLM_OK) {
            multiError = curl_multi_strerror(mc);
            return CURLE_FAILED_INIT;
        }
        if (running == 0) {
            int left = 0;
            const CURLMsg* msg = curl_multi_info_read(multi.get(), &left);
            return msg && msg->msg == CURLMSG_DONE ? msg->data.result : CURLE_OK;
        }
        const Clock::time_point now = Clock::now();
        // Every byte moved counts as activity: body, complete header lines, and (below) any
        // event on the connection, such as a header line trickled byte by byte or a send
        // buffer draining. Until the connection stands, libcurl's connect time-out counts.
        curl_off_t connectTime = 0;
        curl_off_t received = 0;
        curl_off_t sent = 0;
        long headerBytes = 0;
        curl_easy_getinfo(t.handle, CURLINFO_CONNECT_TIME_T, &connectTime);
        curl_easy_getinfo(t.handle, CURLINFO_SIZE_DOWNLOAD_T, &received);
        curl_easy_getinfo(t.handle, CURLINFO_SIZE_UPLOAD_T, &sent);
        curl_easy_getinfo(t.handle, CURLINFO_HEADER_SIZE, &headerBytes);
        watch.observe(now, received + sent + headerBytes, connectTime != 0);
        const bool sending = bodySize > 0 && sent < bodySize;
        const base::Millis limit = sending ? timing.httpSendTimeout : timing.httpReceiveTimeout;
        switch (watch.check(now, limit)) {
            case platform::TransferWatch::Verdict::Going:
            case platform::TransferWatch::Verdict::Cancelled:
                break;
            case platform::TransferWatch::Verdict::Stalled:
                t.stop = Transfer::Stop::Stalled;
                t.stalledSending = sending;
                return CURLE_OPERATION_TIMEDOUT;
            case platform::TransferWatch::Verdict::PastDeadline:
                t.stop = Transfer::Stop::ExchangeLimit;
                return CURLE_OPERATION_TIMEDOUT;
        }
        const Clock::duration wait = watch.left(now, limit);
        // Returns early when the connection stirs or libcurl has a timer of its own due.
        int events = 0;
        const auto waitMs = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
        if (curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(waitMs), &events) !=
            CURLM_OK) {
            events = 0;
        }
        if (events > 0) {
            watch.stir(Clock::now());
        }
    }
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
            out += base::format("%%%02X", c);
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string transportMessage(CURLcode rc, const char* errorBuffer, const std::string& multiError,
                             const Transfer& transfer, const base::Timing& timing) {
    std::string message;
    if (transfer.stop == Transfer::Stop::Stalled) {
        const base::Millis limit =
            transfer.stalledSending ? timing.httpSendTimeout : timing.httpReceiveTimeout;
        message = base::format(
            "%s: nothing %s for %lld ms", curl_easy_strerror(CURLE_OPERATION_TIMEDOUT),
            transfer.stalledSending ? "sent" : "received", static_cast<long long>(limit.count()));
    } else if (transfer.stop == Transfer::Stop::ExchangeLimit) {
        message = base::format("%s: the exchange ran for %lld ms",
                               curl_easy_strerror(CURLE_OPERATION_TIMEDOUT),
                               static_cast<long long>(timing.exchangeLimit->count()));
    } else if (!multiError.empty()) {
        message = multiError;
    } else if (rc == CURLE_OK) {
        message = "the reply ended inside its headers";
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

void sendExchange(HttpExchange& exchange, const base::Timing& timing) {
    const bool post = exchange.method == "POST";
    if (!post && exchange.method != "GET") {
        return;
    }
    exchange.ok = true;

    platform::CurlEasy handle = platform::makeCurlEasy();
    if (!handle) {
        fail(exchange,
             base::format("Inernet Session to %s Could Not Be Established", exchange.url.c_str()));
        return;
    }

    // A POST goes to plain HTTP only; a GET may also open an HTTPS page. Anything else (ftp,
    // file, ...) is refused before any traffic.
    const std::string target =
        escapeUnsafeBytes(post ? exchange.url : exchange.url + exchange.data);
    const std::string scheme = schemeOf(target);
    if (scheme != "http" && (post || scheme != "https")) {
        fail(exchange, base::format("AfxParseUrl of %s returned an error", exchange.url.c_str()));
        return;
    }

    CURL* h = handle.get();
    Transfer transfer(h, exchange.reply);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    // No accept types are sent: libcurl's default "Accept: */*" is taken out.
    platform::CurlSlist headers(curl_slist_append(nullptr, "Accept:"));
    if (!headers) {
        fail(exchange,
             base::format("Inernet Session to %s Could Not Be Established", exchange.url.c_str()));
        return;
    }

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
    if (post) {
        curl_slist_append(headers.get(), "Content-Type: application/x-www-form-urlencoded");
        // Without this libcurl asks for "100 Continue" before larger bodies and waits for it.
        curl_slist_append(headers.get(), "Expect:");
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
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());

    std::string multiError;
    const CURLcode rc = runTransfer(
        transfer, timing, post ? static_cast<curl_off_t>(exchange.data.size()) : 0, multiError);
    const long code = responseCode(h);
    exchange.responseCode = static_cast<int>(code);
    if (code >= 400) {
        fail(exchange, base::format("Failed with RC of %d", static_cast<int>(code)));
        if (post) {
            exchange.status = static_cast<int>(code);
        }
    } else if (rc != CURLE_OK || !transfer.headersEnded) {
        fail(exchange, "CInternet Exception Caught: " +
                           transportMessage(rc, errorBuffer, multiError, transfer, timing));
    }
}

}  // namespace farrow::submit
