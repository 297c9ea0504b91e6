#include "deep/link_catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "deep/page_text.h"
#include "deep/site_prefix.h"
#include "loopback_site.h"
#include "support/loopback_listener.h"

namespace farrow::deep::test {
namespace {

std::string expand(const std::string& text, const std::string& site) {
    return expandSite(text, site);
}

struct PrefixCase {
    const char* url;
    const char* prefix;
};

class SitePrefixTest : public testing::TestWithParam<PrefixCase> {};

TEST_P(SitePrefixTest, IsHostAndDirectory) {
    EXPECT_EQ(sitePrefix(GetParam().url), GetParam().prefix) << GetParam().url;
}

INSTANTIATE_TEST_SUITE_P(Urls, SitePrefixTest,
                         testing::Values(PrefixCase{"http://host/dir/page.htm", "host/dir"},
                                         PrefixCase{"http://host/", "host"},
                                         PrefixCase{"http://host", "host"},
                                         PrefixCase{"http://host/a/b/", "host/a/b"},
                                         PrefixCase{"http://host/dir/../up.htm", "host/dir/.."},
                                         PrefixCase{"http:\\\\host\\dir", "host\\dir"},
                                         PrefixCase{"http://", ""}));

struct WithinCase {
    const char* link;
    const char* page;
    bool within;
};

class WithinSitePrefixTest : public testing::TestWithParam<WithinCase> {};

TEST_P(WithinSitePrefixTest, NeedsTheSameHostAndADirectoryBoundary) {
    const WithinCase& c = GetParam();
    EXPECT_EQ(withinSitePrefix(sitePrefix(c.link), sitePrefix(c.page)), c.within)
        << c.link << " from " << c.page;
}

INSTANTIATE_TEST_SUITE_P(
    Links, WithinSitePrefixTest,
    testing::Values(WithinCase{"http://127.0.0.1:18431/a.htm", "http://127.0.0.1:1843/", false},
                    WithinCase{"http://127.0.0.1:1843/a.htm", "http://127.0.0.1:1843/", true},
                    WithinCase{"http://127.0.0.1/a.htm", "http://127.0.0.1:1843/", false},
                    WithinCase{"http://example.com.au/", "http://example.com/", false},
                    WithinCase{"http://EXAMPLE.Com/x/a.htm", "http://example.com/", true},
                    WithinCase{"http://host/site2/a.htm", "http://host/site/", false},
                    WithinCase{"http://host/site/a.htm", "http://host/site/", true},
                    WithinCase{"http://host/site/b/c/a.htm", "http://host/site/", true},
                    WithinCase{"http://host/SITE/a.htm", "http://host/site/", false},
                    WithinCase{"http://host/dir/../up.htm", "http://host/dir/index.htm", true},
                    WithinCase{"http://host/a.htm", "http://host/dir/index.htm", false},
                    WithinCase{"http://host/dir/a.htm", "http://host/dir", true},
                    WithinCase{"https://host/a.htm", "http://host/", true}));

// One line on the page http://127.0.0.1:PORT/dir/index.htm and the links it yields.
struct LineCase {
    const char* name;
    const char* line;
    std::vector<std::string> links;
};

class LineScanTest : public testing::TestWithParam<LineCase> {
public:
    static std::vector<LineCase> cases();

protected:
    static void SetUpTestSuite() {
        site = new LoopbackSite;
        for (const LineCase& c : cases()) {
            site->page(std::string("/dir/") + c.name + ".htm", std::string(c.line) + "\n");
        }
        site->start();
    }
    static void TearDownTestSuite() { delete site; }
    static inline LoopbackSite* site = nullptr;
};

std::vector<LineCase> LineScanTest::cases() {
    const std::string d = "{site}/dir/";
    return {
        {"relative", R"(<a href="sub/a.htm">A</a>)", {d + "sub/a.htm"}},
        {"twoAnchors", R"(<a href="one.htm">1</a> <a href="two.htm">2</a>)", {d + "one.htm"}},
        {"upperCase", R"(<A HREF="b.htm">B</A>)", {d + "b.htm"}},
        {"lowerWins", R"(<A HREF="x.htm"> <a href="y.htm">)", {d + "y.htm"}},
        {"mixedCase", R"(<a Href="c.htm">)", {}},
        {"spacedEquals", R"(<a href = "c.htm">)", {}},
        {"unquoted", R"(<a href=two.htm>)", {d}},
        {"singleQuoted", R"(<a href='two.htm'>)", {d}},
        {"oneQuote", R"(<a href="two.htm>)", {d}},
        {"blankInside", R"(<a href="page.htm extra">)", {d + "page.htm"}},
        {"tabsTrimmed", "<a href=\"\tpage.htm\t\">", {d + "page.htm"}},
        {"mailto", R"(<a href="mailto:me@example.test">)", {}},
        {"mailtoCaps", R"(<a href="MAILTO:me@example.test">)", {}},
        {"absolute", R"(<a href="{site}/dir/abs.htm">)", {d + "abs.htm"}},
        {"absoluteCaps", R"(<a href="HTTP://{host}/dir/x.htm">)", {"HTTP://{host}/dir/x.htm"}},
        {"absoluteHttps", R"(<a href="Https://{host}/dir/x.htm">)", {"Https://{host}/dir/x.htm"}},
        {"otherHost", R"(<a href="http://other.example/dir/x.htm">)", {}},
        {"otherDirectory", R"(<a href="{site}/elsewhere/x.htm">)", {}},
        {"siblingDirectory", R"(<a href="{site}/dir2/x.htm">)", {}},
        {"subDirectory", R"(<a href="{site}/dir/2/x.htm">)", {d + "2/x.htm"}},
        {"longerPort", R"(<a href="{site}1/dir/x.htm">)", {}},
        {"separatorInLink", R"(<a href="x|{host}/dir/mine.htm">)", {}},
        {"parent", R"(<a href="../up.htm">)", {d + "../up.htm"}},
        {"fragment", R"(<a href="#">)", {d + "#"}},
        {"ftp", R"(<a href="FTP://{host}/dir/f.zip">)", {"FTP://{host}/dir/f.zip"}},
        {"noLink", "<p>plain text</p>", {}},
    };
}

TEST_P(LineScanTest, YieldsTheLinksOfTheRules) {
    const LineCase& c = GetParam();
    CrawlJob job;
    job.pageUrl = site->url(std::string("/dir/") + c.name + ".htm");
    job.recurse = false;
    EXPECT_EQ(catalogueLinks(job, pageReadOptions(quickTiming())), 1);
    EXPECT_TRUE(job.finished());
    std::vector<std::string> expected;
    for (const std::string& link : c.links) {
        expected.push_back(expand(link, site->site()));
    }
    EXPECT_EQ(catalogueEntries(job.resultText), expected) << c.line;
    EXPECT_TRUE(job.catalogue.empty());
}

INSTANTIATE_TEST_SUITE_P(Lines, LineScanTest, testing::ValuesIn(LineScanTest::cases()),
                         [](const testing::TestParamInfo<LineCase>& info) {
                             return std::string(info.param.name);
                         });

// The same "a.htm" resolved against pages of different endings.
struct PageUrlCase {
    const char* path;
    const char* link;
};

class PageEndingTest : public testing::TestWithParam<PageUrlCase> {};

TEST_P(PageEndingTest, ResolvesRelativeLinks) {
    LoopbackSite site;
    site.page(GetParam().path, "<a href=\"a.htm\">\n");
    site.start();
    CrawlJob job;
    job.pageUrl = site.url(GetParam().path);
    job.recurse = false;
    catalogueLinks(job, pageReadOptions(quickTiming()));
    EXPECT_EQ(job.resultText, site.url(GetParam().link) + "|") << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(Endings, PageEndingTest,
                         testing::Values(PageUrlCase{"/dir", "/dir/a.htm"},
                                         PageUrlCase{"/dir/", "/dir/a.htm"},
                                         PageUrlCase{"/dir/index.htm", "/dir/a.htm"},
                                         PageUrlCase{"/dir/index.html", "/dir/a.htm"},
                                         PageUrlCase{"/dir/INDEX.HTM", "/dir/a.htm"},
                                         PageUrlCase{"/dir/Index.Html", "/dir/a.htm"}));

TEST(LinkOnLine, ADirectoryPageAlreadySeenYieldsNoRelativeLinks) {
    EXPECT_EQ(linkOnLine(R"(href="a.htm")", "http://h/d/", "http://h/d/|"), std::nullopt);
    EXPECT_EQ(linkOnLine(R"(href="a.htm")", "http://h/d/", ""), "http://h/d/a.htm");
    EXPECT_EQ(linkOnLine(R"(href="http://h/x.htm")", "http://h/d/", "http://h/d/|"),
              "http://h/x.htm");
}

TEST(CatalogueLinks, ANonHttpAddressIsNotRead) {
    CrawlJob job;
    job.pageUrl = "ftp://127.0.0.1/index.htm";
    EXPECT_EQ(catalogueLinks(job, pageReadOptions(quickTiming())), 0);
    EXPECT_TRUE(job.finished());
    EXPECT_TRUE(job.resultText.empty());
    EXPECT_TRUE(job.catalogue.empty());
}

TEST(CatalogueLinks, SchemeIsRecognisedWhateverItsCase) {
    LoopbackSite site;
    site.page("/index.htm", "<a href=\"b.htm\">\n");
    site.start();
    CrawlJob job;
    job.pageUrl = "HTTP" + site.url("/index.htm").substr(4);
    job.recurse = false;
    EXPECT_EQ(catalogueLinks(job, pageReadOptions(quickTiming())), 1);
    EXPECT_EQ(job.resultText, "HTTP" + site.url("/b.htm").substr(4) + "|");
}

TEST(CatalogueLinks, AnUnreachablePageIsAnErrorOpening) {
    CrawlJob job;
    job.pageUrl = "http://127.0.0.1:" + std::to_string(farrow::test::closedLoopbackPort()) + "/";
    job.resultText = "old|";
    EXPECT_EQ(catalogueLinks(job, pageReadOptions(quickTiming())), 1);
    EXPECT_TRUE(job.finished());
    EXPECT_EQ(job.resultText, "ERROR OPENING");
}

TEST(CatalogueLinks, AStalledPageFailsAndKeepsTheLinksReadSoFar) {
    LoopbackSite site;
    site.stalledPage("/index.htm", "<a href=\"a.htm\">\n<a href=\"b.htm\">\n");
    site.start();
    CrawlJob job;
    job.pageUrl = site.url("/index.htm");
    job.recurse = true;
    catalogueLinks(job, pageReadOptions(quickTiming()));
    EXPECT_EQ(job.resultText, "ERROR OPENING");
    EXPECT_EQ(job.catalogue, site.url("/a.htm") + "|" + site.url("/b.htm") + "|");
}

TEST(CatalogueLinks, ALinkHoldingANulIsDropped) {
    LoopbackSite site;
    site.page("/index.htm", std::string("<a href=\"a") + '\0' + "b.htm\">\n<a href=\"c.htm\">\n");
    site.start();
    CrawlJob job;
    job.pageUrl = site.url("/index.htm");
    job.recurse = false;
    catalogueLinks(job, pageReadOptions(quickTiming()));
    EXPECT_EQ(job.resultText, site.url("/c.htm") + "|");
}

TEST(CatalogueLinks, AnErrorStatusPageIsScannedLikeAnyPage) {
    LoopbackSite site;
    site.start();
    CrawlJob job;
    job.pageUrl = site.url("/missing.htm");
    job.recurse = false;
    catalogueLinks(job, pageReadOptions(quickTiming()));
    EXPECT_TRUE(job.resultText.empty());
}

TEST(CatalogueLinks, ReadsTheStartPageAndThePagesItLinksTo) {
    LoopbackSite site;
    site.page("/index.htm",
              "<a href=\"a.htm\">\n<a href=\"b.htm\">\n<a href=\"{site}/index.htm\">\n");
    // a and b link to each other and back to the start: a ring the crawl must leave.
    site.page("/a.htm", "<a href=\"b.htm\">\n<a href=\"index.htm\">\n<a href=\"deep.htm\">\n");
    site.page("/b.htm", "<a href=\"a.htm\">\n");
    site.page("/deep.htm", "<a href=\"deeper.htm\">\n");
    site.start();

    CrawlJob job;
    job.pageUrl = site.url("/index.htm");
    catalogueLinks(job, pageReadOptions(quickTiming()));
    EXPECT_TRUE(job.finished());
    EXPECT_TRUE(job.resultText.empty());
    EXPECT_EQ(
        catalogueEntries(job.catalogue),
        (std::vector<std::string>{site.url("/a.htm"), site.url("/b.htm"), site.url("/index.htm"),
                                  site.url("/deep.htm"), site.url("/b.htm"), site.url("/a.htm"),
                                  site.url("/index.htm"), site.url("/a.htm"), site.url("/b.htm"),
                                  site.url("/index.htm")}));
    EXPECT_EQ(job.catalogue.find("||"), std::string::npos);
    EXPECT_EQ(site.hits("/deep.htm"), 0);
    EXPECT_EQ(site.hits("/index.htm"), 2);
    EXPECT_EQ(job.currentUrl.get(), site.url("/index.htm"));
}

TEST(CatalogueLinks, AFailedLinkedPageStaysListedWithoutAnErrorEntry) {
    LoopbackSite site;
    site.page("/index.htm", "<a href=\"slow.htm\">\n<a href=\"b.htm\">\n");
    site.stalledPage("/slow.htm", "<a href=\"x.htm\">\n");
    site.page("/b.htm", "\n");
    site.start();
    CrawlJob job;
    job.pageUrl = site.url("/index.htm");
    catalogueLinks(job, pageReadOptions(quickTiming()));
    EXPECT_TRUE(job.resultText.empty());
    EXPECT_EQ(job.catalogue, site.url("/slow.htm") + "|" + site.url("/b.htm") + "|");
}

// Every catalogued text is one whole link of the page and the widths hold.
TEST(CatalogueLinks, APageTooRichForTheWidthsKeepsWholeLinks) {
    LoopbackSite site;
    // First a link too long for what a nested job can hand back or the window can show.
    std::string start = "<a href=\"" + std::string(300, 'y') + ".htm\">\n";
    std::string linked;
    for (int i = 0; i < 200; ++i) {
        start += "<a href=\"page" + std::to_string(i) + std::string(40, 'x') + ".htm\">\n";
        linked += "<a href=\"sub" + std::to_string(i) + ".htm\">\n";
    }
    site.page("/index.htm", start);
    for (int i = 0; i < 200; ++i) {
        site.page("/page" + std::to_string(i) + std::string(40, 'x') + ".htm", linked);
    }
    site.start();

    CrawlJob job;
    job.pageUrl = site.url("/index.htm");
    catalogueLinks(job, pageReadOptions(quickTiming()));
    EXPECT_LE(job.catalogue.size(), kCatalogueWidth);
    EXPECT_GT(job.catalogue.size(), kCatalogueWidth - 100);
    EXPECT_EQ(job.catalogue.back(), '|');
    for (const std::string& link : catalogueEntries(job.catalogue)) {
        const std::string name = link.substr(site.url("/").size());
        const bool fromStart =
            name.starts_with("page") && name.ends_with(std::string(40, 'x') + ".htm");
        const bool fromLinked =
            name.starts_with("sub") && name.ends_with(".htm") && name.size() <= 10;
        EXPECT_TRUE(fromStart || fromLinked) << link;
    }
    EXPECT_EQ(job.catalogue.find(std::string(300, 'y')), std::string::npos);

    CrawlJob nested;
    nested.pageUrl = site.url("/page0" + std::string(40, 'x') + ".htm");
    nested.recurse = false;
    catalogueLinks(nested, pageReadOptions(quickTiming()));
    EXPECT_LE(nested.resultText.size(), kResultTextWidth);
    EXPECT_EQ(nested.resultText.back(), '|');
    EXPECT_TRUE(catalogueEntries(nested.resultText).back().ends_with(".htm"));
}

TEST(CatalogueLinks, RunsOnAThreadAndSignalsDoneLast) {
    LoopbackSite site;
    site.page("/index.htm", "<a href=\"a.htm\">\n");
    site.page("/a.htm", "<a href=\"b.htm\">\n");
    site.start();
    CrawlJob job;
    job.pageUrl = site.url("/index.htm");
    {
        std::jthread crawl([&] { catalogueLinks(job, pageReadOptions(quickTiming())); });
        while (!job.finished()) {
            std::this_thread::yield();
        }
        // Only `done` hands the rest over; read before the join on purpose.
        EXPECT_EQ(job.catalogue, site.url("/a.htm") + "|" + site.url("/b.htm") + "|");
    }
}

}  // namespace
}  // namespace farrow::deep::test
