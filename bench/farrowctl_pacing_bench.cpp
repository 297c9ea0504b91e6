// Runs `farrowctl submit` with N instant loopback targets and the product's timing, and divides
// its wall time (process start to exit) by the schedule's own sleeps. The run's own time from
// the report shows how much of the rest is the program's start and end.
//   ./build/bench/farrowctl_pacing_bench 1 16 40 200
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "bench_support.h"
#include "bench_workspace.h"
#include "support/loopback_http_server.h"

namespace {

// The "elapsedMs" of the report's last line (the run's end event).
long long runMilliseconds(const std::string& report) {
    const std::size_t end = report.rfind("\"event\":\"end\"");
    const std::size_t at = report.find("\"elapsedMs\":", end == std::string::npos ? 0 : end);
    return at == std::string::npos ? -1 : std::atoll(report.c_str() + at + 12);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace farrow;
    const std::map<int, double> floors = {{1, 1.2}, {15, 2.6}, {16, 2.9}, {40, 7.8}, {200, 40.9}};
    test::LoopbackHttpServer server;
    server.routes().Get("/add", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("Thank you", "text/html");
    });
    server.start();
    int rc = 0;
    for (int i = 1; i < argc; ++i) {
        const int n = std::atoi(argv[i]);
        bench::BenchWorkspace ws("farrow-ctl-pacing-bench");
        std::vector<std::pair<std::string, std::string>> targets;
        for (int k = 0; k < n; ++k) {
            targets.push_back({"Site" + std::to_string(k), server.url("/add?")});
        }
        ws.writeTargets(targets);
        const bench::ChildRun run = bench::runChild(
            {FARROW_FARROWCTL, "submit", "p.fl2", "--report", "report.jsonl"}, ws.path());
        const long long runMs = runMilliseconds(bench::slurp(ws.path() + "/report.jsonl"));
        std::printf("N=%d exit=%d wall=%.2f s run=%.2f s", n, run.exitCode, run.seconds,
                    runMs / 1000.0);
        const auto floor = floors.find(n);
        if (floor != floors.end()) {
            std::printf(" floor=%.1f s ratio=%.3f", floor->second, run.seconds / floor->second);
        }
        std::printf("\n");
        rc |= run.exitCode;
    }
    return rc == 0 ? 0 : 1;
}
