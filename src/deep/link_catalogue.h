#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/timing.h"
#include "deep/crawl_job.h"
#include "platform/page_reader.h"

namespace farrow::deep {

// How every page of the user's site is read: the page time-outs and limit of the timing record.
platform::PageReadOptions pageReadOptions(const base::Timing& timing);

// Adds to the crawl's notes the bound that cut the read of `url`, if one did.
void notePageLimit(CrawlControl* control, const std::string& url,
                   const platform::PageReadResult& read);

// The link one line of `pageUrl` yields, resolved against that page, or nullopt. `seen` is what
// the page's job had catalogued before the page was read. The site-prefix test is not made here.
std::optional<std::string> linkOnLine(std::string_view line, std::string_view pageUrl,
                                      std::string_view seen);

// Reads `job.pageUrl` and catalogues the links on it that lie within its site prefix. With
// `recurse` on, each kept link goes into the catalogue and is read by a nested job whose
// links come back through its `resultText`; with it off, kept links go into `resultText`.
// Returns 0 when the page URL is no HTTP URL, else 1; `done` is set last either way. With a
// `control`, every page read counts against its budget, none is read once it is stopped, and
// bounds met are noted there; `options.stop` should then be its `stop`.
int catalogueLinks(CrawlJob& job, const platform::PageReadOptions& options,
                   CrawlControl* control = nullptr);

}  // namespace farrow::deep
