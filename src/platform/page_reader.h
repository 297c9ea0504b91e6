#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/line_splitter.h"

namespace farrow::platform {

// The most of one page that is read, and the longest line handed over whole: far beyond any
// page a site would link to, small enough that no page can exhaust memory.
inline constexpr std::size_t kMaxPageBytes = 4 * 1024 * 1024;
inline constexpr std::size_t kMaxLineBytes = 64 * 1024;

struct PageReadOptions {
    std::chrono::milliseconds connectTimeout{20000};
    // A server that sends nothing for this long, once connected, has failed.
    std::chrono::milliseconds stallTimeout{30000};
    std::string userAgent;
    // The whole read has failed once it has taken this long; time spent in the line handler
    // does not count.
    std::chrono::milliseconds readLimit{60000};
    // The read ends, as if the page ended there, after this many bytes of the body.
    std::size_t maxPageBytes = kMaxPageBytes;
    // A longer line is handed over cut to this many bytes.
    std::size_t maxLineBytes = kMaxLineBytes;
    // When given and raised (by another thread), the read ends at once, with no failure.
    const std::atomic<bool>* stop = nullptr;
    // A PEM file trusted beside the system's certificates; empty: the system's alone.
    std::string caFile;
};

struct PageReadResult {
    bool ok = true;
    // Why the page could not be opened or read; empty when `ok`.
    std::string reason;
    // Which bound cut the page short or cut a line of it, when one did; the read is still `ok`.
    std::string limitHit;
    // The read ended because `stop` was raised.
    bool stopped = false;
};

// Called for each line of the page, without its line end; returns false to stop reading.
using PageLineHandler = LineHandler;

// Reads an http or https page line by line, following redirects. An error status (404, 500)
// is a page like any other and is read; anything else that goes wrong fails the read. Stopping
// early through the handler is no failure.
PageReadResult readPageLines(const std::string& url, const PageReadOptions& options,
                             const PageLineHandler& onLine);

}  // namespace farrow::platform
