// What the HTTP transport costs over the library it stands on: the same loopback GETs through
// sendExchange and through bare libcurl, each on a fresh handle as the transport does, in
// rounds that take turns.

#include <curl/curl.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/timing.h"
#include "submit/http_exchange.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRequests = 1000;
constexpr int kWarmUp = 20;
// The requests go in rounds that take turns, so that a change in the machine's load between
// the two sides falls on both.
constexpr int kRounds = 10;

std::size_t discard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

bool throughTransport(const std::string& url, const farrow::base::Timing& timing) {
    farrow::submit::HttpExchange e;
    e.url = url;
    farrow::submit::resetExchange(e);
    e.method = "GET";
    farrow::submit::sendExchange(e, timing);
    return e.ok && !e.reply.empty();
}

bool throughLibcurl(const std::string& url) {
    CURL* h = curl_easy_init();
    if (!h) {
        return false;
    }
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &discard);
    const CURLcode rc = curl_easy_perform(h);
    curl_easy_cleanup(h);
    return rc == CURLE_OK;
}

// Milliseconds for `count` calls, or a negative value when one failed.
double timeRequests(const std::function<bool()>& request, int count) {
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        if (!request()) {
            return -1;
        }
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    ::setenv("no_proxy", "127.0.0.1", 1);

    std::string page;
    for (int i = 0; i < 40; ++i) {
        page += "<p>line " + std::to_string(i) + " of a small submission reply page</p>\r\n";
    }
    httplib::Server server;
    server.Get("/page", [&page](const httplib::Request&, httplib::Response& res) {
        res.set_content(page, "text/html");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        std::fprintf(stderr, "cannot bind a loopback port\n");
        return 1;
    }
    std::thread serving([&server] { server.listen_after_bind(); });
    while (!server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/page";
    const farrow::base::Timing timing;
    const std::function<bool()> transport = [&] { return throughTransport(url, timing); };
    const std::function<bool()> libcurl = [&] { return throughLibcurl(url); };
    timeRequests(transport, kWarmUp);
    timeRequests(libcurl, kWarmUp);
    double ours = 0;
    double bare = 0;
    std::vector<double> ratios;
    for (int round = 0; round < kRounds && ours >= 0 && bare >= 0; ++round) {
        // Each side goes first in every other round.
        const bool transportFirst = round % 2 == 0;
        const double a = timeRequests(transportFirst ? transport : libcurl, kRequests / kRounds);
        const double b = timeRequests(transportFirst ? libcurl : transport, kRequests / kRounds);
        const double roundOurs = transportFirst ? a : b;
        const double roundBare = transportFirst ? b : a;
        ours = roundOurs < 0 ? -1 : ours + roundOurs;
        bare = roundBare < 0 ? -1 : bare + roundBare;
        ratios.push_back(roundOurs / roundBare);
    }

    server.stop();
    serving.join();
    curl_global_cleanup();

    if (ours < 0 || bare < 0) {
        std::fprintf(stderr, "a request failed\n");
        return 1;
    }
    std::printf("%d GETs of a %zu-byte page on 127.0.0.1, a fresh handle each\n", kRequests,
                page.size());
    std::printf("  sendExchange:  %8.1f ms  (%.3f ms each)\n", ours, ours / kRequests);
    std::printf("  libcurl alone: %8.1f ms  (%.3f ms each)\n", bare, bare / kRequests);
    std::printf("  ratio:         %8.2f\n", ours / bare);
    std::sort(ratios.begin(), ratios.end());
    std::printf("  rounds of %d:  ratio %.2f to %.2f, median %.2f\n", kRequests / kRounds,
                ratios.front(), ratios.back(), (ratios[kRounds / 2 - 1] + ratios[kRounds / 2]) / 2);
    return 0;
}
