#include "indexnow/announcement_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "indexnow/announcement_lock.h"
#include "support/loopback_http_server.h"
#include "support/temp_workspace.h"

namespace farrow::indexnow {
namespace {

class RecordingFrontend final : public AnnouncementJobFrontend {
public:
    void step(AnnouncementStep step) override { steps.push_back(step); }
    void note(const SourceNote& note) override { notes.push_back(text(note)); }
    const std::atomic<bool>* stopFlag() const override { return &stop; }
    void pageDone(const crawl::CrawledPage&, std::size_t, std::size_t) override {}
    void urlLeftOut(const LeftOutUrl& url) override { leftOut.push_back(token(url)); }
    void requestPlanned(const std::string& method, const std::string&,
                        const std::string& body) override {
        planned.push_back(method + " " + body);
    }
    void requestAnswered(const RequestRecord&) override {}
    void waiting(const std::string&, base::Millis) override {}
    void progress(std::size_t, std::size_t) override {}

    void reset() {
        stop = false;
        steps.clear();
        planned.clear();
    }

    std::atomic<bool> stop{false};
    std::vector<AnnouncementStep> steps;
    std::vector<std::string> notes;
    std::vector<std::string> leftOut;
    std::vector<std::string> planned;
};

class AnnouncementJobTest : public testing::Test {
protected:
    AnnouncementJobTest() {
        params.scope = *keyScope("http://site.test/", "abcdefgh", "").scope;
        params.siteUrl = "http://site.test/";
        params.ledgerFile = dir.file("indexnow.db");
        dir.write("sitemap.xml",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">\n"
                  "<url><loc>http://site.test/a</loc></url>\n"
                  "<url><loc>http://other.test/b</loc></url>\n"
                  "</urlset>\n");
    }

    AnnouncementJob::Result run() {
        return AnnouncementJob::run(params, base::Timing{}, base::SystemClock{}, frontend);
    }

    test::TempWorkspace dir;
    AnnouncementJob::Params params;
    RecordingFrontend frontend;
};

TEST_F(AnnouncementJobTest, EveryNamedSourceJoinsOneDryRunThatMakesNoLedger) {
    params.sitemap = dir.file("sitemap.xml");
    std::istringstream list("http://site.test/c\nno url\nhttp://site.test/a\n");
    params.list = "-";
    params.listInput = &list;
    params.dryRun = true;
    const AnnouncementJob::Result r = run();
    ASSERT_TRUE(r.sent()) << (r.failure ? text(*r.failure) : "stopped");
    EXPECT_EQ(frontend.steps, (std::vector<AnnouncementStep>{AnnouncementStep::ReadingSitemap,
                                                             AnnouncementStep::ReadingList,
                                                             AnnouncementStep::Sending}));
    // Not the site's address: a source was named.
    EXPECT_EQ(r.announced.toSend, 2u);
    EXPECT_EQ(frontend.leftOut, (std::vector<std::string>{"not-a-url", "other-host", "duplicate"}));
    ASSERT_EQ(frontend.planned.size(), 1u);
    EXPECT_NE(frontend.planned[0].find("http://site.test/c"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(params.ledgerFile));
}

TEST_F(AnnouncementJobTest, AStopOrAFailureWhileGatheringSendsNothing) {
    params.sitemap = dir.file("sitemap.xml");
    params.list = dir.file("missing.txt");
    frontend.stop = true;
    AnnouncementJob::Result r = run();
    EXPECT_TRUE(r.stoppedGathering);
    // The list after the stopped sitemap is never read.
    EXPECT_EQ(frontend.steps, std::vector<AnnouncementStep>{AnnouncementStep::ReadingSitemap});

    frontend.reset();
    r = run();
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(text(*r.failure), "cannot read the URL list \"" + params.list + "\"");
    EXPECT_EQ(frontend.planned.size(), 0u);

    params.sitemap = dir.file("none.xml");
    r = run();
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->stage, AnnouncementFailure::Stage::Sitemap);
    EXPECT_EQ(text(*r.failure).rfind("the sitemap could not be read: ", 0), 0u) << text(*r.failure);

    // Only the site's address, but a ledger that cannot be made.
    params.sitemap.clear();
    params.list.clear();
    params.ledgerFile = dir.file("no/such/folder/indexnow.db");
    frontend.reset();
    r = run();
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->stage, AnnouncementFailure::Stage::Ledger);
    EXPECT_EQ(text(*r.failure).rfind("the ledger: ", 0), 0u) << text(*r.failure);
    EXPECT_TRUE(frontend.steps.empty());
}

TEST_F(AnnouncementJobTest, AStopWhileTheSitemapsOfAnIndexAreReadSendsNothing) {
    test::LoopbackHttpServer site;
    std::string index;
    site.routes().Get("/index.xml", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(index, "application/xml");
    });
    // The stop comes while the first part is read.
    site.routes().Get(R"(/part\d+\.xml)", [&](const httplib::Request&, httplib::Response& res) {
        frontend.stop = true;
        res.set_content("<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url><loc>" +
                            site.url("/a") + "</loc></url></urlset>",
                        "application/xml");
    });
    site.start();
    index = "<sitemapindex xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">";
    for (int i = 0; i < 1000; ++i) {
        index +=
            "<sitemap><loc>" + site.url("/part" + std::to_string(i) + ".xml") + "</loc></sitemap>";
    }
    index += "</sitemapindex>";
    params.sitemap = site.url("/index.xml");
    params.logsDir = dir.workspace().logsDir();
    const AnnouncementJob::Result r = run();
    EXPECT_TRUE(r.stoppedGathering);
    EXPECT_FALSE(r.failure);
    EXPECT_TRUE(frontend.notes.empty()) << frontend.notes.front();
    EXPECT_EQ(frontend.steps, std::vector<AnnouncementStep>{AnnouncementStep::ReadingSitemap});
    EXPECT_FALSE(std::filesystem::exists(params.logsDir) &&
                 !std::filesystem::is_empty(params.logsDir));
}

TEST_F(AnnouncementJobTest, OneAnnouncementAtATimeInAWorkspace) {
    AnnouncementLock::Taken first = AnnouncementLock::take(lockPath(params.ledgerFile), {});
    ASSERT_TRUE(first.lock) << first.error.reason;
    base::Timing timing;
    timing.indexnowLockWait = std::chrono::milliseconds(100);
    const AnnouncementJob::Result r =
        AnnouncementJob::run(params, timing, base::SystemClock{}, frontend);
    ASSERT_TRUE(r.failure);
    EXPECT_EQ(r.failure->stage, AnnouncementFailure::Stage::Busy);
    EXPECT_EQ(text(*r.failure), "another announcement is running in this workspace");
    EXPECT_TRUE(frontend.steps.empty());
    // A dry run sends and records nothing, so it does not wait.
    params.dryRun = true;
    EXPECT_TRUE(AnnouncementJob::run(params, timing, base::SystemClock{}, frontend).sent());
}

}  // namespace
}  // namespace farrow::indexnow
