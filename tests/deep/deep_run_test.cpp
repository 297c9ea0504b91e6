#include "deep/deep_run.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "deep/page_catalogue.h"
#include "loopback_site.h"
#include "support/fake_deep_frontend.h"
#include "support/loopback_listener.h"

namespace farrow::deep::test {
namespace {

// Records each page run: the fields it was run with and the profile path meanwhile.
struct RecordedRun {
    std::string url;
    std::string title;
    std::string profilePath;
    bool operator==(const RecordedRun&) const = default;
};

class DeepRunTest : public testing::Test {
protected:
    RunOnePage recorder(std::vector<PageRunOutcome> outcomes = {}) {
        return [this, outcomes](const profile::SubmissionProfile& p) {
            runs.push_back({p.url, p.title, currentProfilePath});
            EXPECT_EQ(p.email, "me@example.test");
            return runs.size() <= outcomes.size() ? outcomes[runs.size() - 1]
                                                  : PageRunOutcome::Submitted;
        };
    }
    DeepRunParams params() const {
        DeepRunParams p;
        p.profile.url = "http://h/";
        p.profile.title = "Main Title";
        p.profile.email = "me@example.test";
        return p;
    }

    std::string currentProfilePath = "NULL";
    std::vector<RecordedRun> runs;
    const std::vector<PageEntry> pages{
        {"http://h/", "Start"}, {"http://h/a.htm", "ab"}, {"http://h/b.htm", "abc"}};
};

TEST_F(DeepRunTest, RunsEveryPageWithItsFieldsWhileThePathIsDeep) {
    const DeepRunResult result = runDeepSubmission(params(), pages, currentProfilePath, recorder());
    // A title of two characters is listed but run with the main title.
    EXPECT_EQ(runs, (std::vector<RecordedRun>{{"http://h/", "Start", "DEEP"},
                                              {"http://h/a.htm", "Main Title", "DEEP"},
                                              {"http://h/b.htm", "abc", "DEEP"}}));
    EXPECT_EQ(currentProfilePath, "NULL");
    EXPECT_EQ(result.pagesRun, 3);
    EXPECT_EQ(result.ending, PageRunOutcome::Submitted);
    EXPECT_EQ(result.profile.url, "http://h/b.htm");
    EXPECT_EQ(result.profile.title, "abc");
    EXPECT_EQ(result.profile.email, "me@example.test");
}

TEST_F(DeepRunTest, StopsAtAFailedValidation) {
    const DeepRunResult result =
        runDeepSubmission(params(), pages, currentProfilePath,
                          recorder({PageRunOutcome::Submitted, PageRunOutcome::ValidationFailed}));
    EXPECT_EQ(runs.size(), 2u);
    EXPECT_EQ(result.pagesRun, 1);
    EXPECT_EQ(result.ending, PageRunOutcome::ValidationFailed);
    EXPECT_EQ(result.profile.url, "http://h/a.htm");
    EXPECT_EQ(currentProfilePath, "NULL");
}

TEST_F(DeepRunTest, StopsAfterTheAbortedPage) {
    const DeepRunResult result =
        runDeepSubmission(params(), pages, currentProfilePath, recorder({PageRunOutcome::Aborted}));
    EXPECT_EQ(runs.size(), 1u);
    EXPECT_EQ(result.pagesRun, 1);
    EXPECT_EQ(result.ending, PageRunOutcome::Aborted);
    EXPECT_EQ(currentProfilePath, "NULL");
}

TEST_F(DeepRunTest, NoPagesStillSetsAndRestoresThePath) {
    const DeepRunResult result = runDeepSubmission(params(), {}, currentProfilePath, recorder());
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(result.profile.url, "http://h/");
    EXPECT_EQ(currentProfilePath, "NULL");
}

TEST_F(DeepRunTest, RestoresThePathWhenARunThrows) {
    EXPECT_THROW(runDeepSubmission(params(), pages, currentProfilePath,
                                   [](const profile::SubmissionProfile&) -> PageRunOutcome {
                                       throw std::runtime_error("run failed");
                                   }),
                 std::runtime_error);
    EXPECT_EQ(currentProfilePath, "NULL");
}

// The whole procedure against a site of three pages.
class DeepSubmissionTest : public DeepRunTest {
protected:
    void SetUp() override {
        site.page("/index.htm",
                  "<title>Home</title>\n<a href=\"a.htm\">A</a>\n<a href=\"b.htm\">B</a>\n"
                  "<a href=\"index.htm\">again</a>\n<a href=\"mailto:me@example.test\">mail</a>\n");
        site.page("/a.htm", "<title>Alpha</title>\n<a href=\"index.htm\">home</a>\n");
        site.page("/b.htm", "<title>beta</title>\n<a href=\"c.htm#x\">c</a>\n");
        site.start();
    }
    DeepRunParams siteParams() const {
        DeepRunParams p = params();
        p.profile.url = site.url("/index.htm");
        return p;
    }

    LoopbackSite site;
    farrow::test::FakeDeepFrontend frontend;
};

TEST_F(DeepSubmissionTest, ListsThePagesAndRunsThoseLeft) {
    frontend.removeUrls = {site.url("/a.htm")};
    const std::optional<DeepRunResult> result =
        deepSubmission(siteParams(), quickTiming(), frontend, currentProfilePath, recorder());
    ASSERT_TRUE(result);
    ASSERT_TRUE(frontend.checklistShown);
    EXPECT_EQ(*frontend.checklistShown,
              (std::vector<std::string>{"Alpha ( " + site.url("/a.htm") + " )",
                                        "beta ( " + site.url("/b.htm") + " )",
                                        "Main Title ( " + site.url("/index.htm") + " )"}));
    EXPECT_EQ(runs, (std::vector<RecordedRun>{{site.url("/b.htm"), "beta", "DEEP"},
                                              {site.url("/index.htm"), "Main Title", "DEEP"}}));
    EXPECT_EQ(currentProfilePath, "NULL");
    EXPECT_FALSE(frontend.viewOpen);
    EXPECT_EQ(frontend.shownTexts.front(), site.url("/index.htm"));
    EXPECT_EQ(frontend.shownTexts.back(), kGettingTitles);
    EXPECT_GT(frontend.pumps, 0);
    EXPECT_TRUE(frontend.fakeMessenger().texts().empty());
}

TEST_F(DeepSubmissionTest, LeavingTheChecklistSubmitsNothing) {
    frontend.leaveWithEscape = true;
    EXPECT_FALSE(
        deepSubmission(siteParams(), quickTiming(), frontend, currentProfilePath, recorder()));
    EXPECT_TRUE(frontend.checklistShown);
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(currentProfilePath, "NULL");
}

TEST_F(DeepSubmissionTest, SaysWhenNothingCouldBeCatalogued) {
    struct Case {
        std::string url;
        std::string message;
    };
    const std::string closed =
        "http://127.0.0.1:" + std::to_string(farrow::test::closedLoopbackPort()) + "/";
    const std::string noLinks = site.url("/missing.htm");
    for (const Case& c : {Case{closed, "Couldn't Retreive Page At " + closed},
                          Case{noLinks, "No Links Could Be Cataloged From " + noLinks},
                          Case{"ftp://h/", "No Links Could Be Cataloged From ftp://h/"}}) {
        farrow::test::FakeDeepFrontend fresh;
        DeepRunParams p = params();
        p.profile.url = c.url;
        EXPECT_FALSE(deepSubmission(p, quickTiming(), fresh, currentProfilePath, recorder()));
        EXPECT_EQ(fresh.fakeMessenger().texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(fresh.viewsOpened, 1);
        EXPECT_FALSE(fresh.viewOpen);
        EXPECT_FALSE(fresh.checklistShown);
    }
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(currentProfilePath, "NULL");
}

// The terminal reads the pages without a window: what "farrowctl deep --list" prints.
TEST_F(DeepSubmissionTest, CataloguesWithoutAWindow) {
    const CatalogueResult result =
        cataloguePages(site.url("/b.htm"), "Main Title", quickTiming(), nullptr, nullptr);
    EXPECT_EQ(result.status, CatalogueStatus::Listed);
    EXPECT_EQ(result.pages, (std::vector<PageEntry>{{site.url("/b.htm"), "Main Title"}}));
}

// Sites that never end: every way out of the crawl lists the pages found by then.
class BoundedCrawlTest : public DeepRunTest {
protected:
    void SetUp() override {
        // The start page links one page, then sends filler lines for ever.
        site.endlessPage("/endless.htm", "<a href=\"a.htm\">A</a>\n", "filler\n", 1);
        site.page("/a.htm", "<title>Alpha</title>\n");
        // Five linked pages, each read once for links and once for the title.
        std::string five;
        for (int i = 1; i <= 5; ++i) {
            five += "<a href=\"p" + std::to_string(i) + ".htm\">\n";
            site.page("/p" + std::to_string(i) + ".htm",
                      "<title>Page " + std::to_string(i) + "</title>\n");
        }
        site.page("/five.htm", five);
        // Lines of 100 bytes without end: the byte cap ends the read.
        site.endlessPage("/huge.htm", "<a href=\"a.htm\">A</a>\n", std::string(99, 'h') + "\n");
        site.start();
    }
    LoopbackSite site;
};

TEST_F(BoundedCrawlTest, TheCrawlEndsAtItsTimeLimit) {
    base::Timing timing = quickTiming();
    timing.crawlLimit = base::Millis(300);
    const CatalogueResult result =
        cataloguePages(site.url("/endless.htm"), "Main Title", timing, nullptr, nullptr);
    EXPECT_EQ(result.status, CatalogueStatus::Listed);
    EXPECT_EQ(result.pages, (std::vector<PageEntry>{{site.url("/endless.htm"), "Main Title"},
                                                    {site.url("/a.htm"), "Main Title"}}));
    EXPECT_EQ(result.notes,
              std::vector<std::string>{
                  "The crawl ended after 300 ms; the pages found by then are listed."});
}

TEST_F(BoundedCrawlTest, TheCrawlEndsAtItsPageBudget) {
    const CatalogueResult result =
        cataloguePages(site.url("/five.htm"), "Main Title", quickTiming(), nullptr, nullptr, 5);
    ASSERT_EQ(result.pages.size(), 6u);
    // The start page and p1 to p4 were read for links, leaving no read for any title.
    EXPECT_EQ(site.hits("/p4.htm"), 1);
    EXPECT_EQ(site.hits("/p5.htm"), 0);
    for (const PageEntry& page : result.pages) {
        EXPECT_EQ(page.title, "Main Title") << page.url;
    }
    EXPECT_EQ(result.notes,
              std::vector<std::string>{
                  "The crawl ended after reading 5 pages; the pages found by then are listed."});
}

TEST_F(BoundedCrawlTest, APageOverTheByteCapIsReadInPartAndSaid) {
    const CatalogueResult result =
        cataloguePages(site.url("/huge.htm"), "Main Title", quickTiming(), nullptr, nullptr);
    EXPECT_EQ(result.status, CatalogueStatus::Listed);
    EXPECT_EQ(result.pages, (std::vector<PageEntry>{{site.url("/huge.htm"), "Main Title"},
                                                    {site.url("/a.htm"), "Alpha"}}));
    EXPECT_EQ(result.notes, std::vector<std::string>{site.url("/huge.htm") +
                                                     ": only the first 4194304 bytes were read"});
}

TEST_F(BoundedCrawlTest, AStopFromTheWindowListsThePagesFoundSoFar) {
    farrow::test::FakeDeepFrontend frontend;
    frontend.stopWhenShown = "/a.htm";
    DeepRunParams p = params();
    p.profile.url = site.url("/endless.htm");
    const std::optional<DeepRunResult> result =
        deepSubmission(p, quickTiming(), frontend, currentProfilePath, recorder());
    ASSERT_TRUE(result);
    EXPECT_EQ(*frontend.checklistShown,
              (std::vector<std::string>{"Main Title ( " + site.url("/a.htm") + " )",
                                        "Main Title ( " + site.url("/endless.htm") + " )"}));
    EXPECT_EQ(runs.size(), 2u);
    EXPECT_TRUE(frontend.fakeMessenger().texts().empty());
}

}  // namespace
}  // namespace farrow::deep::test
