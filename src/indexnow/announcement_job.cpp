#include "indexnow/announcement_job.h"

#include <filesystem>

#include "indexnow/announcement_ledger.h"
#include "indexnow/announcement_lock.h"
#include "indexnow/url_gathering.h"

namespace farrow::indexnow {

namespace {

using Stage = AnnouncementFailure::Stage;

// The gathering's events as the job's steps and notes.
class GatheringSteps final : public UrlGatheringObserver {
public:
    explicit GatheringSteps(AnnouncementJobFrontend& frontend) : frontend_(frontend) {}

    void reading(UrlSourceKind source) override {
        switch (source) {
            case UrlSourceKind::DeepChecklist:
                frontend_.step(AnnouncementStep::ReadingDeepChecklist);
                break;
            case UrlSourceKind::Crawl:
                frontend_.step(AnnouncementStep::Crawling);
                break;
            case UrlSourceKind::Sitemap:
                frontend_.step(AnnouncementStep::ReadingSitemap);
                break;
            case UrlSourceKind::List:
                frontend_.step(AnnouncementStep::ReadingList);
                break;
        }
    }
    void note(const SourceNote& note) override { frontend_.note(note); }
    const std::atomic<bool>* stopFlag() const override { return frontend_.stopFlag(); }
    void pageDone(const crawl::CrawledPage& page, std::size_t fetched,
                  std::size_t waiting) override {
        frontend_.pageDone(page, fetched, waiting);
    }

private:
    AnnouncementJobFrontend& frontend_;
};

Stage stageOf(GatheringFailure::Stage stage) {
    switch (stage) {
        case GatheringFailure::Stage::DeepChecklist:
            return Stage::DeepChecklist;
        case GatheringFailure::Stage::Crawl:
            return Stage::Crawl;
        case GatheringFailure::Stage::Ledger:
            return Stage::Ledger;
        case GatheringFailure::Stage::Sitemap:
            return Stage::Sitemap;
        case GatheringFailure::Stage::ListFile:
            return Stage::ListFile;
        case GatheringFailure::Stage::List:
            break;
    }
    return Stage::List;
}

}  // namespace

std::string text(const AnnouncementFailure& failure) {
    switch (failure.stage) {
        case Stage::Sitemap:
            return "the sitemap could not be read: " + failure.error.reason;
        case Stage::List:
            return "the URL list: " + failure.error.reason;
        case Stage::Ledger:
            return "the ledger: " + failure.error.reason;
        case Stage::Busy:
        case Stage::DeepChecklist:
        case Stage::Crawl:
        case Stage::ListFile:
            break;
    }
    return failure.error.reason;
}

AnnouncementJob::Result AnnouncementJob::run(const Params& params, const base::Timing& timing,
                                             const base::Clock& clock,
                                             AnnouncementJobFrontend& frontend) {
    Result result;
    AnnounceParams sending;
    sending.scope = params.scope;
    if (!params.endpoints.empty()) {
        sending.endpoints = params.endpoints;
    }
    sending.dryRun = params.dryRun;
    sending.force = params.force;
    sending.caFile = params.caFile;
    sending.userAgent = params.userAgent;
    sending.logsDir = params.logsDir;
    // A dry run sends and records nothing, so it need not wait for a run that does.
    std::optional<AnnouncementLock> lock;
    if (!params.dryRun) {
        AnnouncementLock::Taken taken = AnnouncementLock::take(
            lockPath(params.ledgerFile), timing.indexnowLockWait, frontend.stopFlag());
        if (!taken.lock) {
            result.failure = AnnouncementFailure{taken.busy ? Stage::Busy : Stage::Ledger,
                                                 std::move(taken.error)};
            return result;
        }
        lock = std::move(taken.lock);
    }
    GatheringSteps steps(frontend);
    GatheredUrls gathered =
        gatherUrls({params.siteUrl, params.siteTitle, params.deepChecklist, params.crawl,
                    params.sitemap, params.list, params.listInput, params.caFile, params.ledgerFile,
                    params.dryRun, params.crawlDelay},
                   timing, clock, steps);
    result.notes = std::move(gathered.notes);
    result.crawl = std::move(gathered.crawl);
    result.sitemapCut = gathered.sitemapCut;
    result.stoppedGathering = gathered.stopped;
    if (gathered.failure) {
        result.failure = AnnouncementFailure{stageOf(gathered.failure->stage),
                                             std::move(gathered.failure->error)};
    }
    if (!gathered.complete()) {
        return result;
    }
    sending.urls = std::move(gathered.urls);
    sending.leftOut = std::move(gathered.leftOut);

    std::optional<AnnouncementLedger> ledger;
    if (!params.dryRun || std::filesystem::exists(params.ledgerFile)) {
        AnnouncementLedger::Opened opened = AnnouncementLedger::open(params.ledgerFile);
        if (!opened.ledger) {
            result.failure = AnnouncementFailure{Stage::Ledger, std::move(opened.error)};
            return result;
        }
        ledger = std::move(opened.ledger);
    }
    // Found before anything is sent: an engine's answer that cannot be recorded is sent again
    // by the next run.
    if (!params.dryRun) {
        if (base::Error e = ledger->checkWritable()) {
            result.failure =
                AnnouncementFailure{Stage::Ledger, {e.code, params.ledgerFile + ": " + e.reason}};
            return result;
        }
    }
    frontend.step(AnnouncementStep::Sending);
    result.announced = announce(std::move(sending), ledger ? &*ledger : nullptr, timing, clock,
                                frontend, frontend.stopFlag());
    return result;
}

}  // namespace farrow::indexnow
