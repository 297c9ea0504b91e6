#include "platform/page_reader.h"

#include <curl/curl.h>

#include "platform/curl_handle.h"

namespace farrow::platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr long kMaxRedirects = 10;

// The state one read's callbacks share; it lives on the stack of `readPageLines`.
struct PageTransfer {
    CURL* handle = nullptr;
    const PageLineHandler* onLine = nullptr;
    std::chrono::milliseconds stallTimeout{};
    std::string pending;
    bool stoppedByHandler = false;
    bool stalled = false;
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastReceived = -1;

    // Hands over one line without its "\n" or "\r\n"; false once the handler wants no more.
    bool deliver(std::string_view line) {
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!(*onLine)(line)) {
            stoppedByHandler = true;
            return false;
        }
        return true;
    }
};

std::size_t takeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<PageTransfer*>(user);
    const std::string_view chunk(data, size * count);
    std::size_t start = 0;
    for (std::size_t end = chunk.find('\n'); end != std::string_view::npos;
         end = chunk.find('\n', start)) {
        bool more;
        if (t->pending.empty()) {
            more = t->deliver(chunk.substr(start, end - start));
        } else {
            t->pending.append(chunk.substr(start, end - start));
            more = t->deliver(t->pending);
            t->pending.clear();
        }
        if (!more) {
            return 0;
        }
        start = end + 1;
    }
    t->pending.append(chunk.substr(start));
    // Time spent in the handler (the crawl reads linked pages from there) is no silence of the
    // server.
    t->lastActivity = Clock::now();
    return size * count;
}

// "Nothing received for the stall time" once connected; the connect time-out covers the rest.
int watchProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto* t = static_cast<PageTransfer*>(user);
    const Clock::time_point now = Clock::now();
    curl_off_t connectTime = 0;
    curl_easy_getinfo(t->handle, CURLINFO_CONNECT_TIME_T, &connectTime);
    if (connectTime == 0 || received != t->lastReceived) {
        t->lastReceived = received;
        t->lastActivity = now;
        return 0;
    }
    if (now - t->lastActivity >= t->stallTimeout) {
        t->stalled = true;
        return 1;
    }
    return 0;
}

std::size_t takeHeader(char*, std::size_t size, std::size_t count, void* user) {
    static_cast<PageTransfer*>(user)->lastActivity = Clock::now();
    return size * count;
}

}  // namespace

PageReadResult readPageLines(const std::string& url, const PageReadOptions& options,
                             const PageLineHandler& onLine) {
    CurlEasy handle = makeCurlEasy();
    if (!handle) {
        return {false, "no internet session"};
    }
    CURL* h = handle.get();
    PageTransfer transfer;
    transfer.handle = h;
    transfer.onLine = &onLine;
    transfer.stallTimeout = options.stallTimeout;

    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    // Only web pages are read: an address of another scheme found on a page (ftp:, file:) is
    // never opened.
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    if (!options.userAgent.empty()) {
        curl_easy_setopt(h, CURLOPT_USERAGENT, options.userAgent.c_str());
    }
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(options.connectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &takeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &takeHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &watchProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);

    const CURLcode rc = curl_easy_perform(h);
    if (transfer.stoppedByHandler) {
        return {};
    }
    if (rc != CURLE_OK) {
        if (transfer.stalled) {
            return {false,
                    "nothing received for " + std::to_string(options.stallTimeout.count()) + " ms"};
        }
        return {false, curl_easy_strerror(rc)};
    }
    // The last line of a page need not end with a line break.
    if (!transfer.pending.empty()) {
        transfer.deliver(transfer.pending);
    }
    return {};
}

}  // namespace farrow::platform
