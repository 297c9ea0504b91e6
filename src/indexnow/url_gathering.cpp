#include "indexnow/url_gathering.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "crawl/sitemap_reader.h"
#include "crawl/web_fetch.h"
#include "indexnow/recorded_crawl.h"

namespace farrow::indexnow {

namespace {

using Stage = GatheringFailure::Stage;

class Gathering {
public:
    Gathering(const UrlSources& sources, const base::Timing& timing, const base::Clock& clock,
              UrlGatheringObserver& observer)
        : sources_(sources), timing_(timing), clock_(clock), observer_(observer) {}

    GatheredUrls run() {
        const UrlSources& s = sources_;
        if (!s.deepChecklist && !s.crawl && s.sitemap.empty() && s.list.empty()) {
            result_.urls.push_back({s.siteUrl, UrlOrigin::Profile});
        }
        const std::pair<bool, bool (Gathering::*)()> steps[] = {
            {s.deepChecklist, &Gathering::deep},
            {s.crawl, &Gathering::crawl},
            {!s.sitemap.empty(), &Gathering::sitemap},
            {!s.list.empty(), &Gathering::list}};
        for (const auto& [named, read] : steps) {
            if (named && !(this->*read)()) {
                break;
            }
        }
        return std::move(result_);
    }

private:
    bool deep() {
        observer_.reading(UrlSourceKind::DeepChecklist);
        return take(deepChecklistUrls(sources_.siteUrl, sources_.siteTitle, timing_,
                                      observer_.stopFlag(), sources_.caFile),
                    Stage::DeepChecklist, true);
    }

    bool crawl() {
        observer_.reading(UrlSourceKind::Crawl);
        RecordedCrawl::Params crawling;
        crawling.crawl = crawl::crawlParams(sources_.siteUrl, timing_);
        crawling.crawl.cancel = observer_.stopFlag();
        crawling.crawl.delay = sources_.crawlDelay;
        crawling.ledgerFile = sources_.ledgerFile;
        crawling.dryRun = sources_.dryRun;
        RecordedCrawl::Result crawled =
            RecordedCrawl::run(crawling, crawl::webPageFetch(sources_.caFile), clock_, &observer_);
        result_.crawl = std::move(crawled.crawl);
        if (crawled.ledgerError) {
            // What is sent or asked after could not be recorded either.
            return fail(Stage::Ledger, std::move(crawled.ledgerError));
        }
        return take(crawledUrls(*result_.crawl, crawling.crawl), Stage::Crawl, true);
    }

    bool sitemap() {
        observer_.reading(UrlSourceKind::Sitemap);
        crawl::SitemapSourceParams read = crawl::sitemapSourceParams(sources_.sitemap, timing_);
        read.fetchTimes.cancel = observer_.stopFlag();
        UrlSourceResult urls = sitemapUrls(read, crawl::webPageFetch(sources_.caFile));
        result_.sitemapCut = urls.sitemapCut;
        return take(std::move(urls), Stage::Sitemap, true);
    }

    bool list() {
        observer_.reading(UrlSourceKind::List);
        std::ifstream file;
        std::istream* in = sources_.listInput;
        if (sources_.list != "-") {
            file.open(std::filesystem::path(sources_.list), std::ios::binary);
            if (!file) {
                return fail(Stage::ListFile,
                            {base::ErrorCode::OpenFailed,
                             "cannot read the URL list \"" + sources_.list + "\""});
            }
            in = &file;
        }
        if (in == nullptr) {
            return fail(Stage::ListFile,
                        {base::ErrorCode::NotFound, "nothing to read the URL list from"});
        }
        return take(readUrlList(*in), Stage::List, false);
    }

    // A source's URLs join the rest. A stop while a source was read takes nothing of it; a
    // list is read at once and so always taken.
    bool take(UrlSourceResult&& source, Stage stage, bool stoppable) {
        const std::atomic<bool>* stop = observer_.stopFlag();
        if (stoppable && stop != nullptr && stop->load()) {
            result_.stopped = true;
            return false;
        }
        if (source.error) {
            return fail(stage, std::move(source.error));
        }
        for (SourceNote& note : source.notes) {
            observer_.note(note);
            result_.notes.push_back(std::move(note));
        }
        result_.urls.insert(result_.urls.end(), std::make_move_iterator(source.urls.begin()),
                            std::make_move_iterator(source.urls.end()));
        result_.leftOut.insert(result_.leftOut.end(),
                               std::make_move_iterator(source.leftOut.begin()),
                               std::make_move_iterator(source.leftOut.end()));
        return true;
    }

    bool fail(Stage stage, base::Error error) {
        result_.failure = GatheringFailure{stage, std::move(error)};
        return false;
    }

    const UrlSources& sources_;
    const base::Timing& timing_;
    const base::Clock& clock_;
    UrlGatheringObserver& observer_;
    GatheredUrls result_;
};

}  // namespace

GatheredUrls gatherUrls(const UrlSources& sources, const base::Timing& timing,
                        const base::Clock& clock, UrlGatheringObserver& observer) {
    return Gathering(sources, timing, clock, observer).run();
}

}  // namespace farrow::indexnow
