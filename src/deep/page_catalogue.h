#pragma once

#include <string>
#include <vector>

#include "base/message_pump.h"
#include "base/timing.h"
#include "deep/crawl_job.h"
#include "deep/deep_frontend.h"
#include "deep/page_entry.h"

namespace farrow::deep {

inline constexpr const char* kGettingTitles = "Getting Titles...";

enum class CatalogueStatus {
    Listed,
    // The start page could not be opened or read, and nothing was catalogued.
    Unreachable,
    NoLinks,
};

struct CatalogueResult {
    CatalogueStatus status = CatalogueStatus::NoLinks;
    // The start page with the main title first, then the titled pages in catalogue order.
    std::vector<PageEntry> pages;
    // The bounds the crawl met: pages read only in part, lines cut, its time or its page budget
    // spent. Empty when it ran to its own end (or the user stopped it).
    std::vector<std::string> notes;
};

// "Couldn't Retreive Page At URL" or "No Links Could Be Cataloged From URL"; empty for Listed.
std::string catalogueMessage(CatalogueStatus status, const std::string& url);

// The notes of a crawl as one text for the user, a line each, the first few only; empty when
// there are none.
std::string catalogueNotesText(const std::vector<std::string>& notes);

// Reads the start page and the pages it links to on a crawl thread, then their titles on
// another, while the calling thread shows the URL being read in `view` and keeps `pump`ing
// every `crawlPoll`. `view` and `pump` may be null (the terminal has neither). The crawl stops
// when the view asks for it, after `crawlLimit`, or after reading `pageBudget` pages; the pages
// found by then are listed as at its own end. `caFile`, when given, is trusted beside the
// system's certificates.
CatalogueResult cataloguePages(const std::string& url, const std::string& mainTitle,
                               const base::Timing& timing, RetrievalView* view,
                               base::MessagePump* pump, int pageBudget = kCrawlPageBudget,
                               const std::string& caFile = {});

}  // namespace farrow::deep
