#pragma once

#include <unistd.h>

#include <cstddef>
#include <iostream>
#include <ostream>

#include "crawl/site_crawl.h"

namespace farrow::cli {

// One line on a terminal, redrawn in place as pages are done; nothing when `err` is no
// terminal.
class CrawlProgressLine final : public crawl::CrawlProgress {
public:
    explicit CrawlProgressLine(std::ostream& err)
        : err_(err), drawn_(&err == &std::cerr && isatty(2)) {}
    ~CrawlProgressLine() override {
        if (drawnOnce_) {
            err_ << '\n';
        }
    }
    CrawlProgressLine(const CrawlProgressLine&) = delete;
    CrawlProgressLine& operator=(const CrawlProgressLine&) = delete;

    void pageDone(const crawl::CrawledPage& page, std::size_t fetched,
                  std::size_t waiting) override {
        if (!drawn_) {
            return;
        }
        drawnOnce_ = true;
        err_ << "\r\x1b[K" << fetched << " read, " << waiting << " waiting  "
             << page.url.substr(0, 60) << std::flush;
    }

private:
    std::ostream& err_;
    const bool drawn_;
    bool drawnOnce_ = false;
};

}  // namespace farrow::cli
