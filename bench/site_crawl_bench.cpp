// The whole-site crawl against wget's recursive spider over the same generated loopback site of
// 2000 HTML pages (each linking to its children, its parent and a few others) in folders: the
// wall time of each from start to exit, the pages each found, and the peak memory of each.
// wget runs without keep-alive, as the crawl does (a connection per page); it reads one page at
// a time, the crawl four.

#include <httplib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace {

constexpr int kPages = 2000;
constexpr int kRounds = 3;

std::string pagePath(int n) {
    if (n == 0) {
        return "/site/index.htm";
    }
    return "/site/s" + std::to_string(n % 20) + "/p" + std::to_string(n) + ".htm";
}

std::string pageHtml(int n) {
    std::string html = "<html><head><title>Page " + std::to_string(n) + "</title></head><body>\n";
    const auto link = [&html](int to) {
        if (to >= 0 && to < kPages) {
            html += "<p><a href=\"" + pagePath(to) + "\">page " + std::to_string(to) + "</a></p>\n";
        }
    };
    // A tree of five children a page, the parent, and two pages across the site.
    for (int k = 1; k <= 5; ++k) {
        link(n * 5 + k);
    }
    link((n - 1) / 5);
    link((n * 7919) % kPages);
    link((n * 104729 + 13) % kPages);
    html += std::string(2000, ' ') + "</body></html>\n";
    return html;
}

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The distinct page addresses wget's log names.
std::size_t wgetPages(const std::string& log) {
    std::ifstream in(log);
    std::set<std::string> urls;
    for (std::string line; std::getline(in, line);) {
        const std::size_t at = line.find("http://");
        if (line.rfind("--", 0) == 0 && at != std::string::npos &&
            line.find("/robots.txt") == std::string::npos) {
            urls.insert(line.substr(at));
        }
    }
    return urls.size();
}

std::size_t sitemapPages(const std::string& path) {
    std::ifstream in(path);
    std::size_t count = 0;
    for (std::string line; std::getline(in, line);) {
        count += line.find("<loc>") != std::string::npos;
    }
    return count;
}

}  // namespace

int main() {
    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(8); };
    std::vector<std::string> pages;
    for (int n = 0; n < kPages; ++n) {
        pages.push_back(pageHtml(n));
    }
    server.Get(R"(/site/s\d+/p(\d+)\.htm)",
               [&pages](const httplib::Request& req, httplib::Response& res) {
                   const int n = std::stoi(req.matches[1]);
                   if (n < 0 || n >= kPages) {
                       res.status = 404;
                       return;
                   }
                   res.set_content(pages[n], "text/html");
               });
    server.Get("/site/index.htm", [&pages](const httplib::Request&, httplib::Response& res) {
        res.set_content(pages[0], "text/html");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        std::fprintf(stderr, "cannot bind a loopback port\n");
        return 1;
    }
    std::thread serving([&server] { server.listen_after_bind(); });
    const std::string start = "http://127.0.0.1:" + std::to_string(port) + pagePath(0);

    farrow::test::TempWorkspace dir;
    dir.write("site.fl2", farrow::test::profileFileText({}, start, "Bench"));
    const std::string ws = dir.path().string();

    std::vector<double> crawlTimes;
    std::vector<double> wgetTimes;
    long crawlRss = 0;
    long wgetRss = 0;
    std::size_t crawlFound = 0;
    std::size_t wgetFound = 0;
    // The two take turns, so that a change in the machine's load falls on both.
    for (int round = 0; round < kRounds; ++round) {
        const farrow::bench::ChildRun crawl =
            farrow::bench::runChild({FARROW_FARROWCTL, "crawl", "site.fl2", "--out", "sitemap.xml"},
                                    ws, {"no_proxy=127.0.0.1"});
        if (crawl.exitCode != 0) {
            std::fprintf(stderr, "farrowctl crawl ended with %d\n", crawl.exitCode);
            return 1;
        }
        crawlTimes.push_back(crawl.seconds);
        crawlRss = std::max(crawlRss, crawl.maxRssKb);
        crawlFound = sitemapPages(dir.file("sitemap.xml"));

        std::filesystem::remove(dir.file("wget.log"));
        const farrow::bench::ChildRun spider =
            farrow::bench::runChild({"/usr/bin/wget", "--spider", "-r", "-l", "inf", "--no-parent",
                                     "--no-proxy", "-o", "wget.log", start},
                                    ws);
        if (spider.exitCode != 0 && spider.exitCode != 8) {
            std::fprintf(stderr, "wget ended with %d; is Debian's wget installed?\n",
                         spider.exitCode);
            return 1;
        }
        wgetTimes.push_back(spider.seconds);
        wgetRss = std::max(wgetRss, spider.maxRssKb);
        wgetFound = wgetPages(dir.file("wget.log"));
    }
    server.stop();
    serving.join();

    const double crawl = medianOf(crawlTimes);
    const double spider = medianOf(wgetTimes);
    std::printf("farrowctl crawl: %.2f s (median of %d), %zu pages, peak RSS %.1f MB\n", crawl,
                kRounds, crawlFound, crawlRss / 1024.0);
    std::printf("wget --spider -r -l inf: %.2f s (median of %d), %zu pages, peak RSS %.1f MB\n",
                spider, kRounds, wgetFound, wgetRss / 1024.0);
    std::printf("ratio crawl / wget: %.3f\n", crawl / spider);
    return 0;
}
