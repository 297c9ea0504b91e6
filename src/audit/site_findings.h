#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "audit/finding.h"
#include "crawl/site_crawl.h"

namespace farrow::audit {

// Every finding of a crawl made with CrawlParams::keepLinks, kind by kind in kFindingKinds'
// order, each kind's by address; `maxDepth` is the crawl's depth bound.
std::vector<Finding> siteFindings(const crawl::CrawlResult& crawl, std::size_t maxDepth);

// Characters of UTF-8 text, as its reader counts them.
std::size_t characterCount(std::string_view utf8);

}  // namespace farrow::audit
