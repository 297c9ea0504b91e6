#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/timing.h"

namespace farrow::crawl {

// One GET the crawl asks for. Redirects are not followed: the crawl follows them itself.
struct FetchAsk {
    std::string url;
    // The rest of a longer body is dropped and the answer marked `truncated`.
    std::size_t maxBytes = 0;
    base::Millis connectTimeout{10000};
    // No byte for this long ends the exchange.
    base::Millis stallTimeout{30000};
    // The whole exchange.
    base::Millis deadline{60000};
    const std::atomic<bool>* cancel = nullptr;
};

struct FetchAnswer {
    // Why no answer came (no connection, a time-out, TLS, cancelled); empty when one came.
    std::string failure;
    long status = 0;
    // Of the answer itself, names in lower case, in order.
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    bool truncated = false;

    // The first value of the header `lowerName`, "" when absent.
    std::string header(std::string_view lowerName) const;
};

// How the crawl reads a URL: the program's web client, or a fake in tests.
using PageFetch = std::function<FetchAnswer(const FetchAsk&)>;

}  // namespace farrow::crawl
