// The site audit against the crawl alone over the same generated loopback site and with the
// same bounds: `farrowctl audit` (the HTML audit, the default) and `farrowctl crawl` (its
// sitemap), each as a child process from start to exit, in alternating rounds. For a site of
// 1000 and one of 2000 HTML pages (each linking to its children, its parent and two pages
// across the site; one in a hundred also links a missing page): the median wall and processor
// times, the ratios audit / crawl, and the peak memory of each, whose growth from 1000 to 2000
// pages shows what a page costs.
//   audit_bench [ROUNDS]     (default 5)

#include <httplib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "support/site_lines.h"
#include "support/temp_workspace.h"

namespace {

std::string pagePath(int site, int n) {
    const std::string folder = "/site" + std::to_string(site);
    if (n == 0) {
        return folder + "/index.htm";
    }
    return folder + "/s" + std::to_string(n % 20) + "/p" + std::to_string(n) + ".htm";
}

std::string pageHtml(int site, int n) {
    const std::string name = std::to_string(n);
    std::string html = "<html><head><title>Page " + name +
                       "</title><meta name=\"description\" content=\"About page " + name +
                       "\"></head><body>\n";
    const auto link = [&](int to) {
        if (to >= 0 && to < site) {
            html += "<p><a href=\"" + pagePath(site, to) + "\">page " + std::to_string(to) +
                    "</a></p>\n";
        }
    };
    for (int k = 1; k <= 5; ++k) {
        link(n * 5 + k);
    }
    link((n - 1) / 5);
    link((n * 7919) % site);
    link((n * 104729 + 13) % site);
    if (n % 100 == 7) {
        html +=
            "<p><a href=\"/site" + std::to_string(site) + "/gone" + name + ".htm\">gone</a></p>\n";
    }
    html += std::string(2000, ' ') + "</body></html>\n";
    return html;
}

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures {
    std::vector<double> wall;
    std::vector<double> cpu;
    long rssKb = 0;

    void add(const farrow::bench::ChildRun& run) {
        wall.push_back(run.seconds);
        cpu.push_back(run.cpuSeconds);
        rssKb = std::max(rssKb, run.maxRssKb);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    if (rounds < 1) {
        std::fprintf(stderr, "usage: audit_bench [ROUNDS]\n");
        return 2;
    }
    const std::vector<int> sizes{1000, 2000};
    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(8); };
    std::vector<std::vector<std::string>> pages;
    for (const int size : sizes) {
        std::vector<std::string>& site = pages.emplace_back();
        for (int n = 0; n < size; ++n) {
            site.push_back(pageHtml(size, n));
        }
    }
    server.Get(R"(/site(\d+)/(?:s\d+/p(\d+)|index)\.htm)",
               [&](const httplib::Request& req, httplib::Response& res) {
                   const int size = std::stoi(req.matches[1]);
                   const int n = req.matches[2].length() == 0 ? 0 : std::stoi(req.matches[2]);
                   for (std::size_t s = 0; s < sizes.size(); ++s) {
                       if (sizes[s] == size && n < size) {
                           res.set_content(pages[s][n], "text/html");
                           return;
                       }
                   }
                   res.status = 404;
               });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        std::fprintf(stderr, "cannot bind a loopback port\n");
        return 1;
    }
    std::thread serving([&server] { server.listen_after_bind(); });

    farrow::test::TempWorkspace dir;
    const std::string ws = dir.path().string();
    for (const int size : sizes) {
        const std::string profile = "site" + std::to_string(size) + ".fl2";
        dir.write(profile,
                  farrow::test::profileFileText(
                      {}, "http://127.0.0.1:" + std::to_string(port) + pagePath(size, 0), "Bench"));
        Figures crawl;
        Figures audit;
        // The two take turns, so that a change in the machine's load falls on both.
        for (int round = 0; round < rounds; ++round) {
            const farrow::bench::ChildRun crawled = farrow::bench::runChild(
                {FARROW_FARROWCTL, "crawl", profile, "--out", "sitemap.xml"}, ws,
                {"no_proxy=127.0.0.1"});
            if (crawled.exitCode != 0) {
                std::fprintf(stderr, "farrowctl crawl ended with %d\n", crawled.exitCode);
                return 1;
            }
            crawl.add(crawled);
            // The broken links make it a failed audit (3), as a pipeline would see it.
            const farrow::bench::ChildRun audited =
                farrow::bench::runChild({FARROW_FARROWCTL, "audit", profile, "--out", "audit.html"},
                                        ws, {"no_proxy=127.0.0.1"});
            if (audited.exitCode != 3) {
                std::fprintf(stderr, "farrowctl audit ended with %d\n", audited.exitCode);
                return 1;
            }
            audit.add(audited);
        }
        const double wallRatio = medianOf(audit.wall) / medianOf(crawl.wall);
        const double cpuRatio = medianOf(audit.cpu) / medianOf(crawl.cpu);
        std::printf(
            "N=%d crawl: %.2f s, %.2f s processor, peak RSS %.1f MB; audit: %.2f s, %.2f s "
            "processor, peak RSS %.1f MB (medians of %d); ratio audit / crawl %.2f wall, %.2f "
            "processor\n",
            size, medianOf(crawl.wall), medianOf(crawl.cpu), crawl.rssKb / 1024.0,
            medianOf(audit.wall), medianOf(audit.cpu), audit.rssKb / 1024.0, rounds, wallRatio,
            cpuRatio);
        std::fflush(stdout);
    }
    server.stop();
    serving.join();
    return 0;
}
