#include "indexnow/announcement_job.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "crawl/sitemap_reader.h"
#include "crawl/web_fetch.h"
#include "indexnow/announcement_ledger.h"
#include "indexnow/announcement_lock.h"

namespace farrow::indexnow {

namespace {

using Stage = AnnouncementFailure::Stage;

bool stopAsked(const AnnouncementJobFrontend& frontend) {
    const std::atomic<bool>* stop = frontend.stopFlag();
    return stop != nullptr && stop->load();
}

// Gathers the sources one after the other into the announcement's parameters.
class Gathering {
public:
    Gathering(const AnnouncementJob::Params& params, const base::Timing& timing,
              AnnouncementJobFrontend& frontend, AnnouncementJob::Result& result,
              AnnounceParams& announce)
        : params_(params),
          timing_(timing),
          frontend_(frontend),
          result_(result),
          announce_(announce) {}

    // False when the job ends here.
    bool run() {
        const AnnouncementJob::Params& p = params_;
        if (!p.deepChecklist && !p.crawl && p.sitemap.empty() && p.list.empty()) {
            announce_.urls.push_back({p.siteUrl, UrlOrigin::Profile});
        }
        return (!p.deepChecklist || deep()) && (!p.crawl || crawl()) &&
               (p.sitemap.empty() || sitemap()) && (p.list.empty() || list());
    }

private:
    bool deep() {
        frontend_.step(AnnouncementStep::ReadingDeepChecklist);
        return take(
            deepChecklistUrls(params_.siteUrl, params_.siteTitle, timing_, frontend_.stopFlag()),
            Stage::DeepChecklist, true);
    }

    bool crawl() {
        frontend_.step(AnnouncementStep::Crawling);
        crawl::CrawlParams crawlParams = crawl::crawlParams(params_.siteUrl, timing_);
        crawlParams.delay = params_.crawlDelay;
        crawlParams.cancel = frontend_.stopFlag();
        result_.crawl =
            crawl::crawlSite(crawlParams, crawl::webPageFetch(params_.caFile), &frontend_);
        return take(crawledUrls(*result_.crawl, crawlParams), Stage::Crawl, true);
    }

    bool sitemap() {
        frontend_.step(AnnouncementStep::ReadingSitemap);
        crawl::SitemapSourceParams read = crawl::sitemapSourceParams(params_.sitemap, timing_);
        read.fetchTimes.cancel = frontend_.stopFlag();
        return take(sitemapUrls(read, crawl::webPageFetch(params_.caFile), timing_.sitemapDeadline),
                    Stage::Sitemap, true);
    }

    bool list() {
        frontend_.step(AnnouncementStep::ReadingList);
        std::ifstream file;
        std::istream* in = params_.listInput;
        if (params_.list != "-") {
            file.open(std::filesystem::path(params_.list), std::ios::binary);
            if (!file) {
                return fail(Stage::ListFile, {base::ErrorCode::OpenFailed,
                                              "cannot read the URL list \"" + params_.list + "\""});
            }
            in = &file;
        }
        if (in == nullptr) {
            return fail(Stage::ListFile,
                        {base::ErrorCode::NotFound, "nothing to read the URL list from"});
        }
        return take(readUrlList(*in), Stage::List, false);
    }

    // A source's URLs join the rest. A stop while a source was read sends nothing of it.
    bool take(UrlSourceResult&& source, Stage stage, bool stoppable) {
        if (stoppable && stopAsked(frontend_)) {
            result_.stoppedGathering = true;
            return false;
        }
        if (source.error) {
            return fail(stage, std::move(source.error));
        }
        for (SourceNote& note : source.notes) {
            frontend_.note(note);
            result_.notes.push_back(std::move(note));
        }
        announce_.urls.insert(announce_.urls.end(), std::make_move_iterator(source.urls.begin()),
                              std::make_move_iterator(source.urls.end()));
        announce_.leftOut.insert(announce_.leftOut.end(),
                                 std::make_move_iterator(source.leftOut.begin()),
                                 std::make_move_iterator(source.leftOut.end()));
        return true;
    }

    bool fail(Stage stage, base::Error error) {
        result_.failure = AnnouncementFailure{stage, std::move(error)};
        return false;
    }

    const AnnouncementJob::Params& params_;
    const base::Timing& timing_;
    AnnouncementJobFrontend& frontend_;
    AnnouncementJob::Result& result_;
    AnnounceParams& announce_;
};

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
    if (!Gathering(params, timing, frontend, result, sending).run()) {
        return result;
    }

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
    result.announced = announce(sending, ledger ? &*ledger : nullptr, timing, clock, frontend,
                                frontend.stopFlag());
    return result;
}

}  // namespace farrow::indexnow
