#include "deep/page_titles.h"

#include <gtest/gtest.h>

#include "deep/link_catalogue.h"
#include "loopback_site.h"
#include "support/loopback_listener.h"

namespace farrow::deep::test {
namespace {

struct TitleCase {
    const char* name;
    const char* page;
    const char* title;
};

class FetchPageTitleTest : public testing::TestWithParam<TitleCase> {
public:
    static std::vector<TitleCase> cases() {
        return {
            {"lower", "<html>\n<title>Home Page</title>\n", "Home Page"},
            {"upper", "<TITLE>Caps</TITLE>\n", "Caps"},
            {"mixedIsNoTag", "<Title>Mixed</Title>\n", ""},
            {"afterHeadTag", "<head><title>Hidden</title></head>\n", ""},
            {"upperAfterHeadTag", "<head><TITLE>Shown</TITLE></head>\n", "Shown"},
            {"quotesToBlanks", "<title> Say \"hi\" </title>\n", "Say  hi"},
            {"noClosingTag", "<title>Runs on\n</title>\n", ""},
            {"firstTagLineOnly", "<title></title>\n<title>Second</title>\n", ""},
            {"brackets", "<title>About us (new)</title>\n", "About us (new)"},
            {"noTitle", "<p>nothing</p>\n", ""},
            {"crlf", "<title>Windows</title>\r\n", "Windows"},
        };
    }

protected:
    static void SetUpTestSuite() {
        site = new LoopbackSite;
        for (const TitleCase& c : cases()) {
            site->page(std::string("/") + c.name + ".htm", c.page);
        }
        site->start();
    }
    static void TearDownTestSuite() { delete site; }
    static inline LoopbackSite* site = nullptr;
};

TEST_P(FetchPageTitleTest, FollowsTheSpellingRules) {
    const TitleCase& c = GetParam();
    EXPECT_EQ(fetchPageTitle(site->url(std::string("/") + c.name + ".htm"),
                             pageReadOptions(quickTiming())),
              c.title)
        << c.page;
}

INSTANTIATE_TEST_SUITE_P(Pages, FetchPageTitleTest, testing::ValuesIn(FetchPageTitleTest::cases()),
                         [](const testing::TestParamInfo<TitleCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(FetchPageTitle, AnUnreadablePageHasNoTitle) {
    const std::string closed =
        "http://127.0.0.1:" + std::to_string(farrow::test::closedLoopbackPort()) + "/";
    EXPECT_EQ(fetchPageTitle(closed, pageReadOptions(quickTiming())), "");
    LoopbackSite site;
    site.stalledPage("/slow.htm", "<html>\n");
    site.start();
    EXPECT_EQ(fetchPageTitle(site.url("/slow.htm"), pageReadOptions(quickTiming())), "");
}

TEST(TitledPages, TitlesEachLinkAndLeavesOutFragmentsAndNotFoundPages) {
    LoopbackSite site;
    site.page("/a.htm", "<title>Alpha</title>\n");
    site.page("/short.htm", "<title>X</title>\n");
    site.page("/two.htm", "<title>XY</title>\n");
    site.page("/gone.htm", "<title>404 NOT FOUND</title>\n");
    site.page("/gone2.htm", "<title>404 Not Found</title>\n");
    site.page("/frag.htm", "<title>Fragment</title>\n");
    site.start();
    const std::string catalogue =
        site.url("/a.htm") + "||" + site.url("/short.htm") + "|" + site.url("/two.htm") + "|" +
        site.url("/gone.htm") + "|" + site.url("/gone2.htm") + "|" + site.url("/frag.htm#top") +
        "|" + "MAILTO:me@example.test|" + site.url("/missing.htm") + "|" + site.url("/tail.htm");
    const std::vector<PageEntry> pages =
        titledPages(catalogue, "Main Title", pageReadOptions(quickTiming()));
    EXPECT_EQ(pages, (std::vector<PageEntry>{{site.url("/a.htm"), "Alpha"},
                                             {site.url("/short.htm"), "Main Title"},
                                             {site.url("/two.htm"), "XY"},
                                             {site.url("/gone2.htm"), "404 Not Found"},
                                             {"MAILTO:me@example.test", "MailTo"},
                                             {site.url("/missing.htm"), "Missing"}}));
    EXPECT_EQ(site.hits("/frag.htm"), 0);
}

}  // namespace
}  // namespace farrow::deep::test
