#pragma once

#include <string>

#include "crawl/page_fetch.h"

namespace farrow::crawl {

// The user agent the crawl and the sitemap reader announce themselves with: the token robots.txt
// groups name and the release, "Farrowlane/" followed by base::kVersion.
std::string crawlUserAgent();

// Reads pages through the program's web client; `caFile` is trusted beside the system's
// certificates (empty: the system's only).
PageFetch webPageFetch(const std::string& caFile);

}  // namespace farrow::crawl
