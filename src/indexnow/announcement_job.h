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
#include "indexnow/announcement.h"
#include "indexnow/key_scope.h"
#include "indexnow/url_source.h"

namespace farrow::indexnow {

// What an announcement job is busy with, in the order the steps come.
enum class AnnouncementStep {
    ReadingDeepChecklist,
    Crawling,
    ReadingSitemap,
    ReadingList,
    Sending
};

// Why a job sent nothing: a source that could not be read, the ledger, or another
// announcement running in the same workspace (Busy).
struct AnnouncementFailure {
    enum class Stage { DeepChecklist, Crawl, Sitemap, ListFile, List, Ledger, Busy };
    Stage stage = Stage::Ledger;
    base::Error error;
};

// The failure as a sentence without its capital ("the sitemap could not be read: ...").
std::string text(const AnnouncementFailure& failure);

// How a job reaches its user: the announcement's events, the crawl's progress, the steps and
// the notes of the sources. Called on the thread that runs the job, in order.
class AnnouncementJobFrontend : public AnnounceObserver, public crawl::CrawlProgress {
public:
    virtual void step(AnnouncementStep step) = 0;
    // A note of a source, as soon as that source has been read.
    virtual void note(const SourceNote& note) = 0;
    // Set to ask the job to stop; null when it cannot be asked.
    virtual const std::atomic<bool>* stopFlag() const = 0;
};

struct AnnouncementJob {
    struct Params {
        KeyScope scope;
        std::string siteUrl;
        std::string siteTitle;
        // The URLs come from each source named; from the site's address when none is.
        bool deepChecklist = false;
        bool crawl = false;
        // The crawl reads one page at a time with this pause after each answer.
        std::optional<base::Millis> crawlDelay;
        // A sitemap's URL or a file's path.
        std::string sitemap;
        // A file of URLs, one a line; "-" reads `listInput`.
        std::string list;
        std::istream* listInput = nullptr;
        // Tried in order; empty: the default one.
        std::vector<std::string> endpoints;
        bool dryRun = false;
        bool force = false;
        // A CA file trusted beside the system's store; empty: the system's store only.
        std::string caFile;
        std::string userAgent;
        // Where the run's HTML log goes; empty: no log.
        std::string logsDir;
        // The ledger's file; a dry run reads one that is there and makes none.
        std::string ledgerFile;
    };

    struct Result {
        // Set when nothing was sent because a source or the ledger failed.
        std::optional<AnnouncementFailure> failure;
        // A stop came while the URLs were gathered: nothing was sent.
        bool stoppedGathering = false;
        // The notes of every source read, in order.
        std::vector<SourceNote> notes;
        // What a bound of the sitemap's read left out: those URLs were not sent.
        crawl::SitemapCut sitemapCut;
        // What the sending did; empty unless it was reached.
        AnnounceResult announced;
        // The whole-site crawl, when there was one.
        std::optional<crawl::CrawlResult> crawl;

        bool sent() const { return !failure && !stoppedGathering; }
    };

    // Gathers the URLs of every source named, filters, sends and records them.
    static Result run(const Params& params, const base::Timing& timing, const base::Clock& clock,
                      AnnouncementJobFrontend& frontend);
};

}  // namespace farrow::indexnow
