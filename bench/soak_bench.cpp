// Runs `farrowctl submit` over N sites of eight behaviours (accepting, refusing, 404, 500, slow,
// stalling, hanging, closed port) with the pacing shrunk through FARROWLANE_TIMING, checks that
// the logs account for every site exactly once, and prints the time and the peak memory.
//   ./build/bench/soak_bench 500 5000
#include <cstdio>
#include <cstdlib>

#include "bench_support.h"
#include "bench_workspace.h"
#include "support/soak_targets.h"

int main(int argc, char** argv) {
    using namespace farrow;
    using namespace std::chrono_literals;
    const base::Millis receive = 400ms;
    const base::Millis latency = 1500ms;
    test::SoakTargets targets(receive, latency);
    const std::string timing =
        "FARROWLANE_TIMING=controllerPass=20,controllerWait=1,dispatcherPass=2,"
        "dispatcherHarvestPause=0,dispatcherRefillPause=0,controllerEndNap=0,buildYield=0,"
        "httpReceiveTimeout=" +
        std::to_string(receive.count()) + ",workerLatencyLimit=" + std::to_string(latency.count());
    int rc = 0;
    for (int i = 1; i < argc; ++i) {
        const int n = std::atoi(argv[i]);
        const std::vector<test::SoakSite> sites = test::soakSites(n);
        bench::BenchWorkspace ws("farrow-soak-bench");
        std::vector<std::pair<std::string, std::string>> lines;
        for (const test::SoakSite& s : sites) {
            lines.push_back({s.name, targets.url(s.behaviour)});
        }
        ws.writeTargets(lines);
        const bench::ChildRun run =
            bench::runChild({FARROW_FARROWCTL, "submit", "p.fl2"}, ws.path(), {timing});
        const test::SoakCheck check = test::checkSoakLogs(
            sites, bench::slurp(ws.find("LOGS", ".HTM")), bench::slurp(ws.find("ERRORS", ".HTM")),
            bench::slurp(ws.find("ERRORS", ".fl2")));
        std::printf(
            "N=%d exit=%d wall=%.1f s peak RSS %.1f MB rows: %d successful, %d failed, %d "
            "terminated, %d error rows, %d failure-profile lines, %zu problems\n",
            n, run.exitCode, run.seconds, run.maxRssKb / 1024.0, check.successful, check.failed,
            check.terminated, check.errorRows, check.profileLines, check.problems.size());
        for (std::size_t k = 0; k < check.problems.size() && k < 10; ++k) {
            std::printf("  %s\n", check.problems[k].c_str());
        }
        // Some sites fail by design, so farrowctl ends with 3.
        rc |= (run.exitCode != 3 || !check.problems.empty()) ? 1 : 0;
    }
    return rc;
}
