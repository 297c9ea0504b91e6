#include "audit/site_audit.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <tuple>

#include "audit/site_findings.h"
#include "cli/command_line.h"
#include "crawl/page_memory.h"
#include "google/search_console_ledger.h"
#include "indexnow/announcement_ledger.h"
#include "indexnow/crawl_ledger.h"
#include "support/loopback_http_server.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace farrow::audit {
namespace {

using Links = std::vector<std::string>;

std::string page(const std::string& title, const std::string& description, const Links& hrefs,
                 const std::string& head = "") {
    std::string html = "<html><head>";
    if (!title.empty()) {
        html += "<title>" + title + "</title>";
    }
    if (!description.empty()) {
        html += "<meta name=\"description\" content=\"" + description + "\">";
    }
    html += head + "</head><body>\n";
    for (const std::string& href : hrefs) {
        html += "<a href=\"" + href + "\">" + href + "</a>\n";
    }
    return html + "</body></html>\n";
}

class SiteAuditTest : public testing::Test {
protected:
    SiteAuditTest() {
        settings.workspace = workspace.workspace();
        settings.timing.siteCrawlInFlight = 4;
        settings.timing.crawlPoll = base::Millis(2);
    }
    void serve(const std::string& path, std::string html) {
        server.routes().Get(
            path, [html = std::move(html)](const httplib::Request&, httplib::Response& res) {
                res.set_content(html, "text/html; charset=utf-8");
            });
    }
    void redirect(const std::string& from, const std::string& to) {
        server.routes().Get(from, [to](const httplib::Request&, httplib::Response& res) {
            res.set_redirect(to, 301);
        });
    }
    // Served at request time, so that "{site}" can stand for the server's address.
    void serveXml(const std::string& path, std::string text,
                  const std::string& type = "application/xml") {
        server.routes().Get(path, [this, text = std::move(text), type](const httplib::Request&,
                                                                       httplib::Response& res) {
            std::string body = text;
            for (std::size_t at; (at = body.find("{site}")) != std::string::npos;) {
                body.replace(at, 6, server.url(""));
            }
            res.set_content(body, type);
        });
    }
    static std::string urlset(const Links& paths) {
        std::string xml = "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">";
        for (const std::string& path : paths) {
            xml += "<url><loc>{site}" + path + "</loc></url>";
        }
        return xml + "</urlset>";
    }
    // The findings of the audit in audit.jsonl as (kind, severity, address in /site/, detail).
    std::vector<std::tuple<std::string, std::string, std::string, std::string>> findings(
        const std::set<std::string>& kinds) {
        const std::string s = server.url("/site/");
        std::vector<std::tuple<std::string, std::string, std::string, std::string>> found;
        for (const nlohmann::json& e : events()) {
            if (e["event"] == "audit-finding" && kinds.count(e["kind"]) != 0) {
                std::string detail = e["detail"];
                if (detail.find(s) != std::string::npos) {
                    detail.replace(detail.find(s), s.size(), "");
                }
                found.emplace_back(e["kind"], e["severity"],
                                   e["url"].get<std::string>().substr(s.size()), detail);
            }
        }
        return found;
    }
    int audit(std::vector<std::string> args, const std::string& start = "/site/index.htm") {
        workspace.write("p.fl2", test::profileFileText({}, server.url(start), "Mine"));
        args.insert(args.begin(), {"audit", workspace.file("p.fl2")});
        out.str("");
        err.str("");
        return cli::runCommand(args, out, err, settings);
    }
    std::vector<nlohmann::json> events(const std::string& name = "audit.jsonl") {
        std::vector<nlohmann::json> lines;
        std::istringstream in(workspace.read(name));
        for (std::string line; std::getline(in, line);) {
            lines.push_back(nlohmann::json::parse(line));
        }
        return lines;
    }
    // A site holding one case of each kind of finding, in the folder /site/.
    void serveFaultySite() {
        serve("/site/index.htm",
              page("Home", "The home page",
                   {"a.htm", "gone.htm", "old.htm", "dup1.htm", "dup2.htm", "notitle.htm",
                    "long.htm", "badcanon.htm", "canonerr.htm", "chain1.htm", "large.htm"}));
        serve("/site/a.htm", page("A", "Page a", {"b.htm"}));
        serve("/site/b.htm", page("B", "Page b", {"c.htm"}));
        serve("/site/c.htm", page("C", "Page c", {"gone.htm"}));
        redirect("/site/old.htm", "/site/mid.htm");
        redirect("/site/mid.htm", "/site/new.htm");
        serve("/site/new.htm", page("New", "Page new", {}));
        serve("/site/dup1.htm", page("Twins", "Said twice", {}));
        serve("/site/dup2.htm", page("Twins", "Said twice", {}));
        serve("/site/notitle.htm", page("", "", {}));
        // 60 characters, one of them two bytes, is not long; 61 is.
        serve("/site/long.htm",
              page("Caf&eacute;" + std::string(57, 't'), std::string(161, 'd'), {"long2.htm"}));
        serve("/site/long2.htm", page("Caf\xC3\xA9" + std::string(56, 'u'), "Page long2", {}));
        serve("/site/badcanon.htm", page("Bad", "Page bad", {}, "<link rel=canonical href=x:y>"));
        serve("/site/canonerr.htm",
              page("Err", "Page err", {}, "<link rel=canonical href=missing.htm>"));
        serve("/site/chain1.htm",
              page("Ch1", "Page ch1", {}, "<link rel=canonical href=chain2.htm>"));
        serve("/site/chain2.htm", page("Ch2", "Page ch2", {}, "<link rel=canonical href=a.htm>"));
        serve("/site/large.htm", page("Large", "Page large", {}) + std::string(2u << 20, ' '));
    }

    test::LoopbackHttpServer server;
    test::TempWorkspace workspace;
    cli::CommandSettings settings;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(SiteAuditTest, EachKindOfFindingOnTheSiteBuiltForIt) {
    serveFaultySite();
    server.start();
    ASSERT_EQ(audit({"--format", "jsonl", "--max-depth", "4"}), cli::kExitSomeFailed) << err.str();

    const std::string s = server.url("/site/");
    using Row = std::tuple<std::string, std::string, std::string, std::vector<std::string>>;
    std::vector<Row> found;
    std::set<std::string> pagesSeen;
    for (const nlohmann::json& e : events()) {
        if (e["event"] == "audit-page") {
            pagesSeen.insert(e["url"].get<std::string>().substr(s.size()));
        } else if (e["event"] == "audit-finding") {
            std::vector<std::string> from;
            for (const auto& url : e["linkedFrom"]) {
                from.push_back(url.get<std::string>().substr(s.size()));
            }
            found.emplace_back(e["kind"], e["severity"],
                               e["url"].get<std::string>().substr(s.size()), from);
        }
    }
    const std::vector<std::string> home{"index.htm"};
    EXPECT_EQ(found, (std::vector<Row>{
                         {"broken-link", "error", "gone.htm", {"c.htm", "index.htm"}},
                         {"canonical-error", "error", "canonerr.htm", {}},
                         {"linked-redirect", "warning", "old.htm", home},
                         {"redirect-chain", "warning", "old.htm", home},
                         {"canonical-invalid", "warning", "badcanon.htm", {}},
                         {"canonical-chain", "warning", "chain1.htm", {}},
                         {"title-missing", "warning", "notitle.htm", {}},
                         {"title-duplicate", "warning", "dup1.htm", {}},
                         {"title-duplicate", "warning", "dup2.htm", {}},
                         {"description-missing", "warning", "notitle.htm", {}},
                         {"title-long", "notice", "long.htm", {}},
                         {"description-duplicate", "notice", "dup1.htm", {}},
                         {"description-duplicate", "notice", "dup2.htm", {}},
                         {"description-long", "notice", "long.htm", {}},
                         {"deep-page", "notice", "c.htm", {}},
                         {"large-page", "notice", "large.htm", {}},
                     }));
    // The canonical's error page is met, linked by none: no broken link.
    EXPECT_EQ(pagesSeen.count("missing.htm"), 1u);
    const nlohmann::json end = events().back();
    EXPECT_EQ(
        end, nlohmann::json::parse(R"({"event":"end","pages":)" + std::to_string(pagesSeen.size()) +
                                   R"(,"errors":2,"warnings":8,"notices":6,"announced":0,)"
                                   R"("indexed":0,"ending":"finished"})"));
    EXPECT_NE(out.str().find("Mend first: "), std::string::npos) << out.str();
    // No ledger was there: one was made, and holds the crawl's record of each page read.
    indexnow::CrawlLedger::Opened ledger =
        indexnow::CrawlLedger::open(workspace.file("indexnow.db"));
    ASSERT_TRUE(ledger.ledger) << ledger.error.reason;
    const std::optional<crawl::PageReading> recorded = ledger.ledger->recall(s + "index.htm");
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->title, "Home");
    EXPECT_EQ(recorded->links.size(), 11u);
    EXPECT_FALSE(recorded->fingerprint.empty());
}

const std::set<std::string> kSitemapKinds = {"sitemap-error", "sitemap-disallowed",
                                             "sitemap-noindex", "sitemap-redirect", "orphan"};

TEST_F(SiteAuditTest, EachKindOfSitemapFindingOnTheSiteBuiltForIt) {
    serveXml("/robots.txt",
             "User-agent: *\nDisallow: /site/private/\nSitemap: {site}/site/map.xml\n",
             "text/plain");
    serveXml("/site/map.xml",
             urlset({"/site/index.htm", "/site/a.htm", "/site/gone.htm", "/site/boom.htm",
                     "/site/private/secret.htm", "/site/hidden.htm", "/site/moved.htm",
                     "/site/target.htm", "/site/lonely.htm", "/site/self.htm", "/elsewhere.htm"}));
    // Read by nobody: robots.txt names another sitemap.
    serveXml("/site/sitemap.xml", urlset({"/site/unnamed.htm"}));
    serve("/site/index.htm", page("Home", "The home", {"a.htm", "hidden.htm", "old.htm"}));
    serve("/site/a.htm", page("A", "Page a", {}));
    serve("/site/hidden.htm",
          page("Hidden", "Page hidden", {}, "<meta name=\"robots\" content=\"noindex\">"));
    // Listed where the redirect of a link ends: linked, no orphan.
    redirect("/site/old.htm", "/site/target.htm");
    serve("/site/target.htm", page("Target", "Page target", {}));
    redirect("/site/moved.htm", "/site/a.htm");
    server.routes().Get("/site/boom.htm",
                        [](const httplib::Request&, httplib::Response& res) { res.status = 500; });
    std::atomic<int> secretAsked{0};
    server.routes().Get("/site/private/secret.htm",
                        [&](const httplib::Request&, httplib::Response& res) {
                            ++secretAsked;
                            res.set_content(page("Secret", "Page secret", {}), "text/html");
                        });
    serve("/site/lonely.htm", page("Lonely", "Page lonely", {}));
    // A page linking itself alone is linked by no other.
    serve("/site/self.htm", page("Self", "Page self", {"self.htm"}));
    serve("/site/unnamed.htm", page("Unnamed", "Page unnamed", {}));
    serve("/elsewhere.htm", page("Elsewhere", "Outside the folder", {}));
    server.start();

    ASSERT_EQ(audit({"--format", "jsonl"}), cli::kExitSomeFailed) << err.str();
    using Row = std::tuple<std::string, std::string, std::string, std::string>;
    EXPECT_EQ(findings(kSitemapKinds),
              (std::vector<Row>{
                  {"sitemap-error", "error", "boom.htm", "answered 500"},
                  {"sitemap-error", "error", "gone.htm", "answered 404"},
                  {"sitemap-disallowed", "error", "private/secret.htm", "disallowed by robots.txt"},
                  {"sitemap-noindex", "error", "hidden.htm", "noindex"},
                  {"sitemap-redirect", "warning", "moved.htm", "redirects to a.htm"},
                  {"orphan", "warning", "lonely.htm", "no page read links it"},
                  {"orphan", "warning", "self.htm", "no page read links it"},
              }));
    // Disallowed, it is named and never asked for.
    EXPECT_EQ(secretAsked.load(), 0);
    std::map<std::string, nlohmann::json> rows;
    for (const nlohmann::json& e : events()) {
        if (e["event"] == "audit-page") {
            rows[e["url"]] = e["findings"];
        }
    }
    EXPECT_EQ(rows[server.url("/site/lonely.htm")], nlohmann::json::parse(R"(["orphan"])"));
    EXPECT_EQ(rows[server.url("/site/private/secret.htm")],
              nlohmann::json::parse(R"(["sitemap-disallowed"])"));
    EXPECT_EQ(rows.count(server.url("/site/unnamed.htm")), 0u);
    EXPECT_EQ(rows.count(server.url("/elsewhere.htm")), 0u);

    ASSERT_EQ(audit({}), cli::kExitSomeFailed) << err.str();
    const std::string html = workspace.read("audit.html");
    EXPECT_NE(html.find(server.url("/site/map.xml") +
                        "</a> (named by robots.txt) read: 10 pages of the site's folder listed."),
              std::string::npos)
        << html;
    for (const std::string& kind : kSitemapKinds) {
        EXPECT_NE(html.find("<h2 id=\"" + kind + "\">"), std::string::npos) << kind;
    }
}

TEST_F(SiteAuditTest, WithoutASitemapInRobotsTxtTheFoldersIsRead) {
    serve("/site/index.htm", page("Home", "The home", {"a.htm"}));
    serve("/site/a.htm", page("A", "Page a", {}));
    serve("/site/lonely.htm", page("Lonely", "Page lonely", {}));
    serveXml("/site/sitemap.xml", urlset({"/site/a.htm", "/site/lonely.htm", "/site/gone.htm"}));
    serve("/bare/index.htm", page("Bare", "No sitemap here", {}));
    server.start();

    // No robots.txt at all: the folder's sitemap.xml stands in.
    ASSERT_EQ(audit({"--format", "jsonl"}), cli::kExitSomeFailed) << err.str();
    using Row = std::tuple<std::string, std::string, std::string, std::string>;
    EXPECT_EQ(findings(kSitemapKinds),
              (std::vector<Row>{{"sitemap-error", "error", "gone.htm", "answered 404"},
                                {"orphan", "warning", "lonely.htm", "no page read links it"}}));
    ASSERT_EQ(audit({}), cli::kExitSomeFailed) << err.str();
    EXPECT_NE(workspace.read("audit.html")
                  .find(server.url("/site/sitemap.xml") + "</a> (robots.txt names none) read: 3"),
              std::string::npos);

    // A site with no sitemap: said in the summary, and no finding of its own.
    ASSERT_EQ(audit({"--fail-on", "warning"}, "/bare/index.htm"), cli::kExitOk) << err.str();
    const std::string html = workspace.read("audit.html");
    const std::size_t line =
        html.find(server.url("/bare/sitemap.xml") + "</a> (robots.txt names none)");
    ASSERT_NE(line, std::string::npos) << html;
    EXPECT_NE(html.find("404", line), std::string::npos);
}

TEST_F(SiteAuditTest, DelayReadsOnePageAtATimeWithItsPause) {
    std::mutex mutex;
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    server.routes().Get(R"(/site/p(\d)\.htm)",
                        [&](const httplib::Request& req, httplib::Response& res) {
                            {
                                std::lock_guard lock(mutex);
                                arrivals.push_back(std::chrono::steady_clock::now());
                            }
                            const int n = std::stoi(req.matches[1]);
                            res.set_content(page("P" + std::to_string(n), "About p",
                                                 {"p" + std::to_string((n + 1) % 4) + ".htm",
                                                  "p" + std::to_string((n + 2) % 4) + ".htm"}),
                                            "text/html");
                        });
    server.start();
    ASSERT_EQ(audit({"--delay", "80", "--fail-on", "never"}, "/site/p0.htm"), cli::kExitOk)
        << err.str();
    std::lock_guard lock(mutex);
    ASSERT_EQ(arrivals.size(), 4u);
    for (std::size_t i = 1; i < arrivals.size(); ++i) {
        EXPECT_GE(arrivals[i] - arrivals[i - 1], std::chrono::milliseconds(80)) << i;
    }
    EXPECT_EQ(audit({"--delay", "soon"}, "/site/p0.htm"), cli::kExitUsage);
}

TEST_F(SiteAuditTest, ChangedSinceAnnouncedComparesThePageWithItsAnnouncedFingerprint) {
    const std::string home = page("Home", "Home page", {"a.htm", "b.htm", "c.htm", "gone.htm"});
    serve("/site/index.htm", home);
    serve("/site/a.htm", page("A", "Page a", {}));
    serve("/site/b.htm", page("B", "Page b", {}));
    serve("/site/c.htm", page("C", "Page c", {}));
    server.start();
    const std::string s = server.url("/site/");
    {
        indexnow::AnnouncementLedger::Opened opened =
            indexnow::AnnouncementLedger::open(indexnow::ledgerPath(workspace.workspace()));
        ASSERT_TRUE(opened.ledger) << opened.error.reason;
        const base::TimePoint day = base::TimePoint(std::chrono::seconds(1796724000));
        // The home page announced as it is now, after an older one; a.htm as it was; b.htm by
        // a source that gave no fingerprint; the missing page when it was there.
        ASSERT_FALSE(opened.ledger->record({s + "index.htm"}, "https://engine/",
                                           day - std::chrono::hours(1), 200, "accepted",
                                           {{s + "index.htm", "older"}}));
        ASSERT_FALSE(opened.ledger->record(
            {s + "index.htm", s + "a.htm", s + "b.htm", s + "gone.htm"}, "https://engine/", day,
            200, "accepted",
            {{s + "index.htm", crawl::pageFingerprint(home)},
             {s + "a.htm", crawl::pageFingerprint(page("A", "Page a, as it was", {}))},
             {s + "gone.htm", crawl::pageFingerprint(home)}}));
    }
    ASSERT_EQ(audit({"--format", "jsonl", "--fail-on", "never"}), cli::kExitOk) << err.str();
    std::map<std::string, nlohmann::json> changed;
    for (const nlohmann::json& e : events()) {
        if (e["event"] == "audit-page") {
            changed[e["url"].get<std::string>().substr(s.size())] = e["changedSinceAnnounced"];
        }
    }
    EXPECT_EQ(changed, (std::map<std::string, nlohmann::json>{{"index.htm", false},
                                                              {"a.htm", true},
                                                              {"b.htm", nullptr},
                                                              {"c.htm", nullptr},
                                                              {"gone.htm", nullptr}}));

    ASSERT_EQ(audit({"--fail-on", "never"}), cli::kExitOk) << err.str();
    const std::string html = workspace.read("audit.html");
    EXPECT_NE(html.find("<th>Changed since announced</th>"), std::string::npos);
    const std::size_t a = html.find("<tr><td><a class=\"url\" href=\"" + s + "a.htm\"");
    ASSERT_NE(a, std::string::npos);
    EXPECT_NE(html.find(" accepted</td><td>yes</td><td>not inspected</td></tr>", a),
              std::string::npos)
        << html.substr(a, 600);
}

TEST_F(SiteAuditTest, ALedgerThatCannotBeWrittenIsSaidAndTheAuditStillWritten) {
    serve("/site/index.htm", page("Home", "The home", {}));
    server.start();
    std::filesystem::create_directory(workspace.file("indexnow.db"));
    ASSERT_EQ(audit({}), cli::kExitOk) << err.str();
    EXPECT_NE(err.str().find("farrowctl: the ledger: " + workspace.file("indexnow.db")),
              std::string::npos)
        << err.str();
    const std::string html = workspace.read("audit.html");
    EXPECT_NE(html.find("The crawl could not be recorded in the ledger: "), std::string::npos);
    EXPECT_NE(html.find("<td>Home</td>"), std::string::npos);
}

// What a browser makes of the audit: the page's script runs, counts the rows and says no error.
TEST_F(SiteAuditTest, TheHtmlAuditShowsItsRowsInABrowser) {
    const std::string browser = "/usr/bin/chromium";
    if (!std::filesystem::exists(browser)) {
        GTEST_SKIP() << "no " << browser << " (scripts/deps.sh --pictures installs it)";
    }
    serveFaultySite();
    server.start();
    ASSERT_EQ(audit({}), cli::kExitSomeFailed) << err.str();
    const std::string command =
        "timeout 60 " + browser +
        " --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking "
        "--disable-component-update --enable-logging=stderr --v=0 --user-data-dir=" +
        workspace.file("browser") + " --dump-dom file://" + workspace.file("audit.html") + " >" +
        workspace.file("dom.html") + " 2>" + workspace.file("browser.log");
    ASSERT_EQ(std::system(command.c_str()), 0) << workspace.read("browser.log");
    const std::string dom = workspace.read("dom.html");
    const std::string html = workspace.read("audit.html");
    std::size_t rows = 0;
    const std::size_t body = html.find("<table id=\"pages\">");
    for (std::size_t at = html.find("<tr><td>", body); at < html.find("</table>", body);
         at = html.find("<tr><td>", at + 1)) {
        ++rows;
    }
    EXPECT_GT(rows, 15u);
    const std::string count = std::to_string(rows);
    EXPECT_NE(dom.find("<span id=\"shown\">" + count + " of " + count + " pages shown</span>"),
              std::string::npos)
        << dom.substr(0, 2000);
    EXPECT_EQ(workspace.read("browser.log").find(":CONSOLE"), std::string::npos)
        << workspace.read("browser.log");
}

TEST_F(SiteAuditTest, ExitCodesFollowFailOn) {
    serve("/clean/index.htm", page("Clean", "All well", {"more.htm"}));
    serve("/clean/more.htm", page("More", "Still well", {}));
    serve("/warn/index.htm", page("", "", {}));
    serve("/err/index.htm", page("Err", "Broken", {"gone.htm"}));
    server.start();
    struct Case {
        std::string start;
        std::vector<std::string> args;
        int rc;
    };
    const std::vector<Case> cases = {
        {"/clean/index.htm", {"--fail-on", "warning"}, cli::kExitOk},
        {"/warn/index.htm", {}, cli::kExitOk},
        {"/warn/index.htm", {"--fail-on", "warning"}, cli::kExitSomeFailed},
        {"/err/index.htm", {}, cli::kExitSomeFailed},
        {"/err/index.htm", {"--fail-on", "never"}, cli::kExitOk},
        {"/missing/index.htm", {}, cli::kExitFailed},
        {"/clean/index.htm", {"--fail-on", "notice"}, cli::kExitUsage},
        {"/clean/index.htm", {"--format", "xml"}, cli::kExitUsage},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(audit(c.args, c.start), c.rc) << c.start << " " << err.str();
    }
    // The audit that failed at the start page wrote nothing new; the one before it did.
    ASSERT_EQ(audit({"--out", "err.html"}, "/err/index.htm"), cli::kExitSomeFailed);
    EXPECT_NE(workspace.read("err.html").find("broken-link"), std::string::npos);
    EXPECT_NE(out.str().find("Wrote " + workspace.file("err.html")), std::string::npos);
}

TEST_F(SiteAuditTest, CtrlCEndsTheCrawlAndWritesTheAuditOfWhatWasRead) {
    std::atomic<int> served{0};
    server.routes().Get(
        R"(/p(\d+)\.htm)", [&](const httplib::Request& req, httplib::Response& res) {
            const int n = std::stoi(req.matches[1]);
            if (++served == 20) {
                std::raise(SIGINT);
            }
            res.set_content(
                page("Page " + std::to_string(n), "About " + std::to_string(n),
                     {"p" + std::to_string(n + 1) + ".htm", "p" + std::to_string(n + 2) + ".htm"}),
                "text/html");
        });
    server.start();
    // No finding, yet a stopped audit does not pass.
    ASSERT_EQ(audit({"--format", "jsonl", "--fail-on", "never"}, "/p0.htm"), cli::kExitSomeFailed)
        << err.str();
    const std::vector<nlohmann::json> lines = events();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back()["ending"], "cancelled");
    EXPECT_GE(lines.back()["pages"].get<int>(), 15);
    EXPECT_LE(lines.back()["pages"].get<int>(), 30);
    EXPECT_EQ(lines.back()["errors"], 0);
}

TEST_F(SiteAuditTest, HostileTitlesAndAddressesAreEscapedInTheHtml) {
    // Decoded, the title holds markup; the canonical is no web address, named as written.
    const std::string hostile =
        "&lt;script&gt;alert(1)&lt;/script&gt; &amp;amp; &quot;quoted&quot; &lt;img src=x&gt;";
    serve("/site/index.htm", page(hostile, "x", {"a%22%3E%3Cimg%20src=x%3E.htm"},
                                  "<link rel=canonical href='javascript:\"><img src=x>'>"));
    server.start();
    ASSERT_EQ(audit({"--out", "-"}), cli::kExitSomeFailed) << err.str();
    const std::string html = out.str();
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u) << "stdout holds the audit alone";
    EXPECT_NE(err.str().find("Findings: error 1, warning 1, notice 0."), std::string::npos)
        << err.str();
    // One script, the page's own; no element the site named.
    std::size_t scripts = 0;
    for (std::size_t at = html.find("<script"); at != std::string::npos;
         at = html.find("<script", at + 1)) {
        ++scripts;
    }
    EXPECT_EQ(scripts, 1u);
    EXPECT_EQ(html.find("<img"), std::string::npos);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_NE(html.find("<td>&lt;script&gt;alert(1)&lt;/script&gt; &amp;amp; &quot;quoted&quot; "
                        "&lt;img src=x&gt;</td>"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("<td>javascript:&quot;&gt;&lt;img src=x&gt;</td>"), std::string::npos);
    EXPECT_EQ(html.find("http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'"),
              html.find("http-equiv"));
}

// What could end an element, a CDATA section or a script's string, in a title and an address,
// through both formats: the HTML shows it as text, each JSON line parses back to it.
TEST_F(SiteAuditTest, HostileTextStaysTextInTheHtmlAndTheJsonLines) {
    const std::string ls = "\xE2\x80\xA8";
    const std::string title = "</textarea><script>x=\"1\";</script> ]]> 'q' " + ls + " end";
    const std::string html =
        "&lt;/textarea&gt;&lt;script&gt;x=&quot;1&quot;;&lt;/script&gt; "
        "]]&gt; 'q' " +
        ls + " end";
    serve("/site/index.htm", page(html, "x", {"gone.htm?a=</textarea>]]>'" + ls}));
    server.start();

    ASSERT_EQ(audit({"--format", "jsonl"}), cli::kExitSomeFailed) << err.str();
    std::string brokenUrl;
    const std::string lines = workspace.read("audit.jsonl");
    std::size_t count = 0;
    for (const nlohmann::json& e : events()) {
        ++count;
        if (e["event"] == "audit-page" && e["url"] == server.url("/site/index.htm")) {
            EXPECT_EQ(e["title"], title);
        }
        if (e["event"] == "audit-finding" && e["kind"] == "broken-link") {
            brokenUrl = e["url"];
        }
    }
    EXPECT_EQ(count, static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n')));
    ASSERT_FALSE(brokenUrl.empty()) << lines;
    // The crawl's address is percent-encoded, so it names the page as a browser would ask.
    EXPECT_EQ(brokenUrl, server.url("/site/gone.htm?a=%3C/textarea%3E%5D%5D%3E'%E2%80%A8"));

    ASSERT_EQ(audit({}), cli::kExitSomeFailed) << err.str();
    const std::string doc = workspace.read("audit.html");
    EXPECT_EQ(doc.find("</textarea"), std::string::npos);
    EXPECT_EQ(doc.find("]]>"), std::string::npos);
    EXPECT_EQ(doc.find("<script>x="), std::string::npos);
    EXPECT_NE(doc.find(">" + html + "<"), std::string::npos) << doc;
    // The address, in a link's text and in its href alike, is the one the JSON line names.
    EXPECT_NE(doc.find("href=\"" + brokenUrl + "\">" + brokenUrl + "</a>"), std::string::npos);
}

// A real https page of the site (TLS on loopback) that loads and links http addresses of its
// own host, beside one that loads only https ones.
TEST_F(SiteAuditTest, MixedContentOnAnHttpsPageOfTheSite) {
    const test::TestCertificate cert = test::makeTestCertificate(workspace.path() / "tls");
    test::LoopbackHttpServer tls(cert);
    settings.caFile = cert.certFile;
    // The plain side answers what the https pages name, so that nothing else is found.
    serve("/site/plain.htm", page("Plain", "The plain page", {}));
    server.routes().Get("/site/logo.png", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("png", "image/png");
    });
    server.start();
    const auto serveTls = [&tls](const std::string& path, std::string body) {
        tls.routes().Get(path,
                         [body = std::move(body)](const httplib::Request&, httplib::Response& res) {
                             res.set_content(body, "text/html; charset=utf-8");
                         });
    };
    const std::string plainLogo = server.url("/site/logo.png");
    const std::string plainPage = server.url("/site/plain.htm");
    serveTls("/site/index.htm", page("Home", "The home page", {"secure.htm", plainPage},
                                     "<img src=\"" + plainLogo + "\">"));
    // Relative, protocol-relative and absolute https: none of them http.
    serveTls("/site/secure.htm",
             page("Secure", "The secure page", {"index.htm"},
                  "<link rel=stylesheet href=\"style.css\"><script src=\"//" + tls.hostPort() +
                      "/site/app.js\"></script><img src=\"" + tls.url("/site/logo.png") + "\">"));
    tls.start();
    workspace.write("p.fl2", test::profileFileText({}, tls.url("/site/index.htm"), "Mine"));
    const std::vector<std::string> args = {"audit", workspace.file("p.fl2"), "--format", "jsonl"};

    ASSERT_EQ(cli::runCommand(args, out, err, settings), cli::kExitOk) << err.str();
    std::vector<nlohmann::json> mixed;
    std::map<std::string, nlohmann::json> rows;
    for (const nlohmann::json& e : events()) {
        if (e["event"] == "audit-page") {
            rows[e["url"]] = e["findings"];
        } else if (e["event"] == "audit-finding" && e["kind"] == "mixed-content") {
            mixed.push_back(e);
        }
    }
    ASSERT_EQ(mixed.size(), 1u) << workspace.read("audit.jsonl");
    EXPECT_EQ(mixed[0]["url"], tls.url("/site/index.htm"));
    EXPECT_EQ(mixed[0]["severity"], "warning");
    EXPECT_EQ(mixed[0]["detail"], "2 http addresses, the first " + plainLogo);
    EXPECT_EQ(rows[tls.url("/site/index.htm")], nlohmann::json::parse(R"(["mixed-content"])"));
    ASSERT_EQ(rows.count(tls.url("/site/secure.htm")), 1u) << "the crawl read it over TLS";
    EXPECT_EQ(rows[tls.url("/site/secure.htm")], nlohmann::json::array());
    // A warning fails a pipeline that asks for it.
    std::vector<std::string> strict = args;
    strict.insert(strict.end(), {"--fail-on", "warning"});
    EXPECT_EQ(cli::runCommand(strict, out, err, settings), cli::kExitSomeFailed);
}

TEST_F(SiteAuditTest, TheLedgerSaysWhatWasAnnouncedAndWhatGoogleIndexed) {
    serve("/site/index.htm", page("Home", "Home page", {"a.htm", "b.htm"}));
    serve("/site/a.htm", page("A", "Page a", {}));
    serve("/site/b.htm", page("B", "Page b", {}));
    server.start();
    const std::string s = server.url("/site/");
    const std::string path = indexnow::ledgerPath(workspace.workspace());
    const base::TimePoint day = base::TimePoint(std::chrono::seconds(1796724000));
    {
        indexnow::AnnouncementLedger::Opened opened = indexnow::AnnouncementLedger::open(path);
        ASSERT_TRUE(opened.ledger) << opened.error.reason;
        ASSERT_FALSE(opened.ledger->record({s + "index.htm", s + "a.htm"}, "https://engine/",
                                           day - std::chrono::hours(24), 202, "pending"));
        ASSERT_FALSE(
            opened.ledger->record({s + "index.htm"}, "https://engine/", day, 200, "accepted"));
        google::SearchConsoleLedger::Opened console = google::SearchConsoleLedger::open(path);
        ASSERT_TRUE(console.ledger) << console.error.reason;
        google::IndexStatus inspected;
        inspected.url = s + "index.htm";
        inspected.property = "sc-domain:127.0.0.1";
        inspected.when = day;
        inspected.verdict = "PASS";
        inspected.coverageState = "Submitted and indexed";
        inspected.lastCrawlTime = "2026-12-01T08:00:00Z";
        inspected.googleCanonical = s + "other.htm";
        ASSERT_FALSE(console.ledger->recordInspection(inspected));
        google::IndexStatus refused = inspected;
        refused.url = s + "b.htm";
        refused.outcome = google::InspectionOutcome::Refused;
        refused.verdict.clear();
        ASSERT_FALSE(console.ledger->recordInspection(refused));
        ASSERT_FALSE(console.ledger->recordSubmission(
            {s + "sitemap.xml", "sc-domain:127.0.0.1", day, 200, "submitted"}));
    }
    ASSERT_EQ(audit({"--format", "jsonl"}), cli::kExitOk) << err.str();
    std::map<std::string, nlohmann::json> rows;
    for (const nlohmann::json& e : events()) {
        if (e["event"] == "audit-page") {
            rows[e["url"].get<std::string>().substr(s.size())] = e;
        }
    }
    const nlohmann::json& home = rows["index.htm"];
    EXPECT_EQ(home["lastAnnounced"], "2026-12-08T10:00:00Z");
    EXPECT_EQ(home["announceOutcome"], "accepted");
    EXPECT_EQ(home["googleVerdict"], "PASS");
    EXPECT_EQ(home["coverageState"], "Submitted and indexed");
    EXPECT_EQ(home["lastCrawlTime"], "2026-12-01T08:00:00Z");
    EXPECT_EQ(rows["a.htm"]["announceOutcome"], "pending");
    EXPECT_TRUE(rows["a.htm"]["googleVerdict"].is_null());
    // A refused inspection says nothing of the index.
    EXPECT_TRUE(rows["b.htm"]["lastAnnounced"].is_null());
    EXPECT_TRUE(rows["b.htm"]["coverageState"].is_null());
    const nlohmann::json end = events().back();
    EXPECT_EQ(end["announced"], 2);
    EXPECT_EQ(end["indexed"], 1);

    ASSERT_EQ(audit({}), cli::kExitOk) << err.str();
    const std::string html = workspace.read("audit.html");
    EXPECT_NE(html.find("2026-12-08T10:00:00Z accepted"), std::string::npos);
    EXPECT_NE(html.find("Google's canonical: " + s + "other.htm"), std::string::npos);
    EXPECT_NE(html.find("aria-label=\"Index coverage\""), std::string::npos);
    EXPECT_NE(html.find(s + "sitemap.xml</a> submitted 2026-12-08T10:00:00Z: submitted."),
              std::string::npos);
}

// Mixed content needs an https page: made by hand here, as the crawl would make it.
TEST(SiteFindings, MixedContentAndLinksThroughRedirectsToABrokenPage) {
    crawl::CrawlResult crawl;
    crawl::CrawledPage home;
    home.url = "https://host/";
    home.status = 200;
    home.contentType = "text/html";
    home.title = "Home";
    home.description = "Home";
    home.links = {"http://host/plain.htm", "http://HOST/other.htm", "http://elsewhere/",
                  "https://host/moved.htm"};
    home.resources = {"http://host/logo.png", "https://host/style.css"};
    crawl::CrawledPage moved;
    moved.url = "https://host/moved.htm";
    moved.status = 301;
    moved.leftOut = {crawl::LeftOutReason::RedirectsTo, 0, "https://host/gone.htm"};
    crawl::CrawledPage gone;
    gone.url = "https://host/gone.htm";
    gone.status = 410;
    gone.leftOut = {crawl::LeftOutReason::Answered, 410, {}};
    crawl.pages = {home, moved, gone};

    const std::vector<Finding> found = siteFindings(crawl, 10);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].kind, FindingKind::BrokenLink);
    EXPECT_EQ(found[0].url, "https://host/gone.htm");
    EXPECT_EQ(found[0].linkedFrom, std::vector<std::string>{"https://host/"});
    EXPECT_EQ(found[1].kind, FindingKind::LinkedRedirect);
    EXPECT_EQ(found[2].kind, FindingKind::MixedContent);
    EXPECT_EQ(found[2].detail, "3 http addresses, the first http://host/logo.png");
    EXPECT_EQ(characterCount("Caf\xC3\xA9 \xF0\x9F\x8D\x9E"), 6u);
}

}  // namespace
}  // namespace farrow::audit
