#pragma once

#include <cstddef>
#include <string>

#include "cli/progress_line.h"
#include "crawl/site_crawl.h"

namespace farrow::cli {

// The crawl's progress line: the pages read and waiting, and the last page read.
class CrawlProgressLine final : public crawl::CrawlProgress {
public:
    explicit CrawlProgressLine(const CommandContext& context) : line_(context) {}

    void pageDone(const crawl::CrawledPage& page, std::size_t fetched,
                  std::size_t waiting) override {
        line_.show(std::to_string(fetched) + " read, " + std::to_string(waiting) + " waiting  " +
                   page.url);
    }

private:
    ProgressLine line_;
};

}  // namespace farrow::cli
