// The whole-site crawl against wget's recursive spider over the same loopback site: by default a
// generated one of 2000 HTML pages (each linking to its children, its parent and a few others)
// in folders, or the site at the loopback URL given (for example Debian's Python documentation
// served by nginx). For each: the wall time from start to exit, the processor time, the pages
// found and the peak memory. wget reads one page at a time, the crawl four.

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
constexpr int kRounds = 5;

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

// The distinct HTML pages wget's log names: addresses it asked for whose answer was text/html.
std::size_t wgetPages(const std::string& log) {
    std::ifstream in(log);
    std::set<std::string> urls;
    std::string asked;
    for (std::string line; std::getline(in, line);) {
        const std::size_t at = line.find("http://");
        if (line.rfind("--", 0) == 0 && at != std::string::npos) {
            asked = line.substr(at);
        } else if (!asked.empty() && line.find("[text/html]") != std::string::npos) {
            urls.insert(asked);
            asked.clear();
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

int main(int argc, char** argv) {
    const bool given = argc > 1;
    if (given && std::string(argv[1]).rfind("http://127.0.0.1:", 0) != 0) {
        std::fprintf(stderr, "usage: site_crawl_bench [http://127.0.0.1:PORT/PAGE]\n");
        return 2;
    }
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
    const int port = given ? 0 : server.bind_to_any_port("127.0.0.1");
    if (!given && port <= 0) {
        std::fprintf(stderr, "cannot bind a loopback port\n");
        return 1;
    }
    std::thread serving([&server, given] {
        if (!given) {
            server.listen_after_bind();
        }
    });
    const std::string start =
        given ? std::string(argv[1]) : "http://127.0.0.1:" + std::to_string(port) + pagePath(0);

    farrow::test::TempWorkspace dir;
    dir.write("site.fl2", farrow::test::profileFileText({}, start, "Bench"));
    const std::string ws = dir.path().string();

    std::vector<double> crawlTimes;
    std::vector<double> wgetTimes;
    std::vector<double> crawlCpu;
    std::vector<double> wgetCpu;
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
        crawlCpu.push_back(crawl.cpuSeconds);
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
        wgetCpu.push_back(spider.cpuSeconds);
        wgetRss = std::max(wgetRss, spider.maxRssKb);
        wgetFound = wgetPages(dir.file("wget.log"));
    }
    server.stop();
    serving.join();

    const double crawl = medianOf(crawlTimes);
    const double spider = medianOf(wgetTimes);
    std::printf(
        "farrowctl crawl: %.2f s, %.2f s processor (medians of %d), %zu pages, peak RSS "
        "%.1f MB\n",
        crawl, medianOf(crawlCpu), kRounds, crawlFound, crawlRss / 1024.0);
    std::printf(
        "wget --spider -r -l inf: %.2f s, %.2f s processor (medians of %d), %zu pages, "
        "peak RSS %.1f MB\n",
        spider, medianOf(wgetCpu), kRounds, wgetFound, wgetRss / 1024.0);
    std::printf("ratio crawl / wget: %.3f wall, %.3f processor\n", crawl / spider,
                medianOf(crawlCpu) / medianOf(wgetCpu));
    return 0;
}
