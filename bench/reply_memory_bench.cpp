// Runs 15 loopback targets that each answer with a 100 MB body and prints the run's peak
// resident memory; a run keeps only the start of each reply, so the peak should stay far below
// the bodies' size (goal: under 80 MB).
//   ./build/bench/reply_memory_bench [MB per reply]
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench_support.h"
#include "platform/file_system.h"
#include "submit/submission_controller.h"
#include "submit/transport.h"
#include "support/loopback_http_server.h"

int main(int argc, char** argv) {
    using namespace farrow;
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    const std::size_t size = megabytes << 20;
    // The server streams one shared block, so its own memory does not grow with the bodies.
    static const std::string block(64 << 10, 'z');
    test::LoopbackHttpServer server;
    server.routes().Get("/huge", [size](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(
            size, "text/html", [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                const std::size_t n = std::min(length, block.size());
                (void)offset;
                return sink.write(block.data(), n);
            });
    });
    server.start();

    const std::string dir =
        (std::filesystem::temp_directory_path() / "farrow-memory-bench").string();
    platform::makeDirectory(dir);
    platform::makeDirectory(dir + "/LOGS");
    platform::makeDirectory(dir + "/ERRORS");
    submit::RunParams p;
    p.profile.url = "http://bench.example/";
    p.logsDir = dir + "/LOGS";
    p.errorsDir = dir + "/ERRORS";
    p.timing.controllerEndNap = base::Millis(0);
    for (int k = 0; k < 15; ++k) {
        p.requests.push_back(
            {"Huge" + std::to_string(k), server.url("/huge?"), "u=1", "GET", 0, "", ""});
    }
    const long before = bench::peakRssKb();
    bench::HeadlessFrontend frontend;
    base::SystemClock clock;
    const auto t0 = std::chrono::steady_clock::now();
    const submit::RunResult r =
        submit::runSubmission(std::move(p), frontend, submit::makeExchangeTransport(), clock);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const long peak = bench::peakRssKb();
    std::printf("replies=15x%zu MB good=%d wall=%.1f s peak RSS %.1f MB (%.1f MB before the run)\n",
                megabytes, r.good, s, peak / 1024.0, before / 1024.0);
    std::filesystem::remove_all(dir);
    return r.good == 15 ? 0 : 1;
}
