#include "platform/page_reader.h"

#include <curl/curl.h>

#include "platform/curl_handle.h"
#include "platform/transfer_watch.h"

namespace farrow::platform {

namespace {

using Clock = TransferWatch::Clock;

constexpr long kMaxRedirects = 10;

// What ended a read before the page did.
enum class Cut { None, Handler, Stopped, Stalled, TooSlow, TooLong };

// The state one read's callbacks share; it lives on the stack of `readPageLines`.
struct PageTransfer {
    PageTransfer(CURL* h, const PageLineHandler& handler, const PageReadOptions& o)
        : handle(h), onLine(&handler), options(&o), watch(o.readLimit, o.stop) {}

    CURL* handle;
    const PageLineHandler* onLine;
    const PageReadOptions* options;
    LineSplitter lines{kMaxLineBytes};
    Cut cut = Cut::None;
    // Time spent in the line handler (the crawl reads linked pages from there) is neither
    // silence of the server nor part of this page's read.
    TransferWatch watch;
    std::size_t bodyBytes = 0;

    bool stopRaised() const {
        return options->stop != nullptr && options->stop->load(std::memory_order_acquire);
    }
};

std::size_t takeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<PageTransfer*>(user);
    if (t->stopRaised()) {
        t->cut = Cut::Stopped;
        return 0;
    }
    std::string_view chunk(data, size * count);
    const std::size_t room = t->options->maxPageBytes - t->bodyBytes;
    const bool full = chunk.size() > room;
    chunk = chunk.substr(0, room);
    t->bodyBytes += chunk.size();

    const Clock::time_point before = Clock::now();
    const bool more = t->lines.take(chunk, *t->onLine);
    const Clock::time_point after = Clock::now();
    t->watch.exclude(after - before);
    t->watch.stir(after);
    if (!more) {
        t->cut = Cut::Handler;
        return 0;
    }
    if (full) {
        t->cut = Cut::TooLong;
        return 0;
    }
    return size * count;
}

// "Nothing received for the stall time" once connected, the connect time-out covers the rest;
// and the whole read's limit.
int watchProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto* t = static_cast<PageTransfer*>(user);
    const Clock::time_point now = Clock::now();
    curl_off_t connectTime = 0;
    curl_easy_getinfo(t->handle, CURLINFO_CONNECT_TIME_T, &connectTime);
    t->watch.observe(now, received, connectTime != 0);
    switch (t->watch.check(now, t->options->stallTimeout)) {
        case TransferWatch::Verdict::Going:
            return 0;
        case TransferWatch::Verdict::Cancelled:
            t->cut = Cut::Stopped;
            return 1;
        case TransferWatch::Verdict::PastDeadline:
            t->cut = Cut::TooSlow;
            return 1;
        case TransferWatch::Verdict::Stalled:
            t->cut = Cut::Stalled;
            return 1;
    }
    return 0;
}

std::size_t takeHeader(char*, std::size_t size, std::size_t count, void* user) {
    static_cast<PageTransfer*>(user)->watch.stir(Clock::now());
    return size * count;
}

PageReadResult failure(std::string reason, std::string limitHit) {
    PageReadResult result;
    result.ok = false;
    result.reason = std::move(reason);
    result.limitHit = std::move(limitHit);
    return result;
}

std::string cutLinesNote(std::size_t maxLine) {
    return "lines longer than " + std::to_string(maxLine) + " bytes were cut";
}

}  // namespace

PageReadResult readPageLines(const std::string& url, const PageReadOptions& options,
                             const PageLineHandler& onLine) {
    CurlEasy handle = makeCurlEasy();
    if (!handle) {
        return failure("no internet session", {});
    }
    CURL* h = handle.get();
    PageTransfer transfer(h, onLine, options);
    transfer.lines = LineSplitter(options.maxLineBytes);

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
    if (!options.caFile.empty()) {
        trustCaFileToo(h, options.caFile);
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
    PageReadResult result;
    if (transfer.lines.cutAny()) {
        result.limitHit = cutLinesNote(options.maxLineBytes);
    }
    switch (transfer.cut) {
        case Cut::Handler:
            return result;
        case Cut::Stopped:
            result.stopped = true;
            return result;
        case Cut::TooLong:
            // The unfinished line at the cut is dropped: half a line could yield half a link.
            result.limitHit = "only the first " + std::to_string(options.maxPageBytes) +
                              " bytes were read" +
                              (result.limitHit.empty() ? "" : "; " + result.limitHit);
            return result;
        case Cut::Stalled:
            return failure(
                "nothing received for " + std::to_string(options.stallTimeout.count()) + " ms",
                result.limitHit);
        case Cut::TooSlow:
            return failure("the page took longer than " +
                               std::to_string(options.readLimit.count()) + " ms to read",
                           result.limitHit);
        case Cut::None:
            break;
    }
    if (rc != CURLE_OK) {
        return failure(curl_easy_strerror(rc), result.limitHit);
    }
    // The last line of a page need not end with a line break.
    transfer.lines.finish(onLine);
    if (transfer.lines.cutAny()) {
        result.limitHit = cutLinesNote(options.maxLineBytes);
    }
    return result;
}

}  // namespace farrow::platform
