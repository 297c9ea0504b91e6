// Runs N instant loopback targets through a whole submission run with the product's timing and
// compares the wall time with the schedule's own sleeps.
//   ./build/bench/submission_pacing_bench 40 200
#include <curl/curl.h>
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "bench_support.h"
#include "platform/file_system.h"
#include "submit/submission_controller.h"

namespace {

using namespace farrow;

using bench::HeadlessFrontend;

}  // namespace

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const std::map<int, double> floors = {{1, 1.2}, {15, 2.6}, {16, 2.9}, {40, 7.8}, {200, 40.9}};
    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(24); };
    server.Get("/add", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("Thank you", "text/html");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    const std::string dir =
        (std::filesystem::temp_directory_path() / "farrow-pacing-bench").string();
    platform::makeDirectory(dir);
    platform::makeDirectory(dir + "/LOGS");
    platform::makeDirectory(dir + "/ERRORS");
    for (int i = 1; i < argc; ++i) {
        const int n = std::atoi(argv[i]);
        submit::RunParams p;
        p.profile.url = "http://bench.example/";
        p.logsDir = dir + "/LOGS";
        p.errorsDir = dir + "/ERRORS";
        for (int k = 0; k < n; ++k) {
            p.requests.push_back({"Site" + std::to_string(k),
                                  "http://127.0.0.1:" + std::to_string(port) + "/add", "", "GET", 0,
                                  "", ""});
        }
        HeadlessFrontend frontend;
        base::SystemClock clock;
        const auto t0 = std::chrono::steady_clock::now();
        const submit::RunResult r =
            submit::runSubmission(std::move(p), frontend, submit::makeExchangeTransport(), clock);
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const auto floor = floors.find(n);
        std::printf("N=%d good=%d wall=%.2f s", n, r.good, s);
        if (floor != floors.end()) {
            std::printf(" floor=%.1f s ratio=%.3f", floor->second, s / floor->second);
        }
        std::printf("\n");
    }
    server.stop();
    serving.join();
    std::filesystem::remove_all(dir);
    return 0;
}
