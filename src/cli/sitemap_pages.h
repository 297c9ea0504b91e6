#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "base/workspace.h"
#include "crawl/sitemap_reader.h"
#include "deep/page_entry.h"

namespace farrow::cli {

class CommandContext;

// A sitemap's URL as given, or a file's path taken from the workspace.
std::string sitemapSource(const std::string& source, const base::Workspace& workspace);

// The pages a sitemap (URL or file, an index, gzip) lists, as pages of a deep run with no title
// of their own; nullopt when it could not be read (said on stderr). Sitemaps of an index that
// could not be read are named on stderr and skipped; a bound of the read that was met is said
// there and set in `cut`.
std::optional<std::vector<deep::PageEntry>> sitemapPageEntries(const std::string& source,
                                                               const CommandContext& context,
                                                               crawl::SitemapCut& cut);

// The report's event for a bound of a sitemap's read that was met:
// {"event":"sitemap-cut","bound":…,"limit":…,"urlsNotTaken":…,"sitemapsNotRead":[…]}.
nlohmann::ordered_json sitemapCutEvent(const crawl::SitemapCut& cut);

}  // namespace farrow::cli
