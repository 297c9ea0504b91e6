#include "indexnow/url_source.h"

#include <algorithm>
#include <chrono>

#include "base/text.h"
#include "deep/checklist_items.h"
#include "deep/page_catalogue.h"
#include "indexnow/key_scope.h"

namespace farrow::indexnow {

namespace {

// A junk line is shown this long at most.
constexpr std::size_t kShownJunk = 120;

void takeLine(const std::string& raw, bool tooLong, UrlSourceResult& result) {
    const std::string line(base::trimmed(raw));
    if (!tooLong && (line.empty() || line.front() == '#')) {
        return;
    }
    if (tooLong || line.size() > kMaxUrlLength || !urlParts(line)) {
        std::string shown = line.substr(0, kShownJunk);
        if (tooLong || line.size() > kShownJunk) {
            shown += "...";
        }
        result.leftOut.push_back({shown, LeftOutReason::NotAUrl});
        return;
    }
    result.urls.push_back({line, UrlOrigin::List});
}

}  // namespace

std::string token(const LeftOutUrl& url) {
    switch (url.reason) {
        case LeftOutReason::NotAUrl:
            return "not-a-url";
        case LeftOutReason::Duplicate:
            return "duplicate";
        case LeftOutReason::OtherHost:
            return "other-host";
        case LeftOutReason::OutsideKeyLocation:
            return "outside-key-location";
        case LeftOutReason::SentRecently:
            return "sent-recently";
        case LeftOutReason::Unchanged:
            return "unchanged";
        case LeftOutReason::KeptOutByCrawl:
            return url.crawlReason;
    }
    return {};
}

std::string text(const LeftOutUrl& url) {
    // The lines and the window show the report's own words, which users already search for.
    return token(url);
}

std::string text(const SourceNote& note) {
    switch (note.kind) {
        case SourceNote::Kind::SitemapSkipped:
            return "a sitemap of the index was skipped: " + note.detail;
        case SourceNote::Kind::SitemapRedirected:
            return "the sitemap " + note.detail;
        case SourceNote::Kind::SitemapCut:
            return note.detail;
        case SourceNote::Kind::CrawlEnded:
            return "the crawl " + note.detail;
    }
    return {};
}

UrlSourceResult readUrlList(std::istream& in) {
    UrlSourceResult result;
    std::string line;
    bool tooLong = false;
    char buffer[64 * 1024];
    std::size_t lines = 0;
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const std::size_t got = static_cast<std::size_t>(in.gcount());
        for (std::size_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c != '\n') {
                // A line is kept only up to a little past the longest URL, however long it is.
                if (line.size() <= kMaxUrlLength) {
                    line.push_back(c);
                } else {
                    tooLong = true;
                }
                continue;
            }
            takeLine(line, tooLong, result);
            line.clear();
            tooLong = false;
            if (++lines > kMaxListUrls) {
                result.error = {
                    base::ErrorCode::WrongFormat,
                    "the list has more than " + std::to_string(kMaxListUrls) + " lines"};
                return result;
            }
        }
    }
    if (!line.empty() || tooLong) {
        takeLine(line, tooLong, result);
    }
    if (in.bad()) {
        result.error = {base::ErrorCode::ReadFailed, "the list could not be read to its end"};
    }
    return result;
}

UrlSourceResult deepChecklistUrls(const std::string& url, const std::string& title,
                                  const base::Timing& timing, const std::atomic<bool>* cancel,
                                  const std::string& caFile) {
    // Shows nothing; asks the crawl to stop once `cancel` is set.
    class CancelView final : public deep::RetrievalView {
    public:
        explicit CancelView(const std::atomic<bool>* cancel) : cancel_(cancel) {}
        void showText(const std::string&) override {}
        bool stopRequested() const override { return cancel_ != nullptr && *cancel_; }

    private:
        const std::atomic<bool>* cancel_;
    } view(cancel);
    UrlSourceResult result;
    const deep::CatalogueResult catalogue =
        deep::cataloguePages(url, title, timing, &view, nullptr, deep::kCrawlPageBudget, caFile);
    if (catalogue.status != deep::CatalogueStatus::Listed) {
        result.error = {base::ErrorCode::ReadFailed, deep::catalogueMessage(catalogue.status, url)};
        return result;
    }
    for (const deep::ChecklistItem& item : deep::checklistItems(catalogue.pages)) {
        result.urls.push_back({item.page.url, UrlOrigin::DeepChecklist});
    }
    return result;
}

UrlSourceResult sitemapUrls(const crawl::SitemapSourceParams& params,
                            const crawl::PageFetch& fetch) {
    UrlSourceResult result;
    crawl::SitemapPages read = crawl::loadSitemapPages(params, fetch);
    if (read.error) {
        result.error = {base::ErrorCode::ReadFailed, std::move(read.error.reason)};
    }
    for (std::string& redirected : read.redirected) {
        result.notes.push_back({SourceNote::Kind::SitemapRedirected, std::move(redirected)});
    }
    for (std::string& skipped : read.skipped) {
        result.notes.push_back({SourceNote::Kind::SitemapSkipped, std::move(skipped)});
    }
    if (read.cut) {
        result.notes.push_back({SourceNote::Kind::SitemapCut, crawl::text(read.cut)});
    }
    result.sitemapCut = std::move(read.cut);
    result.urls.reserve(read.pages.size());
    for (crawl::SitemapEntry& page : read.pages) {
        result.urls.push_back(
            {std::move(page.loc), UrlOrigin::Sitemap, crawl::w3cTimePoint(page.lastmod)});
    }
    return result;
}

UrlSourceResult crawledUrls(const crawl::CrawlResult& crawled, const crawl::CrawlParams& params) {
    UrlSourceResult result;
    if (crawled.ending == crawl::CrawlEnding::StartUnreadable) {
        result.error = {
            base::ErrorCode::ReadFailed,
            "the start page " + params.startUrl + " could not be read: " + crawled.startError};
        return result;
    }
    result.notes.push_back({SourceNote::Kind::CrawlEnded, crawl::endingText(crawled, params)});
    for (const crawl::CrawledPage& page : crawled.pages) {
        if (page.leftOut) {
            result.leftOut.push_back(
                {page.url, LeftOutReason::KeptOutByCrawl, crawl::text(page.leftOut)});
            continue;
        }
        result.urls.push_back({page.url, UrlOrigin::Crawl,
                               crawl::w3cTimePoint(crawl::w3cDateTime(page.lastModified)),
                               page.fingerprint});
    }
    return result;
}

}  // namespace farrow::indexnow
