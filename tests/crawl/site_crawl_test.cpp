#include "crawl/site_crawl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "base/version.h"
#include "crawl/web_fetch.h"
#include "support/loopback_http_server.h"

namespace farrow::crawl {
namespace {

// A site in memory: each URL's answer, and a record of what was asked.
class FakeSite {
public:
    void page(const std::string& url, std::string html, long status = 200,
              std::vector<std::pair<std::string, std::string>> headers = {}) {
        platform::WebResponse answer;
        answer.status = status;
        answer.body = std::move(html);
        answer.headers = std::move(headers);
        answer.headers.emplace_back("content-type", "text/html; charset=utf-8");
        answers_[url] = std::move(answer);
    }
    void file(const std::string& url, const std::string& type) {
        platform::WebResponse answer;
        answer.status = 200;
        answer.headers = {{"content-type", type},
                          {"last-modified", "Tue, 01 Dec 2026 10:00:00 GMT"}};
        answer.body = "%PDF-1.4";
        answers_[url] = std::move(answer);
    }
    void redirect(const std::string& url, const std::string& location, long status = 301) {
        platform::WebResponse answer;
        answer.status = status;
        answer.headers = {{"location", location}};
        answers_[url] = std::move(answer);
    }
    void robots(const std::string& url, const std::string& text) {
        platform::WebResponse answer;
        answer.status = 200;
        answer.body = text;
        answers_[url] = std::move(answer);
    }

    PageFetch fetch() {
        return [this](const platform::WebRequest& ask) {
            platform::WebResponse answer;
            {
                std::lock_guard lock(mutex_);
                ++asked_[ask.url];
                const auto found = answers_.find(ask.url);
                if (found == answers_.end()) {
                    answer.status = 404;
                    answer.headers = {{"content-type", "text/html"}};
                    return answer;
                }
                answer = found->second;
            }
            if (answer.body.size() > ask.maxBodyBytes) {
                answer.body.resize(ask.maxBodyBytes);
                answer.truncated = true;
            }
            return answer;
        };
    }
    int asked(const std::string& url) {
        std::lock_guard lock(mutex_);
        return asked_[url];
    }
    std::size_t askedCount() {
        std::lock_guard lock(mutex_);
        return asked_.size();
    }

private:
    std::mutex mutex_;
    std::map<std::string, platform::WebResponse> answers_;
    std::map<std::string, int> asked_;
};

std::string links(const std::vector<std::string>& hrefs, const std::string& head = "") {
    std::string html = "<html><head>" + head + "</head><body>";
    for (const std::string& href : hrefs) {
        html += "<a href=\"" + href + "\">x</a>\n";
    }
    return html + "</body></html>";
}

const CrawledPage* find(const CrawlResult& r, const std::string& url) {
    for (const CrawledPage& page : r.pages) {
        if (page.url == url) {
            return &page;
        }
    }
    return nullptr;
}

std::vector<std::string> sitemapUrls(const CrawlResult& r) {
    std::vector<std::string> out;
    for (const CrawledPage& page : r.pages) {
        if (!page.leftOut) {
            out.push_back(page.url);
        }
    }
    return out;
}

CrawlParams params(const std::string& start) {
    CrawlParams p = crawlParams(start, base::Timing{});
    p.poll = base::Millis(1);
    p.backoff = base::Millis(1);
    p.backoffLimit = base::Millis(10);
    return p;
}

constexpr const char* kH = "http://h:81";

TEST(SiteCrawl, ASmallSiteAsASearchEngineSeesIt) {
    FakeSite site;
    const std::string s = std::string(kH) + "/site/";
    site.robots(std::string(kH) + "/robots.txt",
                "User-agent: *\nDisallow: /site/private/\nAllow: /site/private/open.htm\n");
    site.page(
        s + "index.htm",
        links({"a.htm", "sub/b.htm?q=1#frag", "old.htm", "hidden.htm", "copy.htm",
               "private/secret.htm", "private/open.htm", "doc.pdf", "missing.htm", "../outside.htm",
               "/site2/x.htm", "http://other.example/", "mailto:x@y", "skip.htm"}) +
            "<a rel=nofollow href=\"ad.htm\">ad</a>",
        200, {{"last-modified", "Wed, 09 Dec 2026 07:30:05 GMT"}});
    site.page(s + "a.htm", links({"index.htm", "sub/b.htm?q=1"}, "<title>A page</title>"));
    site.page(s + "sub/b.htm?q=1", links({"../a.htm", "./c.htm"}));
    site.page(s + "sub/c.htm", links({}));
    site.redirect(s + "old.htm", "new.htm");
    site.page(s + "new.htm", links({}));
    site.page(s + "hidden.htm",
              links({"from-hidden.htm"}, "<meta name=robots content=\"noindex\">"));
    site.page(s + "from-hidden.htm", links({}), 200, {{"x-robots-tag", "noindex"}});
    site.page(s + "copy.htm", links({}, "<link rel=canonical href=\"a.htm\">"));
    site.page(s + "private/open.htm", links({}));
    site.page(s + "private/secret.htm", links({}));
    site.file(s + "doc.pdf", "application/pdf");
    site.page(s + "skip.htm", links({"never.htm"}, "<meta name=robots content=nofollow>"));

    const CrawlResult r = crawlSite(params(s + "index.htm"), site.fetch());
    EXPECT_EQ(r.ending, CrawlEnding::Finished) << r.startError;
    EXPECT_EQ(r.scope, s);
    EXPECT_EQ(sitemapUrls(r),
              (std::vector<std::string>{s + "index.htm", s + "a.htm", s + "doc.pdf", s + "new.htm",
                                        s + "private/open.htm", s + "skip.htm", s + "sub/b.htm?q=1",
                                        s + "sub/c.htm"}));
    const struct {
        std::string url;
        std::string leftOut;
    } leftOut[] = {
        {s + "old.htm", "redirects to " + s + "new.htm"},
        {s + "hidden.htm", "noindex"},
        {s + "from-hidden.htm", "noindex"},
        {s + "copy.htm", "canonical is " + s + "a.htm"},
        {s + "private/secret.htm", "disallowed by robots.txt"},
        {s + "missing.htm", "answered 404"},
    };
    for (const auto& l : leftOut) {
        const CrawledPage* page = find(r, l.url);
        ASSERT_NE(page, nullptr) << l.url;
        EXPECT_EQ(text(page->leftOut), l.leftOut) << l.url;
    }
    // Outside the folder, another host, nofollow links and robots' refusals are never asked.
    for (const std::string& url :
         {std::string(kH) + "/outside.htm", std::string(kH) + "/site2/x.htm",
          std::string("http://other.example/"), s + "ad.htm", s + "never.htm",
          s + "private/secret.htm"}) {
        EXPECT_EQ(site.asked(url), 0) << url;
    }
    EXPECT_EQ(site.asked(s + "a.htm"), 1);
    EXPECT_EQ(find(r, s + "a.htm")->title, "A page");
    EXPECT_EQ(find(r, s + "a.htm")->depth, 1u);
    EXPECT_EQ(find(r, s + "sub/c.htm")->depth, 2u);
    EXPECT_EQ(find(r, s + "index.htm")->lastModified, "Wed, 09 Dec 2026 07:30:05 GMT");
}

TEST(SiteCrawl, BoundsEndInBoundedWork) {
    FakeSite site;
    const std::string s = std::string(kH) + "/";
    // 20,000 pages in a chain of tens, a link cycle, a redirect loop and a page of a million
    // links.
    std::vector<std::string> first;
    for (int i = 0; i < 20000; ++i) {
        std::vector<std::string> next;
        for (int k = 1; k <= 10; ++k) {
            next.push_back("p" + std::to_string((i * 10 + k) % 20000) + ".htm");
        }
        site.page(s + "p" + std::to_string(i) + ".htm", links(next));
    }
    site.page(s + "ring1.htm", links({"ring2.htm"}));
    site.page(s + "ring2.htm", links({"ring1.htm", "loop1.htm"}));
    site.redirect(s + "loop1.htm", "loop2.htm");
    site.redirect(s + "loop2.htm", "loop1.htm", 302);
    std::string million = "<html><body>";
    for (int i = 0; i < 1000000; ++i) {
        million += "<a href=\"m" + std::to_string(i) + ".htm\">x</a>";
    }
    site.page(s + "million.htm", million);

    struct Case {
        std::string start;
        std::size_t maxPages;
        std::size_t maxDepth;
        CrawlEnding ending;
        std::size_t fetchedAtMost;
    };
    const Case cases[] = {
        {s + "p0.htm", 500, 100, CrawlEnding::PageBound, 500},
        {s + "p0.htm", 5000, 2, CrawlEnding::DepthBound, 111},
        {s + "ring1.htm", 5000, 100, CrawlEnding::Finished, 4},
        {s + "million.htm", 300, 100, CrawlEnding::PageBound, 300},
    };
    for (const Case& c : cases) {
        CrawlParams p = params(c.start);
        p.maxPages = c.maxPages;
        p.maxDepth = c.maxDepth;
        p.maxPageBytes = 1 << 20;
        const CrawlResult r = crawlSite(p, site.fetch());
        EXPECT_EQ(r.ending, c.ending) << c.start;
        EXPECT_LE(r.fetched, c.fetchedAtMost) << c.start;
        EXPECT_GT(r.fetched, 0u) << c.start;
    }
    // The loop was asked once per address, and reported.
    EXPECT_EQ(site.asked(s + "loop1.htm"), 1);
    EXPECT_EQ(site.asked(s + "loop2.htm"), 1);
    EXPECT_EQ(site.asked(s + "ring1.htm"), 1);
}

TEST(SiteCrawl, PagesCutByTheCrawlsOwnBoundsAreNamedAndTitlesKeptShort) {
    FakeSite site;
    const std::string s = std::string(kH) + "/";
    std::string many = "<a href=\"t.htm\">t</a><a";
    for (int i = 0; i < 300000; ++i) {
        many += " a" + std::to_string(i);
    }
    site.page(s, many + "><a href=\"never.htm\">");
    site.page(s + "t.htm", "<title>" + std::string(4 << 20, 't') + "</title>");
    const CrawlResult r = crawlSite(params(s), site.fetch());
    ASSERT_EQ(r.pages.size(), 2u);
    EXPECT_TRUE(r.pages[0].truncated);
    EXPECT_EQ(r.pages[0].cut, "read up to byte 21: a start tag with more than 256 attributes");
    EXPECT_EQ(site.asked(s + "never.htm"), 0);
    EXPECT_EQ(r.pages[1].title.size(), base::Timing{}.siteCrawlTitleBytes);
    EXPECT_FALSE(r.pages[1].truncated);
    // One thread a page: a setting of 50,000 must not start 50,000 threads.
    base::Timing busy = {};
    busy.siteCrawlInFlight = 50000;
    EXPECT_EQ(crawlParams(s, busy).inFlight, kMostInFlight);
}

// A site on loopback that runs into each of the crawl's own bounds.
class BoundedSite : public testing::Test {
protected:
    BoundedSite() {
        server.routes().Get("/", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(links({"slow.htm", "big.htm", "hop0.htm", "loop1.htm"}), "text/html");
        });
        // A byte every 20 ms, for ever: only a deadline ends it.
        server.routes().Get("/slow.htm", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider(
                "text/html", [this](std::size_t, httplib::DataSink& sink) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    return !closing && sink.write(" ", 1);
                });
        });
        server.routes().Get("/big.htm", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(300000, ' '), "text/html");
        });
        // Twelve redirects, no address twice.
        server.routes().Get(
            R"(/hop(\d+)\.htm)", [](const httplib::Request& req, httplib::Response& res) {
                res.set_redirect("hop" + std::to_string(std::stoi(req.matches[1]) + 1) + ".htm");
            });
        server.routes().Get("/loop1.htm", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("loop2.htm");
        });
        server.routes().Get("/loop2.htm", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("loop1.htm");
        });
        server.start();
        p = params(server.url("/"));
        p.maxPageBytes = 100000;
        p.pageDeadline = std::chrono::milliseconds(300);
        p.stallTimeout = std::chrono::milliseconds(5000);
    }
    ~BoundedSite() override {
        closing = true;
        server.stop();
    }

    std::atomic<bool> closing{false};
    test::LoopbackHttpServer server;
    CrawlParams p;
};

TEST_F(BoundedSite, EachPageCutByABoundOfTheCrawlNamesItAndTheSummaryCountsThem) {
    const CrawlResult r = crawlSite(p, webPageFetch(""));
    EXPECT_EQ(r.ending, CrawlEnding::Finished);
    const CrawledPage* slow = find(r, server.url("/slow.htm"));
    ASSERT_NE(slow, nullptr);
    EXPECT_EQ(text(slow->leftOut), "not read within siteCrawlPageDeadline (300 ms)");
    EXPECT_STREQ(token(slow->leftOut.reason), "page-deadline");
    const CrawledPage* big = find(r, server.url("/big.htm"));
    ASSERT_NE(big, nullptr);
    EXPECT_TRUE(big->truncated);
    EXPECT_EQ(big->cut, "read up to byte 100000: siteCrawlPageBytes (100000 bytes)");
    const CrawledPage* chain = find(r, server.url("/hop10.htm"));
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(text(chain->leftOut),
              "redirect chain longer than 10 hops at " + server.url("/hop11.htm"));
    const CrawledPage* loop = find(r, server.url("/loop2.htm"));
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(text(loop->leftOut), "redirect loop at " + server.url("/loop1.htm"));
    EXPECT_EQ(endingText(r, p),
              "ended by itself: every page within the site's folder was met, 2 of them cut "
              "short at a bound of the crawl's");
}

TEST_F(BoundedSite, APageCutByTheCrawlsTimeBoundIsNotTheSitesFault) {
    // The whole crawl has less time than one page.
    p.pageDeadline = std::chrono::milliseconds(60000);
    p.crawlDeadline = std::chrono::milliseconds(1500);
    p.startUrl = server.url("/slow.htm");
    const CrawlResult r = crawlSite(p, webPageFetch(""));
    EXPECT_EQ(r.ending, CrawlEnding::TimeBound) << r.startError;
    EXPECT_TRUE(r.pages.empty()) << text(r.pages.front().leftOut);
    EXPECT_EQ(endingText(r, p), "stopped at the time bound (1 s)");
}

TEST(SiteCrawl, RedirectLoopIsReportedAtItsAddress) {
    FakeSite site;
    const std::string s = std::string(kH) + "/";
    site.page(s + "index.htm", links({"loop1.htm", "away.htm"}));
    site.redirect(s + "loop1.htm", "loop2.htm");
    site.redirect(s + "loop2.htm", "loop1.htm");
    site.redirect(s + "away.htm", "http://other.example/");
    const CrawlResult r = crawlSite(params(s + "index.htm"), site.fetch());
    EXPECT_EQ(sitemapUrls(r), std::vector<std::string>{s + "index.htm"});
    ASSERT_NE(find(r, s + "loop2.htm"), nullptr);
    EXPECT_EQ(text(find(r, s + "loop2.htm")->leftOut), "redirect loop at " + s + "loop1.htm");
    EXPECT_EQ(text(find(r, s + "away.htm")->leftOut),
              "redirects outside the site to http://other.example/");
}

TEST(SiteCrawl, StartPageUnreadableAndRobotsUnreachable) {
    FakeSite site;
    const std::string s = std::string(kH) + "/";
    const struct {
        std::string start;
        std::string robots;
        long robotsStatus;
        std::string error;
    } cases[] = {
        {s + "gone.htm", "", 404, "answered 404"},
        {s + "index.htm", "", 503, "robots.txt answered 503"},
        {s + "index.htm", "User-agent: Farrowlane\nDisallow: /\n", 200, "disallowed by robots.txt"},
        {"ftp://h/", "", 404, "\"ftp://h/\" is no http or https address"},
    };
    site.page(s + "index.htm", links({}));
    for (const auto& c : cases) {
        FakeSite one;
        one.page(s + "index.htm", links({}));
        platform::WebResponse robots;
        one.robots(s + "robots.txt", c.robots);
        PageFetch fetch = [&](const platform::WebRequest& ask) {
            platform::WebResponse answer = one.fetch()(ask);
            if (ask.url == s + "robots.txt") {
                answer.status = c.robotsStatus;
            }
            return answer;
        };
        const CrawlResult r = crawlSite(params(c.start), fetch);
        EXPECT_EQ(r.ending, CrawlEnding::StartUnreadable) << c.start;
        EXPECT_EQ(r.startError, c.error);
    }
}

TEST(SiteCrawl, RobotsRedirectsAreFollowedUpToTheLimit) {
    FakeSite site;
    const std::string s = std::string(kH) + "/";
    site.page(s + "index.htm", links({}));
    site.redirect(s + "robots.txt", "/r1.txt");
    site.redirect(s + "r1.txt", "/r2.txt");
    site.robots(s + "r2.txt", "User-agent: *\nDisallow: /\n");
    CrawlParams p = params(s + "index.htm");
    p.robotsRedirects = 2;
    const CrawlResult kept = crawlSite(p, site.fetch());
    EXPECT_EQ(kept.ending, CrawlEnding::StartUnreadable);
    EXPECT_EQ(kept.startError, "disallowed by robots.txt");
    // One more hop than allowed: the site counts as having no robots.txt.
    p.robotsRedirects = 1;
    const CrawlResult open = crawlSite(p, site.fetch());
    EXPECT_EQ(open.ending, CrawlEnding::Finished) << open.startError;
    EXPECT_EQ(sitemapUrls(open), std::vector<std::string>{s + "index.htm"});
}

TEST(LeftOut, WordsGroupAlikePagesWhateverTheirAddress) {
    using R = LeftOutReason;
    const struct {
        LeftOut leftOut;
        const char* text;
        const char* group;
    } cases[] = {
        {{R::Answered, 404, {}}, "answered 404", "answered 404"},
        {{R::Canonical, 0, "http://h/a"}, "canonical is http://h/a", "canonical is"},
        {{R::RedirectsTo, 0, "http://h/b"}, "redirects to http://h/b", "redirects to"},
        {{R::RedirectsOutside, 0, "http://o/"},
         "redirects outside the site to http://o/",
         "redirects outside the site to"},
        {{R::RedirectLoop, 0, "http://h/c"}, "redirect loop at http://h/c", "redirect loop at"},
        {{R::RobotsAnswered, 503, {}}, "robots.txt answered 503", "robots.txt answered 503"},
        {{R::Refused, 429, "3 requests over 15000 ms"},
         "refused: answered 429 to 3 requests over 15000 ms",
         "refused: answered 429"},
        // A failure that names an address is still one failure of its own.
        {{R::Unreachable, 0, "not an http://x"},
         "unreachable: not an http://x",
         "unreachable: not an http://x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text(c.leftOut), c.text);
        EXPECT_EQ(groupText(c.leftOut), c.group) << c.text;
    }
    EXPECT_EQ(text(LeftOut{}), "");
    std::set<std::string> tokens;
    for (int r = 0; r <= static_cast<int>(R::Unreachable); ++r) {
        EXPECT_TRUE(tokens.insert(token(static_cast<R>(r))).second) << token(static_cast<R>(r));
    }
}

// Cancels the crawl once a number of pages are done.
class CancelAfter final : public CrawlProgress {
public:
    CancelAfter(std::atomic<bool>& cancel, std::size_t pages) : cancel_(cancel), pages_(pages) {}
    void pageDone(const CrawledPage&, std::size_t fetched, std::size_t) override {
        ++calls;
        if (fetched >= pages_) {
            cancel_ = true;
        }
    }
    std::size_t calls = 0;

private:
    std::atomic<bool>& cancel_;
    std::size_t pages_;
};

TEST(SiteCrawl, CancelAndTimeBoundKeepWhatWasFound) {
    FakeSite site;
    const std::string s = std::string(kH) + "/";
    for (int i = 0; i < 1000; ++i) {
        site.page(
            s + "p" + std::to_string(i) + ".htm",
            links({"p" + std::to_string(i + 1) + ".htm", "p" + std::to_string(i + 2) + ".htm"}));
    }
    std::atomic<bool> cancel{false};
    CancelAfter progress(cancel, 20);
    CrawlParams p = params(s + "p0.htm");
    p.cancel = &cancel;
    const CrawlResult r = crawlSite(p, site.fetch(), &progress);
    EXPECT_EQ(r.ending, CrawlEnding::Cancelled);
    EXPECT_GE(r.pages.size(), 20u);
    // Pages in flight when the flag turned finish; no more start.
    EXPECT_LE(r.fetched, 20u + p.inFlight);
    EXPECT_EQ(progress.calls, r.pages.size());

    p.cancel = nullptr;
    p.crawlDeadline = base::Millis(0);
    const CrawlResult late = crawlSite(p, site.fetch());
    EXPECT_EQ(late.ending, CrawlEnding::TimeBound);
    EXPECT_NE(endingText(late, p).find("time bound"), std::string::npos);
}

// A loopback site that notes each request (path, time of arrival, user agent) and the most
// it answered at once. "{site}" in a page stands for "http://127.0.0.1:PORT".
class PoliteSite : public testing::Test {
protected:
    using Clock = std::chrono::steady_clock;
    struct Arrival {
        std::string path;
        Clock::time_point at;
        std::string agent;
    };

    ~PoliteSite() override { server.stop(); }

    // A `status` other than 200 with its Retry-After, for the first request only when `once`.
    void serve(const std::string& path, std::string body, int status = 200,
               std::string retryAfter = {}, bool once = false) {
        server.routes().Get(path, [=, this](const httplib::Request& req, httplib::Response& res) {
            {
                std::lock_guard lock(mutex_);
                arrivals_.push_back({req.path, Clock::now(), req.get_header_value("User-Agent")});
                mostAtOnce_ = std::max(mostAtOnce_, ++atOnce_);
            }
            const bool busy = status != 200 && (!once || firstOf(req.path));
            res.status = busy ? status : 200;
            if (busy && !retryAfter.empty()) {
                res.set_header("Retry-After", retryAfter);
            }
            std::string text = body;
            for (std::size_t at; (at = text.find("{site}")) != std::string::npos;) {
                text.replace(at, 6, server.url(""));
            }
            res.set_content(text, path.ends_with(".txt") ? "text/plain" : "text/html");
            // Long enough for requests made at once to meet here.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::lock_guard lock(mutex_);
            --atOnce_;
        });
    }
    CrawlParams start() {
        server.start();
        CrawlParams p = params(server.url("/"));
        p.inFlight = 4;
        return p;
    }
    std::vector<Arrival> arrivals(const std::string& path = {}) {
        std::lock_guard lock(mutex_);
        std::vector<Arrival> out;
        std::copy_if(arrivals_.begin(), arrivals_.end(), std::back_inserter(out),
                     [&](const Arrival& a) { return path.empty() || a.path == path; });
        return out;
    }
    int mostAtOnce() {
        std::lock_guard lock(mutex_);
        return std::exchange(mostAtOnce_, 0);
    }
    // Every gap between the arrivals is at least `ms`, or `ms` doubled each time.
    static void expectGaps(const std::vector<Arrival>& a, long long ms, bool doubling = false) {
        for (std::size_t i = 1; i < a.size(); ++i, ms *= doubling ? 2 : 1) {
            EXPECT_GE(a[i].at - a[i - 1].at, std::chrono::milliseconds(ms)) << a[i].path << i;
        }
    }

    test::LoopbackHttpServer server;

private:
    bool firstOf(const std::string& path) {
        std::lock_guard lock(mutex_);
        return std::count_if(arrivals_.begin(), arrivals_.end(),
                             [&](const Arrival& a) { return a.path == path; }) == 1;
    }

    std::mutex mutex_;
    std::vector<Arrival> arrivals_;
    int atOnce_ = 0;
    int mostAtOnce_ = 0;
};

TEST_F(PoliteSite, SitemapsOfRobotsTxtBringPagesNoLinkLeadsTo) {
    serve("/robots.txt",
          "User-agent: *\nDisallow: /site/closed.htm\nSitemap: {site}/map.xml\n"
          "Sitemap: http://other.invalid/map.xml\nSitemap: {site}/gone.xml\n");
    std::string xml = "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">";
    for (const char* path :
         {"index.htm", "a.htm", "orphan.htm", "orphan.htm#top", "closed.htm", "../elsewhere.htm"}) {
        xml += "<url><loc>{site}/site/" + std::string(path) + "</loc></url>";
    }
    serve("/map.xml", xml + "</urlset>");
    serve("/site/index.htm", links({"a.htm"}));
    serve("/site/a.htm", links({"index.htm"}));
    serve("/site/orphan.htm", links({"child.htm"}));
    serve("/site/child.htm", links({}));
    serve("/elsewhere.htm", links({}));
    CrawlParams p = start();
    p.startUrl = server.url("/site/index.htm");

    const CrawlResult r = crawlSite(p, webPageFetch(""));
    EXPECT_EQ(r.ending, CrawlEnding::Finished) << r.startError;
    ASSERT_EQ(r.sitemaps.size(), 3u);
    EXPECT_EQ(r.sitemaps[0].listed, 4u);
    EXPECT_TRUE(r.sitemaps[0].problems.empty());
    EXPECT_EQ(r.sitemaps[1].problems,
              std::vector<std::string>{"not read: not on the site's host 127.0.0.1"});
    ASSERT_EQ(r.sitemaps[2].problems.size(), 1u);
    EXPECT_NE(r.sitemaps[2].problems[0].find("answered 404"), std::string::npos);
    std::map<std::string, std::string> found;
    for (const CrawledPage& page : r.pages) {
        found[page.url.substr(server.url("/site/").size())] =
            token(page.foundBy) + (" " + std::to_string(page.depth)) +
            (page.leftOut ? " " + text(page.leftOut) : "");
    }
    // A page a sitemap's page links to is found by link.
    EXPECT_EQ(found, (std::map<std::string, std::string>{
                         {"index.htm", "link 0"},
                         {"a.htm", "link 1"},
                         {"orphan.htm", "sitemap 1"},
                         {"closed.htm", "sitemap 1 disallowed by robots.txt"},
                         {"child.htm", "link 2"}}));
    // Listed, whichever way the crawl came to them; the page outside the folder is not.
    const std::string site = server.url("/site/");
    EXPECT_EQ(r.listed, (std::vector<std::string>{site + "a.htm", site + "closed.htm",
                                                  site + "index.htm", site + "orphan.htm"}));
    EXPECT_TRUE(arrivals("/elsewhere.htm").empty());
    EXPECT_TRUE(arrivals("/site/closed.htm").empty());
    // Every request, robots.txt and the sitemaps too, names us and our release.
    for (const Arrival& a : arrivals()) {
        EXPECT_EQ(a.agent, std::string("Farrowlane/") + base::kVersion) << a.path;
    }

    // The sitemaps' pages count against the page bound; none is read when links fill it.
    p.maxPages = 3;
    EXPECT_EQ(crawlSite(p, webPageFetch("")).ending, CrawlEnding::PageBound);
    p.maxPages = 2;
    const CrawlResult full = crawlSite(p, webPageFetch(""));
    EXPECT_EQ(full.ending, CrawlEnding::PageBound);
    EXPECT_TRUE(full.sitemaps.empty());
}

TEST_F(PoliteSite, TheFoldersSitemapIsReadOnlyWhenAskedAndRobotsTxtNamesNone) {
    serve("/robots.txt", "User-agent: *\nDisallow:\n");
    serve("/site/sitemap.xml",
          "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url><loc>{site}/site/"
          "lone.htm</loc></url><url><loc>{site}/site/index.htm</loc></url></urlset>");
    serve("/site/index.htm", links({}));
    serve("/site/lone.htm", links({}));
    serve("/sitemap.xml", "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"/>");
    CrawlParams p = start();
    p.startUrl = server.url("/site/index.htm");
    const std::string site = server.url("/site/");

    // Not asked: as before, the sitemaps are robots.txt's alone.
    const CrawlResult plain = crawlSite(p, webPageFetch(""));
    EXPECT_TRUE(plain.sitemaps.empty());
    EXPECT_TRUE(plain.listed.empty());
    EXPECT_EQ(plain.pages.size(), 1u);
    EXPECT_TRUE(arrivals("/site/sitemap.xml").empty());

    p.folderSitemap = true;
    const CrawlResult folder = crawlSite(p, webPageFetch(""));
    ASSERT_EQ(folder.sitemaps.size(), 1u);
    EXPECT_EQ(folder.sitemaps[0].url, site + "sitemap.xml");
    EXPECT_TRUE(folder.sitemaps[0].inFolder);
    EXPECT_EQ(folder.sitemaps[0].listed, 2u);
    EXPECT_EQ(folder.listed, (std::vector<std::string>{site + "index.htm", site + "lone.htm"}));
    ASSERT_EQ(folder.pages.size(), 2u);
    EXPECT_EQ(folder.pages[1].foundBy, FoundBy::Sitemap);
    EXPECT_TRUE(arrivals("/sitemap.xml").empty()) << "the host's root is not the site's folder";
}

TEST_F(PoliteSite, ASitemapRobotsTxtNamesStandsInPlaceOfTheFolders) {
    serve("/robots.txt", "User-agent: *\nSitemap: {site}/named.xml\n");
    serve("/named.xml", "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"/>");
    serve("/site/sitemap.xml",
          "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url><loc>{site}/site/"
          "lone.htm</loc></url></urlset>");
    serve("/site/index.htm", links({}));
    serve("/site/lone.htm", links({}));
    CrawlParams p = start();
    p.startUrl = server.url("/site/index.htm");
    p.folderSitemap = true;
    const CrawlResult r = crawlSite(p, webPageFetch(""));
    ASSERT_EQ(r.sitemaps.size(), 1u);
    EXPECT_FALSE(r.sitemaps[0].inFolder);
    EXPECT_TRUE(r.listed.empty());
    EXPECT_TRUE(arrivals("/site/sitemap.xml").empty());
    EXPECT_TRUE(arrivals("/site/lone.htm").empty());
}

TEST_F(PoliteSite, CrawlDelayOrADelayMakesOneRequestAtATimeWithItsPause) {
    serve("/robots.txt", "User-agent: Farrowlane\nCrawl-delay: 3600\n");
    serve("/", links({"p1.htm", "p2.htm", "p3.htm"}));
    for (const char* path : {"/p1.htm", "/p2.htm", "/p3.htm"}) {
        serve(path, links({}));
    }
    CrawlParams p = start();
    p.delayCap = base::Millis(100);
    const CrawlResult held = crawlSite(p, webPageFetch(""));
    EXPECT_EQ(held.pages.size(), 4u);
    ASSERT_EQ(arrivals().size(), 5u);
    expectGaps(arrivals(), 100);
    EXPECT_EQ(mostAtOnce(), 1);
    EXPECT_EQ(pacingText(held),
              "one request at a time, 100 ms apart: robots.txt's Crawl-delay of 3600000 ms, held "
              "to siteCrawlDelayCap");

    // The caller's longer delay wins over the site's.
    p.delay = base::Millis(150);
    EXPECT_EQ(pacingText(crawlSite(p, webPageFetch(""))),
              "one request at a time, 150 ms apart, as asked");
    const std::vector<Arrival> again = arrivals();
    expectGaps({again.begin() + 5, again.end()}, 150);
    EXPECT_EQ(mostAtOnce(), 1);
}

TEST_F(PoliteSite, BusyAnswersArePausedForAndAStopEndsThePause) {
    serve("/robots.txt", "");
    serve("/", links({"later.htm", "never.htm"}));
    serve("/later.htm", "<title>At last</title>", 429, "1", true);
    serve("/never.htm", "", 503);
    serve("/hour.htm", "", 503, "3600");
    CrawlParams p = start();
    p.backoff = base::Millis(20);
    p.backoffLimit = base::Millis(1000);

    const CrawlResult r = crawlSite(p, webPageFetch(""));
    const CrawledPage* later = find(r, server.url("/later.htm"));
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(text(later->leftOut) + later->title, "At last");
    ASSERT_EQ(arrivals("/later.htm").size(), 2u);
    expectGaps(arrivals("/later.htm"), 1000);
    // Pauses of 20, 40, 80, 160 and 320 ms; the next, 640, would pass the limit.
    const CrawledPage* never = find(r, server.url("/never.htm"));
    ASSERT_NE(never, nullptr);
    EXPECT_EQ(text(never->leftOut), "refused: answered 503 to 6 requests over 620 ms");
    ASSERT_EQ(arrivals("/never.htm").size(), 6u);
    expectGaps(arrivals("/never.htm"), 20, true);

    // An hour's Retry-After within a limit of two ends at a stop.
    p.backoffLimit = base::Millis(7200000);
    p.startUrl = server.url("/hour.htm");
    std::atomic<bool> cancel{false};
    p.cancel = &cancel;
    std::jthread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    const Clock::time_point began = Clock::now();
    EXPECT_EQ(crawlSite(p, webPageFetch("")).ending, CrawlEnding::Cancelled);
    // Far below the hour asked for, however loaded the machine.
    EXPECT_LT(Clock::now() - began, std::chrono::seconds(60));
    EXPECT_EQ(arrivals("/hour.htm").size(), 1u);
}

}  // namespace
}  // namespace farrow::crawl
