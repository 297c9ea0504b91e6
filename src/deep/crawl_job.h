#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

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

// The most pages one deep crawl reads, its titles included; far more than a site's start page
// links to, so only a site that makes up pages without end meets it.
inline constexpr int kCrawlPageBudget = 1000;

// What ends a whole crawl early, shared by the crawl thread and the window thread watching it.
struct CrawlControl {
    // Raised by the watching thread when the user stops the crawl or its time is up; every page
    // read ends at once then, and no further page is read.
    std::atomic<bool> stop{false};
    // Written by the watching thread only, before it raises `stop`.
    std::atomic<bool> timeUp{false};
    // Counted by the crawl thread; the watching thread shows it.
    std::atomic<int> pagesRead{0};
    // The crawl thread's alone from here on.
    int pageBudget = kCrawlPageBudget;
    bool budgetSpent = false;
    // What the crawl has to say about bounds it met ("URL: only the first N bytes were read").
    std::vector<std::string> notes;

    bool stopped() const { return stop.load(std::memory_order_acquire); }
    // Counts one page read; false (and nothing may be read) when stopped or the budget is spent.
    bool takePage() {
        if (stopped()) {
            return false;
        }
        if (pagesRead.load(std::memory_order_relaxed) >= pageBudget) {
            budgetSpent = true;
            return false;
        }
        pagesRead.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
};

}  // namespace farrow::deep
