#include "indexnow/url_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include <map>
#include <sstream>

#include "support/loopback_http_server.h"
#include "support/temp_workspace.h"
#include "support/test_certificate.h"

namespace farrow::indexnow {
namespace {

TEST(UrlList, KeepsUrlsAndNamesJunkLines) {
    const std::string longLine = "http://www.example.com/" + std::string(5000, 'x');
    std::istringstream in(
        "http://www.example.com/a\r\n"
        "\n"
        "   \n"
        "# a comment\n"
        "  https://www.example.com/b  \n"
        "not a url\n"
        "ftp://www.example.com/c\n"
        "http://\n"
        "/relative/path\n"
        "<script>alert(1)</script>\n" +
        longLine +
        "\n"
        "http://www.example.com/last-without-break");
    const UrlSourceResult r = readUrlList(in);
    EXPECT_FALSE(r.error) << r.error.reason;
    std::vector<std::string> urls;
    for (const CandidateUrl& u : r.urls) {
        urls.push_back(u.url);
        EXPECT_EQ(u.origin, UrlOrigin::List);
    }
    EXPECT_EQ(urls,
              (std::vector<std::string>{"http://www.example.com/a", "https://www.example.com/b",
                                        "http://www.example.com/last-without-break"}));
    ASSERT_EQ(r.leftOut.size(), 6u);
    for (const LeftOutUrl& u : r.leftOut) {
        EXPECT_EQ(token(u), "not-a-url") << u.url;
        EXPECT_LE(u.url.size(), 130u);
    }
    EXPECT_EQ(r.leftOut[0].url, "not a url");
    EXPECT_EQ(r.leftOut[5].url.substr(0, 23), "http://www.example.com/");
    EXPECT_TRUE(r.leftOut[5].url.ends_with("..."));
}

TEST(UrlList, BinaryAndEmptyInputGiveNoUrls) {
    std::istringstream empty("");
    EXPECT_TRUE(readUrlList(empty).urls.empty());
    std::istringstream binary(std::string("\0\x01\xff\xfe", 4) + "\n" + std::string(100000, '\0'));
    const UrlSourceResult r = readUrlList(binary);
    EXPECT_TRUE(r.urls.empty());
    EXPECT_EQ(r.leftOut.size(), 2u);
}

TEST(SitemapUrls, PagesComeWithTheirLastmodAndSkippedPartsAreNoted) {
    const std::map<std::string, std::string> served = {
        {"http://h/sitemap.xml",
         "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">"
         "<sitemap><loc>http://h/a.xml</loc></sitemap>"
         "<sitemap><loc>http://h/gone.xml</loc></sitemap></sitemapindex>"},
        {"http://h/a.xml",
         "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">"
         "<url><loc>http://h/one</loc><lastmod>2026-12-09T07:30:00+01:00</lastmod></url>"
         "<url><loc>http://h/two</loc><lastmod>last week</lastmod></url>"
         "<url><loc>http://h/three</loc></url></urlset>"},
    };
    crawl::SitemapSourceParams params = crawl::sitemapSourceParams("http://h/sitemap.xml", {});
    const UrlSourceResult r = sitemapUrls(params, [&](const platform::WebRequest& ask) {
        platform::WebResponse answer;
        const auto page = served.find(ask.url);
        answer.status = page == served.end() ? 404 : 200;
        answer.body = page == served.end() ? "" : page->second;
        return answer;
    });
    EXPECT_EQ(r.error.reason, "");
    ASSERT_EQ(r.urls.size(), 3u);
    EXPECT_EQ(r.urls[0].url, "http://h/one");
    EXPECT_EQ(r.urls[0].origin, UrlOrigin::Sitemap);
    EXPECT_EQ(r.urls[0].lastModified, std::chrono::sys_days(std::chrono::December / 9 / 2026) +
                                          std::chrono::hours(6) + std::chrono::minutes(30));
    // A lastmod that is no date counts as none: the page goes by the resend wait alone.
    EXPECT_FALSE(r.urls[1].lastModified);
    EXPECT_FALSE(r.urls[2].lastModified);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_NE(text(r.notes[0]).find("http://h/gone.xml: answered 404"), std::string::npos);
}

TEST(SitemapUrls, TheWholeReadOfAnIndexEndsAtOneDeadline) {
    crawl::SitemapSourceParams params = crawl::sitemapSourceParams("http://h/index.xml", {});
    params.deadline = std::chrono::milliseconds(200);
    std::string index = "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">";
    for (int i = 0; i < 1000; ++i) {
        index += "<sitemap><loc>http://h/" + std::to_string(i) + ".xml</loc></sitemap>";
    }
    index += "</sitemapindex>";
    std::vector<base::Millis> given;
    // Each part is slow, well within the page deadline.
    const UrlSourceResult r = sitemapUrls(params, [&](const platform::WebRequest& ask) {
        platform::WebResponse answer;
        answer.status = 200;
        if (ask.url == params.source) {
            answer.body = index;
            return answer;
        }
        given.push_back(ask.deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        answer.body = "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url><loc>" +
                      ask.url + "/p</loc></url></urlset>";
        return answer;
    });
    EXPECT_EQ(r.error.reason, "");
    ASSERT_FALSE(given.empty());
    EXPECT_LT(given.size(), 20u);
    // A part is given what is left of the whole read, not the page deadline.
    EXPECT_LE(given.back(), std::chrono::milliseconds(200));
    // The part under way when the time ran out is not read either, and is named with the rest.
    const std::size_t read = r.urls.size();
    EXPECT_GE(given.size(), read);
    EXPECT_LE(given.size(), read + 1);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.sitemapCut.bound, crawl::SitemapBound::Time);
    ASSERT_EQ(r.sitemapCut.partsNotRead.size(), 1000 - read);
    EXPECT_EQ(r.sitemapCut.partsNotRead.back(), "http://h/999.xml");
    const std::string said = text(r.notes[0]);
    EXPECT_TRUE(said.starts_with("the sitemap bound sitemapDeadline (200 ms) was met: " +
                                 std::to_string(1000 - read) + " sitemaps not read: http://h/"))
        << said;
}

TEST(CrawledUrls, SitemapPagesGoAndTheRestAreLeftOutWithTheCrawlsReason) {
    crawl::CrawlParams params;
    params.startUrl = "http://h/";
    crawl::CrawlResult crawled;
    crawled.pages = {
        {"http://h/", 0, 200, "text/html", "Home", "Wed, 09 Dec 2026 07:30:00 GMT", {}},
        {"http://h/hidden", 1, 200, "text/html", "", "", {crawl::LeftOutReason::Noindex, 0, {}}},
        {"http://h/file.pdf", 1, 200, "application/pdf", "", "yesterday", {}}};
    UrlSourceResult r = crawledUrls(crawled, params);
    ASSERT_EQ(r.urls.size(), 2u);
    EXPECT_EQ(r.urls[0].origin, UrlOrigin::Crawl);
    EXPECT_EQ(r.urls[0].lastModified, std::chrono::sys_days(std::chrono::December / 9 / 2026) +
                                          std::chrono::hours(7) + std::chrono::minutes(30));
    EXPECT_FALSE(r.urls[1].lastModified);
    ASSERT_EQ(r.leftOut.size(), 1u);
    EXPECT_EQ(r.leftOut[0].url, "http://h/hidden");
    EXPECT_EQ(token(r.leftOut[0]), "noindex");
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(text(r.notes[0]),
              "the crawl ended by itself: every page within the site's folder was read");

    crawled.ending = crawl::CrawlEnding::StartUnreadable;
    crawled.startError = "connection refused";
    r = crawledUrls(crawled, params);
    EXPECT_EQ(r.error.reason, "the start page http://h/ could not be read: connection refused");
    EXPECT_TRUE(r.urls.empty());
}

// The announcement's deep source trusts the CA file the other sources trust; without it the
// site's certificate is refused.
TEST(DeepChecklistUrls, AnHttpsSiteIsReadWithTheCaFileBesideTheSystemsCertificates) {
    test::TempWorkspace workspace;
    const test::TestCertificate cert = test::makeTestCertificate(workspace.path() / "tls");
    test::LoopbackHttpServer site(cert);
    const auto page = [&site](const std::string& path, const std::string& body) {
        site.routes().Get(path, [body](const httplib::Request&, httplib::Response& res) {
            res.set_content(body, "text/html");
        });
    };
    // The deep crawl takes one link a line.
    page("/site/index.htm",
         "<title>Home</title>\n<a href=\"a.htm\">A</a>\n<a href=\"b.htm\">B</a>\n");
    page("/site/a.htm", "<title>A page</title>");
    page("/site/b.htm", "<title>B page</title>");
    site.start();

    const UrlSourceResult read =
        deepChecklistUrls(site.url("/site/index.htm"), "Home", {}, nullptr, cert.certFile);
    EXPECT_EQ(read.error.reason, "");
    std::vector<std::string> urls;
    for (const CandidateUrl& url : read.urls) {
        urls.push_back(url.url);
    }
    std::sort(urls.begin(), urls.end());
    EXPECT_EQ(urls, (std::vector<std::string>{site.url("/site/a.htm"), site.url("/site/b.htm"),
                                              site.url("/site/index.htm")}));

    EXPECT_NE(deepChecklistUrls(site.url("/site/index.htm"), "Home", {}).error.reason, "");
}

}  // namespace
}  // namespace farrow::indexnow
