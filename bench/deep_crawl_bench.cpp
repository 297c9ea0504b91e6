// How long the deep crawl takes from the start page to the checklist (links and titles, as
// "farrowctl deep --list" reads them), against wget --spider -r -l 2 over the same loopback
// site: a start page linking to 100 pages, each linking to 3 more.

#include <curl/curl.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "base/timing.h"
#include "deep/checklist_items.h"
#include "deep/page_catalogue.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPages = 100;
constexpr int kLinksPerPage = 3;
constexpr int kRounds = 5;

std::string page(const std::string& title, const std::vector<std::string>& links) {
    std::string body = "<html>\n<head>\n<title>" + title + "</title>\n</head>\n<body>\n";
    for (const std::string& link : links) {
        body += "<p><a href=\"" + link + "\">" + link + "</a></p>\n";
    }
    return body + "</body>\n</html>\n";
}

double medianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    ::setenv("no_proxy", "127.0.0.1", 1);

    httplib::Server server;
    std::vector<std::string> startLinks;
    for (int i = 0; i < kPages; ++i) {
        const std::string name = "p" + std::to_string(i);
        startLinks.push_back(name + ".htm");
        std::vector<std::string> links;
        for (int k = 0; k < kLinksPerPage; ++k) {
            const std::string leaf = name + "_" + std::to_string(k) + ".htm";
            links.push_back(leaf);
            server.Get("/" + leaf, [body = page("Leaf " + leaf, {})](const httplib::Request&,
                                                                     httplib::Response& res) {
                res.set_content(body, "text/html");
            });
        }
        server.Get("/" + name + ".htm", [body = page("Page " + name, links)](
                                            const httplib::Request&, httplib::Response& res) {
            res.set_content(body, "text/html");
        });
    }
    server.Get("/index.htm",
               [body = page("Start", startLinks)](const httplib::Request&, httplib::Response& res) {
                   res.set_content(body, "text/html");
               });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        std::fprintf(stderr, "cannot bind a loopback port\n");
        return 1;
    }
    std::thread serving([&server] { server.listen_after_bind(); });
    const std::string start = "http://127.0.0.1:" + std::to_string(port) + "/index.htm";

    const farrow::base::Timing timing;
    std::vector<double> crawlTimes;
    std::size_t items = 0;
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point t0 = Clock::now();
        const farrow::deep::CatalogueResult result =
            farrow::deep::cataloguePages(start, "Main Title", timing, nullptr, nullptr);
        items = farrow::deep::checklistItems(result.pages).size();
        crawlTimes.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }

    std::vector<double> wgetTimes;
    const std::string wget =
        "wget --spider -r -l 2 -q -e robots=off --no-proxy --no-http-keep-alive '" + start +
        "' >/dev/null 2>&1";
    for (int round = 0; round < kRounds; ++round) {
        const Clock::time_point t0 = Clock::now();
        const int rc = std::system(wget.c_str());
        wgetTimes.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (rc != 0) {
            std::fprintf(stderr, "wget failed (%d); is Debian's wget installed?\n", rc);
            wgetTimes.clear();
            break;
        }
    }
    server.stop();
    serving.join();

    const double crawl = medianOf(crawlTimes);
    std::printf("deep crawl to checklist: %.1f ms (median of %d, %zu checklist lines)\n", crawl,
                kRounds, items);
    if (!wgetTimes.empty()) {
        const double spider = medianOf(wgetTimes);
        std::printf("wget --spider -r -l 2:   %.1f ms (median of %d)\n", spider, kRounds);
        std::printf("ratio crawl / wget:      %.2f\n", crawl / spider);
    }
    curl_global_cleanup();
    return 0;
}
