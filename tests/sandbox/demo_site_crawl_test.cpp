#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "crawl/site_crawl.h"
#include "crawl/sitemap_reader.h"
#include "crawl/web_fetch.h"
#include "sandbox/sandbox_server.h"
#include "sandbox/target_behaviour.h"
#include "support/temp_workspace.h"

namespace farrow::sandbox {
namespace {

// The whole-site crawl of the demo bakery finds what a search engine would index, and leaves
// out what the site's robots.txt, noindex, canonical and redirect say to.
TEST(DemoSiteCrawl, FindsTheSiteAsASearchEngineWould) {
    test::TempWorkspace workspace;
    std::ostringstream log;
    SandboxSettings settings;
    settings.mailbox = workspace.path() / "MAILBOX";
    SandboxServer server(settings, log);
    ASSERT_TRUE(server.valid()) << server.error();
    server.start();
    const std::string site = "http://127.0.0.1:" + std::to_string(server.httpPort()) + kSitePath;

    const crawl::CrawlResult r =
        crawl::crawlSite(crawl::crawlParams(site + "index.htm", {}), crawl::webPageFetch(""));
    ASSERT_EQ(r.ending, crawl::CrawlEnding::Finished) << r.startError;
    std::vector<std::string> listed;
    std::map<std::string, std::string> leftOut;
    for (const crawl::CrawledPage& page : r.pages) {
        ASSERT_EQ(page.url.rfind(site, 0), 0u) << page.url;
        const std::string name = page.url.substr(site.size());
        if (!page.leftOut) {
            listed.push_back(name);
        } else {
            leftOut[name] = crawl::text(page.leftOut);
        }
    }
    EXPECT_GE(listed.size(), 25u);
    for (const std::string name :
         {"index.htm", "ring/west.htm", "shop/", "shop/loaves/rye.htm", "shop/price-list.pdf",
          "shop/offers.htm", "shop/order.htm?item=sourdough&size=large", "news/",
          "news/2025/opening.htm", "about/find-us.htm", "private/press-kit.htm"}) {
        EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name;
    }
    EXPECT_EQ(leftOut, (std::map<std::string, std::string>{
                           {"private/staff-rota.htm", "disallowed by robots.txt"},
                           {"shop/print.htm", "noindex"},
                           {"news/index.htm", "canonical is " + site + "news/"},
                           {"offers.htm", "redirects to " + site + "shop/offers.htm"},
                       }));
    // The nofollow link is never read, nor the other host's page.
    EXPECT_EQ(log.str().find("shop/basket.htm"), std::string::npos);
    EXPECT_EQ(log.str().find("maps.example.org"), std::string::npos);

    // The site's own sitemap reads back.
    const crawl::SitemapSourceParams params = crawl::sitemapSourceParams(site + "sitemap.xml", {});
    const crawl::SitemapPages own = crawl::loadSitemapPages(params, crawl::webPageFetch(""));
    EXPECT_EQ(own.error.reason, "");
    EXPECT_EQ(own.pages.size(), 7u);
    server.stop();
}

}  // namespace
}  // namespace farrow::sandbox
