#include "audit/external_link_check.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "cli/command_line.h"
#include "crawl/web_fetch.h"
#include "support/loopback_http_server.h"
#include "support/loopback_listener.h"
#include "support/raw_http_server.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace farrow::audit {
namespace {

using Clock = std::chrono::steady_clock;

// A host of another site: what it was asked, and how many requests it held at once.
class OtherSite {
public:
    // No robots.txt (404) unless one is given, or the status it answers.
    explicit OtherSite(const std::string& robots = "", int robotsStatus = 200) {
        server.routes().set_logger([this](const httplib::Request& req, const httplib::Response&) {
            std::lock_guard lock(mutex_);
            asked_.insert(req.method + " " + req.path);
        });
        server.routes().Get("/robots.txt", [=](const httplib::Request&, httplib::Response& res) {
            res.status = robots.empty() && robotsStatus == 200 ? 404 : robotsStatus;
            res.set_content(robots, "text/plain");
        });
    }
    // The handlers use the members below: the server ends before they go.
    ~OtherSite() { server.stop(); }
    OtherSite(const OtherSite&) = delete;
    OtherSite& operator=(const OtherSite&) = delete;

    void answer(const std::string& path, int status) {
        server.routes().Get(path, [this, status](const httplib::Request&, httplib::Response& res) {
            const int now = ++held_;
            for (int most = most_.load(); now > most && !most_.compare_exchange_weak(most, now);) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(pause));
            --held_;
            res.status = status;
            res.set_content("body", "text/html");
        });
    }
    std::set<std::string> asked() const {
        std::lock_guard lock(mutex_);
        return asked_;
    }
    int mostAtOnce() const { return most_.load(); }

    test::LoopbackHttpServer server;
    int pause = 0;

private:
    mutable std::mutex mutex_;
    std::set<std::string> asked_;
    std::atomic<int> held_{0};
    std::atomic<int> most_{0};
};

class ExternalAuditTest : public testing::Test {
protected:
    ExternalAuditTest() {
        settings.workspace = workspace.workspace();
        settings.timing.crawlPoll = base::Millis(2);
    }
    void serve(const std::string& path, const std::vector<std::string>& hrefs) {
        std::string html = "<html><head><title>" + path + "</title>" +
                           "<meta name=\"description\" content=\"" + path + "\"></head><body>";
        for (const std::string& href : hrefs) {
            html += "<a href=\"" + href + "\">x</a>\n";
        }
        site.routes().Get(path, [html](const httplib::Request&, httplib::Response& res) {
            res.set_content(html, "text/html");
        });
    }
    int audit(std::vector<std::string> args) {
        workspace.write("p.fl2", test::profileFileText({}, site.url("/site/index.htm"), "Mine"));
        args.insert(args.begin(), {"audit", workspace.file("p.fl2"), "--format", "jsonl"});
        out.str("");
        err.str("");
        return cli::runCommand(args, out, err, settings);
    }
    std::vector<nlohmann::json> events() {
        std::vector<nlohmann::json> lines;
        std::istringstream in(workspace.read("audit.jsonl"));
        for (std::string line; std::getline(in, line);) {
            lines.push_back(nlohmann::json::parse(line));
        }
        return lines;
    }
    // url -> [detail, linkedFrom] of each external-broken finding.
    std::map<std::string, std::pair<std::string, std::vector<std::string>>> broken() {
        std::map<std::string, std::pair<std::string, std::vector<std::string>>> found;
        for (const nlohmann::json& e : events()) {
            if (e["event"] == "audit-finding" && e["kind"] == "external-broken") {
                EXPECT_EQ(e["severity"], "warning");
                found[e["url"]] = {e["detail"], e["linkedFrom"]};
            }
        }
        return found;
    }

    test::LoopbackHttpServer site;
    test::TempWorkspace workspace;
    cli::CommandSettings settings;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(ExternalAuditTest, BrokenLinksToOtherSitesAreWarningsAndRobotsTxtIsObeyed) {
    OtherSite a("User-agent: *\nDisallow: /private/\n");
    a.answer("/ok.htm", 200);
    a.answer("/gone.htm", 404);
    a.answer("/failing.htm", 503);
    a.answer("/private/page.htm", 200);
    a.server.routes().Get("/moved.htm", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/gone.htm", 301);
    });
    // Another host: HEAD refused, GET answered.
    OtherSite b;
    b.answer("/page.htm", 200);
    b.answer("/missing.htm", 404);
    b.server.routes().set_pre_routing_handler(
        [](const httplib::Request& req, httplib::Response& res) {
            if (req.method != "HEAD" || req.path == "/robots.txt") {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            res.status = 405;
            return httplib::Server::HandlerResponse::Handled;
        });
    // A host whose robots.txt fails: nothing of it is asked, nothing of it is broken.
    OtherSite c("", 500);
    c.answer("/any.htm", 404);
    a.server.start();
    b.server.start();
    c.server.start();
    // A host that closes the connection on HEAD and answers GET.
    test::RawHttpServer dropsHead(
        "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok",
        test::RawHttpServer::Mode::DropHead);
    const std::string refused =
        "http://127.0.0.1:" + std::to_string(test::closedLoopbackPort()) + "/down.htm";
    serve("/site/index.htm", {"a.htm", a.server.url("/ok.htm"), a.server.url("/gone.htm"),
                              a.server.url("/private/page.htm"), a.server.url("/moved.htm"),
                              b.server.url("/page.htm"), b.server.url("/missing.htm"),
                              c.server.url("/any.htm"), refused, dropsHead.url("/page.htm"),
                              // Fragments and spelling are the crawl's normalizing: one link.
                              a.server.url("/ok.htm#top")});
    serve("/site/a.htm", {a.server.url("/gone.htm"), a.server.url("/failing.htm")});
    site.start();

    // Without --external no other site hears of the audit.
    ASSERT_EQ(audit({}), cli::kExitOk) << err.str();
    EXPECT_TRUE(a.asked().empty());
    EXPECT_FALSE(events().back().contains("external"));

    ASSERT_EQ(audit({"--external"}), cli::kExitOk) << err.str();
    const std::string index = site.url("/site/index.htm");
    const std::string pageA = site.url("/site/a.htm");
    using Found = std::pair<std::string, std::vector<std::string>>;
    const std::map<std::string, Found> found = broken();
    EXPECT_EQ(found.size(), 5u);
    EXPECT_EQ(found.at(a.server.url("/gone.htm")), (Found{"answered 404 to HEAD", {index, pageA}}));
    EXPECT_EQ(found.at(a.server.url("/failing.htm")), (Found{"answered 503 to HEAD", {pageA}}));
    EXPECT_EQ(found.at(a.server.url("/moved.htm")),
              (Found{"answered 404 to HEAD at " + a.server.url("/gone.htm"), {index}}));
    EXPECT_EQ(found.at(b.server.url("/missing.htm")),
              (Found{"answered 404 to GET (HEAD answered 405)", {index}}));
    EXPECT_EQ(found.at(refused).first.rfind("unreachable: ", 0), 0u) << found.at(refused).first;
    EXPECT_EQ(found.count(b.server.url("/page.htm")), 0u);
    EXPECT_EQ(found.count(dropsHead.url("/page.htm")), 0u);
    EXPECT_EQ(found.count(c.server.url("/any.htm")), 0u);

    EXPECT_EQ(a.asked().count("HEAD /private/page.htm"), 0u);
    EXPECT_EQ(a.asked().count("GET /robots.txt"), 1u);
    EXPECT_EQ(a.asked().count("HEAD /ok.htm"), 1u);
    EXPECT_EQ(b.asked().count("GET /page.htm"), 1u);
    EXPECT_EQ(c.asked(), std::set<std::string>{"GET /robots.txt"});

    const nlohmann::json end = events().back();
    EXPECT_EQ(end["external"], nlohmann::json::parse(R"({"links":10,"fine":3,"broken":5,)"
                                                     R"("disallowed":2,"unchecked":0,)"
                                                     R"("ending":"finished"})"))
        << end;
    EXPECT_EQ(end["warnings"], 5);
    EXPECT_EQ(dropsHead.requestHead().rfind("GET /page.htm ", 0), 0u) << dropsHead.requestHead();
    EXPECT_NE(out.str().find("10 links to other sites: 3 fine, 5 broken, 2 disallowed by their "
                             "site's robots.txt (not checked).\n"),
              std::string::npos)
        << out.str();
    // A pipeline failing on warnings fails on them.
    EXPECT_EQ(audit({"--external", "--fail-on", "warning"}), cli::kExitSomeFailed);

    workspace.write("p.fl2", test::profileFileText({}, site.url("/site/index.htm"), "Mine"));
    ASSERT_EQ(cli::runCommand({"audit", workspace.file("p.fl2"), "--external"}, out, err, settings),
              cli::kExitOk);
    const std::string html = workspace.read("audit.html");
    EXPECT_NE(html.find("<li>10 links to other sites: 3 fine, 5 broken"), std::string::npos);
    EXPECT_NE(html.find("<h2 id=\"external-broken\">external-broken <span "
                        "class=\"warning\">(warning)</span>: 5</h2>"),
              std::string::npos);
    // The disallowed ones are named as not checked, with why.
    const std::size_t unasked = html.find("<h2 id=\"external-disallowed\">");
    ASSERT_NE(unasked, std::string::npos);
    EXPECT_NE(html.find(a.server.url("/private/page.htm") +
                            "</a></td><td>not checked: disallowed by its robots.txt</td>",
                        unasked),
              std::string::npos);
    EXPECT_NE(html.find("not checked: its robots.txt answered 500", unasked), std::string::npos);
}

TEST_F(ExternalAuditTest, CtrlCDuringTheCheckWritesTheAuditOfWhatWasChecked) {
    std::atomic<int> asked{0};
    OtherSite a;
    a.pause = 20;
    a.answer("/gone.htm", 404);
    a.server.routes().Get(R"(/p\d+\.htm)", [&](const httplib::Request&, httplib::Response& res) {
        if (++asked == 3) {
            std::raise(SIGINT);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        res.status = 404;
    });
    a.server.start();
    std::vector<std::string> hrefs{a.server.url("/gone.htm")};
    for (int i = 0; i < 40; ++i) {
        hrefs.push_back(a.server.url("/p" + std::to_string(i) + ".htm"));
    }
    serve("/site/index.htm", hrefs);
    site.start();
    ASSERT_EQ(audit({"--external", "--fail-on", "never"}), cli::kExitSomeFailed) << err.str();
    const nlohmann::json external = events().back()["external"];
    EXPECT_EQ(external["ending"], "cancelled");
    EXPECT_EQ(external["links"], 41);
    EXPECT_GE(external["broken"].get<int>(), 1);
    EXPECT_GE(external["unchecked"].get<int>(), 30);
    EXPECT_LE(asked.load(), 5);
    EXPECT_EQ(broken().size(), external["broken"].get<std::size_t>());
    EXPECT_NE(out.str().find(" not checked: stopped.\n"), std::string::npos) << out.str();
}

TEST_F(ExternalAuditTest, APeerThatNeverAnswersEndsTheCheckAtItsTimeBound) {
    OtherSite a;
    a.answer("/ok.htm", 200);
    a.server.start();
    test::LoopbackListener silent;
    const std::string quiet = "http://127.0.0.1:" + std::to_string(silent.port());
    serve("/site/index.htm", {a.server.url("/ok.htm"), quiet + "/one.htm", quiet + "/two.htm"});
    site.start();
    settings.timing.auditExternalRequestDeadline = base::Millis(60000);
    settings.timing.auditExternalDeadline = base::Millis(800);

    const Clock::time_point began = Clock::now();
    ASSERT_EQ(audit({"--external"}), cli::kExitOk) << err.str();
    EXPECT_LT(Clock::now() - began, std::chrono::seconds(5));
    EXPECT_GE(silent.drainConnections(), 1);
    EXPECT_TRUE(broken().empty()) << "a link not checked is not broken";
    EXPECT_EQ(events().back()["external"],
              nlohmann::json::parse(R"({"links":3,"fine":1,"broken":0,"disallowed":0,)"
                                    R"("unchecked":2,"ending":"time-bound"})"));
    EXPECT_NE(out.str().find("2 not checked: the check's time ran out (auditExternalDeadline, "
                             "800 ms)"),
              std::string::npos)
        << out.str();

    // With a short request deadline of its own, the silent host is said unreachable instead.
    settings.timing.auditExternalRequestDeadline = base::Millis(200);
    settings.timing.auditExternalDeadline = base::Millis(60000);
    ASSERT_EQ(audit({"--external"}), cli::kExitOk) << err.str();
    EXPECT_EQ(broken().size(), 2u);
}

// The checker alone: at most two requests per host however many threads it has.
TEST(ExternalLinkCheck, AtMostTwoRequestsToOneHostAtOnce) {
    OtherSite busy;
    OtherSite other;
    busy.pause = 60;
    other.pause = 60;
    busy.answer(R"(/p\d+\.htm)", 200);
    other.answer(R"(/p\d+\.htm)", 200);
    busy.server.start();
    other.server.start();
    base::Timing timing;
    timing.crawlPoll = base::Millis(2);
    timing.auditExternalInFlight = 16;
    std::vector<ExternalLinkTarget> links;
    for (int i = 0; i < 10; ++i) {
        links.push_back({busy.server.url("/p" + std::to_string(i) + ".htm"), {"http://site/"}});
    }
    for (int i = 0; i < 4; ++i) {
        links.push_back({other.server.url("/p" + std::to_string(i) + ".htm"), {"http://site/"}});
    }
    struct Told final : ExternalLinkProgress {
        void linkDone(const ExternalLinkState& link, std::size_t done, std::size_t total) override {
            said.push_back(std::to_string(done) + "/" + std::to_string(total) +
                           (link.verdict == ExternalVerdict::Fine ? " fine" : " not fine"));
        }
        std::vector<std::string> said;
    } told;
    ExternalLinkCheckParams params = externalLinkCheckParams(links, timing);
    params.progress = &told;
    const Clock::time_point began = Clock::now();
    const ExternalLinkCheck check = checkExternalLinks(params, crawl::webPageFetch(""));
    const auto took = Clock::now() - began;
    EXPECT_EQ(check.fine, 14u);
    ASSERT_EQ(told.said.size(), 14u);
    EXPECT_EQ(told.said.front(), "1/14 fine");
    EXPECT_EQ(told.said.back(), "14/14 fine");
    EXPECT_EQ(busy.mostAtOnce(), 2);
    EXPECT_EQ(other.mostAtOnce(), 2);
    // Five rounds of two at the busy host, the other's served beside them.
    EXPECT_GE(took, std::chrono::milliseconds(5 * 60));
    EXPECT_LT(took, std::chrono::milliseconds(10 * 60 + 2000));
}

TEST(ExternalLinkCheck, LinksPastTheBoundOrAfterAStopAreUncheckedNotBroken) {
    OtherSite a;
    a.answer("/ok.htm", 404);
    a.server.start();
    base::Timing timing;
    timing.crawlPoll = base::Millis(2);
    timing.auditExternalMaxLinks = 1;
    const std::vector<ExternalLinkTarget> links = {{a.server.url("/ok.htm"), {"http://site/"}},
                                                   {a.server.url("/more.htm"), {"http://site/"}}};
    const ExternalLinkCheck bounded =
        checkExternalLinks(externalLinkCheckParams(links, timing), crawl::webPageFetch(""));
    EXPECT_EQ(bounded.broken, 1u);
    EXPECT_EQ(bounded.pastLinkBound, 1u);
    EXPECT_EQ(bounded.ending, ExternalEnding::LinkBound);
    EXPECT_EQ(text(bounded),
              "2 links to other sites: 0 fine, 1 broken, 0 disallowed by their site's robots.txt "
              "(not checked), 1 not checked: past auditExternalMaxLinks (1)");
    EXPECT_EQ(externalFindings(bounded).size(), 1u);

    const std::atomic<bool> stop{true};
    ExternalLinkCheckParams params = externalLinkCheckParams(links, timing);
    params.cancel = &stop;
    const ExternalLinkCheck stopped = checkExternalLinks(params, crawl::webPageFetch(""));
    EXPECT_EQ(stopped.ending, ExternalEnding::Cancelled);
    EXPECT_EQ(stopped.leftAtEnd, 1u);
    EXPECT_TRUE(externalFindings(stopped).empty());
    EXPECT_EQ(a.asked().size(), 2u) << "robots.txt and one HEAD, none after the stop";
}

// What the crawl kept: links to another scheme, host or port are external, the site's own are not.
TEST(ExternalLinkCheck, ExternalLinksAreThoseToAnotherSchemeHostOrPort) {
    crawl::CrawlResult crawl;
    crawl::CrawledPage home;
    home.url = "http://site:8080/dir/";
    home.links = {"http://site:8080/dir/a.htm", "http://site:8080/other/", "http://site/dir/",
                  "https://site:8080/",         "http://elsewhere/x",      "http://elsewhere/x"};
    crawl::CrawledPage a = home;
    a.url = "http://site:8080/dir/a.htm";
    a.links = {"http://elsewhere/x"};
    crawl.pages = {home, a};
    const std::vector<ExternalLinkTarget> links = externalLinks(crawl, "http://SITE:8080/dir/");
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[0].url, "http://site/dir/");
    EXPECT_EQ(links[1].url, "https://site:8080/");
    EXPECT_EQ(links[2].url, "http://elsewhere/x");
    EXPECT_EQ(links[2].linkedFrom,
              (std::vector<std::string>{"http://site:8080/dir/", "http://site:8080/dir/a.htm"}));
}

}  // namespace
}  // namespace farrow::audit
