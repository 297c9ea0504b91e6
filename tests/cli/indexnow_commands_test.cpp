#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/command_line.h"
#include "indexnow/announcement_ledger.h"
#include "profile/profile_file.h"
#include "support/fake_indexnow_engine.h"
#include "support/loopback_http_server.h"
#include "support/loopback_listener.h"
#include "support/temp_workspace.h"
#include "support/test_certificate.h"

namespace farrow::cli {
namespace {

using namespace std::chrono_literals;
using Answer = test::FakeIndexNowEngine::Answer;

constexpr const char* kKey = "abcdefgh12345678";

class IndexNowCommandTest : public testing::Test {
protected:
    IndexNowCommandTest() {
        site.routes().Get("/" + std::string(kKey) + ".txt",
                          [](const httplib::Request&, httplib::Response& res) {
                              res.set_content(kKey, "text/plain");
                          });
        site.routes().Get("/", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(
                "<html><head><title>Home page</title></head><body>"
                "<a href=\"" +
                    site.url("/a.html") + "\">a</a>\n<a href=\"" + site.url("/b.html") +
                    "\">b</a></body></html>",
                "text/html");
        });
        for (const char* page : {"/a.html", "/b.html"}) {
            site.routes().Get(page, [page](const httplib::Request&, httplib::Response& res) {
                if (page == std::string("/a.html")) {
                    res.set_header("Last-Modified", "Wed, 01 Jan 2020 00:00:00 GMT");
                }
                res.set_content(std::string("<html><head><title>Page ") + page +
                                    "</title></head><body>text</body></html>",
                                "text/html");
            });
        }
        site.routes().Get("/sitemap.xml", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(sitemap(sitemapLastmod), "application/xml");
        });
        site.start();
        profile::SubmissionProfile p;
        p.url = site.url("/");
        p.title = "Home page";
        workspace.write("site.fl2", profile::formatProfile(p, {}));
        settings.workspace = workspace.workspace();
        settings.timing.indexnowRetryWait = 1ms;
        settings.timing.indexnowConnectTimeout = 2000ms;
        settings.timing.indexnowStallTimeout = 2000ms;
        settings.timing.pageStallTimeout = 2000ms;
        settings.input = &input;
    }

    int run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return runCommand(args, out, err, settings);
    }

    std::string profile() const { return workspace.file("site.fl2"); }

    std::string urlList(std::size_t n) const {
        std::string text;
        for (std::size_t i = 0; i < n; ++i) {
            text += site.url("/p" + std::to_string(i)) + "\n";
        }
        return text;
    }

    std::vector<nlohmann::json> reportLines(const std::string& name) const {
        std::vector<nlohmann::json> lines;
        std::istringstream in(workspace.read(name));
        for (std::string line; std::getline(in, line);) {
            lines.push_back(nlohmann::json::parse(line));
        }
        return lines;
    }

    // The site's two pages; a.html with `aLastmod`.
    std::string sitemap(const std::string& aLastmod) const {
        return "<?xml version=\"1.0\"?><urlset "
               "xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url><loc>" +
               site.url("/a.html") + "</loc><lastmod>" + aLastmod + "</lastmod></url><url><loc>" +
               site.url("/b.html") + "</loc></url></urlset>";
    }

    test::TempWorkspace workspace;
    test::LoopbackHttpServer site;
    std::string sitemapLastmod = "2020-01-01";
    CommandSettings settings;
    std::istringstream input;
    std::ostringstream out, err;
};

TEST_F(IndexNowCommandTest, KeyIsMadeSavedAndPublishedWhereTheProfileSays) {
    ASSERT_EQ(run({"indexnow", "key", profile()}), kExitOk) << err.str();
    const std::string key = workspace.read("indexnow.key").substr(0, 32);
    EXPECT_EQ(workspace.read(key + ".txt"), key);
    EXPECT_NE(out.str().find("at " + site.url("/" + key + ".txt")), std::string::npos) << out.str();

    // The site may publish the key there is: a new one replaces it only when asked to.
    EXPECT_EQ(run({"indexnow", "key", "--length", "100"}), kExitFailed);
    EXPECT_EQ(err.str(),
              "farrowctl: the workspace already has the key " + key + "; --force replaces it\n");
    EXPECT_EQ(workspace.read("indexnow.key").substr(0, 32), key);
    ASSERT_EQ(run({"indexnow", "key", "--length", "100", "--force"}), kExitOk) << err.str();
    EXPECT_EQ(workspace.read("indexnow.key").size(), 101u);
    EXPECT_NE(out.str().find("at https://HOST/"), std::string::npos) << out.str();
    for (const char* bad : {"7", "129", "x", "-1"}) {
        EXPECT_EQ(run({"indexnow", "key", "--length", bad}), kExitUsage) << bad;
    }
    EXPECT_EQ(run({"indexnow", "key", workspace.file("missing.fl2")}), kExitFailed);
}

TEST_F(IndexNowCommandTest, VerifySaysWhatIsWrongAndExitsAccordingly) {
    struct Case {
        std::vector<std::string> extra;
        int code;
        std::string words;
    } cases[] = {
        {{"--key", kKey}, kExitOk, "OK"},
        {{"--key", "otherkey"}, kExitFailed, "not found"},
        {{"--key", kKey, "--key-location", site.url("/keys/k.txt")}, kExitFailed, "status 404"},
        {{"--key", "abcdefg"}, kExitUsage, "8 to 128"},
        {{"--key", "abcd_efgh"}, kExitUsage, "\"_\""},
        {{"--key", kKey, "--key-location", "http://elsewhere.test/k.txt"},
         kExitUsage,
         "not on the site's host"},
        {{}, kExitFailed, "no IndexNow key"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"indexnow", "verify", profile()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        EXPECT_EQ(run(args), c.code) << c.words << "\n" << out.str() << err.str();
        EXPECT_NE((out.str() + err.str()).find(c.words), std::string::npos)
            << out.str() << err.str();
    }
}

TEST_F(IndexNowCommandTest, SubmitExitCodesFollowWhatTheEnginesAnswered) {
    struct Case {
        std::vector<Answer> first, second;
        std::vector<std::string> extra;
        int code;
        std::string words;
    } cases[] = {
        {{{200, "", {}}}, {}, {}, kExitOk, "accepted: "},
        {{{202, "", {}}}, {}, {}, kExitOk, "pending: "},
        // Engines check the key each on their own: one refusing it is not every one.
        {{{403, "key not valid", {}}}, {}, {}, kExitOk, "The key was refused (403) by"},
        {{{403, "key not valid", {}}}, {{403, "", {}}}, {}, 3, "To fix: the key is not valid"},
        {{{422, "<p>no</p>", {}}}, {}, {}, 3, "(the engine said: no)"},
        {{{429, "", {}}}, {{503, "", {}}}, {}, 3, "0 accepted"},
        {{{500, "", {}}}, {{200, "", {}}}, {}, kExitOk, "3 accepted"},
        // Nothing left to send is no failure.
        {{{200, "", {}}}, {}, {"--key-location", "/sub/k.txt"}, kExitOk, "0 to send"},
        {{{200, "", {}}}, {}, {"--endpoint", "ftp://engine.test/"}, kExitUsage, "--endpoint"},
        {{{200, "", {}}}, {}, {"--key", "abc_defgh"}, kExitUsage, "\"_\""},
    };
    for (const Case& c : cases) {
        test::FakeIndexNowEngine first(c.first);
        test::FakeIndexNowEngine second(c.second.empty() ? std::vector<Answer>{{200, "", {}}}
                                                         : c.second);
        input.clear();
        input.str(urlList(3));
        std::vector<std::string> args = {"indexnow",   "submit",    profile(),    "--urls",
                                         "-",          "--force",   "--endpoint", first.url(),
                                         "--endpoint", second.url()};
        std::vector<std::string> extra = c.extra;
        if (!extra.empty() && extra[0] == "--key-location") {
            extra[1] = site.url(extra[1]);
        }
        if (extra.empty() || extra[0] != "--key") {
            args.insert(args.end(), {"--key", kKey});
        }
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(run(args), c.code) << c.words << "\n" << out.str() << err.str();
        EXPECT_NE((out.str() + err.str()).find(c.words), std::string::npos)
            << out.str() << err.str();
    }
}

TEST_F(IndexNowCommandTest, SubmitWithoutAnyEngineOrSetUpFails) {
    const std::string closed =
        "http://127.0.0.1:" + std::to_string(test::closedLoopbackPort()) + "/indexnow";
    EXPECT_EQ(run({"indexnow", "submit", profile(), "--key", kKey, "--endpoint", closed}),
              kExitFailed)
        << out.str();
    EXPECT_NE(out.str().find("unreachable: "), std::string::npos) << out.str();
    EXPECT_EQ(run({"indexnow", "submit", profile(), "--endpoint", closed}), kExitFailed);
    EXPECT_NE(err.str().find("no IndexNow key"), std::string::npos) << err.str();
    EXPECT_EQ(run({"indexnow", "submit", workspace.file("none.fl2"), "--key", kKey}), kExitFailed);
    EXPECT_EQ(
        run({"indexnow", "submit", profile(), "--key", kKey, "--urls", workspace.file("none.txt")}),
        kExitFailed);
    EXPECT_EQ(run({"indexnow"}), kExitUsage);
    EXPECT_EQ(run({"indexnow", "submit"}), kExitUsage);
    // Nothing was written down for requests nobody answered.
    EXPECT_EQ(run({"indexnow", "history"}), kExitOk);
    EXPECT_NE(out.str().find("Nothing has been announced"), std::string::npos) << out.str();
}

TEST_F(IndexNowCommandTest, ReportHasARequestLineForEachAnswerAndEachUrlLeftOut) {
    test::FakeIndexNowEngine engine({{429, "", {{"Retry-After", "0"}}}, {200, "", {}}});
    workspace.write("urls.txt", urlList(2) + "junk line\nhttp://other.test/x\n" + urlList(1));
    ASSERT_EQ(
        run({"indexnow", "submit", profile(), "--key", kKey, "--urls", workspace.file("urls.txt"),
             "--endpoint", engine.url(), "--report", workspace.file("report.jsonl")}),
        kExitOk)
        << out.str() << err.str();
    const std::vector<nlohmann::json> lines = reportLines("report.jsonl");
    ASSERT_EQ(lines.size(), 6u) << workspace.read("report.jsonl");
    EXPECT_EQ(lines[0]["event"], "indexnow-url");
    EXPECT_EQ(lines[0]["reason"], "not-a-url");
    EXPECT_EQ(lines[0]["url"], "junk line");
    EXPECT_EQ(lines[1]["reason"], "other-host");
    EXPECT_EQ(lines[2]["reason"], "duplicate");
    EXPECT_EQ(lines[3]["event"], "indexnow-request");
    EXPECT_EQ(lines[3]["endpoint"], engine.url());
    EXPECT_EQ(lines[3]["urls"], 2);
    EXPECT_EQ(lines[3]["status"], 429);
    EXPECT_EQ(lines[3]["outcome"], "busy");
    EXPECT_EQ(lines[3]["retryAfter"], 0);
    EXPECT_EQ(lines[4]["status"], 200);
    EXPECT_TRUE(lines[4]["retryAfter"].is_null());
    EXPECT_EQ(lines[5]["event"], "end");
    EXPECT_EQ(lines[5]["accepted"], 2);
    EXPECT_EQ(lines[5]["leftOut"], 3);
    EXPECT_EQ(lines[5]["exitCode"], 0);
    const std::string log = lines[5]["log"];
    EXPECT_TRUE(log.starts_with(workspace.workspace().logsDir())) << log;
    EXPECT_TRUE(std::filesystem::exists(log));
}

TEST_F(IndexNowCommandTest, DryRunPrintsExactlyTheRequestsAndSendsNothing) {
    test::FakeIndexNowEngine engine;
    input.str(urlList(2));
    ASSERT_EQ(run({"indexnow", "submit", profile(), "--key", kKey, "--urls", "-", "--endpoint",
                   engine.url(), "--dry-run"}),
              kExitOk);
    const std::string host = site.hostPort();
    EXPECT_EQ(out.str(), "POST " + engine.url() + "\n{\"host\":\"" + host + "\",\"key\":\"" + kKey +
                             "\",\"urlList\":[\"" + site.url("/p0") + "\",\"" + site.url("/p1") +
                             "\"]}\nDry run: 2 URLs to send, 0 left out; nothing was sent\n");
    ASSERT_EQ(run({"indexnow", "submit", profile(), "--key", kKey, "--endpoint", engine.url(),
                   "--dry-run"}),
              kExitOk);
    EXPECT_TRUE(out.str().starts_with("GET " + engine.url() + "?url=http%3A%2F%2F127.0.0.1%3A"))
        << out.str();
    EXPECT_EQ(engine.count(), 0u);
    EXPECT_FALSE(std::filesystem::exists(workspace.file("indexnow.db")));
    EXPECT_FALSE(std::filesystem::exists(workspace.workspace().logsDir()));
}

TEST_F(IndexNowCommandTest, LedgerSkipsRecentUrlsUntilForcedAndHistoryShowsEachSending) {
    test::FakeIndexNowEngine engine;
    const std::vector<std::string> submit = {"indexnow", "submit", profile(),    "--key",
                                             kKey,       "--deep", "--endpoint", engine.url()};
    ASSERT_EQ(run(submit), kExitOk) << out.str() << err.str();
    EXPECT_NE(out.str().find("accepted: " + engine.url() + ": 3 URLs, status 200"),
              std::string::npos)
        << out.str();
    ASSERT_EQ(run(submit), kExitOk);
    EXPECT_NE(out.str().find("left out (sent-recently): " + site.url("/a.html")), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("0 to send"), std::string::npos) << out.str();
    EXPECT_EQ(engine.count(), 1u);
    std::vector<std::string> forced = submit;
    forced.push_back("--force");
    ASSERT_EQ(run(forced), kExitOk);
    EXPECT_EQ(engine.count(), 2u);

    ASSERT_EQ(run({"indexnow", "history", site.url("/a.html")}), kExitOk);
    std::istringstream lines(out.str());
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_NE(line.find(" UTC  " + engine.url() + "  200  accepted  " + site.url("/a.html")),
                  std::string::npos)
            << line;
    }
    EXPECT_EQ(count, 2);
    ASSERT_EQ(run({"indexnow", "history", "http://never.test/"}), kExitOk);
    EXPECT_EQ(out.str(), "Never announced: http://never.test/\n");
}

TEST_F(IndexNowCommandTest, SitemapAndCrawlSendOnlyWhatChangedSinceItWasTaken) {
    test::FakeIndexNowEngine engine;
    const std::vector<std::string> submit = {"indexnow", "submit",     profile(),   "--key",
                                             kKey,       "--endpoint", engine.url()};
    const auto with = [&submit](std::vector<std::string> more) {
        more.insert(more.begin(), submit.begin(), submit.end());
        return more;
    };
    ASSERT_EQ(run(with({"--sitemap", site.url("/sitemap.xml")})), kExitOk)
        << out.str() << err.str();
    EXPECT_NE(out.str().find("2 to send, 2 accepted"), std::string::npos) << out.str();

    // a.html says it has not changed since; b.html says nothing and was sent just now.
    ASSERT_EQ(run(with({"--sitemap", site.url("/sitemap.xml")})), kExitOk);
    EXPECT_NE(out.str().find("left out (unchanged): " + site.url("/a.html")), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("left out (sent-recently): " + site.url("/b.html")),
              std::string::npos);
    EXPECT_EQ(engine.count(), 1u);

    // A date still to come says nothing of a change: a.html waits as an undated page.
    workspace.write("future.xml", sitemap("2199-01-01"));
    ASSERT_EQ(run(with({"--sitemap", "future.xml"})), kExitOk) << err.str();
    EXPECT_NE(out.str().find("left out (sent-recently): " + site.url("/a.html")), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("dated in the future, taken as undated: " + site.url("/a.html")),
              std::string::npos)
        << out.str();
    EXPECT_EQ(engine.count(), 1u);

    // A file of the workspace, where a.html has changed since it was taken (to the second).
    std::this_thread::sleep_for(1100ms);
    const std::time_t changedAt = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&changedAt, &utc);
    char changed[32];
    std::strftime(changed, sizeof changed, "%Y-%m-%dT%H:%M:%SZ", &utc);
    workspace.write("changed.xml", sitemap(changed));
    ASSERT_EQ(run(with({"--sitemap", "changed.xml", "--report", "-"})), kExitOk) << err.str();
    // Stdout holds the report alone; the lines for people go to stderr.
    EXPECT_NE(err.str().find("1 to send, 1 accepted"), std::string::npos) << err.str();
    std::istringstream report(out.str());
    for (std::string line; std::getline(report, line);) {
        EXPECT_TRUE(nlohmann::json::accept(line)) << line;
    }
    EXPECT_EQ(engine.seen().back().url, site.url("/a.html"));

    // The crawl finds the start page too; a.html's Last-Modified is old, b.html has none.
    ASSERT_EQ(run(with({"--crawl", "--delay", "20"})), kExitOk) << out.str() << err.str();
    EXPECT_NE(err.str().find("the crawl ended by itself"), std::string::npos) << err.str();
    EXPECT_NE(out.str().find("The crawl was paced: one request at a time, 20 ms apart, as asked."),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("left out (unchanged): " + site.url("/a.html")), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("1 to send, 1 accepted"), std::string::npos) << out.str();
    ASSERT_EQ(run({"indexnow", "history", site.url("/")}), kExitOk);
    EXPECT_NE(out.str().find("accepted  " + site.url("/")), std::string::npos) << out.str();

    // A pause for a crawl that is not asked for says so.
    EXPECT_EQ(run(with({"--sitemap", site.url("/sitemap.xml"), "--delay", "20"})), kExitUsage);
    EXPECT_NE(err.str().find("--crawl"), std::string::npos) << err.str();

    EXPECT_EQ(run(with({"--sitemap", site.url("/none.xml")})), kExitFailed);
    EXPECT_NE(err.str().find("the sitemap could not be read: " + site.url("/none.xml") +
                             ": answered 404"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(engine.count(), 3u);
}

TEST_F(IndexNowCommandTest, ASitemapCutAtItsUrlBoundSaysSoAndExitsThree) {
    test::FakeIndexNowEngine engine;
    workspace.write("part.xml", sitemap("2020-01-01"));
    workspace.write("index.xml",
                    "<sitemapindex><sitemap><loc>part.xml</loc></sitemap>"
                    "<sitemap><loc>later.xml</loc></sitemap></sitemapindex>");
    settings.timing.sitemapMaxUrls = 1;
    const std::string said =
        "farrowctl: the sitemap bound sitemapMaxUrls (1 URLs) was met: 1 URL "
        "seen and not taken, 1 sitemap not read: later.xml\n";
    for (const bool dryRun : {true, false}) {
        std::vector<std::string> args = {"indexnow",
                                         "submit",
                                         profile(),
                                         "--key",
                                         kKey,
                                         "--endpoint",
                                         engine.url(),
                                         "--sitemap",
                                         "index.xml",
                                         "--report",
                                         workspace.file("report.jsonl")};
        if (dryRun) {
            args.push_back("--dry-run");
        }
        // What was taken goes; the rest was not sent, which the exit says.
        EXPECT_EQ(run(args), kExitSomeFailed) << out.str() << err.str();
        EXPECT_NE(err.str().find(said), std::string::npos) << err.str();
        EXPECT_NE(out.str().find(dryRun ? "Dry run: 1 URLs to send" : "1 to send, 1 accepted"),
                  std::string::npos)
            << out.str();
    }
    EXPECT_EQ(engine.count(), 1u);
    const std::vector<nlohmann::json> lines = reportLines("report.jsonl");
    std::vector<nlohmann::json> cuts;
    for (const nlohmann::json& line : lines) {
        if (line["event"] == "sitemap-cut") {
            cuts.push_back(line);
        } else if (line["event"] == "end") {
            EXPECT_EQ(line["exitCode"], 3);
        }
    }
    ASSERT_EQ(cuts.size(), 2u);
    EXPECT_EQ(cuts[0], nlohmann::json::parse(R"({"event":"sitemap-cut","bound":"sitemapMaxUrls",
        "limit":1,"urlsNotTaken":1,"sitemapsNotRead":["later.xml"]})"));

    // The deep submission lists what was taken and says so.
    ASSERT_EQ(run({"deep", profile(), "--list", "--sitemap", "index.xml"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Home page ( " + site.url("/a.html") + " )\n");
    EXPECT_EQ(err.str(), said + "farrowctl: listing the 1 pages taken of the sitemap\n");
}

TEST_F(IndexNowCommandTest, HttpsEndpointIsTrustedThroughTheCaFileOnly) {
    const test::TestCertificate cert = test::makeTestCertificate(workspace.path() / "tls");
    test::FakeIndexNowEngine engine({{200, "", {}}}, &cert);
    const std::vector<std::string> submit = {"indexnow", "submit",     profile(),   "--key",
                                             kKey,       "--endpoint", engine.url()};
    EXPECT_EQ(run(submit), kExitFailed) << out.str();
    EXPECT_EQ(engine.count(), 0u);
    settings.caFile = cert.certFile;
    EXPECT_EQ(run(submit), kExitOk) << out.str();
    EXPECT_EQ(engine.count(), 1u);
}

std::string sqliteValue(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr);
    std::string value;
    if (s && sqlite3_step(s) == SQLITE_ROW) {
        value = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return value;
}

TEST_F(IndexNowCommandTest, KilledMidRunTheLedgerHoldsWholeAnsweredRequests) {
    test::FakeIndexNowEngine engine;
    // The second request is held, so the process is killed while it waits for that answer.
    engine.holdFrom(2);
    workspace.write("urls.txt", urlList(25000));
    const std::string keyArg = kKey;
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        if (chdir(workspace.path().c_str()) != 0) {
            _exit(99);
        }
        execl(FARROW_FARROWCTL, FARROW_FARROWCTL, "indexnow", "submit", profile().c_str(), "--key",
              keyArg.c_str(), "--urls", "urls.txt", "--endpoint", engine.url().c_str(),
              static_cast<char*>(nullptr));
        _exit(98);
    }
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (engine.count() < 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(engine.count(), 2u);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    engine.release();

    const std::string db = workspace.file("indexnow.db");
    EXPECT_EQ(sqliteValue(db, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(sqliteValue(db, "SELECT COUNT(*) FROM sending"), "10000");
    EXPECT_EQ(sqliteValue(db, "SELECT COUNT(DISTINCT outcome) FROM sending"), "1");

    // The next run sends only what the killed one did not get answered.
    engine.holdFrom(0);
    ASSERT_EQ(run({"indexnow", "submit", profile(), "--key", kKey, "--urls",
                   workspace.file("urls.txt"), "--endpoint", engine.url()}),
              kExitOk)
        << out.str() << err.str();
    EXPECT_NE(out.str().find("15000 to send, 15000 accepted"), std::string::npos)
        << out.str().substr(out.str().size() - 300);
    EXPECT_EQ(sqliteValue(db, "SELECT COUNT(DISTINCT url) FROM sending"), "25000");
}

}  // namespace
}  // namespace farrow::cli

namespace farrow::cli {
namespace {

TEST_F(IndexNowCommandTest, ASecondAnnouncementInTheWorkspaceWaitsThenGivesUp) {
    test::FakeIndexNowEngine engine;
    // The first run's only request is held, so it is still running when the second starts.
    engine.holdFrom(1);
    const std::string keyArg = kKey;
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        if (chdir(workspace.path().c_str()) != 0) {
            _exit(99);
        }
        execl(FARROW_FARROWCTL, FARROW_FARROWCTL, "indexnow", "submit", profile().c_str(), "--key",
              keyArg.c_str(), "--endpoint", engine.url().c_str(), static_cast<char*>(nullptr));
        _exit(98);
    }
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (engine.count() < 1 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(engine.count(), 1u);
    settings.timing.indexnowLockWait = 100ms;
    EXPECT_EQ(run({"indexnow", "submit", profile(), "--key", kKey, "--endpoint", engine.url()}),
              kExitFailed);
    EXPECT_EQ(err.str(), "farrowctl: another announcement is running in this workspace\n");
    EXPECT_EQ(engine.count(), 1u);
    engine.release();
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kExitOk) << status;
    // Once the first has ended, the next run goes (and finds the page sent just now).
    EXPECT_EQ(run({"indexnow", "submit", profile(), "--key", kKey, "--endpoint", engine.url()}),
              kExitOk)
        << err.str();
    EXPECT_NE(out.str().find("left out (sent-recently)"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace farrow::cli
