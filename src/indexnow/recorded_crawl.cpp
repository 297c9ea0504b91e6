#include "indexnow/recorded_crawl.h"

#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "indexnow/crawl_ledger.h"

namespace farrow::indexnow {

namespace {

// Pages written in one transaction: few enough to hold, many enough to be quick.
constexpr std::size_t kBatchPages = 500;

// The ledger as the crawl's threads reach it, one at a time.
class LedgerMemory {
public:
    LedgerMemory(CrawlLedger ledger, bool record, const base::Clock& clock, const std::string& path)
        : ledger_(std::move(ledger)), record_(record), clock_(clock), path_(path) {}

    crawl::PageMemory memory(bool conditional) {
        crawl::PageMemory memory;
        if (conditional) {
            memory.recall = [this](const std::string& url) {
                std::lock_guard lock(mutex_);
                return ledger_.recall(url);
            };
        }
        if (record_) {
            memory.remember = [this](const crawl::PageReading& reading, bool unchanged) {
                std::lock_guard lock(mutex_);
                pending_.push_back({reading, unchanged, clock_.now()});
                if (pending_.size() >= kBatchPages) {
                    flush();
                }
            };
        }
        return memory;
    }

    // With the crawl's threads ended.
    void finish(RecordedCrawl::Result& result) {
        flush();
        result.recorded = recorded_;
        result.unchanged = unchanged_;
        if (!failure_.empty()) {
            result.ledgerError = {base::ErrorCode::WriteFailed,
                                  path_ + ": the pages read could not be recorded: " + failure_};
        }
    }

private:
    // With the lock held, or alone.
    void flush() {
        if (failure_.empty() && !pending_.empty()) {
            if (const base::Error e = ledger_.record(pending_)) {
                // The rest would fail alike: one failure is said, and nothing more is tried.
                failure_ = e.reason;
            } else {
                recorded_ += pending_.size();
                for (const CrawlRecord& r : pending_) {
                    unchanged_ += r.unchanged ? 1 : 0;
                }
            }
        }
        pending_.clear();
    }

    CrawlLedger ledger_;
    const bool record_;
    const base::Clock& clock_;
    const std::string& path_;
    std::mutex mutex_;
    std::vector<CrawlRecord> pending_;
    std::size_t recorded_ = 0;
    std::size_t unchanged_ = 0;
    std::string failure_;
};

}  // namespace

RecordedCrawl::Result RecordedCrawl::run(Params params, const crawl::PageFetch& fetch,
                                         const base::Clock& clock, crawl::CrawlProgress* progress) {
    Result result;
    std::optional<LedgerMemory> memory;
    std::error_code ec;
    if (!params.dryRun || std::filesystem::exists(params.ledgerFile, ec)) {
        CrawlLedger::Opened opened = CrawlLedger::open(params.ledgerFile);
        if (opened.ledger) {
            memory.emplace(std::move(*opened.ledger), !params.dryRun, clock, params.ledgerFile);
            params.crawl.memory = memory->memory(params.conditional);
        } else {
            result.ledgerError = std::move(opened.error);
        }
    }
    result.crawl = crawl::crawlSite(params.crawl, fetch, progress);
    if (memory) {
        memory->finish(result);
    }
    return result;
}

}  // namespace farrow::indexnow
