// Inspects 2000 URLs from a file with `farrowctl google inspect` (a child process, from start to
// exit) against the sandbox's Search Console on a loopback port, with the inspection pacing
// shrunk to nothing: one token, 2000 inspections, each written to the ledger. Prints the wall
// time and the child's peak memory.
//   ./build/bench/google_index_bench [URLS]
#include <cstdio>
#include <cstdlib>

#include "bench_support.h"
#include "profile/profile_file.h"
#include "support/search_console_fixture.h"

int main(int argc, char** argv) {
    using namespace farrow;
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 2000;
    // The pace is shrunk to nothing, so the minute's quota is lifted with the day's.
    test::SearchConsoleFixture console(sandbox::SearchConsoleSettings{count, 3600, count});
    console.service->addProperty(console.site(), "siteOwner");
    profile::SubmissionProfile p;
    p.url = console.site() + "site/index.htm";
    console.dir.write("p.fl2", profile::formatProfile(p, {}));
    std::string urls;
    for (std::size_t i = 0; i < count; ++i) {
        urls += console.site() + "site/catalogue/item-" + std::to_string(i) + ".htm\n";
    }
    console.dir.write("urls.txt", urls);
    const bench::ChildRun run = bench::runChild(
        {FARROW_FARROWCTL, "google", "inspect", "p.fl2", "--urls", "urls.txt"},
        console.dir.path().string(),
        {"FARROWLANE_GOOGLE_API=" + console.api(),
         "FARROWLANE_TIMING=googleInspectPace=0,googleDailyInspections=" + std::to_string(count)});
    std::printf(
        "URLs=%zu exit=%d inspected=%zu tokens=%zu wall=%.2f s cpu=%.2f s peak RSS %.1f MB\n",
        count, run.exitCode, console.service->inspections(), console.service->tokensIssued(),
        run.seconds, run.cpuSeconds, run.maxRssKb / 1024.0);
    return run.exitCode == 0 && console.service->inspections() == count ? 0 : 1;
}
