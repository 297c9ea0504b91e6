#include "deep/page_catalogue.h"

#include <atomic>
#include <functional>
#include <thread>

#include "deep/crawl_job.h"
#include "deep/link_catalogue.h"
#include "deep/page_titles.h"

namespace farrow::deep {

namespace {

// Waits on the calling thread until `done` is set, showing `text()` and dispatching events
// every `poll`.
void watchUntilDone(const std::atomic<int>& done, const std::function<std::string()>& text,
                    RetrievalView* view, base::MessagePump* pump, base::Millis poll) {
    if (view) {
        view->showText(text());
    }
    while (done.load(std::memory_order_acquire) == 0) {
        std::this_thread::sleep_for(poll);
        if (pump) {
            pump->pumpMessages();
        }
        if (view) {
            view->showText(text());
        }
    }
}

}  // namespace

std::string catalogueMessage(CatalogueStatus status, const std::string& url) {
    switch (status) {
        case CatalogueStatus::Listed:
            return {};
        case CatalogueStatus::Unreachable:
            return "Couldn't Retreive Page At " + url;
        case CatalogueStatus::NoLinks:
            break;
    }
    return "No Links Could Be Cataloged From " + url;
}

CatalogueResult cataloguePages(const std::string& url, const std::string& mainTitle,
                               const base::Timing& timing, RetrievalView* view,
                               base::MessagePump* pump) {
    const platform::PageReadOptions options = pageReadOptions(timing);
    CatalogueResult result;
    result.pages.push_back({url, mainTitle});

    CrawlJob job;
    job.pageUrl = url;
    job.recurse = true;
    if (url.size() <= kCurrentUrlWidth) {
        job.currentUrl.set(url);
    }
    {
        std::jthread crawl([&job, &options] { catalogueLinks(job, options); });
        watchUntilDone(
            job.done, [&job] { return job.currentUrl.get(); }, view, pump, timing.crawlPoll);
    }
    if (job.catalogue.empty()) {
        result.status = job.resultText == kErrorOpening ? CatalogueStatus::Unreachable
                                                        : CatalogueStatus::NoLinks;
        return result;
    }

    // The titles are read on a thread of their own too, so the windows keep painting.
    std::vector<PageEntry> titled;
    std::atomic<int> titlesDone{0};
    {
        std::jthread titles([&] {
            titled = titledPages(job.catalogue, mainTitle, options);
            titlesDone.store(1, std::memory_order_release);
        });
        watchUntilDone(
            titlesDone, [] { return std::string(kGettingTitles); }, view, pump, timing.crawlPoll);
    }
    result.pages.insert(result.pages.end(), titled.begin(), titled.end());
    result.status = CatalogueStatus::Listed;
    return result;
}

}  // namespace farrow::deep
