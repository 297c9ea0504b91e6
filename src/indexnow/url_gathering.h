#pragma once

#include <atomic>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/error.h"
#include "base/timing.h"
#include "crawl/site_crawl.h"
#include "indexnow/url_source.h"

namespace farrow::indexnow {

// The sources a job takes its URLs from; each one named is read, in this order. None named:
// the site's address alone.
struct UrlSources {
    std::string siteUrl;
    std::string siteTitle;
    bool deepChecklist = false;
    bool crawl = false;
    // A sitemap's URL or a file's path.
    std::string sitemap;
    // A file of URLs, one a line; "-" reads `listInput`.
    std::string list;
    std::istream* listInput = nullptr;
    // A CA file trusted beside the system's store; empty: the system's store only.
    std::string caFile;
    // The ledger the crawl asks and records in; a dry run reads one but makes or writes none.
    std::string ledgerFile;
    bool dryRun = false;
    // The crawl's pause between requests, one at a time; none: as the site's robots.txt asks.
    std::optional<base::Millis> crawlDelay;
};

enum class UrlSourceKind { DeepChecklist, Crawl, Sitemap, List };

// How a gathering reaches the job that runs it; called on the job's thread, in order (the
// crawl's progress on the crawl's threads).
class UrlGatheringObserver : public crawl::CrawlProgress {
public:
    // The source about to be read.
    virtual void reading(UrlSourceKind source) = 0;
    // A note of a source, as soon as that source has been read.
    virtual void note(const SourceNote& note) = 0;
    // Set to ask the gathering to stop; null when it cannot be asked.
    virtual const std::atomic<bool>* stopFlag() const = 0;
};

// Why a source could not be read: ListFile when the list's file could not be opened, List when
// what it holds could not be read.
struct GatheringFailure {
    enum class Stage { DeepChecklist, Crawl, Ledger, Sitemap, ListFile, List };
    Stage stage = Stage::List;
    base::Error error;
};

struct GatheredUrls {
    // In the order the sources gave them, duplicates kept.
    std::vector<CandidateUrl> urls;
    std::vector<LeftOutUrl> leftOut;
    // The notes of every source read, in order.
    std::vector<SourceNote> notes;
    // The whole-site crawl, when there was one.
    std::optional<crawl::CrawlResult> crawl;
    // What a bound of the sitemap's read left out.
    crawl::SitemapCut sitemapCut;
    // A stop came while a source that takes long was read: its URLs were not taken, and no
    // source after it was read.
    bool stopped = false;
    std::optional<GatheringFailure> failure;

    bool complete() const { return !stopped && !failure; }
};

// Reads the sources named one after the other until one fails or a stop comes.
GatheredUrls gatherUrls(const UrlSources& sources, const base::Timing& timing,
                        const base::Clock& clock, UrlGatheringObserver& observer);

}  // namespace farrow::indexnow
