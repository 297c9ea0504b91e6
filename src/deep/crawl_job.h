#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

#include "platform/shared_text.h"

namespace farrow::deep {

inline constexpr std::size_t kCatalogueWidth = 8097;
inline constexpr std::size_t kResultTextWidth = 255;
inline constexpr std::size_t kCurrentUrlWidth = 255;
inline constexpr const char* kErrorOpening = "ERROR OPENING";

using platform::SharedText;

// The state of reading one page. The crawl thread writes every field; the window thread reads
// `currentUrl` while the job runs and the rest only once `done` is set, which is written last.
struct CrawlJob {
    std::string pageUrl;
    // The start URL, later the link being followed (at most `kCurrentUrlWidth` characters).
    SharedText currentUrl;
    // For a job with `recurse` off, each kept link followed by the separator; "ERROR OPENING"
    // when the page could not be opened or read (at most `kResultTextWidth` characters).
    std::string resultText;
    // On: kept links go into `catalogue` and are read by a nested job. Off: into `resultText`.
    bool recurse = true;
    char separator = '|';
    // Every link found, each followed by the separator (at most `kCatalogueWidth` characters).
    std::string catalogue;
    std::atomic<int> done{0};

    void finish() { done.store(1, std::memory_order_release); }
    bool finished() const { return done.load(std::memory_order_acquire) != 0; }
};

}  // namespace farrow::deep
