#include "deep/page_catalogue.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "deep/crawl_job.h"
#include "deep/link_catalogue.h"
#include "deep/page_titles.h"

namespace farrow::deep {

namespace {

using Clock = std::chrono::steady_clock;

// Waits on the calling thread until `done` is set, showing `text()` and dispatching events
// every `poll`. Raises the crawl's stop when the user asks for it through `view` or when
// `deadline` has passed.
void watchUntilDone(const std::atomic<int>& done, const std::function<std::string()>& text,
                    RetrievalView* view, base::MessagePump* pump, base::Millis poll,
                    CrawlControl& control, Clock::time_point deadline) {
    if (view) {
        view->showText(text());
        view->showPagesRead(control.pagesRead.load(std::memory_order_relaxed));
    }
    while (done.load(std::memory_order_acquire) == 0) {
        std::this_thread::sleep_for(poll);
        if (pump) {
            pump->pumpMessages();
        }
        if (view) {
            view->showText(text());
            view->showPagesRead(control.pagesRead.load(std::memory_order_relaxed));
        }
        if (!control.stopped()) {
            if (Clock::now() >= deadline) {
                control.timeUp.store(true, std::memory_order_relaxed);
                control.stop.store(true, std::memory_order_release);
            } else if (view && view->stopRequested()) {
                control.stop.store(true, std::memory_order_release);
            }
        }
    }
}

// Says why the crawl ended early, unless the user ended it.
void addEndNotes(CatalogueResult& result, const CrawlControl& control, const base::Timing& timing) {
    if (control.timeUp.load(std::memory_order_relaxed)) {
        result.notes.push_back("The crawl ended after " +
                               std::to_string(timing.crawlLimit.count()) +
                               " ms; the pages found by then are listed.");
    }
    if (control.budgetSpent) {
        result.notes.push_back("The crawl ended after reading " +
                               std::to_string(control.pagesRead.load()) +
                               " pages; the pages found by then are listed.");
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

std::string catalogueNotesText(const std::vector<std::string>& notes) {
    constexpr std::size_t kShown = 10;
    std::string text;
    for (std::size_t i = 0; i < notes.size() && i < kShown; ++i) {
        text += (i == 0 ? "" : "\n") + notes[i];
    }
    if (notes.size() > kShown) {
        text += "\n... and " + std::to_string(notes.size() - kShown) + " more";
    }
    return text;
}

CatalogueResult cataloguePages(const std::string& url, const std::string& mainTitle,
                               const base::Timing& timing, RetrievalView* view,
                               base::MessagePump* pump, int pageBudget, const std::string& caFile) {
    const Clock::time_point deadline = Clock::now() + timing.crawlLimit;
    CrawlControl control;
    control.pageBudget = pageBudget;
    platform::PageReadOptions options = pageReadOptions(timing);
    options.stop = &control.stop;
    options.caFile = caFile;
    CatalogueResult result;
    result.pages.push_back({url, mainTitle});

    CrawlJob job;
    job.pageUrl = url;
    job.recurse = true;
    if (url.size() <= kCurrentUrlWidth) {
        job.currentUrl.set(url);
    }
    {
        std::jthread crawl([&] { catalogueLinks(job, options, &control); });
        watchUntilDone(
            job.done, [&job] { return job.currentUrl.get(); }, view, pump, timing.crawlPoll,
            control, deadline);
    }
    result.notes = control.notes;
    if (job.catalogue.empty()) {
        addEndNotes(result, control, timing);
        result.status = job.resultText == kErrorOpening ? CatalogueStatus::Unreachable
                                                        : CatalogueStatus::NoLinks;
        return result;
    }

    // The titles are read on a thread of their own too, so the windows keep painting.
    std::vector<PageEntry> titled;
    std::atomic<int> titlesDone{0};
    {
        std::jthread titles([&] {
            titled = titledPages(job.catalogue, mainTitle, options, &control);
            titlesDone.store(1, std::memory_order_release);
        });
        watchUntilDone(
            titlesDone, [] { return std::string(kGettingTitles); }, view, pump, timing.crawlPoll,
            control, deadline);
    }
    result.notes = control.notes;
    addEndNotes(result, control, timing);
    result.pages.insert(result.pages.end(), titled.begin(), titled.end());
    result.status = CatalogueStatus::Listed;
    return result;
}

}  // namespace farrow::deep
