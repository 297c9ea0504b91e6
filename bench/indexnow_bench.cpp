// Announces 100,000 URLs from a file with `farrowctl indexnow submit` (a child process, from
// start to exit) to a loopback endpoint that takes every request: ten POSTs of 10,000 URLs, each
// written to the ledger. Prints the wall time and the child's peak memory.
//   ./build/bench/indexnow_bench [URLS]
#include <cstdio>
#include <cstdlib>

#include "bench_support.h"
#include "bench_workspace.h"
#include "profile/profile_file.h"
#include "support/fake_indexnow_engine.h"

int main(int argc, char** argv) {
    using namespace farrow;
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    test::FakeIndexNowEngine engine;
    bench::BenchWorkspace ws("farrow-indexnow-bench");
    profile::SubmissionProfile p;
    p.url = "https://www.example.com/";
    ws.write("p.fl2", profile::formatProfile(p, {}));
    std::string urls;
    urls.reserve(count * 48);
    for (std::size_t i = 0; i < count; ++i) {
        urls += "https://www.example.com/catalogue/item-" + std::to_string(i) + ".html\n";
    }
    ws.write("urls.txt", urls);
    const bench::ChildRun run =
        bench::runChild({FARROW_FARROWCTL, "indexnow", "submit", "p.fl2", "--key",
                         "abcdefgh12345678", "--urls", "urls.txt", "--endpoint", engine.url()},
                        ws.path());
    std::size_t sent = 0;
    for (const auto& seen : engine.seen()) {
        sent += seen.urlCount > 0 ? static_cast<std::size_t>(seen.urlCount) : 0;
    }
    std::printf("URLs=%zu exit=%d requests=%zu sent=%zu wall=%.2f s cpu=%.2f s peak RSS %.1f MB\n",
                count, run.exitCode, engine.count(), sent, run.seconds, run.cpuSeconds,
                run.maxRssKb / 1024.0);
    return run.exitCode == 0 && sent == count ? 0 : 1;
}
