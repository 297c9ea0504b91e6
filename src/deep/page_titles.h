#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "deep/crawl_job.h"
#include "deep/page_entry.h"
#include "platform/page_reader.h"

namespace farrow::deep {

inline constexpr const char* kMailToTitle = "MailTo";
inline constexpr const char* kNotFoundTitle = "404 NOT FOUND";

// The title on one line that holds "<TITLE>" or "<title>": from the "<TITLE>" (or the line's
// start when only "<title>" is there) to the first ">", then up to the next "<", with double
// quotes made blanks and trimmed. Empty when no "<" follows.
std::string titleOnLine(std::string_view line);

// The title of the first line of the page that holds a title tag; empty when there is none or
// the page cannot be read.
// Bounds met are noted in `control`, when given.
std::string fetchPageTitle(const std::string& url, const platform::PageReadOptions& options,
                           CrawlControl* control = nullptr);

// One entry per link of the catalogue, in its order, each with the page's title, or the main
// title where that has fewer than 2 characters. Links with "#" and pages titled
// "404 NOT FOUND" are left out, as are the empty entries of a doubled separator.
// With a `control`, each title read counts against its budget; once it is stopped or spent,
// the pages left get the main title without a read.
std::vector<PageEntry> titledPages(std::string_view catalogue, const std::string& mainTitle,
                                   const platform::PageReadOptions& options,
                                   CrawlControl* control = nullptr);

}  // namespace farrow::deep
