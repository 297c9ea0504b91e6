#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "cli/command_line.h"
#include "crawl/sitemap_reader.h"
#include "support/loopback_http_server.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace farrow::cli {
namespace {

std::string linksPage(const std::vector<std::string>& hrefs, const std::string& head = "") {
    std::string html = "<html><head>" + head + "</head><body>\n";
    for (const std::string& href : hrefs) {
        html += "<a href=\"" + href + "\">" + href + "</a>\n";
    }
    return html + "</body></html>\n";
}

class CrawlCommandTest : public testing::Test {
protected:
    CrawlCommandTest() {
        settings.workspace = workspace.workspace();
        settings.timing.siteCrawlPageBytes = 256 * 1024;
        settings.timing.siteCrawlInFlight = 4;
        settings.timing.crawlPoll = base::Millis(2);
    }
    void serve(const std::string& path, std::string html,
               std::vector<std::pair<std::string, std::string>> headers = {}) {
        server.routes().Get(path, [html = std::move(html), headers = std::move(headers)](
                                      const httplib::Request&, httplib::Response& res) {
            for (const auto& [name, value] : headers) {
                res.set_header(name, value);
            }
            res.set_content(html, "text/html; charset=utf-8");
        });
    }
    int crawl(const std::string& startPath, std::vector<std::string> args) {
        workspace.write("p.fl2", test::profileFileText({}, server.url(startPath), "Mine"));
        args.insert(args.begin(), {"crawl", workspace.file("p.fl2")});
        out.str("");
        err.str("");
        return runCommand(args, out, err, settings);
    }
    std::vector<nlohmann::json> jsonLines(const std::string& name) {
        std::vector<nlohmann::json> lines;
        std::istringstream in(workspace.read(name));
        for (std::string line; std::getline(in, line);) {
            lines.push_back(nlohmann::json::parse(line));
        }
        return lines;
    }
    std::vector<std::string> sitemapLocs(const std::string& name) {
        const crawl::SitemapContent content = crawl::parseSitemap(workspace.read(name), 1 << 24);
        EXPECT_EQ(content.error.reason, "");
        std::vector<std::string> locs;
        for (const crawl::SitemapEntry& entry : content.entries) {
            locs.push_back(entry.loc);
        }
        return locs;
    }

    test::LoopbackHttpServer server;
    test::TempWorkspace workspace;
    CommandSettings settings;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CrawlCommandTest, ASiteWithRobotsNoindexCanonicalRedirectAndAFile) {
    server.routes().Get("/robots.txt", [](const httplib::Request&, httplib::Response& res) {
        // Begins with a byte-order mark, as files saved by some editors do.
        res.set_content(
            "\xEF\xBB\xBFUser-agent: *\nDisallow: /site/private/\nAllow: /site/private/open.htm\n\n"
            "User-agent: otherbot\nDisallow: /\n",
            "text/plain");
    });
    serve("/site/index.htm",
          linksPage({"a.htm?x=1&y=2", "private/closed.htm", "private/open.htm", "hidden.htm",
                     "tagged.htm", "copy.htm", "old.htm", "prices.pdf", "gone.htm", "../up.htm",
                     "http://other.invalid/"}),
          {{"Last-Modified", "Wed, 09 Dec 2026 07:30:05 GMT"}});
    serve("/site/a.htm", linksPage({"sub/b.htm#part"}, "<title>Page &amp; A</title>"));
    serve("/site/sub/b.htm", linksPage({"../index.htm", "../a.htm?x=1&y=2"}));
    serve("/site/private/closed.htm", linksPage({}));
    serve("/site/private/open.htm", linksPage({}));
    serve("/site/hidden.htm", linksPage({}, "<meta name=\"robots\" content=\"noindex\">"));
    serve("/site/tagged.htm", linksPage({}), {{"X-Robots-Tag", "noindex"}});
    serve("/site/copy.htm", linksPage({}, "<link rel=\"canonical\" href=\"a.htm?x=1&amp;y=2\">"));
    server.routes().Get("/site/old.htm", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/site/new.htm", 301);
    });
    serve("/site/new.htm", linksPage({}));
    server.routes().Get("/site/prices.pdf", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("%PDF-1.4", "application/pdf");
    });
    std::atomic<int> outside{0};
    server.routes().Get("/up.htm", [&](const httplib::Request&, httplib::Response& res) {
        ++outside;
        res.set_content("", "text/html");
    });
    server.start();

    ASSERT_EQ(crawl("/site/index.htm", {}), kExitOk) << err.str();
    const std::string s = server.url("/site/");
    EXPECT_EQ(
        sitemapLocs("sitemap.xml"),
        (std::vector<std::string>{s + "index.htm", s + "a.htm?x=1&y=2", s + "new.htm",
                                  s + "prices.pdf", s + "private/open.htm", s + "sub/b.htm"}));
    EXPECT_NE(workspace.read("sitemap.xml").find("<loc>" + s + "a.htm?x=1&amp;y=2</loc>"),
              std::string::npos);
    EXPECT_NE(workspace.read("sitemap.xml").find("<lastmod>2026-12-09T07:30:05+00:00</lastmod>"),
              std::string::npos);
    EXPECT_NE(out.str().find("The crawl ended by itself"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\nSitemap: " + s + "sitemap.xml\n"), std::string::npos) << out.str();
    EXPECT_EQ(outside.load(), 0);

    // The same crawl as JSON Lines: every address met, and why each was left out.
    ASSERT_EQ(crawl("/site/index.htm", {"--format", "jsonl", "--out", "pages.jsonl"}), kExitOk);
    std::map<std::string, std::string> leftOut;
    for (const nlohmann::json& line : jsonLines("pages.jsonl")) {
        if (!line["inSitemap"].get<bool>()) {
            leftOut[line["url"]] = line["leftOut"];
        }
        if (line["url"] == s + "a.htm?x=1&y=2") {
            EXPECT_EQ(line["title"], "Page & A");
            EXPECT_EQ(line["depth"], 1);
            EXPECT_EQ(line["status"], 200);
        }
    }
    EXPECT_EQ(leftOut, (std::map<std::string, std::string>{
                           {s + "private/closed.htm", "disallowed by robots.txt"},
                           {s + "hidden.htm", "noindex"},
                           {s + "tagged.htm", "noindex"},
                           {s + "copy.htm", "canonical is " + s + "a.htm?x=1&y=2"},
                           {s + "old.htm", "redirects to " + s + "new.htm"},
                           {s + "gone.htm", "answered 404"},
                       }));

    ASSERT_EQ(crawl("/site/index.htm", {"--format", "txt", "--out", "urls.txt"}), kExitOk);
    EXPECT_EQ(workspace.read("urls.txt").substr(0, s.size() + 10), s + "index.htm\n");

    // A link where the sitemap goes is replaced, not written through.
    workspace.write("elsewhere.xml", "keep");
    std::filesystem::create_symlink(workspace.file("elsewhere.xml"), workspace.file("linked.xml"));
    ASSERT_EQ(crawl("/site/index.htm", {"--out", "linked.xml"}), kExitOk) << err.str();
    EXPECT_EQ(workspace.read("elsewhere.xml"), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(workspace.file("linked.xml")));
    EXPECT_EQ(sitemapLocs("linked.xml").size(), 6u);

    // A place that cannot be written is refused before the crawl.
    EXPECT_EQ(crawl("/site/index.htm", {"--out", workspace.file("missing/x.xml")}), kExitFailed);
    EXPECT_NE(err.str().find("is missing"), std::string::npos) << err.str();
    EXPECT_EQ(out.str().find("Crawling"), std::string::npos) << out.str();
}

TEST_F(CrawlCommandTest, ACanonicalThatIsNoWebAddressLeavesThePageItsOwn) {
    serve("/index.htm",
          linksPage({"file.htm", "mail.htm", "nohost.htm", "other.htm"},
                    "<link rel=canonical href=\"file:///usr/share/doc/index.html\">"));
    serve("/file.htm", linksPage({}, "<link rel=canonical href=\"FILE:/usr/share/doc/f.html\">"));
    serve("/mail.htm", linksPage({}, "<link rel=canonical href=\"mailto:me@example.test\">"));
    serve("/nohost.htm", linksPage({}, "<link rel=canonical href=\"http:nohost.htm\">"));
    // Another host over http is a canonical an engine can use: the page is left out.
    serve("/other.htm", linksPage({}, "<link rel=canonical href=\"//other.invalid/o.htm\">"));
    server.start();

    ASSERT_EQ(crawl("/index.htm", {"--format", "jsonl", "--out", "pages.jsonl"}), kExitOk)
        << err.str();
    std::map<std::string, std::string> leftOut;
    for (const nlohmann::json& line : jsonLines("pages.jsonl")) {
        leftOut[line["url"]] = line["inSitemap"].get<bool>() ? "" : line["leftOut"];
    }
    EXPECT_EQ(leftOut, (std::map<std::string, std::string>{
                           {server.url("/index.htm"), ""},
                           {server.url("/file.htm"), ""},
                           {server.url("/mail.htm"), ""},
                           {server.url("/nohost.htm"), ""},
                           {server.url("/other.htm"), "canonical is http://other.invalid/o.htm"},
                       }));
}

TEST_F(CrawlCommandTest, TheNextCrawlAsksSinceTheLastModifiedItRecordedAndSaysWhatWasUnchanged) {
    const std::string stamp = "Wed, 09 Dec 2026 07:30:00 GMT";
    for (const std::string page : {"/index.htm", "/a.htm"}) {
        server.routes().Get(
            page, [page, stamp](const httplib::Request& req, httplib::Response& res) {
                res.set_header("Last-Modified", stamp);
                if (req.get_header_value("If-Modified-Since") == stamp) {
                    res.status = 304;
                    return;
                }
                res.set_content(linksPage(page == "/index.htm" ? std::vector<std::string>{"a.htm"}
                                                               : std::vector<std::string>{}),
                                "text/html");
            });
    }
    server.start();
    ASSERT_EQ(crawl("/index.htm", {}), kExitOk) << err.str();
    EXPECT_NE(out.str().find("2 pages read; 2 in the sitemap"), std::string::npos) << out.str();
    ASSERT_EQ(crawl("/index.htm", {"--report", "r.jsonl"}), kExitOk) << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_NE(out.str().find("2 pages read (2 unchanged since the last crawl); 2 in the sitemap"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(sitemapLocs("sitemap.xml"),
              (std::vector<std::string>{server.url("/index.htm"), server.url("/a.htm")}));
    EXPECT_EQ(jsonLines("r.jsonl").back()["unchanged"], 2);

    // A ledger that cannot be opened is said, and the sitemap is written all the same.
    std::filesystem::remove(workspace.file("indexnow.db"));
    workspace.write("indexnow.db", std::string(8192, 'x'));
    ASSERT_EQ(crawl("/index.htm", {}), kExitOk) << err.str();
    EXPECT_NE(err.str().find("farrowctl: the ledger: "), std::string::npos) << err.str();
    EXPECT_NE(out.str().find("2 pages read; 2 in the sitemap"), std::string::npos) << out.str();
}

// The crawl's own tests measure the pauses; here they are asked for and said.
TEST_F(CrawlCommandTest, DelayIsSaidAndPagesOnlyTheSitemapsOfRobotsTxtNameAreMarked) {
    server.routes().Get("/robots.txt", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content("Sitemap: " + server.url("/sitemap.xml") + "\n", "text/plain");
    });
    server.routes().Get("/sitemap.xml", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content("<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><url><loc>" +
                            server.url("/orphan.htm") + "</loc></url></urlset>",
                        "application/xml");
    });
    serve("/index.htm", linksPage({"a.htm"}));
    serve("/a.htm", linksPage({}));
    serve("/orphan.htm", linksPage({}));
    server.start();

    ASSERT_EQ(crawl("/index.htm", {"--format", "jsonl", "--delay", "100"}), kExitOk) << err.str();
    std::map<std::string, std::string> foundBy;
    for (const nlohmann::json& line : jsonLines("sitemap.jsonl")) {
        foundBy[line["url"]] = line["foundBy"];
    }
    EXPECT_EQ(foundBy,
              (std::map<std::string, std::string>{{server.url("/index.htm"), "link"},
                                                  {server.url("/a.htm"), "link"},
                                                  {server.url("/orphan.htm"), "sitemap"}}));
    for (const char* line :
         {"(at most 5000 pages, one at a time, 100 ms apart)\n",
          "1 of them found through robots.txt's sitemaps alone.\n",
          "The crawl was paced: one request at a time, 100 ms apart, as asked.\n"}) {
        EXPECT_NE(out.str().find(line), std::string::npos) << line << out.str();
    }
    EXPECT_NE(out.str().find("robots.txt names the sitemap " + server.url("/sitemap.xml") +
                             "; pages of the crawl's folder it lists: 1\n"),
              std::string::npos)
        << out.str();
}

TEST_F(CrawlCommandTest, TwentyThousandPagesStopAtMaxPages) {
    server.routes().Get(R"(/p(\d+)\.htm)", [](const httplib::Request& req, httplib::Response& res) {
        const int n = std::stoi(req.matches[1]);
        std::vector<std::string> next;
        for (int k = 1; k <= 10; ++k) {
            next.push_back("p" + std::to_string((n * 10 + k) % 20000) + ".htm");
        }
        res.set_content(linksPage(next), "text/html");
    });
    server.start();
    ASSERT_EQ(crawl("/p0.htm", {"--max-pages", "150", "--report", "report.jsonl"}), kExitOk)
        << err.str();
    EXPECT_NE(out.str().find("stopped at the page bound (150 pages)"), std::string::npos)
        << out.str();
    EXPECT_EQ(sitemapLocs("sitemap.xml").size(), 150u);
    const std::vector<nlohmann::json> report = jsonLines("report.jsonl");
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report.back()["event"], "end");
    EXPECT_EQ(report.back()["ending"], "page-bound");
    EXPECT_EQ(report.back()["fetched"], 150);
}

TEST_F(CrawlCommandTest, EndlessPagesMillionLinksLoopsAndCyclesEndBounded) {
    // A page that never ends, one of a million links, a redirect loop and a link cycle.
    server.routes().Get("/endless.htm", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/html", [](size_t, httplib::DataSink& sink) {
            static const std::string chunk(64 * 1024, 'x');
            return sink.write(chunk.data(), chunk.size());
        });
    });
    server.routes().Get("/million.htm", [](const httplib::Request&, httplib::Response& res) {
        auto next = std::make_shared<int>(0);
        res.set_chunked_content_provider("text/html", [next](size_t, httplib::DataSink& sink) {
            std::string chunk;
            for (int i = 0; i < 1000 && *next < 1000000; ++i, ++*next) {
                chunk += "<a href=\"m" + std::to_string(*next) + ".htm\">m</a>\n";
            }
            if (chunk.empty()) {
                sink.done();
                return true;
            }
            return sink.write(chunk.data(), chunk.size());
        });
    });
    server.routes().Get("/loop1.htm", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/loop2.htm", 302);
    });
    server.routes().Get("/loop2.htm", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/loop1.htm", 302);
    });
    serve("/ring1.htm", linksPage({"ring2.htm"}));
    serve("/ring2.htm", linksPage({"ring1.htm", "loop1.htm", "endless.htm", "million.htm"}));
    server.routes().Get(R"(/m\d+\.htm)", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<p>leaf</p>", "text/html");
    });
    server.start();
    ASSERT_EQ(crawl("/ring1.htm", {"--max-pages", "60", "--format", "jsonl"}), kExitOk)
        << err.str();
    std::map<std::string, nlohmann::json> byUrl;
    for (const nlohmann::json& line : jsonLines("sitemap.jsonl")) {
        byUrl[line["url"]] = line;
    }
    EXPECT_EQ(byUrl[server.url("/endless.htm")]["truncated"], true);
    EXPECT_EQ(byUrl[server.url("/million.htm")]["truncated"], true);
    EXPECT_EQ(byUrl[server.url("/loop2.htm")]["leftOut"],
              "redirect loop at " + server.url("/loop1.htm"));
    EXPECT_LE(byUrl.size(), 61u);
    EXPECT_NE(out.str().find("page bound (60 pages)"), std::string::npos) << out.str();
}

TEST_F(CrawlCommandTest, CtrlCEndsTheCrawlAndWritesWhatWasFound) {
    std::atomic<int> served{0};
    server.routes().Get(R"(/p(\d+)\.htm)", [&](const httplib::Request& req,
                                               httplib::Response& res) {
        const int n = std::stoi(req.matches[1]);
        if (++served == 20) {
            std::raise(SIGINT);
        }
        res.set_content(
            linksPage({"p" + std::to_string(n + 1) + ".htm", "p" + std::to_string(n + 2) + ".htm"}),
            "text/html");
    });
    server.start();
    ASSERT_EQ(crawl("/p0.htm", {}), kExitOk) << err.str();
    EXPECT_NE(out.str().find("The crawl cancelled: what was found so far is kept"),
              std::string::npos)
        << out.str();
    const std::size_t listed = sitemapLocs("sitemap.xml").size();
    EXPECT_GE(listed, 15u);
    EXPECT_LE(listed, 30u);
}

// With the report on stdout, stdout holds JSON alone; a report or an --out that cannot be
// written fails the crawl, naming the file.
TEST_F(CrawlCommandTest, TheReportOnStdoutIsJsonAloneAndAFailedOneIsNamed) {
    serve("/index.htm", linksPage({"a.htm"}));
    serve("/a.htm", linksPage({}));
    server.start();
    ASSERT_EQ(crawl("/index.htm", {"--report", "-"}), kExitOk) << err.str();
    std::istringstream lines(out.str());
    std::vector<std::string> events;
    for (std::string line; std::getline(lines, line);) {
        ASSERT_TRUE(nlohmann::json::accept(line)) << line;
        events.push_back(nlohmann::json::parse(line)["event"]);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"crawl-page", "crawl-page", "end"}));
    EXPECT_NE(err.str().find("The crawl ended by itself"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("Sitemap: "), std::string::npos) << err.str();

    EXPECT_EQ(crawl("/index.htm", {"--report", "/dev/full"}), kExitFailed);
    EXPECT_NE(err.str().find("farrowctl: cannot write \"/dev/full\": No space left on device"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(sitemapLocs("sitemap.xml").size(), 2u);
    EXPECT_EQ(crawl("/index.htm", {"--format", "txt", "--out", "/dev/full"}), kExitFailed);
    EXPECT_NE(err.str().find("farrowctl: cannot write \"/dev/full\": No space left on device"),
              std::string::npos)
        << err.str();
}

TEST_F(CrawlCommandTest, UnreadableStartPageAndBadUsage) {
    server.start();
    EXPECT_EQ(crawl("/missing.htm", {}), kExitFailed);
    EXPECT_NE(err.str().find("could not be read: answered 404"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(workspace.path() / "sitemap.xml"));

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--format", "pdf"},
                                                {"--max-pages", "0"},
                                                {"--max-depth", "x"}}) {
        EXPECT_EQ(crawl("/", bad), kExitUsage) << bad[0];
    }
    workspace.write("p.fl2", "not a profile");
    EXPECT_EQ(runCommand({"crawl", "missing.fl2"}, out, err, settings), kExitFailed);
}

}  // namespace
}  // namespace farrow::cli

namespace farrow::cli {
namespace {

TEST_F(CrawlCommandTest, DeepTakesItsPagesFromASitemap) {
    server.routes().Get("/sitemap.xml", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(
            "<?xml version=\"1.0\"?>\n<urlset "
            "xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">"
            "<url><loc>" +
                server.url("/a.htm") + "</loc></url><url><loc>" + server.url("/b.htm?x=1&amp;y=2") +
                "</loc></url><url><loc>" + server.url("/a.htm") + "</loc></url></urlset>",
            "application/xml");
    });
    server.start();
    workspace.write("p.fl2", test::profileFileText({}, server.url("/"), "Mine"));
    ASSERT_EQ(runCommand({"deep", workspace.file("p.fl2"), "--list", "--sitemap",
                          server.url("/sitemap.xml")},
                         out, err, settings),
              kExitOk)
        << err.str();
    EXPECT_EQ(out.str(), "Mine ( " + server.url("/a.htm") + " )\nMine ( " +
                             server.url("/b.htm?x=1&y=2") + " )\n");

    workspace.write("broken.xml", "<urlset><url>");
    EXPECT_EQ(runCommand({"deep", workspace.file("p.fl2"), "--list", "--sitemap", "broken.xml"},
                         out, err, settings),
              kExitFailed);
    EXPECT_NE(err.str().find("the sitemap could not be read: "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("not well-formed XML"), std::string::npos) << err.str();
}

TEST_F(CrawlCommandTest, ASitemapFromTheWebIsFollowedOnItsHostAndNamesNoFiles) {
    // Addresses as the server names them once it listens.
    const auto redirect = [this](const std::string& from, std::function<std::string()> to) {
        server.routes().Get(from, [to](const httplib::Request&, httplib::Response& res) {
            res.set_redirect(to(), 301);
        });
    };
    redirect("/old.xml", [] { return "/moved.xml"; });
    redirect("/moved.xml", [this] { return server.url("/dir/index.xml"); });
    redirect("/away.xml",
             [this] { return "http://localhost:" + std::to_string(server.port()) + "/x.xml"; });
    // /r0.xml redirects six times before /r6.xml answers.
    server.routes().Get(
        R"(/r(\d)\.xml)", [this](const httplib::Request& req, httplib::Response& res) {
            const int n = std::stoi(req.matches[1]);
            if (n < 6) {
                res.set_redirect("/r" + std::to_string(n + 1) + ".xml", 302);
                return;
            }
            res.set_content("<urlset><url><loc>" + server.url("/a.htm") + "</loc></url></urlset>",
                            "application/xml");
        });
    server.routes().Get("/dir/index.xml", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(
            "<sitemapindex><sitemap><loc>part.xml</loc></sitemap>"
            "<sitemap><loc>/etc/passwd</loc></sitemap>"
            "<sitemap><loc>file:///etc/passwd</loc></sitemap>"
            "<sitemap><loc>/dev/stdin</loc></sitemap></sitemapindex>",
            "application/xml");
    });
    server.routes().Get("/dir/part.xml", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content("<urlset><url><loc>" + server.url("/dir/a.htm") + "</loc></url><url><loc>" +
                            server.url("/dir/b.htm") + "</loc></url></urlset>",
                        "application/xml");
    });
    server.start();
    workspace.write("p.fl2", test::profileFileText({}, server.url("/"), "Mine"));
    const auto deep = [&](const std::string& sitemap) {
        out.str("");
        err.str("");
        return runCommand({"deep", workspace.file("p.fl2"), "--list", "--sitemap", sitemap}, out,
                          err, settings);
    };

    // The scheme in capitals is a URL all the same; the parts of a web index are URLs resolved
    // against it, never local files.
    const std::string upper = "HTTP://" + server.hostPort() + "/old.xml";
    ASSERT_EQ(deep(upper), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Mine ( " + server.url("/dir/a.htm") + " )\nMine ( " +
                             server.url("/dir/b.htm") + " )\n");
    for (const std::string& said :
         {"the sitemap " + server.url("/old.xml") + " was read at " + server.url("/dir/index.xml"),
          server.url("/etc/passwd") + ": answered 404",
          std::string("file:///etc/passwd: not an http or https URL"),
          server.url("/dev/stdin") + ": answered 404"}) {
        EXPECT_NE(err.str().find(said), std::string::npos) << said << "\n" << err.str();
    }
    EXPECT_EQ(err.str().find("root:"), std::string::npos) << err.str();

    EXPECT_EQ(deep(server.url("/away.xml")), kExitFailed);
    EXPECT_NE(err.str().find(server.url("/away.xml") +
                             ": redirects outside its host to http://localhost:"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(deep(server.url("/r0.xml")), kExitFailed);
    EXPECT_NE(err.str().find(server.url("/r0.xml") + ": more than 5 redirects"), std::string::npos)
        << err.str();
    settings.timing.sitemapRedirectLimit = 6;
    EXPECT_EQ(deep(server.url("/r0.xml")), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Mine ( " + server.url("/a.htm") + " )\n");
}

TEST_F(CrawlCommandTest, DeepReadsASitemapIndexWithinOneDeadline) {
    server.routes().Get("/index.xml", [](const httplib::Request&, httplib::Response& res) {
        std::string index = "<sitemapindex>";
        for (int i = 0; i < 100; ++i) {
            index += "<sitemap><loc>/part" + std::to_string(i) + ".xml</loc></sitemap>";
        }
        res.set_content(index + "</sitemapindex>", "application/xml");
    });
    // Each part well within the page deadline, all of them far past the whole read's.
    server.routes().Get(
        R"(/part(\d+)\.xml)", [this](const httplib::Request& req, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            res.set_content("<urlset><url><loc>" + server.url("/p" + std::string(req.matches[1])) +
                                "</loc></url></urlset>",
                            "application/xml");
        });
    server.start();
    workspace.write("p.fl2", test::profileFileText({}, server.url("/"), "Mine"));
    settings.timing.sitemapDeadline = std::chrono::milliseconds(300);
    ASSERT_EQ(runCommand({"deep", workspace.file("p.fl2"), "--list", "--sitemap",
                          server.url("/index.xml")},
                         out, err, settings),
              kExitOk)
        << err.str();
    const std::string listed = out.str();
    const auto pages = static_cast<std::size_t>(std::count(listed.begin(), listed.end(), '\n'));
    EXPECT_GT(pages, 0u);
    EXPECT_LT(pages, 100u);
    EXPECT_NE(err.str().find("farrowctl: the sitemap bound sitemapDeadline (300 ms) was met: " +
                             std::to_string(100 - pages) + " sitemaps not read: "),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("farrowctl: listing the " + std::to_string(pages) +
                             " pages taken of the sitemap"),
              std::string::npos)
        << err.str();
}

TEST_F(CrawlCommandTest, DeepTakesFromASitemapOnlyPagesOfTheProfilesSite) {
    const std::string site = server.url("/dir/");
    const std::string host = site.substr(7, site.find('/', 7) - 7);
    std::string locs;
    for (const std::string& loc :
         {site + "in.htm", std::string("file:///etc/passwd"), std::string("javascript:alert(1)"),
          std::string("rel.htm"), std::string("http://other.test/dir/x.htm"), server.url("/up.htm"),
          site + "a\nb.htm", site + "sub/deeper.htm"}) {
        locs += "<url><loc>" + loc + "</loc></url>";
    }
    workspace.write("map.xml", "<urlset>" + locs + "</urlset>");
    workspace.write("p.fl2", test::profileFileText({}, site, "Mine"));
    ASSERT_EQ(runCommand({"deep", workspace.file("p.fl2"), "--list", "--sitemap", "map.xml"}, out,
                         err, settings),
              kExitOk)
        << err.str();
    EXPECT_EQ(out.str(), "Mine ( " + site + "in.htm )\nMine ( " + site + "sub/deeper.htm )\n");
    const std::string left = "farrowctl: left out of the sitemap's pages: ";
    const std::string outside = ": outside the profile's site " + host + "/dir\n";
    EXPECT_EQ(err.str(), left + "file:///etc/passwd: not an http or https URL\n" + left +
                             "javascript:alert(1): not an http or https URL\n" + left +
                             "rel.htm: not an http or https URL\n" + left +
                             "http://other.test/dir/x.htm" + outside + left +
                             server.url("/up.htm") + outside + left + site +
                             "a%0Ab.htm: holds a control character\n");
}

}  // namespace
}  // namespace farrow::cli
