#include "indexnow/recorded_crawl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>

#include "crawl/web_fetch.h"
#include "indexnow/announcement_job.h"
#include "indexnow/crawl_ledger.h"
#include "support/fake_indexnow_engine.h"
#include "support/loopback_http_server.h"
#include "support/temp_workspace.h"

namespace farrow::indexnow {
namespace {

using namespace std::chrono_literals;

// A site whose pages carry an ETag of their content and answer 304 when asked with it, and
// which writes down the If-None-Match each page was asked with.
class ValidatingSite {
public:
    ValidatingSite() {
        server_.routes().Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex_);
            const auto page = pages_.find(req.path);
            if (page == pages_.end()) {
                res.status = 404;
                return;
            }
            asked_[req.path] = req.get_header_value("If-None-Match");
            const std::string etag =
                "\"" + std::to_string(std::hash<std::string>{}(page->second)) + "\"";
            res.set_header("ETag", etag);
            if (req.get_header_value("If-None-Match") == etag) {
                res.status = 304;
                return;
            }
            res.set_content(page->second, "text/html");
        });
        server_.start();
        set("/", {"/a.html", "/b.html", "/n.html"});
        set("/a.html", {});
        // The one way to c.html.
        set("/b.html", {"/c.html"});
        set("/c.html", {});
        set("/n.html", {}, "<meta name=robots content=noindex>");
    }

    void set(const std::string& path, const std::vector<std::string>& links,
             const std::string& head = {}, const std::string& text = "text") {
        std::string html =
            "<html><head><title>" + path + "</title>" + head + "</head><body>\n" + text + "\n";
        for (const std::string& link : links) {
            html += "<a href=\"" + link + "\">x</a>\n";
        }
        std::lock_guard lock(mutex_);
        pages_[path] = html + "</body></html>";
    }

    // The If-None-Match of each page's last request ("" when it had none).
    std::map<std::string, std::string> asked() {
        std::lock_guard lock(mutex_);
        return std::exchange(asked_, {});
    }

    std::string url(const std::string& path) const { return server_.url(path); }

private:
    test::LoopbackHttpServer server_;
    std::mutex mutex_;
    std::map<std::string, std::string> pages_;
    std::map<std::string, std::string> asked_;
};

class RecordedCrawlTest : public testing::Test {
protected:
    RecordedCrawl::Result crawl(bool dryRun = false) {
        RecordedCrawl::Params params;
        params.crawl = crawl::crawlParams(site.url("/"), base::Timing{});
        params.ledgerFile = ledgerFile;
        params.dryRun = dryRun;
        return RecordedCrawl::run(params, crawl::webPageFetch(""), clock);
    }

    ValidatingSite site;
    test::TempWorkspace dir;
    std::string ledgerFile = dir.file("indexnow.db");
    base::SystemClock clock;
};

TEST_F(RecordedCrawlTest, TheNextCrawlAsksConditionallyAndAnUnchangedPageKeepsItsLinks) {
    // A dry run without a ledger makes none.
    EXPECT_EQ(crawl(true).crawl.pages.size(), 5u);
    EXPECT_FALSE(std::filesystem::exists(ledgerFile));
    RecordedCrawl::Result first = crawl();
    EXPECT_EQ(first.ledgerError.reason, "");
    EXPECT_EQ(first.recorded, 5u);
    EXPECT_EQ(first.unchanged, 0u);
    for (const auto& [path, etag] : site.asked()) {
        EXPECT_EQ(etag, "") << path;
    }

    site.set("/a.html", {}, {}, "new text");
    RecordedCrawl::Result second = crawl();
    EXPECT_EQ(second.ledgerError.reason, "");
    const std::map<std::string, std::string> asked = site.asked();
    EXPECT_EQ(asked.size(), 5u);
    for (const auto& [path, etag] : asked) {
        EXPECT_NE(etag, "") << path;
    }
    // c.html is still found through b.html's recorded links, and n.html stays noindex.
    std::map<std::string, std::string> statuses;
    for (const crawl::CrawledPage& page : second.crawl.pages) {
        statuses[page.url] =
            std::to_string(page.status) + " " + crawl::text(page.leftOut) + " " + page.title;
        // A page that answered 304 keeps the fingerprint it was read with.
        const auto before =
            std::find_if(first.crawl.pages.begin(), first.crawl.pages.end(),
                         [&](const crawl::CrawledPage& p) { return p.url == page.url; });
        ASSERT_NE(before, first.crawl.pages.end());
        EXPECT_EQ(page.fingerprint == before->fingerprint, page.status == 304) << page.url;
    }
    EXPECT_EQ(statuses,
              (std::map<std::string, std::string>{{site.url("/"), "304  /"},
                                                  {site.url("/a.html"), "200  /a.html"},
                                                  {site.url("/b.html"), "304  /b.html"},
                                                  {site.url("/c.html"), "304  /c.html"},
                                                  {site.url("/n.html"), "304 noindex /n.html"}}));
    EXPECT_EQ(second.recorded, 5u);
    EXPECT_EQ(second.unchanged, 4u);

    // A dry run reads the record and writes nothing.
    site.set("/c.html", {}, {}, "newer text");
    CrawlLedger ledger = *CrawlLedger::open(ledgerFile).ledger;
    const std::string recorded = ledger.recall(site.url("/c.html"))->fingerprint;
    RecordedCrawl::Result dry = crawl(true);
    EXPECT_EQ(dry.recorded, 0u);
    EXPECT_EQ(site.asked().at("/c.html"), ledger.recall(site.url("/c.html"))->etag);
    EXPECT_EQ(ledger.recall(site.url("/c.html"))->fingerprint, recorded);
    EXPECT_EQ(ledger.recall(site.url("/b.html"))->links,
              std::vector<std::string>{site.url("/c.html")});
}

class Frontend final : public AnnouncementJobFrontend {
public:
    void step(AnnouncementStep) override {}
    void note(const SourceNote&) override {}
    const std::atomic<bool>* stopFlag() const override { return nullptr; }
    void pageDone(const crawl::CrawledPage&, std::size_t, std::size_t) override {}
    void urlLeftOut(const LeftOutUrl& url) override { leftOut[url.url] = token(url); }
    void requestPlanned(const std::string&, const std::string&, const std::string&) override {}
    void requestAnswered(const RequestRecord&) override {}
    void waiting(const std::string&, base::Millis) override {}
    void progress(std::size_t, std::size_t) override {}

    std::map<std::string, std::string> leftOut;
};

TEST_F(RecordedCrawlTest, AChangedPageIsAnnouncedAndAnUnchangedOneNotWhateverTheHours) {
    test::FakeIndexNowEngine engine;
    AnnouncementJob::Params params;
    params.scope = *keyScope(site.url("/"), "abcdefgh", "").scope;
    params.siteUrl = site.url("/");
    params.crawl = true;
    params.endpoints = {engine.url()};
    params.ledgerFile = ledgerFile;
    base::Timing timing;
    const auto announce = [&] {
        Frontend frontend;
        const AnnouncementJob::Result r = AnnouncementJob::run(params, timing, clock, frontend);
        EXPECT_TRUE(r.sent()) << (r.failure ? text(*r.failure) : "stopped");
        return std::pair{r.announced, frontend.leftOut};
    };
    EXPECT_EQ(announce().first.accepted, 4u);

    // Within the resend wait, the page whose text changed goes; b.html, indented anew, and the
    // pages that answered 304 do not.
    site.set("/a.html", {}, {}, "new text");
    site.set("/b.html", {"/c.html"}, {}, "  \t text ");
    auto [second, leftOut] = announce();
    EXPECT_EQ(second.accepted, 1u);
    EXPECT_EQ(engine.seen().back().url, site.url("/a.html"));
    EXPECT_EQ(leftOut, (std::map<std::string, std::string>{{site.url("/"), "unchanged"},
                                                           {site.url("/b.html"), "unchanged"},
                                                           {site.url("/c.html"), "unchanged"},
                                                           {site.url("/n.html"), "noindex"}}));

    // Past the resend wait they stay out, and a dry run plans what changed since.
    timing.indexnowResendAfter = 0ms;
    site.set("/c.html", {}, {}, "newer text");
    params.dryRun = true;
    auto [dry, dryLeftOut] = announce();
    EXPECT_EQ(dry.toSend, 1u);
    EXPECT_EQ(dryLeftOut.count(site.url("/c.html")), 0u);
    params.dryRun = false;
    EXPECT_EQ(announce().first.accepted, 1u);
    EXPECT_EQ(engine.seen().back().url, site.url("/c.html"));
    EXPECT_EQ(engine.count(), 3u);
}

}  // namespace
}  // namespace farrow::indexnow
