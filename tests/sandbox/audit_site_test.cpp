#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "audit/site_audit.h"
#include "crawl/site_crawl.h"
#include "crawl/web_fetch.h"
#include "sandbox/audit_site.h"
#include "sandbox/sandbox_server.h"
#include "sandbox/target_behaviour.h"
#include "support/temp_workspace.h"

namespace farrow::sandbox {
namespace {

// A finding as the table below writes it: the token, the page at fault and the pages linking
// it, each below the site's folder.
using Case = std::tuple<std::string, std::string, std::vector<std::string>>;

// The chandlery holds one case of each kind the audit finds. Its sitemap also lists a noindex
// page (clearance.htm) and a page no link leads to (winter-stock.htm), for the sitemap's kinds.
const std::vector<Case> kCases = {
    {"broken-link", "lanterns.htm", {"index.htm"}},
    {"linked-redirect", "catalogue-2024.htm", {"index.htm"}},
    {"linked-redirect", "rigging.htm", {"sails.htm"}},
    {"redirect-chain", "catalogue-2024.htm", {"index.htm"}},
    {"canonical-invalid", "charts.htm", {}},
    {"title-duplicate", "ropes.htm", {}},
    {"title-duplicate", "sails.htm", {}},
    {"mixed-content", "order.htm", {}},
    {"sitemap-noindex", "clearance.htm", {}},
    {"orphan", "winter-stock.htm", {}},
};

class AuditSiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        SandboxSettings settings;
        settings.mailbox = workspace_.path() / "MAILBOX";
        server_ = std::make_unique<SandboxServer>(settings, log_);
        ASSERT_TRUE(server_->valid()) << server_->error();
        std::ofstream(caFile()) << server_->authorityPem();
        server_->start();
    }

    std::string caFile() const { return (workspace_.path() / "sandbox-ca.pem").string(); }
    std::string secureSite() const {
        return "https://127.0.0.1:" + std::to_string(server_->httpsPort()) + kAuditSitePath;
    }

    // The sitemaps robots.txt names, as a crawl from `start` read them: URL and pages listed.
    std::vector<std::pair<std::string, std::size_t>> robotsSitemaps(const std::string& start) {
        const crawl::CrawlResult r =
            crawl::crawlSite(crawl::crawlParams(start, {}), crawl::webPageFetch(caFile()));
        EXPECT_EQ(r.ending, crawl::CrawlEnding::Finished) << r.startError;
        std::vector<std::pair<std::string, std::size_t>> named;
        for (const crawl::RobotsSitemap& sitemap : r.sitemaps) {
            EXPECT_EQ(sitemap.problems, std::vector<std::string>{}) << sitemap.url;
            named.emplace_back(sitemap.url, sitemap.listed);
        }
        return named;
    }

    test::TempWorkspace workspace_;
    std::ostringstream log_;
    std::unique_ptr<SandboxServer> server_;
};

TEST_F(AuditSiteTest, HoldsOneCaseOfEachFindingAndNothingElse) {
    const std::string site = secureSite();
    audit::AuditParams params;
    params.startUrl = site + "index.htm";
    const audit::AuditResult result = audit::runSiteAudit(
        params, base::Workspace(workspace_.path().string()), {}, crawl::webPageFetch(caFile()));
    ASSERT_EQ(result.ending, crawl::CrawlEnding::Finished) << result.endingText;

    const auto below = [&site](const std::string& url) {
        EXPECT_EQ(url.rfind(site, 0), 0u) << url;
        return url.substr(site.size());
    };
    std::vector<Case> found;
    for (const audit::Finding& f : result.findings) {
        std::vector<std::string> from;
        std::transform(f.linkedFrom.begin(), f.linkedFrom.end(), std::back_inserter(from), below);
        found.emplace_back(audit::token(f.kind), below(f.url), from);
    }
    std::vector<Case> expected = kCases;
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);

    // The orphan was read through the sitemap robots.txt names; the noindex page through a link.
    std::map<std::string, std::pair<long, std::string>> pages;
    for (const audit::AuditPage& page : result.pages) {
        pages[below(page.url)] = {page.status, page.leftOut};
    }
    EXPECT_EQ(pages["winter-stock.htm"], (std::pair<long, std::string>{200, ""}));
    EXPECT_EQ(pages["clearance.htm"], (std::pair<long, std::string>{200, "noindex"}));
    EXPECT_EQ(pages["lanterns.htm"].first, 404);
    // The order page's picture is the HTTP side's, of the same host.
    const auto mixed = std::find_if(result.findings.begin(), result.findings.end(), [](auto& f) {
        return f.kind == audit::FindingKind::MixedContent;
    });
    ASSERT_NE(mixed, result.findings.end());
    EXPECT_NE(mixed->detail.find("http://127.0.0.1:" + std::to_string(server_->httpPort()) +
                                 kAuditSitePath + "anchor.svg"),
              std::string::npos)
        << mixed->detail;
}

// robots.txt is the origin's: the bakery's over HTTP names the bakery's sitemap alone, as it did
// before the chandlery came, and the HTTPS side's the chandlery's.
TEST_F(AuditSiteTest, EachSidesRobotsTxtNamesTheSitemapOfItsOwnSite) {
    const std::string bakery =
        "http://127.0.0.1:" + std::to_string(server_->httpPort()) + kSitePath;
    EXPECT_EQ(robotsSitemaps(bakery + "index.htm"),
              (std::vector<std::pair<std::string, std::size_t>>{{bakery + "sitemap.xml", 7}}));
    EXPECT_EQ(
        robotsSitemaps(secureSite() + "index.htm"),
        (std::vector<std::pair<std::string, std::size_t>>{{secureSite() + "sitemap.xml", 8}}));
}

}  // namespace
}  // namespace farrow::sandbox
