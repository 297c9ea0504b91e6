// The change detection of `farrowctl indexnow submit --crawl` over a generated loopback site of
// 2000 HTML pages (the site of site_crawl_bench): a first announcement, then a second one after
// 10 pages changed their text. Each is a child process timed from start to exit; the endpoint
// counts the URLs announced (goal: all 2000, then the 10). The site is served twice: with an
// ETag a page (a 304 then costs no body), and with no validator at all (every page is read
// again, and the fingerprints alone tell the 10).

#include <httplib.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "support/fake_indexnow_engine.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace {

constexpr int kPages = 2000;
constexpr int kChanged = 10;

std::string pagePath(int n) {
    if (n == 0) {
        return "/site/index.htm";
    }
    return "/site/s" + std::to_string(n % 20) + "/p" + std::to_string(n) + ".htm";
}

std::string pageHtml(int n, int version) {
    std::string html = "<html><head><title>Page " + std::to_string(n) + "</title></head><body>\n";
    const auto link = [&html](int to) {
        if (to >= 0 && to < kPages) {
            html += "<p><a href=\"" + pagePath(to) + "\">page " + std::to_string(to) + "</a></p>\n";
        }
    };
    for (int k = 1; k <= 5; ++k) {
        link(n * 5 + k);
    }
    link((n - 1) / 5);
    link((n * 7919) % kPages);
    link((n * 104729 + 13) % kPages);
    html += "<p>version " + std::to_string(version) + "</p>" + std::string(2000, ' ') +
            "</body></html>\n";
    return html;
}

struct Announced {
    farrow::bench::ChildRun run;
    std::size_t urls = 0;
    std::size_t notModified = 0;
};

}  // namespace

int main() {
    for (const bool etags : {true, false}) {
        std::mutex mutex;
        std::vector<std::string> pages;
        for (int n = 0; n < kPages; ++n) {
            pages.push_back(pageHtml(n, 1));
        }
        std::atomic<std::size_t> notModified{0};
        httplib::Server server;
        server.new_task_queue = [] { return new httplib::ThreadPool(8); };
        const auto serve = [&](int n, const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(mutex);
            if (n < 0 || n >= kPages) {
                res.status = 404;
                return;
            }
            if (etags) {
                const std::string etag =
                    "\"" + std::to_string(std::hash<std::string>{}(pages[n])) + "\"";
                res.set_header("ETag", etag);
                if (req.get_header_value("If-None-Match") == etag) {
                    ++notModified;
                    res.status = 304;
                    return;
                }
            }
            res.set_content(pages[n], "text/html");
        };
        server.Get(R"(/site/s\d+/p(\d+)\.htm)",
                   [&](const httplib::Request& req, httplib::Response& res) {
                       serve(std::stoi(req.matches[1]), req, res);
                   });
        server.Get("/site/index.htm", [&](const httplib::Request& req, httplib::Response& res) {
            serve(0, req, res);
        });
        const int port = server.bind_to_any_port("127.0.0.1");
        if (port <= 0) {
            std::fprintf(stderr, "cannot bind a loopback port\n");
            return 1;
        }
        std::thread serving([&server] { server.listen_after_bind(); });
        const std::string start = "http://127.0.0.1:" + std::to_string(port) + pagePath(0);

        farrow::test::FakeIndexNowEngine engine;
        farrow::test::TempWorkspace dir;
        dir.write("site.fl2", farrow::test::profileFileText({}, start, "Bench"));
        // URLs the endpoint took so far: a GET holds one, a POST its list.
        const auto taken = [&engine] {
            std::size_t urls = 0;
            for (const auto& seen : engine.seen()) {
                urls += seen.urlCount > 0 ? static_cast<std::size_t>(seen.urlCount)
                                          : (seen.url.empty() ? 0 : 1);
            }
            return urls;
        };
        const auto announce = [&] {
            const std::size_t before = taken();
            notModified = 0;
            Announced a;
            a.run = farrow::bench::runChild(
                {FARROW_FARROWCTL, "indexnow", "submit", "site.fl2", "--key", "abcdefgh12345678",
                 "--crawl", "--endpoint", engine.url()},
                dir.path().string(), {"no_proxy=127.0.0.1"});
            a.urls = taken() - before;
            a.notModified = notModified;
            return a;
        };
        const Announced first = announce();
        {
            std::lock_guard lock(mutex);
            for (int i = 0; i < kChanged; ++i) {
                const int n = 1 + i * (kPages / kChanged);
                pages[n] = pageHtml(n, 2);
            }
        }
        const Announced second = announce();
        server.stop();
        serving.join();
        if (first.run.exitCode != 0 || second.run.exitCode != 0) {
            std::fprintf(stderr, "farrowctl indexnow submit ended with %d, then %d\n",
                         first.run.exitCode, second.run.exitCode);
            return 1;
        }
        std::printf(
            "%s: first %.2f s (cpu %.2f s), %zu announced; second with %d changed "
            "%.2f s (cpu %.2f s), %zu answered 304, %zu announced\n",
            etags ? "ETag" : "no validators", first.run.seconds, first.run.cpuSeconds, first.urls,
            kChanged, second.run.seconds, second.run.cpuSeconds, second.notModified, second.urls);
    }
    return 0;
}
