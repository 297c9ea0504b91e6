#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace farrow::platform {

struct PageReadOptions {
    std::chrono::milliseconds connectTimeout{20000};
    // A server that sends nothing for this long, once connected, has failed.
    std::chrono::milliseconds stallTimeout{30000};
    std::string userAgent;
};

struct PageReadResult {
    bool ok = true;
    // Why the page could not be opened or read; empty when `ok`.
    std::string reason;
};

// Called for each line of the page, without its line end; returns false to stop reading.
using PageLineHandler = std::function<bool(std::string_view line)>;

// Reads an http or https page line by line, following redirects. An error status (404, 500)
// is a page like any other and is read; anything else that goes wrong fails the read. Stopping
// early through the handler is no failure.
PageReadResult readPageLines(const std::string& url, const PageReadOptions& options,
                             const PageLineHandler& onLine);

}  // namespace farrow::platform
